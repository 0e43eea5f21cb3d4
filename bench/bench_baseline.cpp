#include "bench/bench_baseline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace bench {

namespace {
const db::ClientLibrary& Api() { return db::RequireClientLibrary(); }

struct Teb {
  isc_db_handle* database;
  int length;
  const char* buffer;
};

// A described statement with one row buffer.
struct Described {
  isc_stmt_handle statement = 0;
  std::unique_ptr<char[]> sqlda_memory;
  std::vector<char> row;
  std::vector<short> nulls;
  XSQLDA* sqlda = nullptr;
};

void Prepare(isc_db_handle* database, isc_tr_handle* transaction, const std::string& sql,
             Described& out) {
  ISC_STATUS_ARRAY status = {};
  if (Api().alloc_statement2(status, database, &out.statement)) Fail(status, "alloc");
  out.sqlda_memory.reset(new char[XSQLDA_LENGTH(16)]());
  out.sqlda = reinterpret_cast<XSQLDA*>(out.sqlda_memory.get());
  out.sqlda->version = SQLDA_VERSION1;
  out.sqlda->sqln = 16;
  if (Api().prepare(status, transaction, &out.statement, 0, sql.c_str(), 3, out.sqlda)) {
    Fail(status, "prepare");
  }
  std::size_t size = 0;
  std::vector<std::size_t> offsets;
  for (int i = 0; i < out.sqlda->sqld; ++i) {
    size = (size + 7) & ~std::size_t(7);
    offsets.push_back(size);
    size += out.sqlda->sqlvar[i].sqllen + 2;
  }
  out.row.assign(size + 8, 0);
  out.nulls.assign(out.sqlda->sqld, 0);
  for (int i = 0; i < out.sqlda->sqld; ++i) {
    out.sqlda->sqlvar[i].sqldata = out.row.data() + offsets[i];
    out.sqlda->sqlvar[i].sqlind = &out.nulls[i];
  }
}
}  // namespace

void Fail(const ISC_STATUS* status, const char* what) {
  std::fprintf(stderr, "bench: %s failed: %s\n", what, db::StatusError(status, "").what());
  std::exit(2);
}

BareConnection::BareConnection(const std::string& path) {
  ISC_STATUS_ARRAY status = {};
  const std::string dpb("\x01\x1c\x06SYSDBA\x1d\x09quillstar", 20);
  if (Api().attach_database(status, static_cast<short>(path.size()), path.c_str(), &handle_,
                            static_cast<short>(dpb.size()), dpb.data())) {
    Fail(status, "attach");
  }
}

BareConnection::~BareConnection() {
  ISC_STATUS_ARRAY status = {};
  Api().detach_database(status, &handle_);
}

void BareConnection::Start(isc_tr_handle* transaction) {
  ISC_STATUS_ARRAY status = {};
  Teb teb = {&handle_, 0, nullptr};
  if (Api().start_multiple(status, transaction, 1, &teb)) Fail(status, "start");
}

void BareConnection::Commit(isc_tr_handle* transaction) {
  ISC_STATUS_ARRAY status = {};
  if (Api().commit_transaction(status, transaction)) Fail(status, "commit");
}

void BareConnection::Rollback(isc_tr_handle* transaction) {
  ISC_STATUS_ARRAY status = {};
  if (Api().rollback_transaction(status, transaction)) Fail(status, "rollback");
}

void BareConnection::ExecuteCommitted(const std::string& sql) {
  isc_tr_handle transaction = 0;
  Start(&transaction);
  ISC_STATUS_ARRAY status = {};
  if (Api().execute_immediate(status, &handle_, &transaction, 0, sql.c_str(), 3, nullptr)) {
    Fail(status, "execute immediate");
  }
  Commit(&transaction);
}

long long BareConnection::FetchAll(const std::string& sql, bool format) {
  isc_tr_handle transaction = 0;
  Start(&transaction);
  Described d;
  Prepare(&handle_, &transaction, sql, d);
  ISC_STATUS_ARRAY status = {};
  if (Api().execute(status, &transaction, &d.statement, SQLDA_VERSION1, nullptr)) {
    Fail(status, "execute");
  }
  long long rows = 0;
  std::vector<std::string> texts(static_cast<std::size_t>(d.sqlda->sqld));
  for (;;) {
    const ISC_STATUS fetched = Api().fetch(status, &d.statement, SQLDA_VERSION1, d.sqlda);
    if (fetched == 100) break;
    if (fetched) Fail(status, "fetch");
    ++rows;
    if (!format) continue;
    for (int i = 0; i < d.sqlda->sqld; ++i) {
      const XSQLVAR& var = d.sqlda->sqlvar[i];
      std::string& text = texts[static_cast<std::size_t>(i)];
      if ((var.sqltype & 1) && *var.sqlind < 0) {
        text.clear();
      } else if ((var.sqltype & ~1) == SQL_VARYING) {
        short length;
        std::memcpy(&length, var.sqldata, 2);
        text.assign(var.sqldata + 2, static_cast<std::size_t>(length));
      } else if ((var.sqltype & ~1) == SQL_LONG) {
        ISC_LONG value;
        std::memcpy(&value, var.sqldata, sizeof(value));
        text = std::to_string(value);
      } else {
        text.assign(var.sqldata, static_cast<std::size_t>(var.sqllen));
      }
    }
  }
  Api().free_statement(status, &d.statement, DSQL_drop);
  Rollback(&transaction);
  return rows;
}

std::string BareConnection::FetchFirstValue(const std::string& sql) {
  isc_tr_handle transaction = 0;
  Start(&transaction);
  Described d;
  Prepare(&handle_, &transaction, sql, d);
  ISC_STATUS_ARRAY status = {};
  if (Api().execute(status, &transaction, &d.statement, SQLDA_VERSION1, nullptr)) {
    Fail(status, "execute");
  }
  std::string text;
  if (Api().fetch(status, &d.statement, SQLDA_VERSION1, d.sqlda) == 0) {
    const XSQLVAR& var = d.sqlda->sqlvar[0];
    if (!((var.sqltype & 1) && *var.sqlind < 0)) {
      ISC_LONG value;
      std::memcpy(&value, var.sqldata, sizeof(value));
      text = std::to_string(value);
    }
  }
  Api().free_statement(status, &d.statement, DSQL_drop);
  Rollback(&transaction);
  return text;
}

}  // namespace bench
