// The launch check left alone all day: started before the server, journals that cannot be
// written, a catch-up ended by a kill at any moment, another PC importing, and journal lines
// broken by hand. Every launch ends in the table exactly once, or in the rejected file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "app/UnitV.h"
#include "monitor/AttachPacing.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

extern char** environ;

using namespace monitor;
using namespace monitor_test;

namespace {

const char kUnreachable[] = "サーバーに接続できません。接続後に登録します（";
const char kCatchUpVariable[] = "LUMADEX_CATCH_UP";  // "database journal"
const char kImporterVariable[] = "LUMADEX_IMPORTER";  // "database rows fd"
const char kFullDiskVariable[] = "LUMADEX_FULL_DISK";  // "database journal"
constexpr int kImportedRows = 100000;

PendingLaunch Launch(const std::string& file_name, const std::string& boot_time = "09:00:00") {
  PendingLaunch launch;
  launch.facts.pc_user_name = "夜間PC";
  launch.facts.local_folder = "C:\\図面\\";
  launch.facts.network_folder = "C:\\図面\\";
  launch.facts.file_name = file_name;
  launch.facts.boot_date = "2026/12/07";
  launch.facts.boot_time = boot_time;
  return launch;
}

// The window's font draws a Shift-JIS byte about 6.5 pixels wide (13 for a double-byte
// character): a line longer than the label's 449 pixels is cut off on the screen.
void ExpectFitsTheLine(const std::string& line) { EXPECT_LE(line.size() * 13, 449u * 2) << line; }

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A copy of the program started as a process of its own: connected to `database`, keeping its
// launches in the journal at `journal_path`.
struct ChildCopy {
  ChildCopy(const std::string& database, const std::string& journal_path)
      : journal(journal_path, journal_path + ".rej"), registrar(data) {
    data.ConnectDatabase({database});
    registrar.UseJournal(&journal);
  }
  db::DataModule data;
  LaunchJournal journal;
  LaunchRegistrar registrar;
};

// One start of the program that finds launches in its journal: it stores them and ends. Run as
// a process of its own, so that a test can kill it at any moment.
int RunCatchUp(const char* arguments) {
  char database[4096] = {};
  char journal_path[4096] = {};
  int started_fd = -1;
  if (std::sscanf(arguments, "%4095s %4095s %d", database, journal_path, &started_fd) != 3) return 10;
  ChildCopy copy(database, journal_path);
  if (!copy.data.Connected()) return 11;
  LaunchRegistrar& registrar = copy.registrar;
  // Small batches, so that a kill can fall between two of them as well as inside one.
  registrar.SetBatchSize(4);
  registrar.BeginTick(5000);
  const char byte = 's';
  if (started_fd >= 0 && write(started_fd, &byte, 1) != 1) return 13;  // the storing starts now
  registrar.StorePending();
  registrar.EndTick(5000);
  // A launch whose insert's transaction the killed copy left at work waits until the server has
  // ended it: the next ticks store it.
  for (int tick = 0; tick < 100 && !registrar.Pending().empty(); ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    registrar.BeginTick(5000);
    registrar.StorePending();
    registrar.EndTick(5000);
  }
  return registrar.Pending().empty() ? 0 : 12;
}

// Another PC importing: `rows` numbered rows from 1 up in one transaction, a block of a thousand
// at a time, committed three seconds after the last. A byte on `started_fd` once the first block
// is in.
int RunImporter(const char* arguments) {
  char database[4096] = {};
  int rows = 0, started_fd = -1;
  if (std::sscanf(arguments, "%4095s %d %d", database, &rows, &started_fd) != 3) return 10;
  db::DataModule data;
  data.ConnectDatabase({database});
  if (!data.Connected() || !data.BeginBatch()) return 11;
  constexpr int kBlock = 1000;
  for (int first = 1; first <= rows; first += kBlock) {
    const std::string last = std::to_string(std::min(rows, first + kBlock - 1));
    if (!data.BatchExecute({"EXECUTE BLOCK AS DECLARE I INTEGER = " + std::to_string(first) + "; BEGIN ",
                            "WHILE (I <= " + last + ") DO BEGIN ",
                            "INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (:I, 'import.jww'); I = I + 1; END END"})) {
      return 12;
    }
    if (first == 1) {
      const char byte = 's';
      if (write(started_fd, &byte, 1) != 1) return 13;
      close(started_fd);
    }
  }
  // A long import is still at work: its rows stay held a while longer.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  return data.CommitBatch() ? 0 : 14;
}

// A catch-up on a disk that takes no more bytes (the file size limit set at the journal's size):
// no line announcing an insert can be written, so no insert may be sent. Exit code 0 when every
// launch still waits.
int RunOnFullDisk(const char* arguments) {
  char database[4096] = {};
  char journal_path[4096] = {};
  if (std::sscanf(arguments, "%4095s %4095s", database, journal_path) != 2) return 10;
  ChildCopy copy(database, journal_path);
  if (!copy.data.Connected()) return 11;
  LaunchJournal& journal = copy.journal;
  LaunchRegistrar& registrar = copy.registrar;
  if (!journal.Lock(5000)) return 12;
  journal.Unlock();
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
  const rlim_t size = static_cast<rlim_t>(ReadFileBytes(journal_path).size());
  const struct rlimit limit = {size, size};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 13;
  registrar.BeginTick(5000);
  if (registrar.Pending().empty()) return 14;
  registrar.StorePending();
  const std::size_t waiting = registrar.Pending().size();
  registrar.EndTick(5000);
  return waiting == 2 ? 0 : 15;
}

class CatchUpEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    int code = -1;
    if (const char* arguments = std::getenv(kCatchUpVariable)) code = RunCatchUp(arguments);
    if (const char* arguments = std::getenv(kImporterVariable)) code = RunImporter(arguments);
    if (const char* arguments = std::getenv(kFullDiskVariable)) code = RunOnFullDisk(arguments);
    if (code < 0) return;
    std::fflush(nullptr);
    std::_Exit(code);
  }
};
::testing::Environment* const catch_up_environment =
    ::testing::AddGlobalTestEnvironment(new CatchUpEnvironment);

// This test program started again with `variable` set: it does that work instead of the tests.
pid_t SpawnWith(const char* variable, const std::string& value) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.push_back(*entry);
  environment.push_back(std::string(variable) + "=" + value);
  std::vector<char*> envp;
  for (auto& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string program = "/proc/self/exe";
  std::string filter = "--gtest_filter=CatchUp.*";
  std::vector<char*> argv = {program.data(), filter.data(), nullptr};
  pid_t pid = 0;
  return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : -1;
}

pid_t SpawnCatchUp(const std::string& database, const std::string& journal_path, int started_fd = -1) {
  return SpawnWith(kCatchUpVariable, database + " " + journal_path + " " + std::to_string(started_fd));
}

// Starts a catch-up and waits until it starts storing; the pid, or -1.
pid_t SpawnStoringCatchUp(const std::string& database, const std::string& journal_path) {
  int started[2];
  if (pipe(started) != 0) return -1;
  const pid_t pid = SpawnCatchUp(database, journal_path, started[1]);
  close(started[1]);
  char byte = 0;
  const bool storing = read(started[0], &byte, 1) == 1;
  close(started[0]);
  return storing ? pid : -1;
}

pid_t SpawnImporter(const std::string& database, int rows, int started_fd) {
  return SpawnWith(kImporterVariable, database + " " + std::to_string(rows) + " " + std::to_string(started_fd));
}

// A program killed anywhere in its catch-up (before an insert, between the insert and its
// commit, between the commit and the stored line, in the middle of a line): the next start
// stores what is left, and no launch is in the table twice or missing.
TEST(CatchUp, KilledAtRandomMomentsStoresEachLaunchOnce) {
  testsupport::TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  testsupport::TempFolder folder;
  const std::string journal_path = folder.Path() + "Lumadex.jnl";
  constexpr int kKills = 32;
  constexpr int kLaunches = 40;

  auto write_journal = [&](const std::string& prefix) {
    std::vector<PendingLaunch> launches;
    for (int k = 0; k < kLaunches; ++k) launches.push_back(Launch(prefix + std::to_string(k) + ".jww"));
    LaunchJournal journal(journal_path, journal_path + ".rej");
    ASSERT_TRUE(journal.Lock(0));
    ASSERT_TRUE(journal.Write(launches));
  };
  auto wait_for = [](pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return status;
  };

  // How long the storing of a whole catch-up takes here.
  write_journal("calibration-");
  const pid_t whole = SpawnStoringCatchUp(database.ConnectionPath(), journal_path);
  ASSERT_GT(whole, 0);
  const double started = Now();
  const int whole_status = wait_for(whole);
  ASSERT_TRUE(WIFEXITED(whole_status) && WEXITSTATUS(whole_status) == 0) << whole_status;
  const double duration = Now() - started;

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> moment(0.0, duration);
  int in_the_middle = 0;
  for (int kill_number = 0; kill_number < kKills; ++kill_number) {
    const std::string prefix = "k" + std::to_string(kill_number) + "-";
    write_journal(prefix);
    const pid_t pid = SpawnStoringCatchUp(database.ConnectionPath(), journal_path);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
    kill(pid, SIGKILL);
    wait_for(pid);
    const int stored = data.CountRows("BOOTJWW", "FILE_NAME STARTING WITH '" + prefix + "'");
    if (stored > 0 && stored < kLaunches) ++in_the_middle;
    // The next start of the program.
    const pid_t next = SpawnCatchUp(database.ConnectionPath(), journal_path);
    ASSERT_GT(next, 0);
    const int status = wait_for(next);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "after kill " << kill_number << ": status " << status << ", exit code " << WEXITSTATUS(status);
    ASSERT_FALSE(platform::FileExists(journal_path)) << "the journal is removed once all is stored";
  }

  std::map<std::string, int> copies;
  for (const auto& row : ReadLaunchRows(data)) ++copies[row[kFileName]];
  int doubles = 0, lost = 0;
  for (int kill_number = 0; kill_number < kKills; ++kill_number) {
    for (int k = 0; k < kLaunches; ++k) {
      const int count = copies["k" + std::to_string(kill_number) + "-" + std::to_string(k) + ".jww"];
      doubles += count > 1 ? count - 1 : 0;
      lost += count == 0 ? 1 : 0;
    }
  }
  std::printf("catch-up killed %d times (seed %u, %.0f ms a catch-up, %d kills in the middle): "
              "%d launches, %zu rows, %d doubles, %d lost\n",
              kKills, seed, duration * 1000, in_the_middle, kKills * kLaunches, copies.size(), doubles, lost);
  EXPECT_EQ(doubles, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_GE(in_the_middle, kKills / 4) << "the kills hardly ever hit a catch-up at work";
}

class UnattendedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::CreateAndConnect(data, database, true);
    PcUserName = "夜間PC";
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = "C:\\jww";
  }

  void Start() {
    form.Show();
    form.Edit1.SetText("1");
    form.Button1.Click();
    ASSERT_TRUE(form.Timer1.Enabled());
  }

  void TickAt(int hour, int minute, int second) {
    services.now = {2026, 12, 7, hour, minute, second};
    ASSERT_TRUE(form.Timer1.Enabled());
    form.Timer1.Fire();
  }

  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  testsupport::TestDatabase database;
  testsupport::TempFolder folder;
  const std::string journal_path = folder.Path() + "Lumadex.jnl";
  const std::string rejected_path = folder.Path() + "Lumadex.rej";
  db::DataModule data;
  TForm3 form{data, services};
};

// The first start of the day happens before the server's: the check runs, keeps what it sees,
// and stores it with its own tick times once the server answers.
TEST(UnattendedServer, TheCheckStartedWithTheServerDownStoresItsLaunchesOnceItIsUp) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  testsupport::TestDatabase database(server.Address());
  {
    db::DataModule setup;
    testsupport::CreateAndConnect(setup, database, true);
  }
  ASSERT_TRUE(server.Stop());
  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  services.registry_value.status = platform::RegistryValue::Status::Text;
  services.registry_value.text = "C:\\jww";
  testsupport::TempFolder folder;
  database.UseSettings();
  db::DataModule data;
  TForm3 form(data, services);
  form.UseJournal(folder.Path() + "Lumadex.jnl", folder.Path() + "Lumadex.rej");

  form.Show();
  form.Edit1.SetText("1");
  form.Button1.Click();
  EXPECT_TRUE(form.Timer1.Enabled()) << "the check runs without the server";
  EXPECT_EQ(form.Status(), TForm3::CheckStatus::Unreachable);
  const char* times[] = {"08:30:00", "08:30:10", "08:30:20"};
  for (int k = 0; k < 3; ++k) {
    services.AddWindow("朝" + std::to_string(k) + ".jww - jw_win");
    services.now = {2026, 12, 7, 8, 30, 10 * k};
    form.Timer1.Fire();
  }
  EXPECT_EQ(form.LabelState.Text(), std::string(kUnreachable) + "3件待機中）");
  ExpectFitsTheLine(form.LabelState.Text());
  EXPECT_TRUE(platform::FileExists(OfDatabase(folder.Path() + "Lumadex.jnl", database))) << "they outlive the program";
  EXPECT_TRUE(backend.MessageTexts().empty());

  ASSERT_TRUE(server.Start());
  services.now = {2026, 12, 7, 8, 30, 30};
  form.Timer1.Fire();
  const auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(rows[k][kFileName], "朝" + std::to_string(k) + ".jww");
    EXPECT_EQ(rows[k][kBootTime], times[k]);
  }
  EXPECT_EQ(form.LabelState.Text(), "");
  ExpectFitsTheLine(form.LabelState.Text());
  EXPECT_EQ(form.Status(), TForm3::CheckStatus::Checking);
  EXPECT_EQ(form.StoredToday(), 3);
  EXPECT_FALSE(platform::FileExists(OfDatabase(folder.Path() + "Lumadex.jnl", database)));
}

TEST(AttachPacing, ASlowHostIsTriedEveryThirtySecondsARefusingOneAtEveryTick) {
  AttachPacing pacing;
  EXPECT_TRUE(pacing.Due(0));
  pacing.Attempted(10.0, 10.01, false);  // refused at once: the server is stopped
  EXPECT_TRUE(pacing.Due(10.02));
  pacing.Attempted(20.0, 22.0, false);  // waited for the connect timeout
  EXPECT_FALSE(pacing.Due(30.0));
  EXPECT_FALSE(pacing.Due(51.9));
  EXPECT_TRUE(pacing.Due(52.0));
  pacing.Attempted(52.0, 52.5, true);
  EXPECT_TRUE(pacing.Due(52.6));
}

// A journal beside the program that cannot be written (a full disk, a folder without write
// permission; here its folder is a file, which no user can write into) sends the launches to
// the user's own folder; with neither, they are kept in memory and the window says so.
TEST_F(UnattendedTest, LaunchesGoToTheUserFolderWhenTheJournalCannotBeWritten) {
  const std::string blocked = folder.Path() + "blocked";
  WriteFileBytes(blocked, "a file where a folder should be");
  testsupport::TempFolder user_folder;
  form.UseJournal(blocked + "/Lumadex.jnl", blocked + "/Lumadex.rej", user_folder.Path());
  Start();
  data.DisconnectDatabase();
  ServerName = "localhost/1:";  // nothing listens there: the server cannot be reached
  services.AddWindow("a.jww - jw_win");
  TickAt(9, 0, 0);
  services.AddWindow("b.jww - jw_win");
  TickAt(9, 0, 10);
  EXPECT_EQ(form.UnsavedLaunches(), 0u);
  EXPECT_EQ(form.LabelState.Text(), std::string(kUnreachable) + "2件待機中）");
  ExpectFitsTheLine(form.LabelState.Text());
  ASSERT_TRUE(platform::FileExists(OfDatabase(user_folder.Path() + "Lumadex.jnl", database)));

  // Both places blocked: the launches wait in memory only, and the window says so.
  TForm3 other(data, services);
  other.UseJournal(blocked + "/Lumadex.jnl", blocked + "/Lumadex.rej", blocked + "/user/");
  other.Show();
  other.Edit1.SetText("1");
  other.Button1.Click();
  services.AddWindow("c.jww - jw_win");
  services.now = {2026, 12, 7, 9, 0, 20};
  other.Timer1.Fire();
  EXPECT_EQ(other.UnsavedLaunches(), 3u);
  EXPECT_EQ(other.LabelState.Text(), "記録待ちの図面を保存できません（3件）");
  ExpectFitsTheLine(other.LabelState.Text());

  // The server back: the first window stores what waits in the user's folder, once.
  database.UseSettings();
  TickAt(9, 0, 30);
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), (std::vector<std::string>{"a.jww", "b.jww", "c.jww"}));
  EXPECT_FALSE(platform::FileExists(OfDatabase(user_folder.Path() + "Lumadex.jnl", database)));
}

// A journal that stops taking bytes mid-run (a full disk): an insert whose announcing line
// cannot be written is not sent, in a batch or alone; the launches wait and are stored once,
// each once, when the disk takes lines again.
TEST(CatchUp, NoInsertIsSentThatTheJournalCouldNotAnnounce) {
  testsupport::TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  testsupport::TempFolder folder;
  const std::string journal_path = folder.Path() + "Lumadex.jnl";
  {
    LaunchJournal journal(journal_path, journal_path + ".rej");
    ASSERT_TRUE(journal.Lock(0));
    ASSERT_TRUE(journal.Write(std::vector<PendingLaunch>{Launch("full-1.jww"), Launch("full-2.jww")}));
  }
  const pid_t child = SpawnWith(kFullDiskVariable, database.ConnectionPath() + " " + journal_path);
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(ReadLaunchRows(data).empty()) << "an insert was sent that no line announced";

  LaunchJournal journal(journal_path, journal_path + ".rej");
  LaunchRegistrar registrar(data);
  registrar.UseJournal(&journal);
  registrar.BeginTick(5000);
  registrar.StorePending();
  registrar.EndTick(5000);
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), (std::vector<std::string>{"full-1.jww", "full-2.jww"}));
}

// Another PC's import holds the next numbers until it commits: this PC's ticks neither wait
// nor lose their launch, and store it after the import. The import runs in a process of its own,
// as on another PC, inserting 100 000 numbered rows in one transaction while this PC ticks.
TEST_F(UnattendedTest, ARegistrationNeverWaitsOnAnotherPcsImport) {
  form.UseJournal(journal_path, rejected_path);
  int started[2];
  ASSERT_EQ(pipe(started), 0);
  const pid_t importer = SpawnImporter(database.ConnectionPath(), kImportedRows, started[1]);
  close(started[1]);
  ASSERT_GT(importer, 0);
  char byte = 0;
  ASSERT_EQ(read(started[0], &byte, 1), 1) << "the import did not start";  // its first rows are in
  close(started[0]);

  Start();
  services.AddWindow("b.jww - jw_win");
  double longest = 0;
  int ticks = 0;
  std::string tick_ms;
  int status = 0;
  for (int second = 0; waitpid(importer, &status, WNOHANG) == 0; ++second) {
    services.now = {2026, 12, 7, 10, second / 60 % 60, second % 60};
    const double tick_started = Now();
    form.Timer1.Fire();
    longest = std::max(longest, Now() - tick_started);
    tick_ms += " " + std::to_string(static_cast<int>((Now() - tick_started) * 1000));
    ++ticks;
    if (ticks == 1) {
      EXPECT_EQ(form.Registrar().Pending().size(), 1u) << "the numbers are held: the launch waits";
      EXPECT_EQ(form.LabelState.Text(), "他のPCの処理で番号が使用中のため、登録を待っています（1件待機中）");
      ExpectFitsTheLine(form.LabelState.Text());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::printf("%d ticks during another PC's import of %d lines: the longest %.1f ms (ms:%s)\n", ticks,
              kImportedRows, longest * 1000, tick_ms.c_str());
  // A tick that waited for the import would take the rest of it (three seconds at least), and
  // the loop would end with the import: the ticks counted meanwhile tell it, not a time bound.
  EXPECT_GE(ticks, 10) << "the ticks went on while the import held the numbers";
  EXPECT_TRUE(backend.MessageTexts().empty());

  TickAt(11, 0, 0);
  EXPECT_TRUE(form.Registrar().Pending().empty());
  EXPECT_EQ(data.CountRows("BOOTJWW", "FILE_NAME = 'b.jww' AND N = " + std::to_string(kImportedRows + 1) +
                                          " AND BOOT_TIME = '10:00:00'"),
            1);
  EXPECT_EQ(form.LabelState.Text(), "");
  ExpectFitsTheLine(form.LabelState.Text());
}

// Lines broken by hand or by a crash are kept in the rejected file as they stand, with the
// reason; what a killed rewrite left beside the journal goes.
TEST_F(UnattendedTest, JournalLinesThatCannotBeReadEndInTheRejectedFile) {
  const std::string header =
      "N\tPNAME\tL_FOLDER\tN_FOLDER\tFILE_NAME\tBOOT_DATE\tBOOT_TIME\tFILE_DATE\tFILE_TIME\tFILE_SIZE\t\r\n";
  const std::string good = JournalLine(Launch("good.jww"));
  std::string no_last_tab = JournalLine(Launch("tab.jww"));
  no_last_tab.erase(no_last_tab.size() - 3, 1);
  const std::string short_time = JournalLine(Launch("time.jww", "9:05:00"));
  const std::string cut = JournalLine(Launch("cut.jww")).substr(0, 20);
  WriteFileBytes(journal_path, header + good + no_last_tab + short_time + cut);
  WriteFileBytes(journal_path + ".tmp", header + good);
  form.UseJournal(journal_path, rejected_path);
  form.Show();

  // The journal in today's form became the database's: stored from, then removed.
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), std::vector<std::string>{"good.jww"});
  EXPECT_FALSE(platform::FileExists(journal_path));
  EXPECT_FALSE(platform::FileExists(OfDatabase(journal_path, database)));
  EXPECT_FALSE(platform::FileExists(journal_path + ".tmp"));
  const std::string rejected = ReadFileBytes(OfDatabase(rejected_path, database));
  for (const std::string& line : {no_last_tab, short_time, cut + "\r\n"}) {
    std::string kept = line.substr(0, line.size() - 2);
    if (kept.back() != '\t') kept += '\t';
    EXPECT_NE(rejected.find(kept + "読み取れない行\t\r\n"), std::string::npos) << kept;
  }
  EXPECT_EQ(form.LabelState.Text(),
            "読み取れない行を" + paths::FileNamePart(OfDatabase(rejected_path, database)) + "に移しました（3行）");
  ExpectFitsTheLine(form.LabelState.Text());
}

// The highest number N can hold is taken: the launch is set aside, never stored at a wrapped
// number, and the window says so.
TEST_F(UnattendedTest, NoNumberAboveTheLargestIntegerIsEverMade) {
  form.UseJournal(journal_path, rejected_path);
  testsupport::OtherPc other(database.ConnectionPath());
  ASSERT_TRUE(other.Execute("INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (2147483647, 'last.jww')"));
  Start();
  services.AddWindow("over.jww - jw_win");
  TickAt(11, 0, 0);
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 1);
  EXPECT_TRUE(form.Registrar().Pending().empty());
  const std::string rejected = ReadFileBytes(OfDatabase(rejected_path, database));
  EXPECT_NE(rejected.find("\tover.jww\t2026/12/07\t11:00:00\t"), std::string::npos) << rejected;
  EXPECT_NE(rejected.find("登録番号が上限に達しました\t\r\n"), std::string::npos) << rejected;
  EXPECT_EQ(form.LabelState.Text(),
            "登録番号が上限に達しました。1件を" + paths::FileNamePart(OfDatabase(rejected_path, database)) + "に移しました");
  ExpectFitsTheLine(form.LabelState.Text());
}

}  // namespace
