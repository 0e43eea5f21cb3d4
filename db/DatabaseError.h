// The one exception type of the data layer and the failure kinds callers react to. Every db/
// file below the data module reports through these, so they depend on nothing else in db/.
#pragma once

#include <string>

#include "platform/errors.h"

namespace db {

// Why the last modifying operation failed.
enum class FailureKind {
  None,        // it succeeded
  Duplicate,   // unique key violation (a registration number stored meanwhile)
  Conflict,    // another transaction holds the row or key (its work is not committed yet)
  NumberLimit, // the highest registration number is the largest an INTEGER holds
  Connection,  // the connection is closed, was lost, or the server cannot be reached
  Other,       // anything else (syntax, a text longer than its column, ...)
};

// A client library error (status vector turned into text), or a misuse of the statement layer.
// Its text, when it reaches the user, is a Japanese sentence chosen by the kind, with `detail`
// (the operation, the Firebird code and the server's message) on the line below.
class DatabaseError : public platform::ReportedError {
 public:
  DatabaseError(const std::string& detail, long sql_code = 0, long gds_code = 0,
                FailureKind kind = FailureKind::Other)
      : platform::ReportedError(SentenceFor(kind), detail),
        sql_code_(sql_code),
        gds_code_(gds_code),
        kind_(kind) {}
  long SqlCode() const { return sql_code_; }
  long GdsCode() const { return gds_code_; }  // first isc_* code of the status vector
  // Duplicate, Conflict or Connection when a code of the status vector says so, else Other.
  FailureKind Kind() const { return kind_; }
  // The statement named a table the database does not have (the launch table was dropped).
  bool MissingTable() const { return missing_table_; }
  void SetMissingTable(bool missing) { missing_table_ = missing; }

  static const char* SentenceFor(FailureKind kind) {
    return kind == FailureKind::Connection ? "データベースに接続できません。"
                                           : "データベースの処理に失敗しました。";
  }

 private:
  long sql_code_;
  long gds_code_;
  FailureKind kind_;
  bool missing_table_ = false;
};

}  // namespace db
