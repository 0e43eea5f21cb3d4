#include "db/Connection.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "db/Statements.h"

namespace db {
namespace {

struct DpbItem {
  const char* name;
  unsigned char code;
};

// The text items a parameter line may name; others are ignored.
const DpbItem kDpbItems[] = {
    {"user_name", isc_dpb_user_name},   {"password", isc_dpb_password},
    {"lc_ctype", isc_dpb_lc_ctype},     {"sql_role_name", isc_dpb_sql_role_name},
    {"password_enc", isc_dpb_password_enc},
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

Connection::~Connection() { Abandon(); }

std::string Connection::BuildParameterBuffer(const std::vector<std::string>& lines) {
  std::string buffer(1, static_cast<char>(isc_dpb_version1));
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string name = Lower(line.substr(0, equals));
    if (name.compare(0, 8, "isc_dpb_") == 0) name.erase(0, 8);
    const std::string value = line.substr(equals + 1);
    if (name == "connect_timeout") {
      // Seconds the client waits for the server's host to take the connection; a number of
      // four bytes, least significant first.
      const unsigned long seconds = std::strtoul(value.c_str(), nullptr, 10);
      buffer += static_cast<char>(isc_dpb_connect_timeout);
      buffer += static_cast<char>(4);
      for (int shift = 0; shift < 32; shift += 8) buffer += static_cast<char>((seconds >> shift) & 0xFF);
      continue;
    }
    for (const DpbItem& item : kDpbItems) {
      if (name == item.name) {
        buffer += static_cast<char>(item.code);
        buffer += static_cast<char>(std::min<std::size_t>(value.size(), 255));
        buffer += value.substr(0, 255);
        break;
      }
    }
  }
  return buffer;
}

void Connection::Fail(const ISC_STATUS* status, const std::string& what) {
  DatabaseError error = StatusError(status, what);
  if (error.Kind() == FailureKind::Connection && Connected() && !releasing_ && broken_handler_) {
    releasing_ = true;
    try {
      broken_handler_();
    } catch (...) {
    }
    releasing_ = false;
  }
  throw error;
}

void Connection::CreateDatabase() {
  const ClientLibrary& api = Api();
  // The path goes between apostrophes, so it is quoted like every other literal.
  last_create_statement_ = JoinStatementLines(CreateDatabaseLines(path_, params_));
  ISC_STATUS_ARRAY status = {};
  isc_db_handle created = 0;
  isc_tr_handle transaction = 0;
  ++attach_count_;
  if (api.execute_immediate(status, &created, &transaction,
                            StatementLength(last_create_statement_),
                            last_create_statement_.c_str(),
                            static_cast<unsigned short>(dialect_), nullptr)) {
    throw StatusError(status, "CREATE DATABASE");
  }
  handle_ = created;
}

void Connection::Open() {
  if (!path_set_) throw DatabaseError("no database path was set", 0, 0, FailureKind::Connection);
  const ClientLibrary& api = Api();
  const std::string buffer = BuildParameterBuffer(params_);
  ISC_STATUS_ARRAY status = {};
  isc_db_handle attached = 0;
  ++attach_count_;
  if (api.attach_database(status, static_cast<short>(path_.size()), path_.c_str(), &attached,
                          static_cast<short>(buffer.size()), buffer.data())) {
    // Whatever the server answered (no server, no file, refused account), the database could
    // not be reached.
    const DatabaseError error = StatusError(status, "attach");
    throw DatabaseError(error.Detail(), error.SqlCode(), error.GdsCode(), FailureKind::Connection);
  }
  handle_ = attached;
  try {
    ReadDialect();
  } catch (...) {
    Abandon();
    throw;
  }
}

void Connection::ReadDialect() {
  const ClientLibrary& api = Api();
  ISC_STATUS_ARRAY status = {};
  const char items[] = {isc_info_db_sql_dialect, isc_info_end};
  char answer[512] = {};
  if (api.database_info(status, &handle_, sizeof(items), items, sizeof(answer), answer)) {
    throw StatusError(status, "database info");
  }
  int dialect = 1;
  if (answer[0] == isc_info_db_sql_dialect) {
    const short length = static_cast<short>(api.vax_integer(answer + 1, 2));
    if (length > 0 && length <= 4) dialect = static_cast<int>(api.vax_integer(answer + 3, length));
  }
  // Lowered for the rest of the run, never raised again.
  if (dialect < dialect_) dialect_ = dialect;
}

void Connection::Close() {
  if (!Connected()) return;
  const ClientLibrary& api = Api();
  ISC_STATUS_ARRAY status = {};
  if (api.detach_database(status, &handle_)) {
    // The server is gone: the client keeps nothing we could still use.
    DatabaseError error = StatusError(status, "detach");
    handle_ = 0;
    throw error;
  }
  handle_ = 0;
}

void Connection::Abandon() {
  if (handle_ == 0) return;
  if (const ClientLibrary* api = LoadClientLibrary()) {
    ISC_STATUS_ARRAY status = {};
    api->detach_database(status, &handle_);
  }
  handle_ = 0;
}

}  // namespace db
