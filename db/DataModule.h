// The one connection, transaction and statement of the program, and the data operations on
// them. The main window derives from DataModule, so every window reaches these through the
// main window's reference.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace db {

// Why the last modifying operation failed.
enum class FailureKind {
  None,        // it succeeded
  Duplicate,   // unique key violation (a registration number stored meanwhile)
  Connection,  // the connection is closed, was lost, or the server cannot be reached
  Other,       // anything else (syntax, a text longer than its column, ...)
};

// A client library error (status vector turned into text), or a misuse of the statement layer.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(const std::string& message, long sql_code = 0, long gds_code = 0,
                FailureKind kind = FailureKind::Other)
      : std::runtime_error(message), sql_code_(sql_code), gds_code_(gds_code), kind_(kind) {}
  long SqlCode() const { return sql_code_; }
  long GdsCode() const { return gds_code_; }  // first isc_* code of the status vector
  // Duplicate or Connection when any code of the status vector says so, else Other.
  FailureKind Kind() const { return kind_; }

 private:
  long sql_code_;
  long gds_code_;
  FailureKind kind_;
};

enum class FieldType { String, Integer, Other };

class Connection;   // IBDatabase1: attachment, dialect, parameter lines
class Transaction;  // IBTransaction1
class Query;        // IBQuery1: statement and its result

// Text as a statement literal: between apostrophes, every apostrophe inside doubled.
std::string QuoteLiteral(const std::string& text);

// Statement lines joined, each followed by CR LF.
std::string JoinStatementLines(const std::vector<std::string>& lines);

// The primitives of IBQuery1 that the record list and the import drive directly.
// All of them throw DatabaseError on failure.
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

class DataModule {
 public:
  DataModule();
  virtual ~DataModule();
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;

  // ---- Connection and database creation ----
  void CreateDatabase();
  void ConnectDatabase();
  void DisconnectDatabase();
  bool Connected() const;
  // Connected(), after attaching again when a broken connection was let go (never after a
  // deliberate disconnect). For callers that test the connection before any data operation.
  bool ConnectedOrReattached();
  int CurrentDialect() const;

  // ---- Launch table and modifying statements ----
  // Throws DatabaseError when the connection fails while the tables are listed.
  bool TableExists(const std::string& table);
  bool CreateLaunchTable();
  bool ExecuteScript(const std::vector<std::string>& lines);
  bool InsertRow(const std::string& table, int count, const std::vector<std::string>& names,
                 const std::vector<std::string>& values);
  bool UpdateRows(const std::string& table, int count, const std::vector<std::string>& names,
                  const std::vector<std::string>& values, const std::string& condition);
  bool DeleteRows(const std::string& table, const std::string& condition);

  // InsertRow for a row numbered one above the highest stored (the launch registration): its
  // transaction is started so that the server never keeps a row whose insert it refused, and
  // the server's number of that transaction is kept (LastInsertTransaction), so that after a
  // lost connection the row can be told apart from any other: its RDB$RECORD_VERSION is it.
  bool InsertNumberedRow(const std::string& table, int count, const std::vector<std::string>& names,
                         const std::vector<std::string>& values);
  // 0 when the last InsertNumberedRow did not get as far as starting its transaction.
  long long LastInsertTransaction() const;

  // Why the last InsertRow/UpdateRows/DeleteRows/ExecuteScript failed (None after a success).
  FailureKind LastFailure() const;
  // The text of the error that failed the last statement sent by one of them (the server's
  // codes and messages); empty after a success.
  const std::string& LastErrorText() const;
  // Rows changed by the last successful UpdateRows or DeleteRows (server's record counts).
  long long RowsChanged() const;

  // Several modifying statements in one transaction, committed only when all succeeded
  // (the import uses this so that a failed run leaves the table as it was).
  // BeginBatch ends any reading transaction and starts one; BatchExecute runs one statement
  // inside it (false on failure, the batch stays usable; LastFailure tells why);
  // CommitBatch/RollbackBatch end it. Nothing else may run between Begin and Commit/Rollback.
  bool BeginBatch();
  bool BatchExecute(const std::vector<std::string>& lines);
  bool CommitBatch();
  void RollbackBatch();

  // ---- Queries and row reading ----
  void CloseQuery();
  int CountRows(const std::string& table, const std::string& condition);
  int CountFields(const std::string& table);
  std::string SelectMax(const std::string& table, const std::string& column,
                        const std::string& condition);
  // SelectMax(table, "N", "") answered through the index: SelectMax with "N >= k" where k is the
  // highest number last seen, falling back to the plain SelectMax when that gives nothing.
  std::string SelectHighestNumber(const std::string& table);
  int OpenSelect(const std::string& columns, const std::string& table, const std::string& condition,
                 const std::string& order);
  void GetFieldNames(std::vector<std::string>& names);
  void ReadFirstRow(std::vector<std::string>& values);
  void ReadNextRow(std::vector<std::string>& values);
  void CloseSelect();

  // The shared objects, for the record list and the import.
  Query& IBQuery1();
  Transaction& IBTransaction1();
  Connection& IBDatabase1();
  // Transaction helpers on IBTransaction1 for callers that drive IBQuery1 directly.
  void MakeTransactionInactive();

 protected:
  // Table names read by TableExists (the main window keeps them in its hidden ComboBox1).
  virtual std::vector<std::string>& ScratchList();

 public:
  struct State;  // the connection, transaction and statement behind the operations

 private:
  std::unique_ptr<State> state_;
};

}  // namespace db
