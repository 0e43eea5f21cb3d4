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
}  // namespace

void Fail(const ISC_STATUS* status, const char* what) {
  std::fprintf(stderr, "bench: %s failed: %s\n", what, db::StatusError(status, "").Detail().c_str());
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

void BareConnection::Execute(isc_tr_handle* transaction, const std::string& sql, const char* what) {
  ISC_STATUS_ARRAY status = {};
  if (Api().execute_immediate(status, &handle_, transaction, 0, sql.c_str(), 3, nullptr)) {
    Fail(status, what);
  }
}

void BareConnection::ExecuteCommitted(const std::string& sql) {
  isc_tr_handle transaction = 0;
  Start(&transaction);
  Execute(&transaction, sql, "execute immediate");
  Commit(&transaction);
}

BareCursor::BareCursor(BareConnection& connection, const std::string& sql)
    : connection_(connection) {
  connection_.Start(&transaction_);
  ISC_STATUS_ARRAY status = {};
  if (Api().alloc_statement2(status, connection_.Handle(), &statement_)) Fail(status, "alloc");
  sqlda_memory_.reset(new char[XSQLDA_LENGTH(16)]());
  sqlda_ = reinterpret_cast<XSQLDA*>(sqlda_memory_.get());
  sqlda_->version = SQLDA_VERSION1;
  sqlda_->sqln = 16;
  if (Api().prepare(status, &transaction_, &statement_, 0, sql.c_str(), 3, sqlda_)) {
    Fail(status, "prepare");
  }
  std::size_t size = 0;
  std::vector<std::size_t> offsets;
  for (int i = 0; i < sqlda_->sqld; ++i) {
    size = (size + 7) & ~std::size_t(7);
    offsets.push_back(size);
    size += sqlda_->sqlvar[i].sqllen + 2;
  }
  row_.assign(size + 8, 0);
  nulls_.assign(sqlda_->sqld, 0);
  for (int i = 0; i < sqlda_->sqld; ++i) {
    sqlda_->sqlvar[i].sqldata = row_.data() + offsets[i];
    sqlda_->sqlvar[i].sqlind = &nulls_[i];
  }
  if (Api().execute(status, &transaction_, &statement_, SQLDA_VERSION1, nullptr)) {
    Fail(status, "execute");
  }
}

BareCursor::~BareCursor() {
  ISC_STATUS_ARRAY status = {};
  Api().free_statement(status, &statement_, DSQL_drop);
  connection_.Rollback(&transaction_);
}

bool BareCursor::Fetch() {
  ISC_STATUS_ARRAY status = {};
  const ISC_STATUS fetched = Api().fetch(status, &statement_, SQLDA_VERSION1, sqlda_);
  if (fetched == 100) return false;
  if (fetched) Fail(status, "fetch");
  return true;
}

long long BareConnection::FetchAll(const std::string& sql, bool format) {
  BareCursor cursor(*this, sql);
  const XSQLDA& row = cursor.Row();
  long long rows = 0;
  std::vector<std::string> texts(static_cast<std::size_t>(row.sqld));
  while (cursor.Fetch()) {
    ++rows;
    if (!format) continue;
    for (int i = 0; i < row.sqld; ++i) {
      const XSQLVAR& var = row.sqlvar[i];
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
  return rows;
}

std::string BareConnection::FetchFirstValue(const std::string& sql) {
  BareCursor cursor(*this, sql);
  std::string text;
  if (cursor.Fetch()) {
    const XSQLVAR& var = cursor.Row().sqlvar[0];
    if (!((var.sqltype & 1) && *var.sqlind < 0)) {
      ISC_LONG value;
      std::memcpy(&value, var.sqldata, sizeof(value));
      text = std::to_string(value);
    }
  }
  return text;
}

}  // namespace bench
