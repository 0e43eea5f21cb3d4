// IBQuery1 as the data module's operations and the row reader (db/RowReader.h) drive it.
// ClientQuery implements it on the client library.
#pragma once

#include <string>
#include <vector>

namespace db {

enum class FieldType { String, Integer, Other };

// All of these throw DatabaseError on failure.
class Query {
 public:
  virtual ~Query() = default;
  virtual void SetParamCheck(bool on) = 0;
  virtual void SetLines(const std::vector<std::string>& lines) = 0;
  virtual const std::vector<std::string>& Lines() const = 0;
  virtual void Open() = 0;           // prepare + execute, starting a transaction if none is active
  virtual bool IsOpen() const = 0;
  virtual void First() = 0;
  virtual void MoveBy(int count) = 0;  // forward by count >= 1; stops at the end
  virtual void Next() = 0;
  virtual void Last() = 0;
  virtual bool Eof() const = 0;
  virtual int RecordCount() const = 0;
  virtual int FieldCount() const = 0;
  virtual std::string FieldName(int column) const = 0;
  virtual FieldType GetFieldType(int column) const = 0;
  virtual std::string ValueText(int column) const = 0;  // of the current row
  virtual void Close() = 0;          // closes the result; the transaction stays
  // For the next result only (Close resets it): rows are walked forward once and never
  // revisited, so the cache keeps just the current row and skipping costs no memory.
  // Moving back to the first row after passing it is then an error.
  virtual void SetUniDirectional(bool on) = 0;
};

}  // namespace db
