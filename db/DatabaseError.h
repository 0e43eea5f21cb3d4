// The one exception type of the data layer and the failure kinds callers react to. Every db/
// file below the data module reports through these, so they depend on nothing else.
#pragma once

#include <stdexcept>
#include <string>

namespace db {

// Why the last modifying operation failed.
enum class FailureKind {
  None,        // it succeeded
  Duplicate,   // unique key violation (a registration number stored meanwhile)
  Connection,  // the connection is closed, was lost, or the server cannot be reached
  Other,       // anything else (syntax, a text longer than its column, ...)
};

// A client library error (status vector turned into text), or a misuse of the statement layer.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(const std::string& message, long sql_code = 0, long gds_code = 0,
                FailureKind kind = FailureKind::Other)
      : std::runtime_error(message), sql_code_(sql_code), gds_code_(gds_code), kind_(kind) {}
  long SqlCode() const { return sql_code_; }
  long GdsCode() const { return gds_code_; }  // first isc_* code of the status vector
  // Duplicate or Connection when any code of the status vector says so, else Other.
  FailureKind Kind() const { return kind_; }

 private:
  long sql_code_;
  long gds_code_;
  FailureKind kind_;
};

}  // namespace db
