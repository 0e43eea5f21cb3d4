// Rows read forward once on the shared statement: the SELECT is prepared and executed, its rows
// fetched as they are walked, and the result closed however the read ends; the read's
// transaction stays until the next data operation, as after every read. The record list, the
// export, the import's column description and the summary read through this.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/DatabaseError.h"
#include "db/Query.h"

namespace db {

// A failed read that the recovery rule (RunRecovering) answers: the connection broke, or the
// table is missing.
inline bool NeedsRecovery(const DatabaseError& error) {
  return error.Kind() == FailureKind::Connection || error.MissingTable();
}

class RowReader {
 public:
  explicit RowReader(DataModule& data);
  ~RowReader();  // closes the result, whatever the server answers
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  // Opens the SELECT of `lines`, on its first row. With `new_transaction` whatever the last
  // operation left open is ended first; without, the read runs in the transaction the last read
  // left open (the record list's page after its count). Run it where the connection is known open
  // (inside RunRecovering). Throws DatabaseError.
  void Open(const std::vector<std::string>& lines, bool new_transaction = true);
  bool Eof() const { return query_.Eof(); }
  void Next() { query_.Next(); }
  void MoveBy(int count) { query_.MoveBy(count); }  // forward, count >= 1; stops at the end
  int FieldCount() const { return query_.FieldCount(); }
  std::string FieldName(int column) const { return query_.FieldName(column); }
  FieldType GetFieldType(int column) const { return query_.GetFieldType(column); }
  std::string ValueText(int column) const { return query_.ValueText(column); }  // of the current row
  // Closes the result, whatever the server answers; the transaction stays.
  void Close();

 private:
  DataModule& data_;
  Query& query_;
};

// One read from its opening to its close: `walk` sees the open result. Throws DatabaseError
// (the result is closed then too).
void ReadRows(DataModule& data, const std::vector<std::string>& lines,
              const std::function<void(RowReader&)>& walk, bool new_transaction = true);

// The one whole number a singleton SELECT of `lines` answers (NULL and no row: 0), read in the
// transaction the last read left open (started when none is), in one exchange with the server:
// the record list's count before its page. Throws DatabaseError.
long long ReadCount(DataModule& data, const std::vector<std::string>& lines);

// ReadRows under the recovery rule: a connection lost at any point of the read, or a missing
// table, makes the table usable (RunRecovering) and the read runs again from the start, once;
// `walk` must start its results afresh each time. Closed, Missing: the read did not run to its
// end. Throws DatabaseError as RunRecovering does.
LaunchTableState ReadRowsRecovering(DataModule& data, const std::vector<std::string>& lines,
                                    const std::function<void(RowReader&)>& walk,
                                    bool create_when_missing = true);

}  // namespace db
