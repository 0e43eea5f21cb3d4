// Export of a table to a tab-separated text file and import of such a file into the table.
// Both work on the data operations of db::DataModule; the windows (dialogs, questions,
// messages) belong to the main window, which hands in what the user chose.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/DataModule.h"

namespace exchange {

// Called for each data line: by the export after the line was written, by the import after it
// was read and before it is sent. `lines_done` counts the data lines so far; `fraction` is the part
// of the work done (0 to 1), negative where it is not known. Returning false cancels the run,
// which then changes nothing (see the outcomes). The main window shows the figures in its progress
// window; tests also change the table from another connection in the middle of a run.
using Progress = std::function<bool(long long lines_done, double fraction)>;

enum class ExportOutcome {
  Written,      // the whole file was written and put in place
  Unavailable,  // connection closed or table missing: no file touched
  ReadFailed,   // the rows could not be read: no file touched
  WriteFailed,  // the file could not be written or put in place: an earlier file stays as it was
  Cancelled,    // the progress said stop: no file written, an earlier file stays as it was
};

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::Unavailable;
  long long rows = 0;  // data lines written
};

// Writes `table` to `file_name`: a header line of column names, then one line per row of one
// consistent read, each value followed by a tab, lines ended by CR LF. The file is written
// beside the target under a temporary name and renamed over it only once complete.
bool ExportTable(db::DataModule& data, const std::string& table, const std::string& file_name,
                 ExportResult* result = nullptr, const Progress& progress = {});

// The short message that tells the user an export failed or was cancelled; empty after success.
std::string ExportFailureMessage(const ExportResult& result);
// What the user is told when an export ended: how many rows it wrote, or the failure message.
std::string ExportMessage(const ExportResult& result);

enum class ImportOutcome {
  Stored,            // the file was read to its end and its lines committed (some may be refused)
  Unavailable,       // connection closed or table missing: nothing changed
  OpenFailed,        // the file could not be opened: nothing changed
  ReadFailed,        // the file could not be read to its end: nothing changed
  NumberOutOfRange,  // a numeric piece beyond the range of a double: nothing changed
  DatabaseFailed,    // the server failed (connection, delete, commit): nothing changed
  NotText,           // the file holds a NUL byte, so it is no text of this program: nothing changed
  NothingStored,     // the file has data lines but the server refused every one: nothing changed
  Cancelled,         // the progress said stop: nothing changed
};

constexpr std::size_t kReportedLines = 10;

// The import sends its lines in blocks (one EXECUTE BLOCK each, one exchange with the server):
// as many inserts as one statement may hold (the server allows 256 table contexts in one), and
// a bound on the statement's size for lines far longer than the columns take.
constexpr std::size_t kImportBlockLines = 255;
constexpr std::size_t kImportBlockBytes = 1024 * 1024;

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::Unavailable;
  long long stored = 0;                 // rows committed
  long long refused = 0;                // lines the server refused (skipped, or all of them for
                                        // NothingStored)
  std::vector<long long> refused_lines; // their line numbers in the file, the first ten
  long long failed_line = 0;            // for ReadFailed and NumberOutOfRange: where it stopped
};

// Loads `file_name` into `table`: every line (after the first one when `skip_first_line`) becomes
// one row numbered from the highest number + 1 (from 1 when the rows are replaced). Unless
// `keep_rows`, the old rows are deleted in the same transaction as the inserts, which is
// committed only when the whole file was read. A file holding a NUL byte, or one whose data lines
// were all refused, changes nothing; a file of one line or none is no such failure, and with
// replace it empties the table. True when the file was read to its end and the rows committed.
bool ImportTable(db::DataModule& data, const std::string& table, const std::string& file_name,
                 bool keep_rows, bool skip_first_line, ImportResult* result = nullptr,
                 const Progress& progress = {});

// The short message that tells the user what an import could not do; empty when every line was
// stored.
std::string ImportFailureMessage(const ImportResult& result);
// What the user is told when an import ended: how many rows it stored, or the failure message
// (which says how many were stored where some were).
std::string ImportMessage(const ImportResult& result);

}  // namespace exchange
