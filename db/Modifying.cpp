// The modifying statements of the data module: each in a transaction of its own, committed or
// rolled back, with nothing left open; and the batch that the import runs its statements in.
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/DataModuleState.h"
#include "db/DirectStatements.h"
#include "db/Statements.h"

namespace db {

// One modifying statement in a transaction of its own, committed; the rows it changed. Throws,
// leaving to the caller what a failure left active.
long long ModifyInTransaction(DataModule::State& s, const std::vector<std::string>& lines) {
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

// A statement sent with the connection closed would attach on demand behind the user's back.
void RequireConnected(DataModule::State& s) {
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

std::vector<std::string> DataModule::ReadSingleRow(const std::vector<std::string>& lines, int columns) {
  State& s = *state_;
  RequireConnected(s);
  try {
    s.query.Close();
    s.transaction.MakeInactive();
    s.transaction.StartTransaction();
    bool found = false;
    std::vector<std::string> row = ReadTextsImmediate(s.connection, s.transaction, lines, columns, found);
    s.transaction.Commit();
    if (!found) row.clear();
    return row;
  } catch (...) {
    CloseAndEndQuietly(s);
    throw;
  }
}

bool DataModule::ModifyOneRow(const std::vector<std::string>& lines) {
  return !ReadSingleRow(lines, 1).empty();
}

// ---- Batch transaction ----

// A failure met with the connection gone counts as a lost connection, whatever the error said.
template <typename Step>
static void Throwing(DataModule::State& s, Step step) {
  try {
    step();
  } catch (const DatabaseError& error) {
    if (s.connection.Connected() || error.Kind() == FailureKind::Connection) throw;
    DatabaseError lost(error.Detail(), error.SqlCode(), error.GdsCode(), FailureKind::Connection);
    lost.SetMissingTable(error.MissingTable());
    throw lost;
  } catch (const std::exception& error) {
    throw DatabaseError(error.what());
  }
}

// The transaction StartBatch started is still active; throws why not otherwise.
static void RequireBatch(DataModule::State& s) {
  if (s.batch_active && s.transaction.InTransaction()) return;
  throw DatabaseError("no batch is active", 0, 0,
                      s.connection.Connected() ? FailureKind::Other : FailureKind::Connection);
}

// The batch's transaction: snapshot, wait, read-write as the default one, and no automatic undo
// log: an import of a million lines would otherwise keep one that its commit and its rollback
// walk for seconds in one call. A refused statement is still undone on its own (its savepoint),
// and a rollback marks the transaction dead, which hides its rows as well.
const std::string kBatchParameters = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait,
                                      isc_tpb_no_auto_undo};

void DataModule::StartBatch() {
  State& s = *state_;
  if (!EnsureConnected(s.connection, s.reattach_pending)) {
    throw DatabaseError("the connection is closed", 0, 0, FailureKind::Connection);
  }
  Throwing(s, [&] {
    s.query.Close();
    s.transaction.MakeInactive();
    s.transaction.StartTransaction(kBatchParameters);
    s.batch_active = true;
  });
}

long long DataModule::BatchModify(const std::vector<std::string>& lines) {
  State& s = *state_;
  RequireBatch(s);
  long long rows = 0;
  Throwing(s, [&] {
    s.query.Close();
    s.query.SetParamCheck(false);
    s.query.SetLines(lines);
    s.query.ExecSQL();
    rows = s.query.RowsAffected();
  });
  return rows;
}

void DataModule::BatchModifyImmediate(const std::vector<std::string>& lines) {
  State& s = *state_;
  RequireBatch(s);
  Throwing(s, [&] {
    s.query.Close();
    s.query.ExecuteImmediate(lines);
  });
}

void DataModule::FinishBatch() {
  State& s = *state_;
  const bool active = s.batch_active && s.transaction.InTransaction();
  s.batch_active = false;
  if (!active) {
    throw DatabaseError("no batch is active", 0, 0,
                        s.connection.Connected() ? FailureKind::Other : FailureKind::Connection);
  }
  try {
    Throwing(s, [&] { s.transaction.Commit(); });
  } catch (...) {
    try {
      s.transaction.MakeInactive();
    } catch (const std::exception&) {
    }
    throw;
  }
}

void DataModule::RollbackBatch() {
  state_->batch_active = false;
  CloseQuery();  // closes the result and rolls the batch's transaction back
}

}  // namespace db
