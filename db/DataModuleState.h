// Inside the data module: the connection, transactions and statements behind its operations, and
// the steps its files share. Only the data module's own files include this: db/DataModule.cpp,
// db/Modifying.cpp, db/Reading.cpp, db/TableUse.cpp, db/StatusOperations.cpp and db/LaunchStore.cpp.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "db/ClientQuery.h"
#include "db/Connection.h"
#include "db/DataModule.h"
#include "db/DatabaseError.h"
#include "db/Transaction.h"

namespace db {

struct DataModule::State {
  Connection connection;
  Transaction transaction{connection};
  ClientQuery query{connection, transaction};
  // The connection's listing transaction and the statement that lists the table names: apart
  // from IBTransaction1 and IBQuery1, which may hold a caller's open result meanwhile.
  Transaction listing_transaction{connection};
  ClientQuery listing{connection, listing_transaction};
  // The launch registration's own transaction: a tick leaves a reading window's result alone
  // and costs no rollback of it.
  Transaction registration{connection};
  FailureKind last_failure = FailureKind::None;
  std::string last_failure_detail;  // the error behind last_failure
  long long rows_changed = 0;
  // Set when a broken connection was let go; the next data operation attaches again.
  bool reattach_pending = false;
  bool batch_active = false;
  // Set while RunRecovering runs its action again after it made the table usable.
  bool table_confirmed = false;
  // The highest registration number last seen, per table and database.
  std::string highest_key;
  long long highest_seen = 0;
};

// Closes the result and rolls back an active transaction, whatever the server answers.
void CloseAndEndQuietly(DataModule::State& s);
// Closes the result of `query`, whatever the server answers.
void CloseQuietly(ClientQuery& query);
// Attaches again after a broken connection was let go. True when the connection is open.
bool EnsureConnected(Connection& connection, bool& reattach_pending);
// A statement sent with the connection closed would attach on demand behind the user's back.
void RequireConnected(DataModule::State& s);
// Common start of the reading operations; false when the connection is (or was found) closed.
bool StartReading(DataModule& module, DataModule::State& s, const std::vector<std::string>& lines);
// One modifying statement in a transaction of its own, committed; the rows it changed. Throws,
// leaving to the caller what a failure left active.
long long ModifyInTransaction(DataModule::State& s, const std::vector<std::string>& lines);

// Runs one step of a modifying operation; true when it did not throw. Otherwise LastFailure
// tells why, and a connection found lost counts as such whatever the error said.
template <typename Step>
bool Attempt(DataModule::State& s, Step step) {
  try {
    step();
    return true;
  } catch (const DatabaseError& error) {
    s.last_failure = s.connection.Connected() ? error.Kind() : FailureKind::Connection;
    s.last_failure_detail = error.Detail();
  } catch (const std::exception& error) {
    s.last_failure = FailureKind::Other;
    s.last_failure_detail = error.what();
  }
  return false;
}

}  // namespace db
