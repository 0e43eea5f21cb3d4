// Import: the file is opened before anything changes, and the deletion (replace mode) and every
// insert run in one transaction that is committed only once the whole file was read. A line the
// server refuses is skipped on its own: a failed statement is undone by itself (statement-level
// atomicity) and the transaction goes on.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/UnitV.h"
#include "db/RowReader.h"
#include "db/Statements.h"
#include "exchange/Exchange.h"
#include "exchange/TabText.h"
#include "platform/files.h"
#include "platform/ui/long_call.h"

namespace exchange {

namespace {

const char kUnavailableMessage[] = "データベースを利用できません。データは変更していません。";
const char kOpenFailedMessage[] = "ファイルを開けませんでした。データは変更していません。";
const char kReadFailedMessage[] = "ファイルを最後まで読めませんでした。データは変更していません。";
const char kNumberMessage[] = "数値が大きすぎる行があります。データは変更していません。";
const char kDatabaseFailedMessage[] =
    "データベースへの登録に失敗しました。データは変更していません。";
const char kRefusedMessage[] = "登録できなかった行があります。";
const char kNotTextMessage[] = "テキストファイルではないため読み込めません。データは変更していません。";
const char kNothingStoredMessage[] =
    "ファイルから1行も読み込めませんでした。データは変更していません。";
const char kCancelledMessage[] = "中止しました。";
const char kCommittingReason[] = "読み込んだデータをデータベースに確定しています。";

bool Finish(ImportResult* result, ImportResult& work, ImportOutcome outcome) {
  work.outcome = outcome;
  if (outcome != ImportOutcome::Stored) work.stored = 0;
  if (result != nullptr) *result = work;
  return outcome == ImportOutcome::Stored;
}

struct Columns {
  std::vector<std::string> names;
  std::vector<bool> text;  // per column: a character column (else numeric)
};

// Names and kinds of the table's columns, from the description of its rows. Only the first rows
// are fetched: a condition that matches nothing would still have the server read the whole table
// (seconds at a million rows, while the program could not answer).
// Throws DatabaseError when the server fails.
void DescribeColumns(db::DataModule& data, const std::string& table, Columns& columns) {
  db::ReadRows(data, db::OpenSelectLines("*", table, "", ""), [&](db::RowReader& rows) {
    columns = Columns();
    int count = rows.FieldCount();
    if (count > static_cast<int>(kMaxPieces)) count = static_cast<int>(kMaxPieces);
    for (int k = 0; k < count; ++k) {
      columns.names.push_back(rows.FieldName(k));
      columns.text.push_back(rows.GetFieldType(k) == db::FieldType::String);
    }
  });
}

// A call that may take seconds (a block, a range deleted, the commit, the rollback of a
// transaction that wrote many rows) runs on a worker while the windows keep answering.
template <typename Call>
auto OffThread(Call&& call) {
  return ui::RunLongCallFor(std::forward<Call>(call));
}

// The number after the highest one stored in the first column, 1 for an empty table.
int64_t NextNumber(db::DataModule& data, const std::string& table, const std::string& column) {
  std::string highest = column == db::LaunchColumnName(db::LaunchColumn::N)
                            ? data.SelectHighestNumber(table)
                            : data.SelectMax(table, column, "");
  return static_cast<int64_t>(StrToIntZero(highest)) + 1;
}

// Runs one statement of the batch off the user-interface thread; the rows it changed, or -1 when
// the server failed.
long long BatchStatement(db::DataModule& data, const std::vector<std::string>& lines) {
  try {
    return OffThread([&] { return data.BatchModify(lines); });
  } catch (const db::DatabaseError&) {
    return -1;
  }
}

// Deletes every row of the table inside the batch. Numbered rows go a range of numbers at a time,
// from the highest down, with the progress told after each statement so that the events can run
// between them: one statement deleting a million rows holds the program for seconds. The rows
// outside the ranges (numbers below 1, rows stored since `highest` was read) go last, found
// through the number's index too. False when the server failed; `cancelled` when the progress
// said stop.
bool DeleteAllRows(db::DataModule& data, const std::string& table, const Columns& columns,
                   int64_t highest, const Progress& progress, bool& cancelled) {
  if (!columns.text[0] && highest >= 1) {
    // About this many rows a statement; empty ranges (gaps in the numbering) are crossed in
    // ever wider steps, crowded ones cut finer.
    constexpr int64_t kRangeRows = 10000;
    const std::string& column = columns.names[0];
    int64_t step = kRangeRows;
    int64_t bound = highest;
    while (bound >= 1) {
      const int64_t below = bound > step ? bound - step : 0;
      const std::vector<std::string> delete_range =
          db::DeleteLines(table, db::NumberRangeCondition(column, below, bound));
      const long long deleted = BatchStatement(data, delete_range);
      if (deleted < 0) return false;
      if (deleted == 0) step *= 2;
      if (deleted > 2 * kRangeRows && step > 1) step /= 2;
      bound = below;
      if (progress && !progress(0, -1)) {
        cancelled = true;
        return true;
      }
    }
    const std::vector<std::string> delete_rest =
        db::DeleteLines(table, db::OutsideNumberRangeCondition(column, 0, highest));
    return BatchStatement(data, delete_rest) >= 0;
  }
  const std::vector<std::string> delete_all = db::DeleteLines(table, "");
  return BatchStatement(data, delete_all) >= 0;
}

// Inserts the lines read so far. They go to the server together in one EXECUTE BLOCK sent with
// execute immediate (one exchange for the whole block); a block the server refuses is undone as a whole (one statement),
// and its lines are then inserted one by one, so that the refused lines are found and skipped and
// a number taken meanwhile is replaced by the next free one.
class Inserter {
 public:
  Inserter(db::DataModule& data, const std::string& table, const Columns& columns, int64_t next,
           ImportResult& work)
      : data_(data), table_(table), columns_(columns), next_(next), work_(work) {}

  // Keeps a line for the next block; false when the server can no longer be reached.
  bool Add(long long line_number, const std::vector<std::string>& values) {
    pending_.push_back({line_number, values});
    for (const std::string& value : values) pending_bytes_ += value.size() + 32;
    if (pending_.size() < kBlockLines && pending_bytes_ < kBlockBytes) return true;
    return Flush();
  }

  bool Flush() {
    bool reachable = FlushPending();
    pending_.clear();
    pending_bytes_ = 0;
    return reachable;
  }

 private:
  static constexpr std::size_t kBlockLines = kImportBlockLines;
  static constexpr std::size_t kBlockBytes = kImportBlockBytes;

  struct Pending {
    long long line_number;
    std::vector<std::string> values;
  };

  bool Numbered() const { return !columns_.text[0]; }

  std::vector<std::string> InsertLines(std::vector<std::string>& values) {
    return db::InsertLines(table_, static_cast<int>(columns_.names.size()), columns_.names, values);
  }

  bool FlushPending() {
    if (pending_.empty()) return true;
    if (pending_.size() > 1) {
      std::vector<std::vector<std::string>> inserts;
      int64_t number = next_;
      for (Pending& line : pending_) {
        if (Numbered()) line.values[0] = std::to_string(number++);
        inserts.push_back(InsertLines(line.values));
      }
      const std::vector<std::string> block = db::ExecuteBlockLines(inserts);
      try {
        OffThread([&] { data_.BatchModifyImmediate(block); });
        work_.stored += static_cast<long long>(pending_.size());
        next_ += static_cast<int64_t>(pending_.size());
        return true;
      } catch (const db::DatabaseError& error) {
        if (error.Kind() == db::FailureKind::Connection) return false;
      }
    }
    for (Pending& line : pending_) {
      if (!InsertOne(line)) return false;
    }
    return true;
  }

  // None when the line was inserted, else why it was not.
  db::FailureKind Insert(std::vector<std::string>& values) {
    try {
      data_.BatchModify(InsertLines(values));
      return db::FailureKind::None;
    } catch (const db::DatabaseError& error) {
      return error.Kind();
    }
  }

  bool InsertOne(Pending& line) {
    if (Numbered()) line.values[0] = std::to_string(next_);
    db::FailureKind failure = Insert(line.values);
    // Another PC stored this number since it was worked out: take the next one.
    while (failure == db::FailureKind::Duplicate && Numbered() && next_ < INT32_MAX) {
      line.values[0] = std::to_string(++next_);
      failure = Insert(line.values);
    }
    ++next_;
    if (failure == db::FailureKind::None) {
      ++work_.stored;
      return true;
    }
    if (failure == db::FailureKind::Connection) return false;
    // Refused on its own merits (a text longer than its column, ...): skipped, number used.
    ++work_.refused;
    if (work_.refused_lines.size() < kReportedLines) work_.refused_lines.push_back(line.line_number);
    return true;
  }

  db::DataModule& data_;
  const std::string& table_;
  const Columns& columns_;
  int64_t next_;
  ImportResult& work_;
  std::vector<Pending> pending_;
  std::size_t pending_bytes_ = 0;
};

}  // namespace

bool ImportTable(db::DataModule& data, const std::string& table, const std::string& file_name,
                 bool keep_rows, bool skip_first_line, ImportResult* result,
                 const Progress& progress) {
  ImportResult work;
  // The first statement finds a server restarted since the last use or a missing launch table
  // (created then); it runs again after the recovery.
  Columns columns;
  try {
    // At first use this may attach again and make the table usable: seconds over a slow link.
    const db::LaunchTableState table_state =
        OffThread([&] { return data.RunRecovering([&] { DescribeColumns(data, table, columns); }); });
    if (table_state != db::LaunchTableState::Ready) return Finish(result, work, ImportOutcome::Unavailable);
  } catch (const db::DatabaseError& error) {
    const bool unavailable = error.MissingTable() || error.Kind() == db::FailureKind::Connection;
    return Finish(result, work, unavailable ? ImportOutcome::Unavailable : ImportOutcome::DatabaseFailed);
  }
  if (columns.names.empty()) return Finish(result, work, ImportOutcome::DatabaseFailed);

  platform::InputFile file;
  if (!file.Open(file_name)) return Finish(result, work, ImportOutcome::OpenFailed);
  // The part of the file read so far tells how far the work is; the lines are not counted first.
  const double file_size = static_cast<double>(file.Size());
  const int count = static_cast<int>(columns.names.size());
  // Replacing starts from 1 inside the transaction that deletes the old rows; adding counts on
  // from the highest stored number. A number taken meanwhile by another PC is skipped.
  const int64_t highest =
      columns.text[0] ? 0 : OffThread([&] { return NextNumber(data, table, columns.names[0]); }) - 1;
  const int64_t next = keep_rows ? highest + 1 : 1;

  try {
    OffThread([&] { data.StartBatch(); });
  } catch (const db::DatabaseError&) {
    return Finish(result, work, ImportOutcome::DatabaseFailed);
  }
  auto fail = [&](ImportOutcome outcome) {
    OffThread([&] { data.RollbackBatch(); });
    return Finish(result, work, outcome);
  };
  if (!keep_rows) {
    bool cancelled = false;
    if (!DeleteAllRows(data, table, columns, highest, progress, cancelled)) {
      return fail(ImportOutcome::DatabaseFailed);
    }
    if (cancelled) return fail(ImportOutcome::Cancelled);
  }

  Inserter inserter(data, table, columns, next, work);
  TabFileReader reader(file);
  std::string line;
  std::vector<std::string_view> pieces;
  std::vector<std::string> values(count);
  long long data_lines = 0;
  try {
    bool header = skip_first_line;
    for (;;) {
      TabFileReader::Status status = reader.ReadLine(line);
      if (status == TabFileReader::Status::End) break;
      if (status == TabFileReader::Status::NotText) return fail(ImportOutcome::NotText);
      if (status == TabFileReader::Status::Error) {
        work.failed_line = reader.LineNumber() + 1;
        return fail(ImportOutcome::ReadFailed);
      }
      if (header) {  // dropped whatever it holds
        header = false;
        continue;
      }
      ++data_lines;
      SplitTabs(line, pieces);
      for (int k = 0; k < count; ++k) {
        std::string_view piece =
            k < static_cast<int>(pieces.size()) ? pieces[k] : std::string_view();
        if (columns.text[k]) {
          values[k] = piece.empty() ? std::string("NULL") : db::QuoteLiteral(std::string(piece));
        } else if (k == 0) {
          values[k].clear();  // numbered when the line is inserted
        } else {
          double number;
          try {
            number = StrToFloatZero(std::string(piece));
          } catch (const FloatOverflowError&) {
            work.failed_line = reader.LineNumber();
            return fail(ImportOutcome::NumberOutOfRange);
          }
          values[k] = FormatGeneral(number);
          if (values[k].empty()) {  // no literal for it: not a number after all
            work.failed_line = reader.LineNumber();
            return fail(ImportOutcome::NumberOutOfRange);
          }
        }
      }
      if (progress &&
          !progress(data_lines, file_size > 0 ? static_cast<double>(reader.BytesRead()) / file_size : -1)) {
        return fail(ImportOutcome::Cancelled);
      }
      if (!inserter.Add(reader.LineNumber(), values)) return fail(ImportOutcome::DatabaseFailed);
    }
    if (!inserter.Flush()) return fail(ImportOutcome::DatabaseFailed);
    // Not one line could be stored: the user meant to load this file, so the old rows must not
    // be lost for it (replace mode), and an empty success would hide the failure.
    if (data_lines > 0 && work.stored == 0) return fail(ImportOutcome::NothingStored);
  } catch (...) {
    OffThread([&] { data.RollbackBatch(); });
    throw;
  }

  file.Close();
  bool committed = false;
  {
    // Cut short, the commit would leave the user not knowing whether the file is in the table:
    // the end of the session waits for it, and Windows says why.
    ui::SessionEndHold hold(kCommittingReason);
    try {
      OffThread([&] { data.FinishBatch(); });
      committed = true;
    } catch (const db::DatabaseError&) {
    }
  }
  if (!committed) {
    OffThread([&] { data.RollbackBatch(); });
    return Finish(result, work, ImportOutcome::DatabaseFailed);
  }
  return Finish(result, work, ImportOutcome::Stored);
}

std::string ImportFailureMessage(const ImportResult& result) {
  std::string message;
  switch (result.outcome) {
    case ImportOutcome::Stored:
      if (result.refused == 0) return std::string();
      message = kRefusedMessage;
      break;
    case ImportOutcome::Unavailable:
      return kUnavailableMessage;
    case ImportOutcome::OpenFailed:
      return kOpenFailedMessage;
    case ImportOutcome::ReadFailed:
      message = kReadFailedMessage;
      break;
    case ImportOutcome::NumberOutOfRange:
      message = kNumberMessage;
      break;
    case ImportOutcome::DatabaseFailed:
      return kDatabaseFailedMessage;
    case ImportOutcome::NotText:
      return kNotTextMessage;
    case ImportOutcome::Cancelled:
      return kCancelledMessage;
    case ImportOutcome::NothingStored:
      message = kNothingStoredMessage;
      break;
  }
  if (result.outcome != ImportOutcome::NothingStored) {
    message += "\r\n登録した行数：" + std::to_string(result.stored);
  }
  if (result.outcome == ImportOutcome::Stored || result.outcome == ImportOutcome::NothingStored) {
    message += "\r\n登録できなかった行：";
    for (std::size_t i = 0; i < result.refused_lines.size(); ++i) {
      if (i > 0) message += ", ";
      message += std::to_string(result.refused_lines[i]);
    }
    long long more = result.refused - static_cast<long long>(result.refused_lines.size());
    if (more > 0) message += " ほか" + std::to_string(more) + "行";
  } else {
    message += "\r\n読み込めなかった行：" + std::to_string(result.failed_line);
  }
  return message;
}

std::string ImportMessage(const ImportResult& result) {
  if (result.outcome == ImportOutcome::Stored && result.refused == 0) {
    return std::to_string(result.stored) + "件を読み込みました。";
  }
  return ImportFailureMessage(result);
}

}  // namespace exchange
