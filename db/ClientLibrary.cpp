#include "db/ClientLibrary.h"

#include <algorithm>
#include <string>

#include "platform/dynlib.h"

namespace db {
namespace {

template <typename Function>
bool Bind(platform::LibraryHandle library, const char* name, Function& target) {
  target = reinterpret_cast<Function>(platform::FindLibrarySymbol(library, name));
  return target != nullptr;
}

bool BindAll(platform::LibraryHandle library, ClientLibrary& api) {
  bool ok = true;
  ok &= Bind(library, "isc_attach_database", api.attach_database);
  ok &= Bind(library, "isc_detach_database", api.detach_database);
  ok &= Bind(library, "isc_database_info", api.database_info);
  ok &= Bind(library, "isc_vax_integer", api.vax_integer);
  ok &= Bind(library, "isc_dsql_execute_immediate", api.execute_immediate);
  ok &= Bind(library, "isc_dsql_exec_immed2", api.exec_immed2);
  ok &= Bind(library, "isc_start_multiple", api.start_multiple);
  ok &= Bind(library, "isc_commit_transaction", api.commit_transaction);
  ok &= Bind(library, "isc_rollback_transaction", api.rollback_transaction);
  ok &= Bind(library, "isc_dsql_alloc_statement2", api.alloc_statement2);
  ok &= Bind(library, "isc_dsql_prepare", api.prepare);
  ok &= Bind(library, "isc_dsql_sql_info", api.sql_info);
  ok &= Bind(library, "isc_dsql_describe", api.describe);
  ok &= Bind(library, "isc_dsql_execute", api.execute);
  ok &= Bind(library, "isc_dsql_execute2", api.execute2);
  ok &= Bind(library, "isc_dsql_set_cursor_name", api.set_cursor_name);
  ok &= Bind(library, "isc_dsql_fetch", api.fetch);
  ok &= Bind(library, "isc_dsql_free_statement", api.free_statement);
  return ok;
}

// Why the library could not be loaded: the first name whose file was found tells more than one
// that is simply absent.
platform::LibraryLoadFailure load_failure;

}  // namespace

const ClientLibrary* LoadClientLibrary() {
  // Tried once per run; the library stays loaded until the program ends.
  static const ClientLibrary* const loaded = []() -> const ClientLibrary* {
    static ClientLibrary api;
    for (const char* const* name = platform::FirebirdClientLibraryNames(); *name; ++name) {
      platform::LibraryLoadFailure failure;
      platform::LibraryHandle library = platform::LoadDynamicLibrary(*name, &failure);
      if (library != nullptr && BindAll(library, api)) {
        Bind(library, "fb_interpret", api.interpret);
        return &api;
      }
      if (library != nullptr) {  // a file of that name without the calls: not a Firebird client
        failure.kind = platform::LibraryLoadFailure::Kind::Other;
        failure.path = *name;
      }
      if (load_failure.kind == platform::LibraryLoadFailure::Kind::None ||
          (load_failure.kind == platform::LibraryLoadFailure::Kind::NotFound &&
           failure.kind != platform::LibraryLoadFailure::Kind::NotFound)) {
        load_failure = failure;
        if (failure.kind == platform::LibraryLoadFailure::Kind::NotFound) load_failure.path = *name;
      }
    }
    return nullptr;
  }();
  return loaded;
}

std::string ClientLibraryMessage(const platform::LibraryLoadFailure& failure) {
  using Kind = platform::LibraryLoadFailure::Kind;
  // What Firebird 3's 64-bit client needs beside it (not the newer Visual C++ runtime).
  const std::string companions = "msvcr100.dll、msvcp100.dll（Visual C++ 2010 x64 ランタイム）と firebird.msg";
  const std::string install = "Firebird 3 の 64 ビット版 (x64) をインストールするか、その fbclient.dll と " + companions +
                              " をプログラムのフォルダーに置いて下さい。";
  switch (failure.kind) {
    case Kind::None:
      return std::string();
    case Kind::NotFound:
      return "Firebird のクライアント ライブラリ (" + failure.path + ") が見つかりません。\r\n" + install;
    case Kind::WrongArchitecture:
      return "Firebird のクライアント ライブラリ " + failure.path +
             " は 32 ビット版のため使えません。\r\n64 ビット版 (x64) の fbclient.dll に置き換えて下さい。" + install;
    case Kind::DependencyMissing:
      return "Firebird のクライアント ライブラリ " + failure.path +
             " が必要とするファイルが見つかりません。\r\n同じフォルダーに " + companions +
             " を置くか、Firebird 3 の 64 ビット版 (x64) をインストールして下さい。";
    case Kind::Other:
      break;
  }
  return "Firebird のクライアント ライブラリ " + failure.path + " を読み込めません" +
         (failure.code != 0 ? "（エラー " + std::to_string(failure.code) + "）" : std::string()) + "。\r\n" + install;
}

std::string ClientLibraryProblem() {
  if (LoadClientLibrary() != nullptr) return std::string();
  return ClientLibraryMessage(load_failure);
}

const ClientLibrary& RequireClientLibrary() {
  const ClientLibrary* api = LoadClientLibrary();
  if (api == nullptr) {
    throw DatabaseError("the Firebird client library could not be loaded", 0, 0,
                        FailureKind::Connection);
  }
  return *api;
}

bool IsConnectionFailureCode(long gds_code) {
  switch (gds_code) {
    case isc_network_error:
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_net_connect_err:
    case isc_net_connect_listen_err:
    case isc_net_event_connect_err:
    case isc_net_lookup_err:
    case isc_net_init_error:
    case isc_lost_db_connection:
    case isc_conn_lost:
    case isc_att_shutdown:
    case isc_shutdown:
    case isc_shutinprog:
    case isc_unavailable:
    case isc_connect_reject:
    case isc_bad_db_handle:
      return true;
    default:
      return false;
  }
}

unsigned short StatementLength(const std::string& text) {
  if (text.size() <= 0xFFFF) return static_cast<unsigned short>(text.size());
  if (text.find('\0') != std::string::npos) {
    throw DatabaseError("statement of " + std::to_string(text.size()) +
                        " bytes holds a zero byte");
  }
  return 0;
}

namespace {

// The messages of a status vector as the client library words them, one per cluster, joined
// by " / "; empty when the library cannot word them.
std::string InterpretedMessages(const ISC_STATUS* status) {
  const ClientLibrary* api = LoadClientLibrary();
  if (api == nullptr || api->interpret == nullptr) return std::string();
  std::string messages;
  const ISC_STATUS* cursor = status;
  char buffer[1024] = {};
  for (int count = 0; count < 16; ++count) {
    if (api->interpret(buffer, sizeof(buffer), &cursor) <= 0) break;
    if (!messages.empty()) messages += " / ";
    messages.append(buffer, std::find(buffer, buffer + sizeof(buffer), '\0'));
  }
  return messages;
}

}  // namespace

DatabaseError StatusError(const ISC_STATUS* status, const std::string& what) {
  long first = 0;
  bool connection = false;
  bool duplicate = false;
  bool conflict = false;
  bool missing_table = false;
  std::string codes;
  std::string arguments;
  // Walk the clusters: code kind, then its value; strings are pointers, cstrings count + pointer.
  for (int i = 0; i < ISC_STATUS_LENGTH - 1 && status[i] != isc_arg_end;) {
    const ISC_STATUS kind = status[i];
    const ISC_STATUS value = status[i + 1];
    if (kind == isc_arg_gds || kind == isc_arg_warning) {
      if (kind == isc_arg_gds) {
        if (first == 0) first = static_cast<long>(value);
        connection |= IsConnectionFailureCode(static_cast<long>(value));
        duplicate |= value == isc_unique_key_violation || value == isc_no_dup;
        conflict |= value == isc_lock_conflict || value == isc_update_conflict || value == isc_deadlock;
        missing_table |= value == isc_dsql_relation_err;
      }
      codes += (codes.empty() ? "" : " ") + std::to_string(static_cast<long>(value));
      i += 2;
    } else if (kind == isc_arg_cstring) {
      i += 3;
    } else {
      if ((kind == isc_arg_string || kind == isc_arg_interpreted) && value != 0) {
        arguments += " [" + std::string(reinterpret_cast<const char*>(value)) + "]";
      }
      i += 2;
    }
  }
  // "prepare (Firebird 335544569): Dynamic SQL Error / SQL error code = -104 / ..."; without
  // the library's wording, every code and the texts the server sent with them.
  std::string detail = what + " (Firebird " + (codes.empty() ? std::string("?") : codes) + ")";
  const std::string messages = InterpretedMessages(status);
  detail += messages.empty() ? arguments : ": " + messages;
  // A key that an uncommitted transaction holds is reported with the unique violation as well:
  // it is a conflict, since the key may still come free.
  FailureKind kind = connection  ? FailureKind::Connection
                     : conflict  ? FailureKind::Conflict
                     : duplicate ? FailureKind::Duplicate
                                 : FailureKind::Other;
  DatabaseError error(detail, 0, first, kind);
  error.SetMissingTable(missing_table);
  return error;
}

}  // namespace db
