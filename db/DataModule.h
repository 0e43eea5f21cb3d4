// The one connection, transaction and statement of the program, and the data operations on
// them. The main window derives from DataModule, so every window reaches these through the
// main window's reference.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/DatabaseError.h"
#include "db/Query.h"

namespace db {

class Connection;   // IBDatabase1: attachment, dialect, parameter lines
class Transaction;  // IBTransaction1
struct Launch;      // a launch row's facts (LaunchTable.h)

// What EnsureLaunchTable found.
enum class LaunchTableState {
  Ready,         // connected, and the launch table exists (created just now when it was missing)
  Closed,        // the connection is closed on purpose (or was never opened): nothing was tried
  Missing,       // connected, but the table is missing: its creation failed or was not asked for
};

// Where the database is: the path handed to the client library as it is (server, folder, file),
// and the account that attaches and creates. An empty user is the program's own fixed account;
// a user without a password (one that could not be read back) attaches nowhere.
struct ConnectionSettings {
  std::string path;
  std::string user = std::string();
  std::string password = std::string();
};

class DataModule {
 public:
  DataModule();
  virtual ~DataModule();
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;

  // ---- Connection and database creation ----
  // A connection that broke is attached again (RunRecovering) with the settings last handed in.
  void CreateDatabase(const ConnectionSettings& settings);
  void ConnectDatabase(const ConnectionSettings& settings);
  void DisconnectDatabase();
  bool Connected() const;
  int CurrentDialect() const;

  // ---- Launch table and modifying statements ----
  // Names of the database's own tables (no views, no system tables), ascending, with trailing
  // blanks and control characters removed; none with the connection closed. Read on the
  // connection's listing transaction: IBTransaction1 and IBQuery1 are not touched.
  // Throws DatabaseError when the connection fails while the tables are listed.
  std::vector<std::string> TableNames();
  // A table of that name (in any letter case) is among TableNames(). Throws as TableNames.
  bool TableExists(const std::string& table);
  bool CreateLaunchTable();
  // Makes the launch table usable: checked when the connection is made (at start, after the
  // settings dialog, after a reattach) in one exchange with the server. A connection that broke (the server restarted) is attached
  // again, also when the break is only found by this very question; the table is created when
  // missing unless `create_when_missing` is false (the export has nothing to write then).
  // Throws DatabaseError of kind Connection when the connection broke and the server cannot be
  // reached (yet): the caller's action ends there, and the next call tries again.
  LaunchTableState EnsureLaunchTable(bool create_when_missing = true);
  // For the launch check, which must never stop on a server that cannot be reached: attaches
  // with `settings` when the connection is closed (with the settings last connected with when it
  // was lost), then EnsureLaunchTable. Never throws; true when the table is ready.
  bool AttachLaunchTable(const ConnectionSettings& settings);
  // The check before an action, run through RunRecovering: asks whether the launch table exists
  // and throws a DatabaseError that MissingTable() when it does not. Never attaches.
  void CheckLaunchTable();
  // The one rule for a failed action: runs `action`, which throws DatabaseError when it fails.
  // When it failed because the connection broke (the server restarted) or the launch table is
  // missing, the connection is attached again, the table made usable as by EnsureLaunchTable
  // (the one check, made when the connection is made) and `action` runs once more; what it
  // throws then goes to the caller, as does a server that cannot be reached. Nothing is tried
  // with the connection closed on purpose (Closed). Missing: the table is missing and was not
  // created, `action` did not run again. Ready: `action` ran to its end. Whatever the first run
  // changed must be undone by itself (its transaction) or redone by the second.
  LaunchTableState RunRecovering(const std::function<void()>& action,
                                 bool create_when_missing = true);
  bool ExecuteScript(const std::vector<std::string>& lines);
  bool InsertRow(const std::string& table, int count, const std::vector<std::string>& names,
                 const std::vector<std::string>& values);
  bool UpdateRows(const std::string& table, int count, const std::vector<std::string>& names,
                  const std::vector<std::string>& values, const std::string& condition);
  bool DeleteRows(const std::string& table, const std::string& condition);

  // One modifying statement in a transaction of its own, committed; the rows it changed (server's
  // record counts). Throws DatabaseError, with nothing left active; never attaches.
  long long Modify(const std::vector<std::string>& lines);
  // The first row of a SELECT as value texts (none: empty), read in a transaction of its own
  // that has ended when it returns. Throws DatabaseError; never attaches.
  std::vector<std::string> ReadFirst(const std::vector<std::string>& lines);

  // The row a singleton SELECT of `columns` columns finds as value texts (none: empty), read in a
  // transaction of its own that has ended when it returns: its start, one exchange that sends the
  // statement and brings the row, its commit. Throws DatabaseError; never attaches.
  std::vector<std::string> ReadSingleRow(const std::vector<std::string>& lines, int columns);
  // One modifying statement that changes at most one row and ends in RETURNING one column that
  // is never NULL, in a transaction of its own, committed: its start, one exchange, its commit.
  // Whether it changed a row. Throws DatabaseError, with nothing left active; never attaches.
  bool ModifyOneRow(const std::vector<std::string>& lines);

  // Why the last InsertRow/UpdateRows/DeleteRows/ExecuteScript failed (None after a success).
  FailureKind LastFailure() const;
  // The text of the error that failed the last statement sent by one of them (the server's
  // codes and messages); empty after a success.
  const std::string& LastErrorText() const;
  // Rows changed by the last successful UpdateRows or DeleteRows (server's record counts).
  long long RowsChanged() const;

  // Several modifying statements in one transaction, committed only when all succeeded
  // (the import uses this so that a failed run leaves the table as it was).
  // StartBatch ends any reading transaction and starts one, without the transaction-level undo
  // log (its commit and its rollback need not walk it; a failed statement is still undone);
  // BatchModify runs one statement inside it and gives the rows it changed (a failure leaves the
  // batch usable; the error's kind tells why, Connection whenever the connection is gone);
  // BatchModifyImmediate does so in one exchange with the server (execute immediate, no counts);
  // FinishBatch commits it (rolled back when the commit fails) and RollbackBatch ends it. Nothing
  // else may run between Start and Finish/Rollback. All but RollbackBatch throw DatabaseError.
  void StartBatch();
  long long BatchModify(const std::vector<std::string>& lines);
  void BatchModifyImmediate(const std::vector<std::string>& lines);
  void FinishBatch();
  // The same as values (db/StatusOperations.cpp): false on failure, LastFailure tells why;
  // BatchExecute sets RowsChanged, BatchExecuteImmediate leaves it 0.
  bool BeginBatch();
  bool BatchExecute(const std::vector<std::string>& lines);
  bool BatchExecuteImmediate(const std::vector<std::string>& lines);
  bool CommitBatch();
  void RollbackBatch();

  // ---- Queries and row reading ----
  void CloseQuery();
  int CountRows(const std::string& table, const std::string& condition);
  int CountFields(const std::string& table);
  std::string SelectMax(const std::string& table, const std::string& column,
                        const std::string& condition);
  int OpenSelect(const std::string& columns, const std::string& table, const std::string& condition,
                 const std::string& order);
  void GetFieldNames(std::vector<std::string>& names);
  void ReadFirstRow(std::vector<std::string>& values);
  void ReadNextRow(std::vector<std::string>& values);
  void CloseSelect();

  // ---- Launch registration (LaunchStore.cpp) ----
  // What one try of StoreLaunch did: the number it tried (0: none) and the server's number of
  // its transaction (0: it never started), which a row it stored carries as RDB$RECORD_VERSION.
  struct NumberedAttempt {
    long long number = 0;
    long long transaction = 0;
  };
  // Stores the launch as a row numbered one above the highest stored, and at least `lowest`.
  // One transaction that never waits on another: the highest number and the transaction's own
  // number are read by one statement inside it, `before_insert` is told both, then the insert
  // and the commit follow. A number another transaction holds uncommitted fails at once
  // (LastFailure Conflict), one stored meanwhile as Duplicate; a highest number at the top of
  // the INTEGER range as NumberLimit. The server never keeps a row whose insert it refused.
  // With `try_lowest`, `lowest` itself is tried without reading the highest number: the caller
  // found the numbers below it held (reading past another transaction's uncommitted rows is
  // what costs).
  bool StoreLaunch(const Launch& launch, long long lowest, NumberedAttempt& attempt,
                   const std::function<void(const NumberedAttempt&)>& before_insert = nullptr,
                   bool try_lowest = false);
  // Stores the launches as rows numbered from one above the highest stored, in their order, in
  // one transaction as StoreLaunch does and with their inserts in one statement block: all are
  // stored or none. `before_insert` is told the first number (the others follow it) and the
  // transaction before the block is sent; anything it throws ends the try with nothing sent.
  // Failures as StoreLaunch (a number taken by another PC meanwhile: Duplicate or Conflict).
  bool StoreLaunches(const std::vector<Launch>& launches, NumberedAttempt& first,
                     const std::function<void(const NumberedAttempt&)>& before_insert = nullptr);
  // Whether the row of an insert of `launch` whose answer was lost (`attempt`) is in the table:
  // the row at its number that its transaction wrote with these facts. Unanswered when the
  // table cannot be asked (Connected() tells whether the connection was lost), and while that
  // transaction is still at work on the server (it may yet commit).
  enum class EarlierInsert { Landed, Absent, Unanswered };
  EarlierInsert FindEarlierInsert(const Launch& launch, const NumberedAttempt& attempt);
  // SelectMax(table, "N", "") answered through the index: SelectMax with "N >= k" where k is the
  // highest number last seen, falling back to the plain SelectMax when that gives nothing.
  std::string SelectHighestNumber(const std::string& table);

  // The shared objects, for the reading and modifying operations of db/ and for the tests;
  // windows read rows through db/RowReader.h.
  Query& IBQuery1();
  Transaction& IBTransaction1();
  Connection& IBDatabase1();

 public:
  struct State;  // the connection, transaction and statement behind the operations

 private:
  std::unique_ptr<State> state_;
};

}  // namespace db
