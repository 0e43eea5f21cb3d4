// Import: the file is opened before anything changes, and the deletion (replace mode) and every
// insert run in one transaction that is committed only once the whole file was read. A line the
// server refuses is skipped on its own: a failed statement is undone by itself and the
// transaction goes on.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/UnitV.h"
#include "db/Statements.h"
#include "exchange/Exchange.h"
#include "exchange/TabText.h"
#include "platform/files.h"

namespace exchange {

namespace {

const char kUnavailableMessage[] = "データベースを利用できません。データは変更していません。";
const char kOpenFailedMessage[] = "ファイルを開けませんでした。データは変更していません。";
const char kReadFailedMessage[] = "ファイルを最後まで読めませんでした。データは変更していません。";
const char kNumberMessage[] = "数値が大きすぎる行があります。データは変更していません。";
const char kDatabaseFailedMessage[] =
    "データベースへの登録に失敗しました。データは変更していません。";
const char kRefusedMessage[] = "登録できなかった行があります。";

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

// Names and kinds of the table's columns, from a result that holds no row.
bool DescribeColumns(db::DataModule& data, const std::string& table, Columns& columns) {
  // A condition that matches nothing keeps OpenSelect from fetching the whole table.
  data.OpenSelect("*", table, "1 = 0", "");
  db::Query& query = data.IBQuery1();
  bool described = false;
  try {
    if (query.IsOpen()) {
      int count = query.FieldCount();
      if (count > static_cast<int>(kMaxPieces)) count = static_cast<int>(kMaxPieces);
      columns.names.assign(kMaxPieces, std::string());
      data.GetFieldNames(columns.names);
      columns.names.resize(count);
      for (int k = 0; k < count; ++k) {
        columns.text.push_back(query.GetFieldType(k) == db::FieldType::String);
      }
      described = count > 0;
    }
  } catch (const db::DatabaseError&) {
    described = false;
  }
  data.CloseSelect();
  return described;
}

// The number after the highest one stored in the first column, 1 for an empty table.
int64_t NextNumber(db::DataModule& data, const std::string& table, const std::string& column) {
  std::string highest = column == "N" ? data.SelectHighestNumber(table)
                                      : data.SelectMax(table, column, "");
  return static_cast<int64_t>(StrToIntZero(highest)) + 1;
}

}  // namespace

bool ImportTable(db::DataModule& data, const std::string& table, const std::string& file_name,
                 bool keep_rows, bool skip_first_line, ImportResult* result,
                 const LineObserver& after_line) {
  ImportResult work;
  if (!data.Connected()) return Finish(result, work, ImportOutcome::Unavailable);
  try {
    if (!data.TableExists(table)) return Finish(result, work, ImportOutcome::Unavailable);
  } catch (const db::DatabaseError&) {
    return Finish(result, work, ImportOutcome::Unavailable);
  }

  platform::InputFile file;
  if (!file.Open(file_name)) return Finish(result, work, ImportOutcome::OpenFailed);

  Columns columns;
  if (!DescribeColumns(data, table, columns)) {
    return Finish(result, work, ImportOutcome::DatabaseFailed);
  }
  const int count = static_cast<int>(columns.names.size());
  const bool numbered = !columns.text[0];
  // Replacing starts from 1 inside the transaction that deletes the old rows; adding counts on
  // from the highest stored number. A number taken meanwhile by another PC is skipped below.
  int64_t next = keep_rows ? NextNumber(data, table, columns.names[0]) : 1;

  if (!data.BeginBatch()) return Finish(result, work, ImportOutcome::DatabaseFailed);
  auto fail = [&](ImportOutcome outcome) {
    data.RollbackBatch();
    return Finish(result, work, outcome);
  };
  if (!keep_rows && !data.BatchExecute(db::DeleteLines(table, ""))) {
    return fail(ImportOutcome::DatabaseFailed);
  }

  TabFileReader reader(file);
  std::string line;
  std::vector<std::string_view> pieces;
  std::vector<std::string> values(count);
  try {
    if (skip_first_line && reader.ReadLine(line) == TabFileReader::Status::Error) {
      work.failed_line = reader.LineNumber() + 1;
      return fail(ImportOutcome::ReadFailed);
    }
    for (;;) {
      TabFileReader::Status status = reader.ReadLine(line);
      if (status == TabFileReader::Status::End) break;
      if (status == TabFileReader::Status::Error) {
        work.failed_line = reader.LineNumber() + 1;
        return fail(ImportOutcome::ReadFailed);
      }
      SplitTabs(line, pieces);
      for (int k = 0; k < count; ++k) {
        std::string_view piece =
            k < static_cast<int>(pieces.size()) ? pieces[k] : std::string_view();
        if (columns.text[k]) {
          values[k] = piece.empty() ? std::string("NULL") : db::QuoteLiteral(std::string(piece));
        } else if (k == 0) {
          values[k] = std::to_string(next);
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

      bool inserted = data.BatchExecute(db::InsertLines(table, count, columns.names, values));
      // Another PC stored this number since it was worked out: take the next one.
      while (!inserted && numbered && data.LastFailure() == db::FailureKind::Duplicate &&
             next < INT32_MAX) {
        values[0] = std::to_string(++next);
        inserted = data.BatchExecute(db::InsertLines(table, count, columns.names, values));
      }
      if (inserted) {
        ++work.stored;
      } else {
        if (data.LastFailure() == db::FailureKind::Connection) {
          return fail(ImportOutcome::DatabaseFailed);
        }
        // Refused on its own merits (a text longer than its column, ...): skipped, number used.
        ++work.refused;
        if (work.refused_lines.size() < kReportedLines) {
          work.refused_lines.push_back(reader.LineNumber());
        }
      }
      ++next;
      if (after_line) after_line(work.stored + work.refused);
    }
  } catch (...) {
    data.RollbackBatch();
    throw;
  }

  file.Close();
  if (!data.CommitBatch()) {
    data.RollbackBatch();
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
  }
  message += "\r\n登録した行数：" + std::to_string(result.stored);
  if (result.outcome == ImportOutcome::Stored) {
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

}  // namespace exchange
