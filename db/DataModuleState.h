// What stands behind DataModule's operations, for the files that define them (DataModule.cpp,
// LaunchStore.cpp). Nothing outside db/ includes this.
#pragma once

#include <exception>
#include <string>

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
  // The highest registration number last seen, per table and database.
  std::string highest_key;
  long long highest_seen = 0;
};

// Attaches again after a broken connection was let go. True when the connection is open.
inline bool EnsureConnected(Connection& connection, bool& reattach_pending) {
  if (connection.Connected()) return true;
  if (!reattach_pending) return false;
  try {
    connection.Open();
    reattach_pending = false;
  } catch (const std::exception&) {
  }
  return connection.Connected();
}

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
