// fbclient.dll for the windows build's end-to-end tests under Wine: a Winelib library that takes
// the classic client calls with the Windows calling convention and hands them to the system's
// libfbclient.so, so that out/windows/Lumadex.exe reaches the private Firebird server of the
// test run as out/linux/Lumadex.exe does. The types of the calls are the program's own
// (db/ClientLibrary.h: the System V pointers of the Winelib build); fbclient_bridge.exports names
// the exports.
#include <dlfcn.h>
#include <windef.h>

#include "db/ClientLibrary.h"

namespace {

void* Real(const char* name) {
  static void* const library = [] {
    void* handle = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr ? handle : dlopen("libfbclient.so", RTLD_NOW | RTLD_LOCAL);
  }();
  return library != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace

using Api = db::ClientLibrary;

// One export: the real call, found on first use, with the arguments as they came.
#define LUMADEX_BRIDGE(result, name, type, params, args)                   \
  extern "C" result WINAPI bridge_##name params {                          \
    static const auto real = reinterpret_cast<Api::type>(Real(#name));     \
    return real args;                                                      \
  }

LUMADEX_BRIDGE(ISC_STATUS, isc_attach_database, AttachDatabase,
               (ISC_STATUS* s, short l, const ISC_SCHAR* n, isc_db_handle* d, short pl, const ISC_SCHAR* p),
               (s, l, n, d, pl, p))
LUMADEX_BRIDGE(ISC_STATUS, isc_detach_database, DetachDatabase, (ISC_STATUS* s, isc_db_handle* d), (s, d))
LUMADEX_BRIDGE(ISC_STATUS, isc_database_info, DatabaseInfo,
               (ISC_STATUS* s, isc_db_handle* d, short il, const ISC_SCHAR* i, short bl, ISC_SCHAR* b),
               (s, d, il, i, bl, b))
LUMADEX_BRIDGE(ISC_LONG, isc_vax_integer, VaxInteger, (const ISC_SCHAR* p, short l), (p, l))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_execute_immediate, ExecuteImmediate,
               (ISC_STATUS* s, isc_db_handle* d, isc_tr_handle* t, unsigned short l, const ISC_SCHAR* q,
                unsigned short v, const XSQLDA* x),
               (s, d, t, l, q, v, x))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_exec_immed2, ExecuteImmediate2,
               (ISC_STATUS* s, isc_db_handle* d, isc_tr_handle* t, unsigned short l, const ISC_SCHAR* q,
                unsigned short v, const XSQLDA* in, const XSQLDA* out),
               (s, d, t, l, q, v, in, out))
LUMADEX_BRIDGE(ISC_STATUS, isc_start_multiple, StartMultiple,
               (ISC_STATUS* s, isc_tr_handle* t, short n, void* v), (s, t, n, v))
LUMADEX_BRIDGE(ISC_STATUS, isc_commit_transaction, EndTransaction, (ISC_STATUS* s, isc_tr_handle* t), (s, t))
LUMADEX_BRIDGE(ISC_STATUS, isc_rollback_transaction, EndTransaction, (ISC_STATUS* s, isc_tr_handle* t), (s, t))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_alloc_statement2, AllocStatement,
               (ISC_STATUS* s, isc_db_handle* d, isc_stmt_handle* h), (s, d, h))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_prepare, Prepare,
               (ISC_STATUS* s, isc_tr_handle* t, isc_stmt_handle* h, unsigned short l, const ISC_SCHAR* q,
                unsigned short v, XSQLDA* x),
               (s, t, h, l, q, v, x))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_sql_info, SqlInfo,
               (ISC_STATUS* s, isc_stmt_handle* h, short il, const ISC_SCHAR* i, short bl, ISC_SCHAR* b),
               (s, h, il, i, bl, b))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_describe, Describe,
               (ISC_STATUS* s, isc_stmt_handle* h, unsigned short v, XSQLDA* x), (s, h, v, x))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_execute, Execute,
               (ISC_STATUS* s, isc_tr_handle* t, isc_stmt_handle* h, unsigned short v, const XSQLDA* x),
               (s, t, h, v, x))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_execute2, Execute2,
               (ISC_STATUS* s, isc_tr_handle* t, isc_stmt_handle* h, unsigned short v, const XSQLDA* in,
                const XSQLDA* out),
               (s, t, h, v, in, out))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_set_cursor_name, SetCursorName,
               (ISC_STATUS* s, isc_stmt_handle* h, const ISC_SCHAR* n, unsigned short t), (s, h, n, t))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_fetch, Fetch,
               (ISC_STATUS* s, isc_stmt_handle* h, unsigned short v, const XSQLDA* x), (s, h, v, x))
LUMADEX_BRIDGE(ISC_STATUS, isc_dsql_free_statement, FreeStatement,
               (ISC_STATUS* s, isc_stmt_handle* h, unsigned short o), (s, h, o))
LUMADEX_BRIDGE(ISC_LONG, fb_interpret, Interpret, (ISC_SCHAR* b, unsigned int l, const ISC_STATUS** v), (b, l, v))
