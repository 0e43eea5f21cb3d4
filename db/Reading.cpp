// The reading operations of the data module on the shared statement IBQuery1: each first ends
// what the last operation left open; a read's transaction stays until the next data operation.
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/DataModuleState.h"
#include "db/Statements.h"

namespace db {

// ---- Queries and row reading ----

void DataModule::CloseQuery() { CloseAndEndQuietly(*state_); }

// Common start of the reading operations; false when the connection is (or was found) closed.
bool StartReading(DataModule& module, DataModule::State& s,
                         const std::vector<std::string>& lines) {
  if (!EnsureConnected(s.connection, s.reattach_pending)) return false;
  module.CloseQuery();
  // A connection found broken while ending the last read fails this operation.
  if (!s.connection.Connected()) return false;
  s.query.SetParamCheck(true);
  s.query.SetLines(lines);
  return true;
}

void CloseQuietly(ClientQuery& query) {
  try {
    query.Close();
  } catch (const std::exception&) {
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

}  // namespace db
