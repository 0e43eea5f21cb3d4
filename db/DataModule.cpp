// The data module's state and its connection: creation, attaching and detaching; and the launch
// registration's numbered insert with the reads it relies on. The modifying statements and the
// batch are in db/Modifying.cpp, the reading operations in db/Reading.cpp, the launch table's
// check and the recovery rule in db/TableUse.cpp, the operations that report failure as a value
// in db/StatusOperations.cpp.
#include "db/DataModule.h"

#include <algorithm>
#include <cstdlib>

#include "db/DataModuleState.h"
#include "db/DirectStatements.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace db {

namespace {
const char* const kUser = "SYSDBA";
const char* const kPassword = "quillstar";
}  // namespace

void CloseAndEndQuietly(DataModule::State& s) {
  try {
    s.query.Close();
  } catch (const std::exception&) {
  }
  try {
    s.transaction.MakeInactive();
  } catch (const std::exception&) {
  }
}

DataModule::DataModule() : state_(new State) {
  State* state = state_.get();
  state->transaction.SetBeforeEnd([state] { state->query.ReleaseQuietly(); });
  state->listing_transaction.SetBeforeEnd([state] { state->listing.ReleaseQuietly(); });
  state->connection.SetBrokenHandler([state] {
    state->query.ReleaseQuietly();
    state->transaction.Abandon();
    state->listing.ReleaseQuietly();
    state->listing_transaction.Abandon();
    state->registration.Abandon();
    state->connection.Abandon();
    state->reattach_pending = true;
    state->batch_active = false;
  });
}

DataModule::~DataModule() {
  DisconnectDatabase();
  // The hooks point into the state that is being torn down.
  state_->transaction.SetBeforeEnd(nullptr);
  state_->listing_transaction.SetBeforeEnd(nullptr);
  state_->connection.SetBrokenHandler(nullptr);
}

Query& DataModule::IBQuery1() { return state_->query; }
Transaction& DataModule::IBTransaction1() { return state_->transaction; }
Connection& DataModule::IBDatabase1() { return state_->connection; }

bool DataModule::Connected() const { return state_->connection.Connected(); }

int DataModule::CurrentDialect() const { return state_->connection.Dialect(); }

// ---- Connection and database creation ----

void DataModule::CreateDatabase(const ConnectionSettings& settings) {
  // Callers close the connection first; an open one is never replaced behind their back.
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(settings.path);
  s.connection.SetParams({std::string("USER \"") + kUser + "\"",
                          std::string("PASSWORD \"") + kPassword + "\"", "PAGE_SIZE 4096"});
  s.reattach_pending = false;
  try {
    s.connection.CreateDatabase();
  } catch (const std::exception&) {
  }
}

void DataModule::ConnectDatabase(const ConnectionSettings& settings) {
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(settings.path);
  // A server whose host does not answer keeps no window waiting for long: the launch check tries
  // to attach again from its ticks.
  s.connection.SetParams({std::string("USER_NAME=") + kUser, std::string("PASSWORD=") + kPassword,
                          "CONNECT_TIMEOUT=2"});
  s.reattach_pending = false;
  try {
    s.connection.Open();
  } catch (const std::exception&) {
    DisconnectDatabase();
  }
}

void DataModule::DisconnectDatabase() {
  State& s = *state_;
  s.reattach_pending = false;
  s.batch_active = false;
  CloseAndEndQuietly(s);
  // Whatever the server answers, the handles are let go and the connection counts as closed.
  s.query.ReleaseQuietly();
  s.transaction.Abandon();
  s.listing.ReleaseQuietly();
  s.listing_transaction.Abandon();
  s.registration.Abandon();
  try {
    s.connection.Close();
  } catch (const std::exception&) {
  }
  s.connection.Abandon();
}

// Attaches again after a broken connection was let go. True when the connection is open.
bool EnsureConnected(Connection& connection, bool& reattach_pending) {
  if (connection.Connected()) return true;
  if (!reattach_pending) return false;
  try {
    connection.Open();
    reattach_pending = false;
  } catch (const std::exception&) {
  }
  return connection.Connected();
}

// ---- The launch registration ----

// The registration's transaction: snapshot, never waiting on a number another transaction
// holds (another PC's import must not freeze this one), and no automatic undo of a refused
// statement. Undoing the refused insert's savepoint can skip the backout of its record when
// another racer holds that slot's garbage-collection lock; with the default buffer the rollback
// then finds nothing to undo and marks the transaction committed, which keeps a refused row.
// Without the automatic undo the rollback marks it dead instead (its records wait for a sweep).
const std::string kNumberedInsertParameters = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                               isc_tpb_nowait, isc_tpb_no_auto_undo};


// The highest registration number last seen in `table` of the attached database (0: none yet).
static long long& HighestSeen(DataModule::State& s, const std::string& table) {
  const std::string key = s.connection.DatabaseName() + '\n' + table;
  if (key != s.highest_key) {
    s.highest_key = key;
    s.highest_seen = 0;
  }
  return s.highest_seen;
}

bool DataModule::InsertNextNumbered(const std::string& table, const std::vector<std::string>& names,
                                    const std::function<std::vector<std::string>(long long)>& values_for,
                                    long long lowest, NumberedAttempt& attempt,
                                    const std::function<void(const NumberedAttempt&)>& before_insert,
                                    bool try_lowest) {
  State& s = *state_;
  attempt = NumberedAttempt();
  s.last_failure = FailureKind::None;
  s.last_failure_detail.clear();
  s.rows_changed = 0;
  if (!EnsureConnected(s.connection, s.reattach_pending)) {
    s.last_failure = FailureKind::Connection;
    s.last_failure_detail = "the connection is closed";
    return false;
  }
  long long& highest_seen = HighestSeen(s, table);
  bool limit = false;
  Transaction& transaction = s.registration;
  const bool ok = Attempt(s, [&] {
    transaction.MakeInactive();
    transaction.StartTransaction(kNumberedInsertParameters);
    long long highest = lowest - 1;
    if (try_lowest) {
      const auto row = ReadWholeNumbers(s.connection, transaction, CurrentTransactionLines());
      if (row.size() != 1 || !row[0]) throw DatabaseError("no transaction number was read");
      attempt.transaction = *row[0];
    } else {
      // MAX(N) alone reads every row; with "N >= k" the unique index answers it. Any k at or
      // below the true maximum gives the same result, and other PCs' inserts only raise it.
      auto row = ReadWholeNumbers(s.connection, transaction, HighestNumberAndTransactionLines(table, highest_seen));
      if (highest_seen > 0 && (row.size() != 2 || !row[0])) {
        // Rows deleted below the number last seen: ask again without the bound.
        row = ReadWholeNumbers(s.connection, transaction, HighestNumberAndTransactionLines(table, 0));
      }
      if (row.size() != 2 || !row[1]) throw DatabaseError("no transaction number was read");
      highest = row[0] ? *row[0] : 0;
      highest_seen = highest;
      attempt.transaction = *row[1];
    }
    if (highest >= kHighestRowNumber || lowest > kHighestRowNumber) {
      limit = true;
      throw DatabaseError("the highest number " + std::to_string(highest) + " is the last one N can hold");
    }
    attempt.number = std::max(highest + 1, lowest);
    if (before_insert) before_insert(attempt);
    ExecuteImmediate(s.connection, transaction,
                     InsertLines(table, static_cast<int>(names.size()), names, values_for(attempt.number)));
    transaction.Commit();
  });
  if (!ok) {
    // A refused insert's transaction is rolled back whatever the server answers.
    try {
      transaction.MakeInactive();
    } catch (const std::exception&) {
    }
  }
  if (!ok && !s.connection.Connected()) s.last_failure = FailureKind::Connection;
  if (!ok && limit && s.last_failure != FailureKind::Connection) s.last_failure = FailureKind::NumberLimit;
  return ok;
}

int DataModule::CountRows(const std::string& table, const std::string& condition) {
  State& s = *state_;
  long long result = -1;
  try {
    if (!StartReading(*this, s, CountRowsLines(table, condition))) return -1;
    s.query.Open();
    // Every row is fetched, none is kept: counting needs no row in memory.
    result = s.query.CountToEnd();
  } catch (const std::exception&) {
    result = -1;
  }
  CloseQuietly(s.query);
  return static_cast<int>(result);
}

std::string DataModule::SelectHighestNumber(const std::string& table) {
  State& s = *state_;
  // MAX(N) alone reads every row; with "N >= k" the unique index answers it. Any k at or below
  // the true maximum gives the same result, and another PC's inserts only raise the maximum.
  const char* const number = LaunchColumnName(LaunchColumn::N);
  long long& highest_seen = HighestSeen(s, table);
  if (highest_seen > 0) {
    const std::string bounded = SelectMax(table, number, NumberFromCondition(highest_seen));
    if (!bounded.empty()) {
      highest_seen = std::strtoll(bounded.c_str(), nullptr, 10);
      return bounded;
    }
  }
  const std::string plain = SelectMax(table, number, "");
  highest_seen = plain.empty() ? 0 : std::strtoll(plain.c_str(), nullptr, 10);
  return plain;
}

}  // namespace db
