// Export and import of BOOTJWW beside bare client-library baselines, side by side in one run.
//
//   lumadex_exchange_bench STATE_DIR DATA_DIR [--export-sizes 100000,1000000] [--import 100000]
//                          [--progress-export 1000000] [--progress-import 100000] [--repeats 3]
//
// Export: ExportTable against a bare SELECT * fetched with isc_dsql_fetch and written, value by
// value, through a buffered stdio stream; both files must be byte for byte the same.
// Import: ImportTable (replace, then add) against the same INSERT texts in the same EXECUTE BLOCKs
// executed in one transaction (replace: after a DELETE of all rows in that transaction too).
// Round trip: export, import with replace, export again; the rows must come back the same and be
// numbered 1 .. n in the first file's line order.
// Memory: the peak of our own heap (counting allocator) and the peak resident set of the process
// while the operation ran (VmHWM, reset before each run).
// Progress: the export of the large dataset and the import (replace) of the smaller one's file,
// each run R times with the program's progress window (headless: the same throttling and
// refreshes) and R times without, interleaved in blocks (without, with, with, without, ...); the
// mean and the best of each side, this process's processor time, and the median of the blocks'
// ratios.
#include <malloc.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_baseline.h"
#include "bench/bench_common.h"
#include "bench/bench_dataset.h"
#include "bench/heap_counter.h"
#include "db/DataModule.h"
#include "db/Statements.h"
#include "exchange/Exchange.h"
#include "exchange/TabText.h"
#include "platform/headless/headless.h"
#include "platform/ui/progress.h"

namespace {

const char kTable[] = "BOOTJWW";

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "exchange bench: %s\n", what.c_str());
  std::exit(3);
}

// A "VmHWM:" or "VmRSS:" line of /proc/self/status, in KiB (-1 when missing).
long long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0) return std::atoll(line.c_str() + length);
  }
  return -1;
}

long long ResidentPeakKiB() { return StatusKiB("VmHWM:"); }
long long ResidentNowKiB() { return StatusKiB("VmRSS:"); }

void ResetResidentPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Measured {
  double seconds = 0;
  long long heap_peak = 0;      // bytes of our heap above the level at the start
  long long resident_peak = 0;  // KiB, the process's peak resident set during the run
  long long resident_start = 0; // KiB, resident set when the run began
};

Measured Measure(const std::function<void()>& work) {
  Measured m;
  malloc_trim(0);
  ResetResidentPeak();
  m.resident_start = ResidentNowKiB();
  const bench::HeapTimed run = bench::TimeWithHeap(work);
  m.seconds = run.seconds;
  m.heap_peak = run.heap_peak;
  m.resident_peak = ResidentPeakKiB();
  return m;
}

std::string MiB(double bytes) { return bench::Printed("%.1f MiB", bytes / 1048576.0); }

long long FileSize(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

bool SameFiles(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  std::vector<char> x(1 << 20), y(1 << 20);
  for (;;) {
    first.read(x.data(), x.size());
    second.read(y.data(), y.size());
    if (first.gcount() != second.gcount()) return false;
    if (std::memcmp(x.data(), y.data(), static_cast<std::size_t>(first.gcount())) != 0) return false;
    if (first.gcount() == 0) return true;
  }
}

void Connect(db::DataModule& data, const std::string& server, const std::string& folder,
             const std::string& file_name) {
  if (!bench::ConnectTo(data, server, folder, file_name)) {
    Die("cannot connect to " + server + folder + file_name);
  }
}

// ---- the bare baselines ----

// SELECT * fetched row by row, every value written with a tab, lines with CR LF, through a
// buffered stdio stream. Returns the number of rows.
long long BareExport(bench::BareConnection& bare, const std::string& path) {
  bench::BareCursor cursor(bare, "SELECT * FROM BOOTJWW");
  const XSQLDA* sqlda = &cursor.Row();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) Die("cannot write " + path);
  std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
  for (int i = 0; i < sqlda->sqld; ++i) {
    std::fwrite(sqlda->sqlvar[i].sqlname, 1, static_cast<std::size_t>(sqlda->sqlvar[i].sqlname_length), out);
    std::fputc('\t', out);
  }
  std::fputs("\r\n", out);
  long long rows = 0;
  char number[16];
  while (cursor.Fetch()) {
    ++rows;
    for (int i = 0; i < sqlda->sqld; ++i) {
      const XSQLVAR& var = sqlda->sqlvar[i];
      if (!((var.sqltype & 1) && *var.sqlind < 0)) {
        if ((var.sqltype & ~1) == SQL_VARYING) {
          short length;
          std::memcpy(&length, var.sqldata, 2);
          std::fwrite(var.sqldata + 2, 1, static_cast<std::size_t>(length), out);
        } else {
          ISC_LONG value;
          std::memcpy(&value, var.sqldata, sizeof value);
          std::fwrite(number, 1, static_cast<std::size_t>(std::snprintf(number, sizeof number, "%d", value)), out);
        }
      }
      std::fputc('\t', out);
    }
    std::fputs("\r\n", out);
  }
  if (std::fclose(out) != 0) Die("cannot close " + path);
  return rows;
}

// The statements an import of `path` sends, numbered from `first` (what the baseline runs): its
// INSERTs in the same EXECUTE BLOCKs as the import (as many lines and bytes to a block).
std::vector<std::string> InsertTexts(const std::string& path, long long first) {
  std::vector<std::string> texts;
  std::vector<std::vector<std::string>> block;
  std::size_t block_bytes = 0;
  auto send_block = [&] {
    if (block.empty()) return;
    texts.push_back(db::JoinStatementLines(block.size() == 1 ? block.front() : db::ExecuteBlockLines(block)));
    block.clear();
    block_bytes = 0;
  };
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);  // header
  const std::vector<std::string>& names = bench::LaunchColumns();
  std::vector<std::string_view> pieces;
  std::vector<std::string> values(10);
  for (long long n = first; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    exchange::SplitTabs(line, pieces);
    for (std::size_t k = 0; k < 10; ++k) {
      std::string piece = k < pieces.size() ? std::string(pieces[k]) : std::string();
      if (k == 0) {
        values[k] = std::to_string(n);
      } else if (k == 9) {
        values[k] = piece.empty() ? "0" : piece;
      } else {
        values[k] = piece.empty() ? "NULL" : db::QuoteLiteral(piece);
      }
    }
    block.push_back(db::InsertLines("BASELINE", 10, names, values));
    for (const std::string& value : values) block_bytes += value.size() + 32;
    if (block.size() >= exchange::kImportBlockLines || block_bytes >= exchange::kImportBlockBytes) send_block();
  }
  send_block();
  return texts;
}

void BareImport(bench::BareConnection& bare, const std::vector<std::string>& inserts, bool replace) {
  isc_tr_handle transaction = 0;
  bare.Start(&transaction);
  if (replace) bare.Execute(&transaction, "DELETE FROM BASELINE ;", "delete");
  for (const std::string& sql : inserts) bare.Execute(&transaction, sql, "insert");
  bare.Commit(&transaction);
}

// ---- the runs ----

void PrintRow(const char* what, const Measured& ours, const Measured& base) {
  std::printf("%-30s %9.3f s %9.3f s %7.2fx\n", what, ours.seconds, base.seconds,
              ours.seconds / base.seconds);
}

std::string BenchExport(const std::string& server, const std::string& data_dir, long long rows) {
  const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, rows);
  db::DataModule data;
  Connect(data, server, dataset.folder, dataset.file_name);
  bench::BareConnection bare(server + dataset.folder + dataset.file_name);
  const std::string ours_file = data_dir + "/export-" + std::to_string(rows) + ".txt";
  const std::string bare_file = data_dir + "/export-" + std::to_string(rows) + "-bare.txt";

  // Warm the server's page cache once, so that neither side pays for the first read.
  BareExport(bare, bare_file);
  exchange::ExportResult result;
  const Measured ours = Measure([&] {
    if (!exchange::ExportTable(data, kTable, ours_file, &result)) Die("ExportTable failed");
  });
  long long bare_rows = 0;
  const Measured base = Measure([&] { bare_rows = BareExport(bare, bare_file); });
  if (result.rows != rows || bare_rows != rows) Die("export row counts differ");
  if (!SameFiles(ours_file, bare_file)) Die("the two export files differ");
  const long long file_size = FileSize(ours_file);

  std::printf("\n== export of %lld rows (file %s) ==\n", rows, MiB(static_cast<double>(file_size)).c_str());
  std::printf("%-30s %11s %11s %8s\n", "", "ours", "baseline", "ratio");
  PrintRow("ExportTable wall time", ours, base);
  const double budget = 2.0 * static_cast<double>(file_size) + 64.0 * 1048576.0;
  const double resident_growth = static_cast<double>(ours.resident_peak - ours.resident_start) * 1024;
  std::printf("%-30s %s (%.0f B/row)\n", "our heap peak", MiB(static_cast<double>(ours.heap_peak)).c_str(),
              static_cast<double>(ours.heap_peak) / static_cast<double>(rows));
  std::printf("%-30s %s above %s at start; baseline %s\n", "resident peak",
              MiB(resident_growth).c_str(), MiB(ours.resident_start * 1024.0).c_str(),
              MiB((base.resident_peak - base.resident_start) * 1024.0).c_str());
  std::printf("%-30s %s (2 x file + 64 MiB): heap %.2f, resident %.2f of it\n", "memory budget",
              MiB(budget).c_str(), static_cast<double>(ours.heap_peak) / budget, resident_growth / budget);
  std::remove(bare_file.c_str());
  return ours_file;
}

void BenchImport(const std::string& server, const std::string& data_dir, long long rows) {
  // The exported file of the dataset is the input of every run.
  const std::string input = BenchExport(server, data_dir, rows);
  const std::string folder = data_dir + "/";
  const std::string file = "EXCHANGE-IMPORT.FDB";
  db::DataModule data;
  if (!bench::CreateScratchDatabase(data, server, folder, file, false)) {
    Die("cannot prepare " + folder + file);
  }
  bench::BareConnection bare(server + folder + file);
  const std::vector<std::string> first_inserts = InsertTexts(input, 1);
  const std::vector<std::string> next_inserts = InsertTexts(input, rows + 1);

  // Both tables start with the rows once, so that replace has rows to delete.
  exchange::ImportResult result;
  if (!exchange::ImportTable(data, kTable, input, true, true, &result) || result.stored != rows) {
    Die("filling import failed");
  }
  BareImport(bare, first_inserts, false);

  const Measured replace = Measure([&] {
    if (!exchange::ImportTable(data, kTable, input, false, true, &result) || result.stored != rows) {
      Die("ImportTable (replace) failed");
    }
  });
  const Measured replace_base = Measure([&] { BareImport(bare, first_inserts, true); });

  // Round trip: the table now holds the file imported with replace.
  const std::string second = data_dir + "/export-roundtrip.txt";
  if (!exchange::ExportTable(data, kTable, second)) Die("second export failed");

  const Measured add = Measure([&] {
    if (!exchange::ImportTable(data, kTable, input, true, true, &result) || result.stored != rows) {
      Die("ImportTable (add) failed");
    }
  });
  const Measured add_base = Measure([&] { BareImport(bare, next_inserts, false); });
  if (data.CountRows(kTable, "") != 2 * rows) Die("the table does not hold both imports");
  data.CloseQuery();

  std::printf("\n== import of a %lld-line exported file ==\n", rows);
  std::printf("%-30s %11s %11s %8s %14s %14s\n", "", "ours", "baseline", "ratio", "ours lines/s",
              "base lines/s");
  std::printf("%-30s %9.3f s %9.3f s %7.2fx %14.0f %14.0f\n", "replace (delete + inserts)",
              replace.seconds, replace_base.seconds, replace.seconds / replace_base.seconds,
              rows / replace.seconds, rows / replace_base.seconds);
  std::printf("%-30s %9.3f s %9.3f s %7.2fx %14.0f %14.0f\n", "add (inserts)", add.seconds,
              add_base.seconds, add.seconds / add_base.seconds, rows / add.seconds,
              rows / add_base.seconds);
  std::printf("%-30s %s / %s\n", "our heap peak replace / add",
              MiB(static_cast<double>(replace.heap_peak)).c_str(),
              MiB(static_cast<double>(add.heap_peak)).c_str());

  // The second file holds the first file's rows, numbered 1 .. n in the first file's order.
  std::map<long long, std::string> numbered;
  {
    std::ifstream in(second, std::ios::binary);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      const std::size_t tab = line.find('\t');
      numbered[std::atoll(line.substr(0, tab).c_str())] = line.substr(tab);
    }
  }
  std::ifstream in(input, std::ios::binary);
  std::string line;
  std::getline(in, line);
  long long n = 0;
  long long mismatches = 0;
  while (std::getline(in, line)) {
    ++n;
    auto found = numbered.find(n);
    if (found == numbered.end() || found->second != line.substr(line.find('\t'))) ++mismatches;
  }
  const bool same = mismatches == 0 && n == rows && static_cast<long long>(numbered.size()) == rows;
  std::printf("%-30s %s (%lld lines, %lld differ)\n", "round trip", same ? "same rows, numbered 1..n in file order" : "DIFFERENT",
              n, mismatches);
  std::remove(second.c_str());
  if (!same) Die("round trip differs");
}

// ---- progress beside none ----

struct SideBySide {
  double without = 1e30, with = 1e30;  // best of the runs, seconds
  // Sums of all runs, and of the runs of each block of four (without, with, with, without or the
  // other way round): within a block a drift of the machine's speed weighs on both sides alike,
  // so the ratio of a block compares the same work; the median block stands for the whole run
  // (a burst of other work on the machine spoils one block, not the result).
  double without_sum = 0, with_sum = 0;
  int runs_each = 0;
  std::vector<double> block_without, block_with;
  // The same for this process's processor time: what the progress adds is all on this side,
  // while the wall time also holds the server's work and whatever else the machine runs.
  double without_cpu = 1e30, with_cpu = 1e30;
  long long refreshes = 0;             // the progress window's refreshes in one run
  std::string runs;                    // every run in order: "-" without, "+" with
};

double ProcessCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs `work` without and with a progress window, `repeats` times each, in the order without,
// with, with, without, ... so that a drift of the machine's speed weighs on both sides alike.
// Before each run, untimed: `prepare`, and the file system's writes of the run before settled.
SideBySide WithAndWithoutProgress(int repeats, const std::function<void()>& prepare,
                                  const std::function<void(const exchange::Progress&)>& work) {
  headless::HeadlessBackend backend;
  ui::Form main("Main");
  ui::app::Run(main);
  SideBySide result;
  auto run_without = [&] {
    prepare();
    ::sync();
    const double cpu = ProcessCpuSeconds();
    const double seconds = bench::Seconds([&] { work({}); });
    result.without_cpu = std::min(result.without_cpu, ProcessCpuSeconds() - cpu);
    result.without = std::min(result.without, seconds);
    result.without_sum += seconds;
    result.block_without.back() += seconds;
    result.runs += bench::Printed(" -%.2f", seconds);
  };
  auto run_with = [&] {
    prepare();
    ::sync();
    backend.progress.clear();
    const double cpu = ProcessCpuSeconds();
    const double seconds = bench::Seconds([&] {
      ui::ProgressWindow progress("処理中", "bench.txt");
      work([&progress](long long rows, double fraction) { return progress.Report(rows, fraction); });
    });
    result.with_cpu = std::min(result.with_cpu, ProcessCpuSeconds() - cpu);
    result.with = std::min(result.with, seconds);
    result.with_sum += seconds;
    result.block_with.back() += seconds;
    result.runs += bench::Printed(" +%.2f", seconds);
    result.refreshes = static_cast<long long>(backend.progress.size());
  };
  result.runs_each = repeats;
  for (int run = 0; run < repeats; ++run) {
    if (run % 2 == 0) {
      result.block_without.push_back(0);
      result.block_with.push_back(0);
      run_without();
      run_with();
    } else {
      run_with();
      run_without();
    }
  }
  return result;
}

// One line per measure; returns the median of the blocks' ratios.
double PrintSideBySide(const std::string& what, const SideBySide& runs) {
  const double without_mean = runs.without_sum / runs.runs_each;
  const double with_mean = runs.with_sum / runs.runs_each;
  std::vector<double> ratios;
  std::string blocks;
  for (std::size_t i = 0; i < runs.block_with.size(); ++i) {
    ratios.push_back(runs.block_with[i] / runs.block_without[i]);
    blocks += bench::Printed(" %.3f", ratios.back());
  }
  std::sort(ratios.begin(), ratios.end());
  const std::size_t middle = ratios.size() / 2;
  const double median = ratios.size() % 2 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
  std::printf("%-34s %9.3f s %9.3f s %7.3fx %10lld\n", what.c_str(), without_mean, with_mean, median,
              runs.refreshes);
  std::printf("%-34s%s (median above)\n", "  ratio of each block", blocks.c_str());
  std::printf("%-34s %9.3f s %9.3f s %7.3fx\n", "  best run", runs.without, runs.with, runs.with / runs.without);
  std::printf("%-34s %9.3f s %9.3f s %7.3fx\n", "  client processor time (best)", runs.without_cpu,
              runs.with_cpu, runs.with_cpu / runs.without_cpu);
  std::printf("%-34s%s\n", "  runs (s)", runs.runs.c_str());
  return median;
}

void BenchProgress(const std::string& server, const std::string& data_dir, long long export_rows,
                   long long import_rows, int repeats) {
  std::printf("\n== progress window beside none (%d runs each, interleaved in blocks of four) ==\n", repeats);
  std::printf("%-34s %11s %11s %8s %10s\n", "", "mean w/o", "mean with", "ratio", "refreshes");
  double export_ratio = 0, import_ratio = 0;
  if (export_rows > 0) {
    const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, export_rows);
    db::DataModule data;
    Connect(data, server, dataset.folder, dataset.file_name);
    const std::string file = data_dir + "/progress-export.txt";
    exchange::ExportTable(data, kTable, file);  // the server's cache warm for both sides
    const SideBySide export_runs = WithAndWithoutProgress(repeats, [&] { std::remove(file.c_str()); },
                                                         [&](const exchange::Progress& progress) {
      exchange::ExportResult result;
      if (!exchange::ExportTable(data, kTable, file, &result, progress) || result.rows != export_rows) {
        Die("ExportTable failed");
      }
    });
    std::remove(file.c_str());
    export_ratio = PrintSideBySide("export of " + std::to_string(export_rows) + " rows", export_runs);
  }
  if (import_rows > 0) {
    const std::string input = BenchExport(server, data_dir, import_rows);
    const std::string folder = data_dir + "/";
    const std::string file = "PROGRESS-IMPORT.FDB";
    db::DataModule data;
    if (!bench::CreateScratchDatabase(data, server, folder, file, false)) Die("cannot prepare " + folder + file);
    if (!exchange::ImportTable(data, kTable, input, true, true)) Die("filling import failed");
    // The rows the run before deleted are cleared away first (a full read collects them), so that
    // no run pays for the one before it.
    auto collect_garbage = [&] {
      data.CountRows(kTable, "");
      data.CloseQuery();
    };
    const SideBySide import_runs = WithAndWithoutProgress(repeats, collect_garbage, [&](const exchange::Progress& progress) {
      exchange::ImportResult result;
      if (!exchange::ImportTable(data, kTable, input, false, true, &result, progress) ||
          result.stored != import_rows) {
        Die("ImportTable failed");
      }
    });
    import_ratio = PrintSideBySide("import of " + std::to_string(import_rows) + " lines (replace)", import_runs);
  }
  std::printf("%-34s export %.3f, import %.3f (median block; at most 1.03 each)\n",
              "ratio with / without progress", export_ratio, import_ratio);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: lumadex_exchange_bench STATE_DIR DATA_DIR [--export-sizes a,b] [--import n]\n");
    return 2;
  }
  const std::string state_dir = argv[1];
  const std::string data_dir = argv[2];
  std::vector<long long> export_sizes{100000, 1000000};
  long long import_rows = 100000;
  long long progress_export = 1000000;
  long long progress_import = 100000;
  int repeats = 3;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--export-sizes") export_sizes = bench::ParseSizes(argv[i + 1]);
    if (option == "--import") import_rows = std::atoll(argv[i + 1]);
    if (option == "--progress-export") progress_export = std::atoll(argv[i + 1]);
    if (option == "--progress-import") progress_import = std::atoll(argv[i + 1]);
    if (option == "--repeats") repeats = std::atoi(argv[i + 1]);
  }
  const std::string server = bench::ServerAddress(state_dir);
  if (server.empty()) Die("no server in " + state_dir + " (start scripts/firebird-server first)");
  if (db::LoadClientLibrary() == nullptr) Die("the Firebird client library is missing");
  std::printf("Lumadex export and import beside bare client calls\n");
  for (long long rows : export_sizes) {
    if (rows != import_rows) std::remove(BenchExport(server, data_dir, rows).c_str());
  }
  if (import_rows > 0) BenchImport(server, data_dir, import_rows);
  if (repeats > 0 && (progress_export > 0 || progress_import > 0)) {
    BenchProgress(server, data_dir, progress_export, progress_import, repeats);
  }
  return 0;
}
