// A statement and its open result with the cache of fetched rows: IBQuery1, the one statement
// the program's operations share, and the data module's own listing of the table names.
//
// The cache keeps each fetched row packed (a length per value and the value's bytes), so its
// size follows the values actually held; rows are only walked forward or from the first one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Query.h"
#include "db/Transaction.h"

namespace db {

class ClientQuery : public Query {
 public:
  ClientQuery(Connection& connection, Transaction& transaction);
  ~ClientQuery() override;

  void SetParamCheck(bool on) override { param_check_ = on; }
  bool ParamCheck() const { return param_check_; }
  void SetLines(const std::vector<std::string>& lines) override;
  const std::vector<std::string>& Lines() const override { return lines_; }
  void Open() override;
  bool IsOpen() const override { return open_; }
  void First() override;
  void MoveBy(int count) override;
  void Next() override { MoveBy(1); }
  void Last() override;
  bool Eof() const override { return eof_; }
  int RecordCount() const override { return static_cast<int>(passed_ + row_count_); }
  int FieldCount() const override { return static_cast<int>(columns_.size()); }
  std::string FieldName(int column) const override;
  FieldType GetFieldType(int column) const override;
  std::string ValueText(int column) const override;
  void Close() override;
  void SetUniDirectional(bool on) override { unidirectional_ = on; }

  // Prepares when needed and executes a statement that returns no rows.
  void ExecSQL();
  // The one integer a singleton SELECT of the lines answers (no parameters), sent, run and
  // answered in one exchange in the transaction; 0 for NULL. Throws.
  long long ImmediateInteger(const std::vector<std::string>& lines);
  // Sends the lines (no parameters) to be prepared and executed in the transaction at once,
  // without a statement handle: one exchange with the server. Nothing tells the rows changed.
  void ExecuteImmediate(const std::vector<std::string>& lines);
  // Rows the last ExecSQL changed, from the server's record counts (UPDATE and DELETE).
  long long RowsAffected() const { return rows_affected_; }
  // Number of rows of the open result, fetching the rest without keeping them. The result
  // cannot be moved afterwards; only Close is meaningful.
  long long CountToEnd();
  // Value texts of every column of the current row into entries 0.. of `values` (grown when
  // shorter than the column count).
  void ReadRow(std::vector<std::string>& values) const;
  // The text last sent to the server for preparation (after parameter scanning).
  const std::string& SentText() const { return sent_text_; }
  // Closes the result and releases the statement, never throwing (used when a transaction
  // ends and when the connection is found broken).
  void ReleaseQuietly();

 private:
  struct Column {
    std::string name;
    short type = 0;  // sqltype without the nullable bit
    short scale = 0;
    short length = 0;
    short subtype = 0;
  };
  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::size_t used = 0;
  };
  struct Position {
    std::size_t block = 0;
    std::size_t offset = 0;
  };

  void ConnectOnDemand();
  void Prepare();
  void Describe();
  void Release();
  bool FetchRow(bool keep);
  void StoreFetchedRow();
  void ClearCache();
  const char* RowAt(const Position& position) const;
  Position After(const Position& position) const;
  // Start of column `column`'s packed value in the current row, with its length (0xFFFF: NULL).
  const char* ValueAt(int column, std::uint16_t& length) const;

  Connection& connection_;
  Transaction& transaction_;
  std::vector<std::string> lines_;
  bool param_check_ = true;
  std::string sent_text_;
  isc_stmt_handle handle_ = 0;
  bool prepared_ = false;
  int statement_type_ = 0;
  int parameter_count_ = 0;
  long long rows_affected_ = 0;

  std::vector<Column> columns_;
  std::unique_ptr<XSQLDA, void (*)(void*)> output_{nullptr, nullptr};
  std::unique_ptr<XSQLDA, void (*)(void*)> input_{nullptr, nullptr};
  std::vector<char> row_buffer_;  // where the client writes one fetched row
  std::vector<short> input_nulls_;
  char input_dummy_[8] = {};

  bool open_ = false;
  bool eof_ = true;
  bool server_done_ = false;
  std::vector<Block> blocks_;
  std::size_t row_count_ = 0;
  bool unidirectional_ = false;         // asked for the next result
  bool result_unidirectional_ = false;  // the open result's own
  long long passed_ = 0;  // rows dropped from the cache of a uni-directional result
  long long current_ = -1;  // index of the current row, -1 for none
  Position current_position_;
  Position last_position_;
};

}  // namespace db
