// The classic calls of the Firebird client library, loaded at run time.
// The types and constants come from ibase.h; the function pointers are our own, because under
// Winelib ibase.h would declare the functions with the Microsoft calling convention while
// libfbclient.so uses the System V one.
#pragma once

#include <ibase.h>
#include <iberror.h>

#include <string>

#include "db/DatabaseError.h"
#include "platform/dynlib.h"

#if defined(LUMADEX_WINELIB)
#define LUMADEX_FB_CALL __attribute__((sysv_abi))
#else
#define LUMADEX_FB_CALL
#endif

namespace db {

struct ClientLibrary {
  using AttachDatabase = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, short, const ISC_SCHAR*,
                                                      isc_db_handle*, short, const ISC_SCHAR*);
  using DetachDatabase = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_db_handle*);
  using DatabaseInfo = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_db_handle*, short,
                                                    const ISC_SCHAR*, short, ISC_SCHAR*);
  using VaxInteger = ISC_LONG(LUMADEX_FB_CALL*)(const ISC_SCHAR*, short);
  using ExecuteImmediate = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_db_handle*,
                                                        isc_tr_handle*, unsigned short,
                                                        const ISC_SCHAR*, unsigned short,
                                                        const XSQLDA*);
  using ExecuteImmediate2 = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_db_handle*,
                                                         isc_tr_handle*, unsigned short,
                                                         const ISC_SCHAR*, unsigned short,
                                                         const XSQLDA*, const XSQLDA*);
  using StartMultiple = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_tr_handle*, short, void*);
  using EndTransaction = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_tr_handle*);
  using AllocStatement = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_db_handle*,
                                                      isc_stmt_handle*);
  using Prepare = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                               unsigned short, const ISC_SCHAR*, unsigned short,
                                               XSQLDA*);
  using SqlInfo = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_stmt_handle*, short,
                                               const ISC_SCHAR*, short, ISC_SCHAR*);
  using Describe = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                                XSQLDA*);
  using Execute = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                               unsigned short, const XSQLDA*);
  using Execute2 = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                                unsigned short, const XSQLDA*, const XSQLDA*);
  using SetCursorName = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_stmt_handle*,
                                                     const ISC_SCHAR*, unsigned short);
  using Fetch = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                             const XSQLDA*);
  using FreeStatement = ISC_STATUS(LUMADEX_FB_CALL*)(ISC_STATUS*, isc_stmt_handle*,
                                                     unsigned short);
  using Interpret = ISC_LONG(LUMADEX_FB_CALL*)(ISC_SCHAR*, unsigned int, const ISC_STATUS**);

  AttachDatabase attach_database = nullptr;
  DetachDatabase detach_database = nullptr;
  DatabaseInfo database_info = nullptr;
  VaxInteger vax_integer = nullptr;
  ExecuteImmediate execute_immediate = nullptr;
  ExecuteImmediate2 exec_immed2 = nullptr;  // a singleton SELECT answered in the same exchange
  StartMultiple start_multiple = nullptr;
  EndTransaction commit_transaction = nullptr;
  EndTransaction rollback_transaction = nullptr;
  AllocStatement alloc_statement2 = nullptr;
  Prepare prepare = nullptr;
  SqlInfo sql_info = nullptr;
  Describe describe = nullptr;
  Execute execute = nullptr;
  Execute2 execute2 = nullptr;
  SetCursorName set_cursor_name = nullptr;
  Fetch fetch = nullptr;
  FreeStatement free_statement = nullptr;
  // Only for the texts of error messages; a library without it still serves, and its errors
  // are then told by their codes alone.
  Interpret interpret = nullptr;
};

// The client library, loaded on first use; nullptr when it cannot be found or lacks a call.
const ClientLibrary* LoadClientLibrary();

// The library, or a DatabaseError of kind Connection when it is missing.
const ClientLibrary& RequireClientLibrary();

// When the library could not be loaded: a Japanese message for the user that names the file and
// says what to install (not found, a 32-bit one, a library it needs missing); empty when it
// loaded.
std::string ClientLibraryProblem();
// The message for one failure (ClientLibraryProblem's text).
std::string ClientLibraryMessage(const platform::LibraryLoadFailure& failure);

// A status vector as an exception: the first code, the kind a caller needs to react to, and as
// detail the operation `what`, the code and the messages the status vector carries.
DatabaseError StatusError(const ISC_STATUS* status, const std::string& what);

// Codes that mean the connection is gone or the server cannot be reached.
bool IsConnectionFailureCode(long gds_code);

// The length argument of a prepare or execute-immediate call for `text`: its size, so that a zero
// byte inside a literal cannot end the statement early. The argument holds 16 bits; a longer text
// goes as 0 (read by the client up to its first zero byte), which is exact only when it holds
// none, so a longer text with a zero byte is refused with a DatabaseError instead.
unsigned short StatementLength(const std::string& text);

}  // namespace db
