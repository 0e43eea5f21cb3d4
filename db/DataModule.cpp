#include "db/DataModule.h"

#include <algorithm>

#include "app/UnitV.h"
#include "db/DataModuleState.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"
#include "platform/cp932.h"

namespace db {

namespace {
const char* const kUser = "SYSDBA";
const char* const kPassword = "quillstar";
}  // namespace

// Closes the result and rolls back an active transaction, whatever the server answers.
static void CloseAndEndQuietly(DataModule::State& s) {
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

void DataModule::CreateDatabase() {
  // Callers close the connection first; an open one is never replaced behind their back.
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(DatabasePath());
  s.connection.SetParams({std::string("USER \"") + kUser + "\"",
                          std::string("PASSWORD \"") + kPassword + "\"", "PAGE_SIZE 4096"});
  s.reattach_pending = false;
  try {
    s.connection.CreateDatabase();
  } catch (const std::exception&) {
  }
}

void DataModule::ConnectDatabase() {
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(DatabasePath());
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

// ---- Launch table and modifying statements ----

// Ends the listing: its statement is released and its transaction committed, also after a
// failure; a commit the server refuses is rolled back.
static void EndListing(DataModule::State& s) {
  if (!s.listing_transaction.InTransaction()) {
    s.listing.ReleaseQuietly();
    return;
  }
  try {
    s.listing_transaction.Commit();
  } catch (const std::exception&) {
    s.listing_transaction.Abandon();
  }
}

std::vector<std::string> DataModule::TableNames() {
  State& s = *state_;
  std::vector<std::string> names;
  if (!EnsureConnected(s.connection, s.reattach_pending)) return names;
  try {
    s.listing.SetParamCheck(true);
    s.listing.SetLines({kListTablesStatement});
    s.listing.Open();  // starts the listing transaction
    for (; !s.listing.Eof(); s.listing.Next()) {
      std::string name = s.listing.ValueText(0);
      while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.pop_back();
      names.push_back(std::move(name));
    }
  } catch (...) {
    // The error goes on to the caller; the listing is ended all the same.
    EndListing(s);
    throw;
  }
  EndListing(s);
  return names;
}

bool DataModule::TableExists(const std::string& table) {
  const std::vector<std::string> names = TableNames();
  const std::string wanted = cp932::UpperAscii(table);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& name) { return cp932::UpperAscii(name) == wanted; });
}

bool DataModule::CreateLaunchTable() { return ExecuteScript(LaunchTableLines()); }

// Attaches again after a broken connection was let go; throws when the server cannot be reached.
static void Reattach(DataModule::State& s) {
  s.connection.Open();
  s.reattach_pending = false;
}

// The listing transaction as the table check keeps it open between checks: read-only and read
// committed, so it holds no snapshot back and never waits.
const std::string kCheckParameters = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                      isc_tpb_rec_version, isc_tpb_nowait};

// Whether the launch table exists (a table, not a view): one singleton answer, one exchange with
// the server (two on a new connection, which starts the listing transaction), where listing the
// tables took five. A failure (a lost connection) goes to the caller.
static bool LaunchTablePresent(DataModule::State& s) {
  if (!s.listing_transaction.InTransaction()) s.listing_transaction.StartTransaction(kCheckParameters);
  return s.listing.ImmediateInteger(TableCountLines(kLaunchTableName)) > 0;
}

LaunchTableState DataModule::EnsureLaunchTable(bool create_when_missing) {
  State& s = *state_;
  bool attached_now = false;
  if (!s.connection.Connected()) {
    if (!s.reattach_pending) return LaunchTableState::Closed;
    Reattach(s);
    attached_now = true;
  }
  bool exists;
  try {
    exists = LaunchTablePresent(s);
  } catch (const DatabaseError& error) {
    // An attachment the server no longer knows (it restarted) is found out only by using it;
    // it has been let go by now, so attach once more and ask again. A failure on a fresh
    // attachment, or any other failure, goes on to the caller.
    if (attached_now || error.Kind() != FailureKind::Connection || !s.reattach_pending) throw;
    Reattach(s);
    exists = LaunchTablePresent(s);
  }
  if (exists) return LaunchTableState::Ready;
  if (!create_when_missing) return LaunchTableState::Missing;
  if (CreateLaunchTable()) return LaunchTableState::Ready;
  if (s.last_failure == FailureKind::Connection) {
    throw DatabaseError(s.last_failure_detail, 0, 0, FailureKind::Connection);
  }
  return LaunchTableState::Missing;
}

bool DataModule::AttachLaunchTable() {
  try {
    if (!Connected() && !state_->reattach_pending) {
      ConnectDatabase();
      if (!Connected()) return false;
    }
    return EnsureLaunchTable() == LaunchTableState::Ready;
  } catch (const std::exception&) {
    return false;
  }
}

LaunchTableState DataModule::RunRecovering(const std::function<void()>& action,
                                           bool create_when_missing) {
  State& s = *state_;
  if (!s.connection.Connected() && !s.reattach_pending) return LaunchTableState::Closed;
  if (s.connection.Connected()) {
    try {
      action();
      return LaunchTableState::Ready;
    } catch (const DatabaseError& error) {
      // A connection the server no longer knows is let go by the failing call itself; one that
      // was closed on purpose meanwhile is not attached behind the user's back.
      const bool broken = error.Kind() == FailureKind::Connection && !s.connection.Connected() &&
                          s.reattach_pending;
      if (!broken && !error.MissingTable()) throw;
    }
  }
  // Attaching again is making the connection: the table is checked (and created) then, once.
  const LaunchTableState table = EnsureLaunchTable(create_when_missing);
  if (table != LaunchTableState::Ready) return table;
  action();
  return LaunchTableState::Ready;
}

// One modifying statement in a transaction of its own, committed; the rows it changed. Throws,
// leaving to the caller what a failure left active.
static long long ModifyInTransaction(DataModule::State& s, const std::vector<std::string>& lines) {
  s.transaction.MakeInactive();
  s.transaction.StartTransaction();
  s.query.Close();
  s.query.SetParamCheck(false);
  s.query.SetLines(lines);
  s.query.ExecSQL();
  const long long rows = s.query.RowsAffected();
  s.transaction.Commit();
  return rows;
}

// The discipline of every modifying operation: a transaction of its own, committed or rolled
// back, and nothing left open afterwards.
static bool RunModifying(DataModule::State& s, const std::vector<std::string>& lines) {
  s.last_failure = FailureKind::None;
  s.last_failure_detail.clear();
  s.rows_changed = 0;
  long long rows = 0;
  const bool ok = Attempt(s, [&] { rows = ModifyInTransaction(s, lines); });
  if (ok) s.rows_changed = rows;
  CloseAndEndQuietly(s);  // rolls back what a failure left active
  // The rollback may be what finds the connection lost.
  if (!ok && !s.connection.Connected()) s.last_failure = FailureKind::Connection;
  return ok;
}

// InsertRow, UpdateRows and DeleteRows try nothing with the connection closed.
static bool RunModifyingWhenConnected(DataModule::State& s, const std::vector<std::string>& lines) {
  if (!EnsureConnected(s.connection, s.reattach_pending)) {
    s.last_failure = FailureKind::Connection;
    s.rows_changed = 0;
    return false;
  }
  return RunModifying(s, lines);
}

bool DataModule::ExecuteScript(const std::vector<std::string>& lines) {
  State& s = *state_;
  if (lines.empty()) {
    s.last_failure = FailureKind::Other;
    s.rows_changed = 0;
    return false;
  }
  EnsureConnected(s.connection, s.reattach_pending);  // with it closed, the start fails below
  return RunModifying(s, lines);
}

bool DataModule::InsertRow(const std::string& table, int count,
                           const std::vector<std::string>& names,
                           const std::vector<std::string>& values) {
  return RunModifyingWhenConnected(*state_, InsertLines(table, count, names, values));
}

bool DataModule::UpdateRows(const std::string& table, int count,
                            const std::vector<std::string>& names,
                            const std::vector<std::string>& values,
                            const std::string& condition) {
  return RunModifyingWhenConnected(*state_, UpdateLines(table, count, names, values, condition));
}

bool DataModule::DeleteRows(const std::string& table, const std::string& condition) {
  return RunModifyingWhenConnected(*state_, DeleteLines(table, condition));
}

// A statement sent with the connection closed would attach on demand behind the user's back.
static void RequireConnected(DataModule::State& s) {
  if (!s.connection.Connected()) {
    throw DatabaseError("the connection is closed", 0, 0, FailureKind::Connection);
  }
}

long long DataModule::Modify(const std::vector<std::string>& lines) {
  State& s = *state_;
  RequireConnected(s);
  try {
    const long long rows = ModifyInTransaction(s, lines);
    CloseAndEndQuietly(s);
    return rows;
  } catch (...) {
    CloseAndEndQuietly(s);  // rolls back what the failure left active
    throw;
  }
}

std::vector<std::string> DataModule::ReadFirst(const std::vector<std::string>& lines) {
  State& s = *state_;
  RequireConnected(s);
  std::vector<std::string> values;
  try {
    s.query.Close();
    s.transaction.MakeInactive();
    s.query.SetParamCheck(true);
    s.query.SetLines(lines);
    s.query.Open();
    if (!s.query.Eof()) s.query.ReadRow(values);
    s.query.Close();
    s.transaction.Commit();
  } catch (...) {
    CloseAndEndQuietly(s);
    throw;
  }
  return values;
}

FailureKind DataModule::LastFailure() const { return state_->last_failure; }

const std::string& DataModule::LastErrorText() const { return state_->last_failure_detail; }

long long DataModule::RowsChanged() const { return state_->rows_changed; }

// ---- Batch transaction ----

// The transaction BeginBatch started is still active; otherwise LastFailure tells why not.
static bool BatchActive(DataModule::State& s) {
  if (s.batch_active && s.transaction.InTransaction()) return true;
  s.last_failure = s.connection.Connected() ? FailureKind::Other : FailureKind::Connection;
  return false;
}

// The batch's transaction: snapshot, wait, read-write as the default one, and no automatic undo
// log: an import of a million lines would otherwise keep one that its commit and its rollback
// walk for seconds in one call. A refused statement is still undone on its own (its savepoint),
// and a rollback marks the transaction dead, which hides its rows as well.
const std::string kBatchParameters = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait,
                                      isc_tpb_no_auto_undo};

bool DataModule::BeginBatch() {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  if (!EnsureConnected(s.connection, s.reattach_pending)) {
    s.last_failure = FailureKind::Connection;
    return false;
  }
  return Attempt(s, [&] {
    s.query.Close();
    s.transaction.MakeInactive();
    s.transaction.StartTransaction(kBatchParameters);
    s.batch_active = true;
  });
}

// One statement inside the batch: prepared and executed with its record counts, or sent with its
// text in one exchange (no counts).
static bool RunInBatch(DataModule::State& s, const std::vector<std::string>& lines, bool immediate) {
  s.last_failure = FailureKind::None;
  s.rows_changed = 0;
  if (!BatchActive(s)) return false;
  return Attempt(s, [&] {
    s.query.Close();
    if (immediate) {
      s.query.ExecuteImmediate(lines);
      return;
    }
    s.query.SetParamCheck(false);
    s.query.SetLines(lines);
    s.query.ExecSQL();
    s.rows_changed = s.query.RowsAffected();
  });
}

bool DataModule::BatchExecute(const std::vector<std::string>& lines) { return RunInBatch(*state_, lines, false); }

bool DataModule::BatchExecuteImmediate(const std::vector<std::string>& lines) {
  return RunInBatch(*state_, lines, true);
}

bool DataModule::CommitBatch() {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  const bool active = BatchActive(s);
  s.batch_active = false;
  if (!active) return false;
  if (Attempt(s, [&] { s.transaction.Commit(); })) return true;
  try {
    s.transaction.MakeInactive();
  } catch (const std::exception&) {
  }
  return false;
}

void DataModule::RollbackBatch() {
  state_->batch_active = false;
  CloseQuery();  // closes the result and rolls the batch's transaction back
}

// ---- Queries and row reading ----

void DataModule::CloseQuery() { CloseAndEndQuietly(*state_); }

void DataModule::MakeTransactionInactive() {
  try {
    state_->transaction.MakeInactive();
  } catch (const std::exception&) {
  }
}

// Common start of the reading operations; false when the connection is (or was found) closed.
static bool StartReading(DataModule& module, DataModule::State& s,
                         const std::vector<std::string>& lines) {
  if (!EnsureConnected(s.connection, s.reattach_pending)) return false;
  module.CloseQuery();
  // A connection found broken while ending the last read fails this operation.
  if (!s.connection.Connected()) return false;
  s.query.SetParamCheck(true);
  s.query.SetLines(lines);
  return true;
}

static void CloseQuietly(ClientQuery& query) {
  try {
    query.Close();
  } catch (const std::exception&) {
  }
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

int DataModule::CountFields(const std::string& table) {
  State& s = *state_;
  int result = -1;
  try {
    if (!StartReading(*this, s, CountFieldsLines(table))) return -1;
    s.query.Open();
    result = s.query.FieldCount();
  } catch (const std::exception&) {
  }
  CloseQuietly(s.query);
  return result;
}

std::string DataModule::SelectMax(const std::string& table, const std::string& column,
                                  const std::string& condition) {
  State& s = *state_;
  std::string result;
  try {
    if (!StartReading(*this, s, SelectMaxLines(table, column, condition))) return std::string();
    s.query.Open();
    s.query.First();
    result = s.query.ValueText(0);
  } catch (const std::exception&) {
  }
  CloseQuietly(s.query);
  return result;
}

int DataModule::OpenSelect(const std::string& columns, const std::string& table,
                           const std::string& condition, const std::string& order) {
  State& s = *state_;
  int result = 0;
  try {
    if (!StartReading(*this, s, OpenSelectLines(columns, table, condition, order))) return 0;
    s.query.Open();
  } catch (const std::exception&) {
    CloseQuietly(s.query);
    return 0;
  }
  try {
    s.query.Last();
    result = s.query.RecordCount();
    s.query.First();
  } catch (const std::exception&) {
    // The result stays open with whatever rows were fetched.
  }
  return result;
}

void DataModule::GetFieldNames(std::vector<std::string>& names) {
  ClientQuery& query = state_->query;
  if (!query.IsOpen()) return;
  const int count = query.FieldCount();
  if (static_cast<int>(names.size()) < count) names.resize(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) names[static_cast<std::size_t>(k)] = query.FieldName(k);
}

void DataModule::ReadFirstRow(std::vector<std::string>& values) {
  ClientQuery& query = state_->query;
  if (!query.IsOpen()) return;
  const std::size_t count = static_cast<std::size_t>(query.FieldCount());
  if (values.size() < count) values.resize(count);
  for (std::size_t k = 0; k < count; ++k) values[k].clear();
  try {
    query.First();
    query.ReadRow(values);
  } catch (const std::exception&) {
  }
}

void DataModule::ReadNextRow(std::vector<std::string>& values) {
  ClientQuery& query = state_->query;
  if (!query.IsOpen()) return;
  const std::size_t count = static_cast<std::size_t>(query.FieldCount());
  if (values.size() < count) values.resize(count);
  try {
    query.Next();
    if (query.Eof()) {
      for (std::size_t k = 0; k < count; ++k) values[k].clear();
    } else {
      query.ReadRow(values);
    }
  } catch (const std::exception&) {
  }
}

void DataModule::CloseSelect() { CloseQuietly(state_->query); }

}  // namespace db
