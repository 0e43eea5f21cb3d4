// The launch registration's operations: storing a launch one above the highest number, finding
// the row of an insert whose answer was lost, and the highest number through the index.
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "db/DataModuleState.h"
#include "db/DirectStatements.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace db {

namespace {

// The registration's transaction: snapshot, never waiting on a number another transaction
// holds (another PC's import must not freeze this one), and no automatic undo of a refused
// statement. Undoing the refused insert's savepoint can skip the backout of its record when
// another racer holds that slot's garbage-collection lock; with the default buffer the rollback
// then finds nothing to undo and marks the transaction committed, which keeps a refused row.
// Without the automatic undo the rollback marks it dead instead (its records wait for a sweep).
const std::string kNumberedInsertParameters = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                               isc_tpb_nowait, isc_tpb_no_auto_undo};

// The highest registration number last seen in `table` of the attached database (0: none yet).
long long& HighestSeen(DataModule::State& s, const std::string& table) {
  const std::string key = s.connection.DatabaseName() + '\n' + table;
  if (key != s.highest_key) {
    s.highest_key = key;
    s.highest_seen = 0;
  }
  return s.highest_seen;
}

// The highest number stored (0: none) and the number of `transaction`, in one exchange. MAX(N)
// alone reads every row; the bisection asks the unique index, starting from the number last seen
// (also when rows were deleted below it). Other PCs' inserts only raise it.
long long ReadHighestAndTransaction(DataModule::State& s, Transaction& transaction, const std::string& table,
                                    long long& highest_seen, long long& transaction_number) {
  const auto row = ReadWholeNumbersImmediate(s.connection, transaction, HighestNumberLines(table, highest_seen), 2);
  if (row.size() != 2 || !row[1]) throw DatabaseError("no transaction number was read");
  highest_seen = row[0] ? *row[0] : 0;
  transaction_number = *row[1];
  return highest_seen;
}

// Runs one insert (or one block of them) under a fresh number in the registration's own
// transaction: attaches when needed, rolls a refused transaction back whatever the server
// answers, and sets the failure's kind (`limit`, set by `insert`: no number is left).
bool RunNumberedInsert(DataModule::State& s, const std::function<void(Transaction&, bool& limit)>& insert) {
  s.last_failure = FailureKind::None;
  s.last_failure_detail.clear();
  s.rows_changed = 0;
  if (!EnsureConnected(s.connection, s.reattach_pending)) {
    s.last_failure = FailureKind::Connection;
    s.last_failure_detail = "the connection is closed";
    return false;
  }
  Transaction& transaction = s.registration;
  bool limit = false;
  const bool ok = Attempt(s, [&] {
    transaction.MakeInactive();
    transaction.StartTransaction(kNumberedInsertParameters);
    insert(transaction, limit);
    transaction.Commit();
  });
  if (!ok) {
    try {
      transaction.MakeInactive();
    } catch (const std::exception&) {
    }
  }
  if (!ok && !s.connection.Connected()) s.last_failure = FailureKind::Connection;
  if (!ok && limit && s.last_failure != FailureKind::Connection) s.last_failure = FailureKind::NumberLimit;
  return ok;
}

}  // namespace

bool DataModule::StoreLaunch(const Launch& launch, long long lowest, NumberedAttempt& attempt,
                             const std::function<void(const NumberedAttempt&)>& before_insert,
                             bool try_lowest) {
  State& s = *state_;
  attempt = NumberedAttempt();
  const std::string table = kLaunchTableName;
  return RunNumberedInsert(s, [&](Transaction& transaction, bool& limit) {
    long long highest = lowest - 1;
    if (try_lowest) {
      const auto row = ReadWholeNumbers(s.connection, transaction, CurrentTransactionLines());
      if (row.size() != 1 || !row[0]) throw DatabaseError("no transaction number was read");
      attempt.transaction = *row[0];
    } else {
      highest = ReadHighestAndTransaction(s, transaction, table, HighestSeen(s, table), attempt.transaction);
    }
    if (highest >= kHighestRowNumber || lowest > kHighestRowNumber) {
      limit = true;
      throw DatabaseError("the highest number " + std::to_string(highest) + " is the last one N can hold");
    }
    attempt.number = std::max(highest + 1, lowest);
    if (before_insert) before_insert(attempt);
    const std::vector<std::string>& names = LaunchColumnNames();
    ExecuteImmediate(s.connection, transaction,
                     InsertLines(table, static_cast<int>(names.size()), names, LaunchLiterals(attempt.number, launch)));
  });
}

bool DataModule::StoreLaunches(const std::vector<Launch>& launches, NumberedAttempt& first,
                              const std::function<void(const NumberedAttempt&)>& before_insert) {
  State& s = *state_;
  first = NumberedAttempt();
  if (launches.empty()) {
    s.last_failure = FailureKind::None;
    s.rows_changed = 0;
    return true;
  }
  const std::string table = kLaunchTableName;
  const long long count = static_cast<long long>(launches.size());
  const bool ok = RunNumberedInsert(s, [&](Transaction& transaction, bool& limit) {
    const long long highest = ReadHighestAndTransaction(s, transaction, table, HighestSeen(s, table), first.transaction);
    if (highest > kHighestRowNumber - count) {
      limit = true;
      throw DatabaseError("the highest number " + std::to_string(highest) + " leaves too few numbers");
    }
    first.number = highest + 1;
    if (before_insert) before_insert(first);
    const std::vector<std::string>& names = LaunchColumnNames();
    std::vector<std::vector<std::string>> inserts;
    for (long long k = 0; k < count; ++k) {
      inserts.push_back(InsertLines(table, static_cast<int>(names.size()), names,
                                    LaunchLiterals(first.number + k, launches[static_cast<std::size_t>(k)])));
    }
    ExecuteImmediate(s.connection, transaction, ExecuteBlockLines(inserts));
  });
  if (ok) s.rows_changed = count;
  return ok;
}

DataModule::EarlierInsert DataModule::FindEarlierInsert(const Launch& launch, const NumberedAttempt& attempt) {
  // The row that insert wrote, if it landed: at the number it used, written by its transaction
  // and with the launch's facts. A server older than Firebird 3 has no RDB$RECORD_VERSION: then
  // the number and the facts must do.
  // A transaction still at work (its program ended while the commit was on its way to the
  // server) shows no row yet, and may still commit: the answer waits until it has ended.
  const int working = CountRows("MON$TRANSACTIONS", "MON$TRANSACTION_ID = " + std::to_string(attempt.transaction));
  if (working > 0 || (working < 0 && !Connected())) return EarlierInsert::Unanswered;
  const std::vector<std::string> values = LaunchLiterals(attempt.number, launch);
  int count = CountRows(kLaunchTableName, LaunchWrittenByCondition(attempt.number, attempt.transaction, values));
  if (count < 0 && Connected()) count = CountRows(kLaunchTableName, LaunchLookupCondition(attempt.number, values));
  if (count < 0) return EarlierInsert::Unanswered;
  return count > 0 ? EarlierInsert::Landed : EarlierInsert::Absent;
}

std::string DataModule::SelectHighestNumber(const std::string& table) {
  State& s = *state_;
  // MAX(N) alone reads every row; the bisection asks the unique index, from the number last seen.
  long long& highest_seen = HighestSeen(s, table);
  std::string highest;
  try {
    if (!StartReading(*this, s, HighestNumberLines(table, highest_seen))) return std::string();
    s.query.SetParamCheck(false);  // the block's own variables, not parameters
    s.query.Open();
    highest = s.query.ValueText(0);
  } catch (const std::exception&) {
    highest.clear();
  }
  CloseQuietly(s.query);
  highest_seen = highest.empty() ? 0 : std::strtoll(highest.c_str(), nullptr, 10);
  return highest;
}

}  // namespace db
