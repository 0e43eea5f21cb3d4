// The summary window's 表示 beside a bare client running the same statement.
//
//   lumadex_summary_bench STATE_DIR DATA_DIR [--sizes 100000,1000000] [--repeats R]
//
// For every grouping, the summary of one month (2024/06) and of the whole table: TForm6's 表示
// (the table check, the statement, reading the groups and days, filling the grid and the chart)
// against the statement of db::SummaryLines run through the bare classic calls (prepare,
// execute, fetch every row as text). Times are the best of R runs. Then the same once more with
// an index on BOOT_DATE, which the benchmark creates for the measurement and drops again (the
// program never creates one; the README advises it for large tables).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/UnitV.h"
#include "bench/bench_baseline.h"
#include "bench/bench_common.h"
#include "bench/bench_dataset.h"
#include "db/DataModule.h"
#include "db/Statements.h"
#include "platform/headless/headless.h"
#include "records/Unit6.h"
#include "tests/support/fake_services.h"

namespace {

constexpr char kIndexName[] = "BENCH_SUMMARY_BOOT_DATE";

struct Period {
  const char* name;
  const char* from;
  const char* to;
};

const Period kPeriods[] = {{"month", "2024/06/01", "2024/06/30"}, {"whole", "0001/01/01", "9999/12/31"}};

// By their columns: the console of a benchmark run need not read Shift-JIS.
const char* const kGroupings[] = {"PNAME", "N_FOLDER", "FILE_NAME", "BOOT_DATE", "BOOT_MONTH"};

// Drops the benchmark's index when it is there (a stopped run may have left it behind).
void DropIndex(bench::BareConnection& bare) {
  const std::string found = bare.FetchFirstValue(
      std::string("SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = '") + kIndexName + "'");
  if (!found.empty()) bare.ExecuteCommitted(std::string("DROP INDEX ") + kIndexName);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: lumadex_summary_bench STATE_DIR DATA_DIR [--sizes N,N] [--repeats R]\n");
    return 2;
  }
  const std::string state_dir = argv[1];
  const std::string data_dir = argv[2];
  std::vector<long long> sizes = {100000, 1000000};
  int repeats = 3;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--sizes") == 0) sizes = bench::ParseSizes(argv[i + 1]);
    if (std::strcmp(argv[i], "--repeats") == 0) repeats = std::max(1, std::atoi(argv[i + 1]));
  }
  const std::string server = bench::ServerAddress(state_dir);
  if (server.empty()) {
    std::fprintf(stderr, "lumadex_summary_bench: no server runs in %s\n", state_dir.c_str());
    return 2;
  }

  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  platform::SetCurrentServices(&services);
  double worst_ratio = 0, slowest_month = 0;
  bool all_match = true;
  for (long long rows : sizes) {
    const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, rows);
    db::DataModule data;
    if (!bench::ConnectTo(data, server, dataset.folder, dataset.file_name)) {
      std::fprintf(stderr, "lumadex_summary_bench: cannot connect to %s\n", (server + dataset.folder + dataset.file_name).c_str());
      return 2;
    }
    TForm6 summary(data);
    bench::BareConnection bare(server + dataset.folder + dataset.file_name);
    DropIndex(bare);  // one a stopped run left behind
    std::printf("Summary window, %lld rows, best of %d\n", rows, repeats);
    std::printf("%-9s %-10s %-6s %10s %10s %6s %8s\n", "index", "grouping", "period", "program s", "bare s",
                "ratio", "groups");
    for (bool indexed : {false, true}) {
      if (indexed) {
        data.CloseQuery();
        const double seconds = bench::Seconds(
            [&] { bare.ExecuteCommitted(std::string("CREATE INDEX ") + kIndexName + " ON BOOTJWW (BOOT_DATE)"); });
        std::printf("CREATE INDEX on BOOT_DATE: %.2f s\n", seconds);
      }
      for (const Period& period : kPeriods) {
        for (int entry = 0; entry < 5; ++entry) {
          summary.Edit1.SetText(period.from);
          summary.Edit2.SetText(period.to);
          summary.ComboBox1.SetItemIndex(entry);
          const std::string sql = db::JoinStatementLines(
              db::SummaryLines(static_cast<db::SummaryGrouping>(entry), period.from, period.to));
          double program = 1e30, baseline = 1e30;
          long long bare_rows = 0;
          for (int r = 0; r < repeats; ++r) {
            program = std::min(program, bench::Seconds([&] { summary.Button4Click(); }));
            data.CloseQuery();  // the baseline runs without the window's reading transaction open
            baseline = std::min(baseline, bench::Seconds([&] { bare_rows = bare.FetchAll(sql, true); }));
          }
          const db::Summary& shown = summary.ShownSummary();
          // The rows the statement gives: grouped by the day, the days are the groups themselves.
          const bool days_are_groups = static_cast<db::SummaryGrouping>(entry) == db::SummaryGrouping::BOOT_DATE;
          const long long program_rows =
              static_cast<long long>(shown.groups.size() + (days_are_groups ? 0 : shown.days.size()));
          if (program_rows != bare_rows || !backend.messages.empty()) all_match = false;
          const double ratio = program / baseline;
          worst_ratio = std::max(worst_ratio, ratio);
          if (std::strcmp(period.name, "month") == 0 && !indexed) slowest_month = std::max(slowest_month, program);
          std::printf("%-9s %-10s %-6s %10.3f %10.3f %6.2f %8zu%s\n", indexed ? "BOOT_DATE" : "none",
                      kGroupings[entry], period.name, program, baseline, ratio, shown.groups.size(),
                      program_rows == bare_rows ? "" : "  (rows differ from the bare client)");
          std::fflush(stdout);
        }
      }
    }
    data.CloseQuery();
    DropIndex(bare);
  }
  std::printf("worst ratio %.2f (target 1.20); slowest month without an index %.3f s (target 1.000 at "
              "1 000 000 rows); %s\n",
              worst_ratio, slowest_month, all_match ? "every summary matched the bare client" : "SUMMARIES DIFFER");
  platform::SetCurrentServices(nullptr);
  return all_match ? 0 : 1;
}
