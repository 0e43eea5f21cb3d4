// The data module's operations that report failure as a value, as the registrar, the settings
// dialog's callers and the tests use them: true/false with LastFailure, -1, 0 or an empty text.
// The modifying ones and the batch are thin uses of the throwing steps of db/Modifying.cpp; the
// reading ones swallow what the shared statement throws. None of them throws.
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/DataModuleState.h"
#include "db/Statements.h"

namespace db {

// ---- Launch table and modifying statements ----

bool DataModule::CreateLaunchTable() { return ExecuteScript(LaunchTableLines()); }

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

FailureKind DataModule::LastFailure() const { return state_->last_failure; }

const std::string& DataModule::LastErrorText() const { return state_->last_failure_detail; }

long long DataModule::RowsChanged() const { return state_->rows_changed; }

// ---- Batch transaction ----

bool DataModule::BeginBatch() {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  return Attempt(s, [&] { StartBatch(); });
}

bool DataModule::BatchExecute(const std::vector<std::string>& lines) {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  s.rows_changed = 0;
  return Attempt(s, [&] { s.rows_changed = BatchModify(lines); });
}

bool DataModule::BatchExecuteImmediate(const std::vector<std::string>& lines) {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  s.rows_changed = 0;
  return Attempt(s, [&] { BatchModifyImmediate(lines); });
}

bool DataModule::CommitBatch() {
  State& s = *state_;
  s.last_failure = FailureKind::None;
  return Attempt(s, [&] { FinishBatch(); });
}

// ---- Queries and row reading ----

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

}  // namespace db
