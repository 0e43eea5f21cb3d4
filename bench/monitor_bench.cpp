// Benchmarks of the launch monitor.
//
//   lumadex_monitor_bench STATE_DIR DATA_DIR [--sizes 10000,1000000]
//
// 1. One polling tick over 200 top-level windows of which 30 are Jw_cad drawings (fake
//    services, no database): the scan, the list reconciliation and nothing new to register.
// 2. One launch registration (highest number answered through the index, committed insert)
//    into BOOTJWW of each size, beside the bare rule: SELECT MAX(N) then one committed insert
//    through the classic calls, and beside the same registration with the launch journal in
//    use. The rows added are deleted again, so the data sets stay as generated.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/UnitV.h"
#include "bench/bench_baseline.h"
#include "bench/bench_common.h"
#include "bench/bench_dataset.h"
#include "db/DataModule.h"
#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_services.h"

namespace {

using bench::Seconds;

void BenchTick() {
  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  services.registry_value.status = platform::RegistryValue::Status::Text;
  services.registry_value.text = "C:\\jww\\案件2026\\本館";
  for (int i = 0; i < 200; ++i) {
    if (i % 20 < 3) {  // 30 drawings spread over the Z-order
      services.AddWindow("平面図-" + std::to_string(i) + ".jww - jw_win");
    } else if (i % 7 == 0) {
      services.AddWindow("IME", false);  // hidden helper windows
    } else {
      services.AddWindow("エクスプローラー - ドキュメント " + std::to_string(i), true, i % 3 == 0);
    }
  }
  db::DataModule data;  // never connected: the registrations of the first tick stay pending
  TForm3 form(data, services);
  form.Show();
  form.Button2.Click();
  form.Edit1.SetText("1");
  form.Button1.Click();
  form.Timer1.Fire();  // learns the 30 drawings
  if (form.ListBox1.Count() != 30) {
    std::fprintf(stderr, "bench: %d drawings listed, expected 30\n", form.ListBox1.Count());
    std::exit(3);
  }
  const int ticks = 3000;
  double best = 1e30;
  for (int round = 0; round < 3; ++round) {
    best = std::min(best, Seconds([&] {
      for (int i = 0; i < ticks; ++i) form.Timer1.Fire();
    }));
  }
  std::printf("== one tick: 200 windows, 30 drawings, nothing new (fake services) ==\n");
  std::printf("%-44s %9.1f us\n", "Timer1Timer per tick (best of 3 x 3000)", best / ticks * 1e6);
}

void BenchRegistration(const std::string& server, const std::string& data_dir, long long rows,
                       int count) {
  const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, rows);
  db::DataModule data;
  if (!bench::ConnectTo(data, server, dataset.folder, dataset.file_name)) {
    std::fprintf(stderr, "bench: cannot connect to %s\n", DatabasePath().c_str());
    std::exit(2);
  }
  monitor::LaunchRegistrar registrar(data);
  monitor::LaunchFacts launch;
  launch.pc_user_name = "設計部01";
  launch.local_folder = "Z:\\案件2026\\本館\\平面図\\";
  launch.network_folder = "\\\\fs01\\図面\\案件2026\\本館\\平面図\\";
  launch.boot_date = "2026/12/07";
  launch.boot_time = "10:15:33";
  launch.file_date = "2026/12/01";
  launch.file_time = "09:00:02";
  launch.file_size = "123456";

  // The same registrations by a registrar that keeps waiting launches in a journal file: with the
  // server up the journal is never written, so the two should cost the same.
  char journal_folder[] = "/tmp/lumadex-bench-journal-XXXXXX";
  if (mkdtemp(journal_folder) == nullptr) {
    std::fprintf(stderr, "bench: no folder for the journal\n");
    std::exit(2);
  }
  const std::string journal_base = std::string(journal_folder) + "/Lumadex";
  monitor::LaunchJournal journal(journal_base + ".jnl", journal_base + ".rej");
  monitor::LaunchRegistrar journalled(data);
  journalled.UseJournal(&journal);

  int next = 0;
  auto register_one = [&](monitor::LaunchRegistrar& with) {
    launch.file_name = "平面図-1F-" + std::to_string(next++) + ".jww";
    with.BeginTick();
    with.Register(launch);
    with.EndTick();
    if (!with.Pending().empty()) {
      std::fprintf(stderr, "bench: a registration was not stored\n");
      std::exit(3);
    }
  };
  // The first registration of a run learns the highest number with a plain MAX.
  const double first = Seconds([&] { register_one(registrar); });
  // Turns alternate, so that a slower moment of the machine weighs on both alike.
  constexpr int kTurns = 5;
  double ours = 0, with_journal = 0;
  for (int turn = 0; turn < kTurns; ++turn) {
    ours += Seconds([&] {
      for (int i = 0; i < count; ++i) register_one(registrar);
    });
    with_journal += Seconds([&] {
      for (int i = 0; i < count; ++i) register_one(journalled);
    });
  }
  ours /= kTurns;
  with_journal /= kTurns;
  const bool journal_left = journal.Exists();
  std::remove((journal_base + ".jnl.lck").c_str());
  rmdir(journal_folder);
  if (journal_left) {
    std::fprintf(stderr, "bench: the journal was written with the server up\n");
    std::exit(3);
  }

  bench::BareConnection bare(server + dataset.folder + dataset.file_name);
  const std::vector<std::string> values = monitor::LaunchValues(0, launch);
  double bare_max_total = 0;
  const double baseline = Seconds([&] {
    for (int i = 0; i < count; ++i) {
      std::string highest;
      bare_max_total += Seconds([&] { highest = bare.FetchFirstValue("SELECT MAX(N) FROM BOOTJWW"); });
      std::string sql = "INSERT INTO BOOTJWW VALUES (" + std::to_string(std::atoll(highest.c_str()) + 1);
      for (std::size_t k = 1; k < values.size(); ++k) sql += "," + values[k];
      sql += ")";
      bare.ExecuteCommitted(sql);
    }
  });

  if (!data.DeleteRows("BOOTJWW", "N > " + std::to_string(rows))) {
    std::fprintf(stderr, "bench: could not remove the rows added to %s\n", dataset.file_name.c_str());
    std::exit(3);
  }
  std::printf("\n== one registration into BOOTJWW with %lld rows (%d each) ==\n", rows, count);
  std::printf("%-44s %9.2f ms\n", "RegisterLaunch, first of the run", first * 1000);
  std::printf("%-44s %9.2f ms\n", "RegisterLaunch, each after", ours / count * 1000);
  std::printf("%-44s %9.2f ms\n", "RegisterLaunch with the journal in use", with_journal / count * 1000);
  std::printf("%-44s %9.2f ms  (of which MAX %.2f ms)\n", "bare SELECT MAX(N) + committed insert",
              baseline / count * 1000, bare_max_total / count * 1000);
  std::printf("%-44s %9.3fx\n", "ratio ours / bare", (ours / count) / (baseline / count));
  std::printf("%-44s %9.3fx  (at most 1.1)\n", "ratio with journal / without", with_journal / ours);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: lumadex_monitor_bench STATE_DIR DATA_DIR [--sizes a,b]\n");
    return 2;
  }
  std::vector<long long> sizes{10000, 1000000};
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--sizes") sizes = bench::ParseSizes(argv[i + 1]);
  }
  BenchTick();

  const std::string server = bench::ServerAddress(argv[1]);
  if (server.empty()) {
    std::fprintf(stderr, "bench: no server in %s\n", argv[1]);
    return 2;
  }
  for (long long rows : sizes) BenchRegistration(server, argv[2], rows, rows >= 1000000 ? 10 : 30);
  return 0;
}
