// Benchmarks of the data operations against a bare client-library baseline, side by side.
//
//   lumadex_bench STATE_DIR DATA_DIR [--sizes 10000,100000,1000000] [--inserts 300]
//
// STATE_DIR is a running private server's folder (scripts/firebird-server); DATA_DIR keeps the
// generated databases between runs. Memory is measured with a counting allocator: the peak of
// the program's own heap bytes above what was in use when the measured operation began.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_baseline.h"
#include "bench/bench_common.h"
#include "bench/bench_dataset.h"
#include "bench/heap_counter.h"
#include "db/DataModule.h"
#include "db/Statements.h"

namespace {

struct Measured {
  double seconds = 0;
  long long heap_peak = 0;  // bytes above the level at the start
};

// Best time of `repeats` runs, and the largest heap peak of them.
Measured Measure(int repeats, const std::function<void()>& work) {
  Measured best;
  best.seconds = 1e30;
  for (int i = 0; i < repeats; ++i) {
    const bench::HeapTimed run = bench::TimeWithHeap(work);
    best.seconds = std::min(best.seconds, run.seconds);
    best.heap_peak = std::max(best.heap_peak, run.heap_peak);
  }
  return best;
}

std::string Bytes(long long bytes) {
  if (bytes >= 10LL * 1024 * 1024) return bench::Printed("%.1f MiB", bytes / 1048576.0);
  if (bytes >= 10 * 1024) return bench::Printed("%.1f KiB", bytes / 1024.0);
  return bench::Printed("%.0f B", static_cast<double>(bytes));
}

void Connect(db::DataModule& data, const std::string& server, const bench::Dataset& dataset) {
  if (!bench::ConnectTo(data, server, dataset.folder, dataset.file_name)) {
    std::fprintf(stderr, "bench: cannot connect to %s%s%s\n", server.c_str(),
                 dataset.folder.c_str(), dataset.file_name.c_str());
    std::exit(2);
  }
}

void BenchSize(const std::string& server, const std::string& data_dir, long long rows) {
  const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, rows);
  const std::string path = server + dataset.folder + dataset.file_name;
  db::DataModule data;
  Connect(data, server, dataset);
  bench::BareConnection bare(path);
  const int repeats = rows >= 1000000 ? 2 : 3;

  std::printf("\n== BOOTJWW with %lld rows ==\n", rows);
  std::printf("%-34s %12s %12s %8s %12s\n", "operation", "ours", "baseline", "ratio", "heap peak");

  // Counting: every row fetched, none kept.
  int counted = 0;
  long long bare_rows = 0;
  const Measured count = Measure(repeats, [&] { counted = data.CountRows("BOOTJWW", ""); });
  const Measured count_base =
      Measure(repeats, [&] { bare_rows = bare.FetchAll("SELECT * FROM BOOTJWW", false); });
  data.CloseQuery();
  if (counted != rows || bare_rows != rows) {
    std::fprintf(stderr, "bench: counted %d / %lld rows, expected %lld\n", counted, bare_rows, rows);
    std::exit(3);
  }
  std::printf("%-34s %10.3f s %10.3f s %7.2fx %12s\n", "CountRows (fetch all)", count.seconds,
              count_base.seconds, count.seconds / count_base.seconds, Bytes(count.heap_peak).c_str());

  // Reading every row: OpenSelect keeps them, ReadNextRow gives their texts.
  long long value_bytes = 0;
  long long read_rows = 0;
  const Measured read = Measure(repeats, [&] {
    std::vector<std::string> values(10);
    value_bytes = 0;
    const int n = data.OpenSelect("*", "BOOTJWW", "", "");
    read_rows = 0;
    if (n > 0) {
      data.ReadFirstRow(values);
      for (int i = 0;; ++i) {
        // Bytes of the values the cache holds: texts as stored, INTEGERs 4 bytes each.
        for (int k = 0; k < 10; ++k) {
          value_bytes += (k == 0 || k == 9) ? (values[k].empty() ? 0 : 4)
                                            : static_cast<long long>(values[k].size());
        }
        ++read_rows;
        if (i + 1 >= n) break;
        data.ReadNextRow(values);
      }
    }
    data.CloseSelect();
  });
  const Measured read_base =
      Measure(repeats, [&] { bare.FetchAll("SELECT * FROM BOOTJWW", true); });
  data.CloseQuery();
  if (read_rows != rows) {
    std::fprintf(stderr, "bench: read %lld rows, expected %lld\n", read_rows, rows);
    std::exit(3);
  }
  std::printf("%-34s %10.3f s %10.3f s %7.2fx %12s\n", "OpenSelect + ReadNextRow (all)",
              read.seconds, read_base.seconds, read.seconds / read_base.seconds,
              Bytes(read.heap_peak).c_str());
  std::printf("%-34s %12s   heap peak / values = %.2f\n", "  values held", Bytes(value_bytes).c_str(),
              static_cast<double>(read.heap_peak) / static_cast<double>(value_bytes));

  // The highest registration number.
  std::string plain, highest, bare_max;
  const int max_repeats = rows >= 1000000 ? 3 : 10;
  data.SelectHighestNumber("BOOTJWW");  // learns the number once
  const Measured max_plain = Measure(1, [&] {
    for (int i = 0; i < max_repeats; ++i) plain = data.SelectMax("BOOTJWW", "N", "");
  });
  const Measured max_base = Measure(1, [&] {
    for (int i = 0; i < max_repeats; ++i) bare_max = bare.FetchFirstValue("SELECT MAX(N) FROM BOOTJWW");
  });
  const Measured max_fast = Measure(1, [&] {
    for (int i = 0; i < 50; ++i) highest = data.SelectHighestNumber("BOOTJWW");
  });
  // The strongest bare client for a first registration: the same bisection from nothing.
  const std::string bisection = db::JoinStatementLines(db::HighestNumberLines("BOOTJWW", 0));
  std::string bare_bisected;
  const Measured bisect_base = Measure(1, [&] {
    for (int i = 0; i < 50; ++i) bare_bisected = bare.FetchFirstValue(bisection);
  });
  data.CloseQuery();
  if (plain != highest || plain != bare_max || plain != bare_bisected || plain != std::to_string(rows)) {
    std::fprintf(stderr, "bench: maxima differ: %s %s %s\n", plain.c_str(), highest.c_str(),
                 bare_max.c_str());
    std::exit(3);
  }
  std::printf("%-34s %8.3f ms %8.3f ms %7.2fx\n", "SelectMax(N) per call",
              max_plain.seconds * 1000 / max_repeats, max_base.seconds * 1000 / max_repeats,
              max_plain.seconds / max_base.seconds);
  std::printf("%-34s %8.3f ms %8.3f ms %7.3fx (vs plain SelectMax)\n", "SelectHighestNumber per call",
              max_fast.seconds * 1000 / 50, max_plain.seconds * 1000 / max_repeats,
              (max_fast.seconds / 50) / (max_plain.seconds / max_repeats));
  std::printf("%-34s %8.3f ms %8.3f ms %7.3fx (vs the bare bisection from nothing)\n", "SelectHighestNumber per call",
              max_fast.seconds * 1000 / 50, bisect_base.seconds * 1000 / 50, max_fast.seconds / bisect_base.seconds);
}

void BenchInserts(const std::string& server, const std::string& data_dir, int count) {
  const std::string folder = data_dir + "/";
  const std::string file = "INSERTS.FDB";
  db::DataModule data;
  if (!bench::CreateScratchDatabase(data, server, folder, file, true)) {
    std::fprintf(stderr, "bench: cannot prepare %s\n", (folder + file).c_str());
    std::exit(2);
  }
  const std::vector<std::string>& names = bench::LaunchColumns();
  std::vector<std::vector<std::string>> rows;
  for (int n = 1; n <= count; ++n) rows.push_back(bench::LaunchRowLiterals(n));
  const Measured ours = Measure(1, [&] {
    for (const auto& values : rows) {
      if (!data.InsertRow("BOOTJWW", 10, names, values)) {
        std::fprintf(stderr, "bench: InsertRow failed\n");
        std::exit(3);
      }
    }
  });
  data.DisconnectDatabase();
  bench::BareConnection bare(server + folder + file);
  const Measured base = Measure(1, [&] {
    std::string sql;
    for (const auto& values : rows) {
      // The fewest round trips for one committed row: start, execute immediately, commit.
      sql = "INSERT INTO BASELINE VALUES (";
      for (std::size_t i = 0; i < values.size(); ++i) sql += (i ? "," : "") + values[i];
      sql += ")";
      bare.ExecuteCommitted(sql);
    }
  });
  std::printf("\n== committed single-row inserts (%d rows) ==\n", count);
  std::printf("%-34s %9.0f rows/s\n", "InsertRow", count / ours.seconds);
  std::printf("%-34s %9.0f rows/s\n", "baseline (start, execute, commit)", count / base.seconds);
  std::printf("%-34s %9.2fx\n", "time ratio ours / baseline", ours.seconds / base.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: lumadex_bench STATE_DIR DATA_DIR [--sizes a,b,c] [--inserts n]\n");
    return 2;
  }
  const std::string state_dir = argv[1];
  const std::string data_dir = argv[2];
  std::vector<long long> sizes{10000, 100000, 1000000};
  int inserts = 300;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--sizes") sizes = bench::ParseSizes(argv[i + 1]);
    if (option == "--inserts") inserts = std::atoi(argv[i + 1]);
  }
  const std::string server = bench::ServerAddress(state_dir);
  if (server.empty()) {
    std::fprintf(stderr, "bench: no server in %s (start scripts/firebird-server first)\n",
                 state_dir.c_str());
    return 2;
  }
  if (db::LoadClientLibrary() == nullptr) {
    std::fprintf(stderr, "bench: the Firebird client library is missing\n");
    return 2;
  }
  std::printf("Lumadex data operations beside bare client calls (best of runs; heap = our own)\n");
  for (long long rows : sizes) BenchSize(server, data_dir, rows);
  if (inserts > 0) BenchInserts(server, data_dir, inserts);
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("\nmax resident set of the whole run: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  return 0;
}
