// Power cuts during a catch-up and the ticks after it: a copy of the program in a child process
// stores a journal's backlog and registers a launch a tick; at a random moment it is killed and
// what its files held beyond what was forced to the disk is cut back to a random part of it, as
// a power cut leaves a file. A start afterwards stores what waits: no launch is stored twice, and
// none of the journal's launches is lost.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRegistrar.h"
#include "platform/files.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"

extern char** environ;

using namespace monitor;
using namespace monitor_test;

namespace {

const char kChildFolder[] = "LUMADEX_POWER_CUT_FOLDER";
const char kChildDatabase[] = "LUMADEX_POWER_CUT_DATABASE";
const char kChildRun[] = "LUMADEX_POWER_CUT_RUN";
const char kChildBatch[] = "LUMADEX_POWER_CUT_BATCH";
// Odd runs catch up a short backlog and are cut in the ticks after it.
int Backlog(int run) { return run % 2 == 0 ? 1500 : 60; }

PendingLaunch Launch(const std::string& file_name) { return JournalLaunch(file_name, "停電"); }

// Keeps, for the parent, how far each file written is on the disk: one "size<tab>path" line a
// file, the whole list written anew by plain system calls at each change, so that it survives
// the kill that ends the child.
class DiskRecord : public platform::DiskWatch {
 public:
  explicit DiskRecord(std::string path) : path_(std::move(path)) {}
  void Opened(const std::string& path, long long size) override {
    // A file opened to append keeps what it had on the disk; one emptied has nothing there.
    if (size == 0 || on_disk_.count(path) == 0) on_disk_[path] = size;
    Save();
  }
  void OnDisk(const std::string& path, long long size) override {
    on_disk_[path] = size;
    Save();
  }
  void Renamed(const std::string& from, const std::string& to) override {
    on_disk_[to] = on_disk_.count(from) ? on_disk_[from] : 0;
    on_disk_.erase(from);
    Save();
  }
  void Removed(const std::string& path) override {
    on_disk_.erase(path);
    Save();
  }

 private:
  void Save() {
    std::string text;
    for (const auto& [path, size] : on_disk_) text += std::to_string(size) + "\t" + path + "\n";
    const std::string temporary = path_ + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (written) std::rename(temporary.c_str(), path_.c_str());
  }
  std::string path_;
  std::map<std::string, long long> on_disk_;
};

// What the power cut leaves of each file the child wrote: what was on the disk, and a random
// part of what was only handed to the system.
int CutPower(const std::string& record_path, std::mt19937& random) {
  std::istringstream lines(ReadFileBytes(record_path));
  std::string line;
  int cut = 0;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const long long on_disk = std::atoll(line.substr(0, tab).c_str());
    const std::string path = line.substr(tab + 1);
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || info.st_size <= on_disk) continue;
    const long long kept = on_disk + std::uniform_int_distribution<long long>(0, info.st_size - on_disk)(random);
    if (kept < info.st_size && ::truncate(path.c_str(), kept) == 0) ++cut;
  }
  return cut;
}

// The child: the catch-up of the journal, then a tick a launch, until it is killed.
TEST(PowerCutChild, StoresUntilKilled) {
  const char* folder = std::getenv(kChildFolder);
  if (folder == nullptr) GTEST_SKIP() << "run by PowerCut.NoLaunchTwiceNoJournalLaunchLost in a child process";
  const std::string dir = folder;
  DiskRecord record(dir + "disk.txt");
  platform::WatchDisk(&record);
  db::DataModule data;
  ASSERT_TRUE(data.AttachLaunchTable({std::getenv(kChildDatabase)}));
  LaunchJournal journal(dir + "Lumadex.jnl", dir + "Lumadex.rej");
  LaunchRegistrar registrar(data);
  registrar.UseJournal(&journal);
  registrar.SetBatchSize(static_cast<std::size_t>(std::atoi(std::getenv(kChildBatch))));
  ::close(::open((dir + "attached").c_str(), O_WRONLY | O_CREAT, 0644));
  for (int tick = 0; tick < 100000; ++tick) {
    registrar.BeginTick(200);
    registrar.StorePending();
    registrar.Register(Launch(std::string("t") + std::getenv(kChildRun) + "-" + std::to_string(tick) + ".jww").facts);
    registrar.EndTick(200);
  }
}

TEST(PowerCut, NoLaunchTwiceNoJournalLaunchLost) {
  testsupport::TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  std::mt19937 random(20261208);
  const int runs = 30;
  int files_cut = 0, in_catch_up = 0, journal_launches = 0, doubled = 0, lost = 0, tick_launches = 0, rows_total = 0;
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    // Batches of every size, and one launch at a time in every third run.
    const int batch = run % 3 == 0 ? 1 : std::uniform_int_distribution<int>(2, 200)(random);
    testsupport::TempFolder folder;
    const std::string dir = folder.Path();
    const std::string journal_path = dir + "Lumadex.jnl";
    {
      LaunchJournal journal(journal_path, dir + "Lumadex.rej");
      std::vector<PendingLaunch> backlog;
      for (int k = 0; k < Backlog(run); ++k) backlog.push_back(Launch("b" + std::to_string(run) + "-" + std::to_string(k) + ".jww"));
      ASSERT_TRUE(journal.Lock(0));
      ASSERT_TRUE(journal.Write(backlog));
    }

    // The child, killed at a random moment once it is attached.
    const std::string self = "/proc/self/exe";
    std::vector<std::string> env_texts = {std::string(kChildFolder) + "=" + dir,
                                          std::string(kChildDatabase) + "=" + database.ConnectionPath(),
                                          std::string(kChildRun) + "=" + std::to_string(run),
                                          std::string(kChildBatch) + "=" + std::to_string(batch)};
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    for (std::string& text : env_texts) env.push_back(text.data());
    env.push_back(nullptr);
    std::string filter = "--gtest_filter=PowerCutChild.StoresUntilKilled";
    char* argv[] = {const_cast<char*>(self.c_str()), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, env.data()), 0);
    for (int wait = 0; wait < 400 && !platform::FileExists(dir + "attached"); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_TRUE(platform::FileExists(dir + "attached"));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 700)(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    files_cut += CutPower(dir + "disk.txt", random);
    in_catch_up += platform::FileExists(journal_path) ? 1 : 0;

    // The next start stores what waits.
    {
      LaunchJournal journal(journal_path, dir + "Lumadex.rej");
      LaunchRegistrar registrar(data);
      registrar.UseJournal(&journal);
      // An insert whose commit was on its way when the power went decides once the server has
      // ended its transaction: its launch waits until then.
      for (int tick = 0; tick < 100 && (journal.Exists() || !registrar.Pending().empty()); ++tick) {
        if (tick > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        registrar.BeginTick(1000);
        registrar.StorePending();
        registrar.EndTick(1000);
      }
      EXPECT_FALSE(journal.Exists());
      EXPECT_TRUE(registrar.Pending().empty());
    }
    EXPECT_FALSE(platform::FileExists(dir + "Lumadex.rej")) << "a line cut by the power went to the rejected file:\n" << ReadFileBytes(dir + "Lumadex.rej");

    std::map<std::string, int> rows;
    for (const auto& row : ReadLaunchRows(data, "FILE_NAME LIKE '%" + std::to_string(run) + "-%'")) {
      ++rows[row[kFileName]];
    }
    journal_launches += Backlog(run);
    for (int k = 0; k < Backlog(run); ++k) {
      const int count = rows["b" + std::to_string(run) + "-" + std::to_string(k) + ".jww"];
      if (count == 0) ++lost;
      if (count > 1) doubled += count - 1;
      EXPECT_LE(count, 1) << "b" << run << "-" << k;
      EXPECT_GE(count, 1) << "b" << run << "-" << k;
    }
    for (const auto& [name, count] : rows) {
      if (name[0] != 't' || name.find("t" + std::to_string(run) + "-") != 0) continue;
      ++tick_launches;
      if (count > 1) doubled += count - 1;
      EXPECT_LE(count, 1) << name;
    }
    for (const auto& [name, count] : rows) {
      if (name.find(std::to_string(run) + "-") == 1) rows_total += count;
    }
  }
  std::printf("power cuts: %d (%d during a catch-up, %d files cut back); journal launches %d, tick launches "
              "stored %d; rows %d; doubled %d, lost %d\n",
              runs, in_catch_up, files_cut, journal_launches, tick_launches, rows_total, doubled, lost);
  EXPECT_EQ(doubled, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_GT(files_cut, 0) << "no cut ever fell between a write and its flush";
}

}  // namespace
