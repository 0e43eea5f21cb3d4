// Benchmarks of the launch monitor.
//
//   lumadex_monitor_bench STATE_DIR DATA_DIR [--sizes 10000,1000000]
//
// 1. One polling tick over 200 top-level windows of which 30 are Jw_cad drawings (fake
//    services, no database): the scan, the list reconciliation and nothing new to register.
// 2. One launch registration (highest number answered through the index, committed insert)
//    into BOOTJWW of each size, beside the bare rule: the highest number by the same bisection
//    on the index (one statement) then one committed insert
//    through the classic calls, and beside the same registration with the launch journal in
//    use. The rows added are deleted again, so the data sets stay as generated.
// 3. The catch-up after an outage: 10 000 launches stored from a journal (one tick taking the
//    journal and storing what it lists) beside the same 10 000 launches stored straight from
//    ticks, and catch-ups of 1 000 and 4 000 journal launches, which should take time in
//    proportion. The journal's own appends are timed apart, without the server, and the same
//    comparison is made again in short rounds taking turns (with a journal in memory beside).
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
#include "db/Statements.h"
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
    std::fprintf(stderr, "bench: cannot connect to %s\n", (server + dataset.folder + dataset.file_name).c_str());
    std::exit(2);
  }
  monitor::LaunchRegistrar registrar(data);
  db::Launch launch;
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
  // The first registration of a run learns the highest number by the bisection from nothing.
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
  const std::vector<std::string> values = db::LaunchLiterals(0, launch);
  double bare_max_total = 0;
  const std::string bisection = db::JoinStatementLines(db::HighestNumberLines("BOOTJWW", 0));
  const double baseline = Seconds([&] {
    for (int i = 0; i < count; ++i) {
      std::string highest;
      bare_max_total += Seconds([&] { highest = bare.FetchFirstValue(bisection); });
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
  std::printf("%-44s %9.2f ms  (of which the highest %.2f ms)\n", "bare bisection + committed insert",
              baseline / count * 1000, bare_max_total / count * 1000);
  std::printf("%-44s %9.3fx\n", "ratio ours / bare", (ours / count) / (baseline / count));
  std::printf("%-44s %9.3fx  (at most 1.1)\n", "ratio with journal / without", with_journal / ours);
}


monitor::PendingLaunch CatchUpLaunch(int k) {
  monitor::PendingLaunch launch;
  launch.facts.pc_user_name = "設計部07";
  launch.facts.local_folder = "Z:\\案件2026\\別館\\立面図\\";
  launch.facts.network_folder = "\\\\fs01\\図面\\案件2026\\別館\\立面図\\";
  launch.facts.file_name = "立面図-" + std::to_string(k) + ".jww";
  launch.facts.boot_date = "2026/12/07";
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", 7 + k / 3600 % 12, k / 60 % 60, k % 60);
  launch.facts.boot_time = stamp;
  launch.facts.file_date = "2026/12/04";
  launch.facts.file_time = "18:30:00";
  launch.facts.file_size = std::to_string(40000 + k);
  return launch;
}

// A folder of its own for one journal, removed with what is left in it.
class JournalFolder {
 public:
  explicit JournalFolder(const std::string& under = "/tmp") {
    std::string pattern = under + "/lumadex-bench-catchup-XXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back('\0');
    if (mkdtemp(folder.data()) == nullptr) {
      std::fprintf(stderr, "bench: no folder for the journal\n");
      std::exit(2);
    }
    folder_ = folder.data();
  }
  ~JournalFolder() {
    for (const char* ending : {".jnl", ".jnl.lck", ".rej"}) std::remove((Base() + ending).c_str());
    rmdir(folder_.c_str());
  }
  std::string Base() const { return folder_ + "/Lumadex"; }

 private:
  std::string folder_;
};

void Fail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(3);
}

// The rows a run added are deleted, and cleared away at once (a full read collects them), so
// that no run pays for the garbage of the one before it.
void RemoveAdded(db::DataModule& data, long long rows) {
  if (!data.DeleteRows("BOOTJWW", "N > " + std::to_string(rows))) Fail("the rows added could not be removed");
  if (data.CountRows("BOOTJWW", "") != rows) Fail("the rows added are still there");
  data.CloseQuery();
}

// Seconds of one catch-up of `count` journal launches: the journal written beforehand (not
// timed), then the tick that takes it, stores every launch and removes it.
// `under`: the file system the journal is on.
// `batch`: launches a batch (1: the journal's launches registered one at a time).
double CatchUpSeconds(db::DataModule& data, long long rows, int count, const std::string& under = "/tmp",
                      std::size_t batch = monitor::LaunchRegistrar::kDefaultBatchSize) {
  JournalFolder folder(under);
  monitor::LaunchJournal journal(folder.Base() + ".jnl", folder.Base() + ".rej");
  std::vector<monitor::PendingLaunch> launches;
  for (int k = 0; k < count; ++k) launches.push_back(CatchUpLaunch(k));
  if (!journal.Lock(0) || !journal.Write(launches)) Fail("the journal could not be written");
  journal.Unlock();
  monitor::LaunchRegistrar registrar(data);
  registrar.UseJournal(&journal);
  registrar.SetBatchSize(batch);
  const double seconds = Seconds([&] {
    registrar.BeginTick();
    registrar.StorePending();
    registrar.EndTick();
  });
  if (registrar.StoredCount() != count || !registrar.Pending().empty()) {
    Fail("the catch-up stored " + std::to_string(registrar.StoredCount()) + " of " + std::to_string(count) +
         " launches");
  }
  if (journal.Exists()) Fail("the journal is still there after its catch-up");
  if (data.CountRows("BOOTJWW", "N > " + std::to_string(rows)) != count) Fail("the catch-up's rows are not all there");
  RemoveAdded(data, rows);
  return seconds;
}

// Seconds of storing `count` launches straight from ticks, one launch a tick, no journal.
double StraightSeconds(db::DataModule& data, long long rows, int count) {
  monitor::LaunchRegistrar registrar(data);
  const double seconds = Seconds([&] {
    for (int k = 0; k < count; ++k) {
      registrar.BeginTick();
      registrar.Register(CatchUpLaunch(k));
      registrar.EndTick();
    }
  });
  if (registrar.StoredCount() != count || !registrar.Pending().empty()) Fail("a registration was not stored");
  if (data.CountRows("BOOTJWW", "N > " + std::to_string(rows)) != count) Fail("the registrations' rows are not all there");
  RemoveAdded(data, rows);
  return seconds;
}

// What the catch-up's journal lines cost on their own: per launch an insert announced and a
// stored line, each appended and handed to the system, as a catch-up writes them.
double JournalAppendSeconds(int count) {
  JournalFolder folder;
  monitor::LaunchJournal journal(folder.Base() + ".jnl", folder.Base() + ".rej");
  std::vector<monitor::PendingLaunch> launches;
  for (int k = 0; k < count; ++k) launches.push_back(CatchUpLaunch(k));
  if (!journal.Lock(0) || !journal.Write(launches)) Fail("the journal could not be written");
  const double seconds = Seconds([&] {
    for (int k = 0; k < count; ++k) {
      if (!journal.AppendAttempt(k, 10001 + k, 5000 + k) || !journal.AppendStored(k)) Fail("a journal append failed");
    }
  });
  journal.Unlock();
  return seconds;
}

// A journal of 8 000 lines that cannot be read (and a few launches) taken at start: every line
// goes to the rejected file in one rewrite. No server is needed for it.
void BenchUnreadableLines() {
  constexpr int kLines = 8000;
  JournalFolder folder;
  std::string content;
  {
    monitor::LaunchJournal journal(folder.Base() + ".jnl", folder.Base() + ".rej");
    std::vector<monitor::PendingLaunch> launches;
    for (int k = 0; k < 10; ++k) launches.push_back(CatchUpLaunch(k));
    if (!journal.Lock(0) || !journal.Write(launches)) Fail("the journal could not be written");
  }
  {
    std::FILE* file = std::fopen((folder.Base() + ".jnl").c_str(), "ab");
    if (file == nullptr) Fail("the journal could not be appended to");
    for (int k = 0; k < kLines; ++k) std::fprintf(file, "壊れた行 %d\t\r\n", k);
    std::fclose(file);
  }
  db::DataModule data;  // never connected: the launches only wait
  monitor::LaunchJournal journal(folder.Base() + ".jnl", folder.Base() + ".rej");
  monitor::LaunchRegistrar registrar(data);
  registrar.UseJournal(&journal);
  const double seconds = Seconds([&] {
    registrar.BeginTick();
    registrar.MarkUnreachable();
    registrar.StorePending();
    registrar.EndTick();
  });
  if (registrar.TakeNotices().unreadable_lines != kLines || registrar.Pending().size() != 10) {
    Fail("the unreadable lines were not all set aside");
  }
  std::printf("\n== %d unreadable journal lines set aside at start ==\n", kLines);
  std::printf("%-44s %9.3f s  (under 1 s)\n", "take the journal, lines to the rejected file", seconds);
}

void BenchCatchUp(const std::string& server, const std::string& data_dir) {
  constexpr long long kRows = 10000;
  constexpr int kLaunches = 10000;
  const bench::Dataset dataset = bench::EnsureDataset(server, data_dir, kRows);
  db::DataModule data;
  if (!bench::ConnectTo(data, server, dataset.folder, dataset.file_name)) {
    std::fprintf(stderr, "bench: cannot connect to %s\n", (server + dataset.folder + dataset.file_name).c_str());
    std::exit(2);
  }
  StraightSeconds(data, kRows, 50);  // the connection and the server's caches warmed up
  // Turns alternate, so that a slower moment of the machine weighs on both alike.
  constexpr int kTurns = 2;
  double straight = 0, journalled = 0;
  std::vector<double> straight_turns(kTurns), journal_turns(kTurns);
  for (int turn = 0; turn < kTurns; ++turn) {
    if (turn % 2 == 0) {
      straight_turns[turn] = StraightSeconds(data, kRows, kLaunches);
      journal_turns[turn] = CatchUpSeconds(data, kRows, kLaunches);
    } else {
      journal_turns[turn] = CatchUpSeconds(data, kRows, kLaunches);
      straight_turns[turn] = StraightSeconds(data, kRows, kLaunches);
    }
    straight += straight_turns[turn];
    journalled += journal_turns[turn];
  }
  // Each commit waits for the server's write to the disk, which other work on the machine can
  // slow down tenfold for minutes: the same comparison in short rounds taking turns, beside the
  // catch-up with its journal in memory (tmpfs), which tells what the journal's file system adds.
  constexpr int kRounds = 5;
  constexpr int kRoundLaunches = 1000;
  const bool memory = access("/dev/shm", W_OK) == 0;
  double round_straight = 0, round_journal = 0, round_memory = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (int step = 0; step < 3; ++step) {
      switch ((round + step) % 3) {
        case 0: round_straight += StraightSeconds(data, kRows, kRoundLaunches); break;
        case 1: round_journal += CatchUpSeconds(data, kRows, kRoundLaunches); break;
        default:
          if (memory) round_memory += CatchUpSeconds(data, kRows, kRoundLaunches, "/dev/shm");
          break;
      }
    }
  }
  straight /= kTurns;
  journalled /= kTurns;
  // The same backlog registered one launch at a time from the journal, each with its own flush
  // and transaction, against the batches.
  const double single = CatchUpSeconds(data, kRows, kLaunches, "/tmp", 1);
  const double small = CatchUpSeconds(data, kRows, 1000);
  const double large = CatchUpSeconds(data, kRows, 4000);
  const double appends = JournalAppendSeconds(kLaunches);

  std::printf("\n== catch-up: %d launches into BOOTJWW with %lld rows (mean of %d turns; rounds: %d x %d) ==\n",
              kLaunches, kRows, kTurns, kRounds, kRoundLaunches);
  std::printf("%-44s %9.2f s  (turns", "straight from ticks (Register)", straight);
  for (double seconds : straight_turns) std::printf(" %.2f", seconds);
  std::printf(")\n%-44s %9.2f s  (turns", "from the journal (one catch-up tick)", journalled);
  for (double seconds : journal_turns) std::printf(" %.2f", seconds);
  std::printf(")\n");
  std::printf("%-44s %9.3fx  (%.2f s / %.2f s)\n", "ratio in rounds: journal / straight", round_journal / round_straight,
              round_journal, round_straight);
  if (memory) {
    std::printf("%-44s %9.3fx  (%.2f s)\n", "ratio in rounds: journal in memory / straight",
                round_memory / round_straight, round_memory);
  }
  std::printf("%-44s %9.2f s  (%.1f us a launch)\n", "of which journal appends alone (no server)", appends,
              appends / kLaunches * 1e6);
  std::printf("%-44s %9.3fx  (at most 1.1)\n", "ratio journal / straight", journalled / straight);
  std::printf("%-44s %9.2f s\n", "from the journal one at a time (batch of 1)", single);
  std::printf("%-44s %9.2fx  (at least 5)\n", "speed-up of the batches over single", single / journalled);
  std::printf("%-44s %9.2fx  (at least 5)\n", "speed-up of the batches over straight", straight / journalled);
  std::printf("%-44s %9.2f s\n", "catch-up of 1000 journal launches", small);
  std::printf("%-44s %9.2f s  (%.2fx the 1000; linear: 4x)\n", "catch-up of 4000 journal launches", large,
              large / small);
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
  BenchUnreadableLines();

  const std::string server = bench::ServerAddress(argv[1]);
  if (server.empty()) {
    std::fprintf(stderr, "bench: no server in %s\n", argv[1]);
    return 2;
  }
  for (long long rows : sizes) BenchRegistration(server, argv[2], rows, rows >= 1000000 ? 10 : 30);
  BenchCatchUp(server, argv[2]);
  return 0;
}
