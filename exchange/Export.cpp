// Export: one SELECT * read from its first to its last row in one snapshot transaction, written
// to a temporary file beside the target and renamed over it only when complete.
#include <string>
#include <vector>

#include "db/RowReader.h"
#include "db/Statements.h"
#include "exchange/Exchange.h"
#include "platform/files.h"
#include "platform/ui/long_call.h"

namespace exchange {

namespace {

const char kReadFailedMessage[] = "データを読み出せませんでした。ファイルは変更していません。";
const char kWriteFailedMessage[] = "ファイルを書き出せませんでした。元のファイルは変更していません。";
const char kCancelledMessage[] = "中止しました。";

bool Finish(ExportResult* result, ExportOutcome outcome, long long rows) {
  if (result != nullptr) {
    result->outcome = outcome;
    result->rows = rows;
  }
  return outcome == ExportOutcome::Written;
}

// Ends the read: closes the result and ends its transaction, so no snapshot is held on after
// the export. Never throws; a broken connection has nothing left to end.
void EndRead(db::DataModule& data) {
  try {
    data.CloseQuery();
  } catch (const db::DatabaseError&) {
  }
}

}  // namespace

bool ExportTable(db::DataModule& data, const std::string& table, const std::string& file_name,
                 ExportResult* result, const Progress& progress) {
  // The statement of OpenSelect, driven row by row: the number of lines is the number of rows
  // this one read returns, and a failure to read is noticed instead of being written as rows.
  // Opening it finds a server restarted since the last use or a missing table; it is opened
  // again after the recovery. No table is created: there would be nothing to write.
  db::RowReader rows(data);
  db::LaunchTableState opened;
  try {
    // On a worker while the windows keep answering: at first use this may attach again, seconds
    // over a slow link. The rows are then fetched here, a buffer of them per exchange.
    opened = ui::RunLongCallFor([&] {
      return data.RunRecovering([&] { rows.Open(db::OpenSelectLines("*", table, "", "")); }, false);
    });
  } catch (const db::DatabaseError& error) {
    EndRead(data);
    if (error.MissingTable()) return Finish(result, ExportOutcome::Unavailable, 0);
    return Finish(result, ExportOutcome::ReadFailed, 0);
  }
  if (opened != db::LaunchTableState::Ready) {
    EndRead(data);
    return Finish(result, ExportOutcome::Unavailable, 0);
  }

  platform::ReplacingFile file(file_name);
  if (!file.Open()) {
    EndRead(data);
    return Finish(result, ExportOutcome::WriteFailed, 0);
  }

  long long lines = 0;
  bool written = true;
  bool read = true;
  bool cancelled = false;
  try {
    const int columns = rows.FieldCount();
    std::string line;
    for (int k = 0; k < columns; ++k) {
      line += rows.FieldName(k);
      line += '\t';
    }
    line += "\r\n";
    written = file.Write(line);
    while (written && !rows.Eof()) {
      line.clear();
      for (int k = 0; k < columns; ++k) {
        line += rows.ValueText(k);
        line += '\t';
      }
      line += "\r\n";
      written = file.Write(line);
      ++lines;
      // The count of rows is not known before the end: the one read is not counted twice.
      if (progress && !progress(lines, -1)) {
        cancelled = true;
        break;
      }
      rows.Next();
    }
  } catch (const db::DatabaseError&) {
    read = false;
  }
  EndRead(data);

  // The temporary file goes with `file`: an earlier file of that name stays as it was.
  if (cancelled) return Finish(result, ExportOutcome::Cancelled, lines);
  if (!read) return Finish(result, ExportOutcome::ReadFailed, lines);
  if (!written || !file.Commit()) return Finish(result, ExportOutcome::WriteFailed, lines);
  return Finish(result, ExportOutcome::Written, lines);
}

std::string ExportFailureMessage(const ExportResult& result) {
  switch (result.outcome) {
    case ExportOutcome::Written:
      return std::string();
    case ExportOutcome::WriteFailed:
      return kWriteFailedMessage;
    case ExportOutcome::Cancelled:
      return kCancelledMessage;
    case ExportOutcome::Unavailable:
    case ExportOutcome::ReadFailed:
      break;
  }
  return kReadFailedMessage;
}

std::string ExportMessage(const ExportResult& result) {
  if (result.outcome == ExportOutcome::Written) return std::to_string(result.rows) + "件を書き出しました。";
  return ExportFailureMessage(result);
}

}  // namespace exchange
