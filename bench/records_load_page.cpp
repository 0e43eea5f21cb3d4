// The record list's page load beside a bare baseline, on the 1 000 000-row dataset.
//
//   records_load_page STATE_DIR DATA_DIR [--rows N] [--repeats R]
//
// For the pages starting at rows 1, N/2 + 1 and N - 99 (of N), sort entries 0, 8 and 10, without a
// filter, with one that every row matches and with one that matches about one row in 500:
// TForm5::LoadPage against the strongest bare client for the same rows. In number order the page
// is reached as 次頁 reaches it (the page before it shown first) and the bare client reads it by
// key (N above the last shown, ROWS 100); in the other orders the bare client reads it by
// position (ROWS m TO n). With a filter the bare client runs the narrowed statement to its end,
// which gives it the count and every page at once; the list's first filtered page is measured
// with its count (最初), the later ones with the count kept. Times are the best of R runs; memory is the
// peak of the program's own heap bytes during one page load above the level before it (a
// counting allocator). A filtered page is also loaded as the server's byte-wise LIKE alone picks
// it, without the check by character ("bytes s"): the cost of that check is the difference.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "app/UnitV.h"
#include "bench/bench_baseline.h"
#include "bench/bench_common.h"
#include "bench/bench_dataset.h"
#include "bench/heap_counter.h"
#include "db/DataModule.h"
#include "db/Statements.h"
#include "platform/headless/headless.h"
#include "records/Unit5.h"

namespace {

struct Measured {
  double seconds = 1e30;
  double cpu_seconds = 1e30;  // this process only: the client side of the work
  long long heap_peak = 0;
};

double ProcessCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

Measured Measure(const std::function<void()>& work) {
  Measured result;
  const double cpu_start = ProcessCpuSeconds();
  const bench::HeapTimed run = bench::TimeWithHeap(work);
  result.cpu_seconds = ProcessCpuSeconds() - cpu_start;
  result.seconds = run.seconds;
  result.heap_peak = run.heap_peak;
  return result;
}

void KeepBest(Measured& best, const Measured& one) {
  best.seconds = std::min(best.seconds, one.seconds);
  best.cpu_seconds = std::min(best.cpu_seconds, one.cpu_seconds);
  best.heap_peak = std::max(best.heap_peak, one.heap_peak);
}

// The bare client's statement for the page at `start`: by key or position, or the narrowed
// statement whole.
std::string BareStatement(const TForm5& list, long long start, long long last_before) {
  bool descending = false;
  if (!list.FilterClause.empty()) {
    return db::JoinStatementLines(db::PageStatementLines(list.FilterClause, db::TotalPageOrder(list.OrderClause)));
  }
  if (db::IsNumberOrder(list.OrderClause, descending) && last_before > 0) {
    return db::JoinStatementLines(db::PageByKeyLines("", last_before, !descending, list.PageSize, descending));
  }
  return db::JoinStatementLines(db::PageRowsLines("", list.OrderClause, start, list.PageSize));
}

// The bare baseline: one transaction, the statement prepared and executed, `rows` rows fetched
// into one XSQLDA row buffer and discarded. Returns the first column of the last row fetched
// (the registration number, to check both sides saw the same page).
std::string BareFetch(bench::BareConnection& connection, const std::string& sql, long long rows) {
  bench::BareCursor cursor(connection, sql);
  std::string last;
  for (long long fetched = 0; fetched < rows && cursor.Fetch(); ++fetched) {
    if (fetched + 1 == rows) {
      ISC_LONG n;
      std::memcpy(&n, cursor.Row().sqlvar[0].sqldata, sizeof n);
      last = std::to_string(n);
    }
  }
  return last;
}

std::string Megabytes(long long bytes) { return bench::Printed("%.2f MB", bytes / (1024.0 * 1024.0)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: records_load_page STATE_DIR DATA_DIR [--rows N] [--repeats R]\n");
    return 2;
  }
  const std::string state_dir = argv[1];
  const std::string data_dir = argv[2];
  long long rows = 1000000;
  int repeats = 3;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::atoll(argv[i + 1]);
    if (std::strcmp(argv[i], "--repeats") == 0) repeats = std::max(1, std::atoi(argv[i + 1]));
  }

  const std::string server = bench::ServerAddress(state_dir);
  if (server.empty()) {
    std::fprintf(stderr, "records_load_page: no server runs in %s\n", state_dir.c_str());
    return 2;
  }
  const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, rows);

  headless::HeadlessBackend backend;
  db::DataModule data;
  if (!bench::ConnectTo(data, server, dataset.folder, dataset.file_name)) {
    std::fprintf(stderr, "records_load_page: cannot connect to %s\n", (server + dataset.folder + dataset.file_name).c_str());
    return 2;
  }
  TForm5 list(data);
  bench::BareConnection bare(server + dataset.folder + dataset.file_name);

  struct Sort {
    int entry;
    std::string order;
  };
  const Sort sorts[] = {{0, db::PageOrder(db::LaunchColumn::N, false)},
                        {8, db::PageOrder(db::LaunchColumn::FILE_NAME, false)},
                        {10, db::PageOrder(db::LaunchColumn::BOOT_DATE, false)}};
  // Filter entry 2 (フォルダ名) with the text 案件: every generated folder holds it, so every
  // page is full, the server evaluates the pattern on every row and the list checks every row
  // it walks by character.
  struct Filter {
    const char* name;
    std::optional<db::LaunchColumn> column;
    std::string text;
  };
  // 案件 is in every generated folder: every page is full, the server evaluates the pattern on every
  // row and the list checks every row by character. "-1F-12" is in about one file name in 500.
  const Filter filters[] = {{"none", std::nullopt, ""},
                            {"all", db::LaunchColumn::L_FOLDER, "案件"},
                            {"1/500", db::LaunchColumn::FILE_NAME, "-1F-12"}};
  const long long starts[] = {1, rows / 2 + 1, rows - 99};

  std::printf("LoadPage of the record list, %lld rows, best of %d\n", rows, repeats);
  std::printf("%-8s %-20s %-6s %11s %11s %6s %10s %10s %11s %5s %9s %9s %6s\n", "start", "order",
              "filter", "LoadPage s", "baseline s", "ratio", "cpu page", "cpu base", "heap peak",
              "rows", "bytes s", "cpu bytes", "check");
  double worst_check = 0;
  double worst_ratio = 0;
  long long smallest_peak = -1, largest_peak = 0;
  bool all_match = true;
  for (const Sort& sort : sorts) {
    for (const Filter& filter : filters) {
      const bool filtered = filter.column.has_value();
      for (long long start : starts) {
        list.OrderClause = sort.order;
        list.SetFilter(filter.column, filter.text);
        // In number order the page before is shown first: the page is then the one 次頁 reads.
        bool descending = false;
        const bool by_key = !filtered && start > list.PageSize && db::IsNumberOrder(sort.order, descending);
        auto show_page_before = [&] {
          list.StartRow = static_cast<int32_t>(start - list.PageSize);
          list.LoadPage();
          list.StartRow = list.NextStartRow;
        };
        list.StartRow = static_cast<int32_t>(start);
        list.ClearGrid();
        list.LoadPage();  // the count, kept for the page loads measured below
        long long last_before = 0;
        if (by_key) {
          show_page_before();
          last_before = std::atoll(list.StringGrid1.Cell(0, list.PageSize).c_str());
        }
        const std::string sql = BareStatement(list, start, last_before);
        const long long bare_rows = filtered ? (1LL << 40) : list.PageSize;
        Measured page, baseline, bytes;
        std::string page_last, bare_last;
        for (int r = 0; r < repeats; ++r) {
          if (by_key) show_page_before();
          list.StartRow = static_cast<int32_t>(start);
          list.ClearGrid();
          // A filter's first page is measured with its count (最初), the others with the count kept.
          KeepBest(page, Measure([&] {
            if (filtered && start == 1) {
              list.Button1Click();
            } else {
              list.LoadPage();
            }
          }));
          int shown = list.NextStartRow - list.StartRow;
          page_last = shown > 0 ? list.StringGrid1.Cell(0, shown) : "";
          data.CloseQuery();  // the baseline runs without the list's reading transaction open
          KeepBest(baseline, Measure([&] { bare_last = BareFetch(bare, sql, bare_rows); }));
          if (filtered) {
            // The same statement with every row it returns shown: no column to check.
            const std::string clause = list.FilterClause;
            list.SetFilter(std::nullopt, "");
            list.FilterClause = clause;
            list.ClearGrid();
            KeepBest(bytes, Measure([&] { list.LoadPage(); }));
            list.SetFilter(filter.column, filter.text);
            data.CloseQuery();
          }
        }
        if (filtered) bare_last = page_last;  // the narrowed statement's last row is not the page's
        const int shown = list.NextStartRow - list.StartRow;
        const double ratio = page.seconds / baseline.seconds;
        worst_ratio = std::max(worst_ratio, ratio);
        smallest_peak = smallest_peak < 0 ? page.heap_peak : std::min(smallest_peak, page.heap_peak);
        largest_peak = std::max(largest_peak, page.heap_peak);
        if (page_last != bare_last) all_match = false;
        char by_bytes[64];
        std::snprintf(by_bytes, sizeof by_bytes, "%9s %9s %6s", "-", "-", "-");
        if (filtered) {
          worst_check = std::max(worst_check, page.seconds / bytes.seconds);
          std::snprintf(by_bytes, sizeof by_bytes, "%9.3f %9.3f %6.2f", bytes.seconds, bytes.cpu_seconds,
                        page.seconds / bytes.seconds);
        }
        std::printf("%-8lld %-20s %-6s %11.3f %11.3f %6.2f %10.3f %10.3f %11s %5d %s%s\n", start,
                    sort.order.c_str(), filter.name, page.seconds, baseline.seconds, ratio,
                    page.cpu_seconds, baseline.cpu_seconds, Megabytes(page.heap_peak).c_str(), shown,
                    by_bytes, page_last == bare_last ? "" : "  (rows differ from the baseline)");
        std::fflush(stdout);
      }
    }
  }
  std::printf("filtered page load beside the byte-wise one: at worst %.2f times its time\n", worst_check);
  std::printf("worst ratio %.2f (target 1.20); heap peak per page load %s to %s; %s\n", worst_ratio,
              Megabytes(smallest_peak).c_str(), Megabytes(largest_peak).c_str(),
              all_match ? "every page ended on the same row as the baseline" : "ROWS DIFFER");
  return all_match ? 0 : 1;
}
