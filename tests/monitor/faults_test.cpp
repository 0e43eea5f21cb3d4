// Faults against real servers: a server that stops and comes back while drawings are opened,
// and eight PCs registering into one table at full speed.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "app/UnitV.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

extern char** environ;

using namespace monitor;
using namespace monitor_test;

namespace {

const char kRegistrantVariable[] = "LUMADEX_MONITOR_REGISTRANT";  // "index launches database mode"
// In the "shared" mode a registrant waits before each launch until the test lets every
// registrant go at once: it writes a byte to kReadyFd (how many of its inserts the previous
// launch lost to a number taken meanwhile), then reads one from kGoFd: kGo, or kStop to end.
constexpr int kGoFd = 3;
constexpr int kReadyFd = 4;
constexpr char kGo = 'g';
constexpr char kStop = 's';

bool WriteByte(int fd, char byte) { return write(fd, &byte, 1) == 1; }

bool ReadByte(int fd, char& byte) { return read(fd, &byte, 1) == 1; }

// One registrant PC: its own process, its own connection, one new launch a tick, then further
// ticks until nothing is pending. Exit code 0 when every launch was stored.
// "own": the PC's own user name and drawings, `launches` of them at full speed. "shared":
// every registrant under the default user name sees the same drawing in the same second, all at
// the same moment, as long as the test says go.
int RunRegistrant(const char* arguments) {
  int index = 0, launches = 0;
  char database[4096] = {};
  char mode[16] = {};
  if (std::sscanf(arguments, "%d %d %4095s %15s", &index, &launches, database, mode) != 4) return 10;
  const bool shared = std::string(mode) == "shared";
  db::DataModule data;
  data.ConnectDatabase({database});
  if (!data.Connected()) return 11;
  LaunchRegistrar registrar(data);
  db::Launch launch;
  launch.pc_user_name = shared ? "PCユーザー名" : "PC" + std::to_string(index);
  launch.local_folder = "C:\\jww\\";
  launch.boot_date = "2026/12/07";
  std::size_t kept = 0, most_pending = 0;
  long conflicts_before = 0;
  int i = 0;
  for (;; ++i) {
    if (shared) {
      const long lost = registrar.NumberConflicts() - conflicts_before;
      conflicts_before = registrar.NumberConflicts();
      char go = 0;
      if (!WriteByte(kReadyFd, static_cast<char>(std::min(lost, 100L))) || !ReadByte(kGoFd, go)) return 13;
      if (go == kStop) break;
    } else if (i == launches) {
      break;
    }
    launch.file_name = (shared ? "shared_" : "r" + std::to_string(index) + "_") + std::to_string(i) + ".jww";
    launch.boot_time = platform::FormatTime(i / 3600 % 24, i / 60 % 60, i % 60);
    registrar.BeginTick();
    registrar.StorePending();
    std::size_t before = registrar.Pending().size();
    registrar.Register(launch);
    if (registrar.Pending().size() > before) ++kept;
    most_pending = std::max(most_pending, registrar.Pending().size());
  }
  int extra_ticks = 0;
  for (; extra_ticks < 100000 && !registrar.Pending().empty(); ++extra_ticks) {
    registrar.BeginTick();
    registrar.StorePending();
  }
  std::fprintf(stderr, "registrant %d: %zu of %d launches kept for a later tick, at most %zu "
               "waiting, %d extra ticks, %ld numbers taken by another PC\n", index, kept, i,
               most_pending, extra_ticks, registrar.NumberConflicts());
  return registrar.Pending().empty() ? 0 : 12;
}

// The registrant processes are this test program started again with the variable set; they do
// their work before any test runs and end there.
class RegistrantEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* arguments = std::getenv(kRegistrantVariable);
    if (arguments == nullptr) return;
    int code = RunRegistrant(arguments);
    std::fflush(nullptr);
    std::_Exit(code);
  }
};
::testing::Environment* const registrant_environment =
    ::testing::AddGlobalTestEnvironment(new RegistrantEnvironment);

// A registrant process; in the "shared" mode `go` and `ready` become its kGoFd and kReadyFd.
pid_t SpawnRegistrant(int index, int launches, const std::string& database, const std::string& mode,
                      int go = -1, int ready = -1) {
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) environment.push_back(*variable);
  environment.push_back(std::string(kRegistrantVariable) + "=" + std::to_string(index) + " " +
                        std::to_string(launches) + " " + database + " " + mode);
  std::vector<char*> envp;
  for (auto& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string program = "/proc/self/exe";
  // Any one test: the registrant's work is done before the tests would run.
  std::string filter = "--gtest_filter=Faults.EightRegistrantsLoseNothing";
  std::vector<char*> argv = {program.data(), filter.data(), nullptr};
  // The registrant's own test banner would only clutter the output; its report goes to stderr.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (go >= 0) posix_spawn_file_actions_adddup2(&actions, go, kGoFd);
  if (ready >= 0) posix_spawn_file_actions_adddup2(&actions, ready, kReadyFd);
  pid_t pid = 0;
  int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? -1 : pid;
}

// A database of its own for a race, written without waiting for the disk at each commit: with
// the disk flushed at every commit the run would measure the disk, not the numbering.
void CreateRaceDatabase(const testsupport::TestDatabase& database) {
  {
    db::DataModule setup;
    testsupport::CreateAndConnect(setup, database, true);
  }
  const std::string async = "gfix -write async -user SYSDBA -password quillstar '" +
                            database.ConnectionPath() + "'";
  ASSERT_EQ(std::system(async.c_str()), 0);
}

void ExpectExitedCleanly(const std::vector<pid_t>& registrants) {
  for (std::size_t index = 0; index < registrants.size(); ++index) {
    int status = 0;
    ASSERT_EQ(waitpid(registrants[index], &status, 0), registrants[index]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "registrant " << index << " status " << status;
  }
}

// Every launch stored exactly `copies` times and no number stored twice (a PC running an older
// copy of the program can still leave a row the server refused). Prints the figures.
void ExpectEveryLaunchStored(const testsupport::TestDatabase& database, std::size_t launches,
                             std::size_t copies, const std::string& what) {
  db::DataModule data;
  data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(data.Connected());
  auto rows = ReadLaunchRows(data);
  std::map<std::string, std::vector<std::string>> numbers_of_launch;
  std::set<std::string> numbers;
  for (const auto& row : rows) {
    numbers_of_launch[row[kPname] + " " + row[kFileName]].push_back(row[kN] + " at " + row[kBootTime]);
    numbers.insert(row[kN]);
  }
  std::size_t launches_kept_wrong = 0;
  for (const auto& [launch, stored] : numbers_of_launch) {
    if (stored.size() != copies) ++launches_kept_wrong;
    EXPECT_EQ(stored.size(), copies) << launch << " stored as " << ::testing::PrintToString(stored);
  }
  std::printf("%s: %zu launches, %zu rows, %zu numbers stored twice, %zu launches lost or doubled\n",
              what.c_str(), launches * copies, rows.size(), rows.size() - numbers.size(),
              launches_kept_wrong + (launches - numbers_of_launch.size()));
  EXPECT_EQ(rows.size(), launches * copies);
  EXPECT_EQ(numbers.size(), rows.size()) << "a number stored twice";
  EXPECT_EQ(numbers_of_launch.size(), launches) << "a launch lost";
}

TEST(Faults, EightRegistrantsLoseNothing) {
  constexpr int kRegistrants = 8;
  constexpr int kLaunches = 1000;
  testsupport::TestDatabase database;
  CreateRaceDatabase(database);
  std::vector<pid_t> registrants;
  for (int index = 0; index < kRegistrants; ++index) {
    pid_t pid = SpawnRegistrant(index, kLaunches, database.ConnectionPath(), "own");
    ASSERT_GT(pid, 0);
    registrants.push_back(pid);
  }
  ExpectExitedCleanly(registrants);
  ExpectEveryLaunchStored(database, kRegistrants * kLaunches, 1, "eight PCs");

  db::DataModule data;
  data.ConnectDatabase(database.Settings());
  for (int index = 0; index < kRegistrants; ++index) {
    EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME = 'PC" + std::to_string(index) + "'"), kLaunches);
  }
}

// Two PCs never configured (both under the default user name) see the same drawing in the same
// second, a shared drawing opened at a meeting, and race for one number: both launches are
// stored, neither PC takes the other's row for its own or away. Rounds go on until 200 of them
// were a race (an insert refused for the number the other PC took), however busy the machine.
TEST(Faults, SameUserNameRaceKeepsBothLaunches) {
  constexpr int kRegistrants = 2;
  constexpr int kRaces = 200;
  constexpr int kMostRounds = 4000;
  testsupport::TestDatabase database;
  CreateRaceDatabase(database);
  std::vector<pid_t> registrants;
  std::vector<int> go_pipes, ready_pipes;
  for (int index = 0; index < kRegistrants; ++index) {
    int go[2], ready[2];
    ASSERT_EQ(pipe2(go, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
    pid_t pid = SpawnRegistrant(index, 0, database.ConnectionPath(), "shared", go[0], ready[1]);
    close(go[0]);
    close(ready[1]);
    ASSERT_GT(pid, 0);
    registrants.push_back(pid);
    go_pipes.push_back(go[1]);
    ready_pipes.push_back(ready[0]);
  }
  int rounds = 0, races = 0;
  long refused = 0;
  for (;; ++rounds) {
    long lost = 0;
    for (int fd : ready_pipes) {
      char byte = 0;
      ASSERT_TRUE(ReadByte(fd, byte)) << "a registrant ended at round " << rounds;
      lost += byte;
    }
    refused += lost;
    if (rounds > 0 && lost > 0) ++races;
    const bool more = races < kRaces && rounds < kMostRounds;
    for (int fd : go_pipes) ASSERT_TRUE(WriteByte(fd, more ? kGo : kStop));
    if (!more) break;
  }
  for (int fd : ready_pipes) close(fd);
  for (int fd : go_pipes) close(fd);
  ExpectExitedCleanly(registrants);
  std::printf("same user name: %d rounds, %d of them races, %ld inserts refused for a number taken "
              "meanwhile\n", rounds, races, refused);
  EXPECT_GE(races, kRaces) << "the registrants hardly ever raced";
  ExpectEveryLaunchStored(database, rounds, kRegistrants, "same user name");
}


class ServerLossTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    database = std::make_unique<testsupport::TestDatabase>(server.Address());
    testsupport::CreateAndConnect(data, *database, true);
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = "C:\\jww";
  }

  void TickAt(int hour, int minute, int second) {
    services.now = {2026, 12, 7, hour, minute, second};
    ASSERT_TRUE(form.Timer1.Enabled());
    form.Timer1.Fire();
  }

  // Rows read on a connection of their own, so that the window's connection is left alone.
  std::vector<std::vector<std::string>> Rows() {
    db::DataModule reader;
    // The reader is the test's own look at the table, not the window under test: a server that
    // was restarted a moment ago on a loaded machine may turn its first attachment away.
    for (int attempt = 0; attempt < 3 && !reader.Connected(); ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
      reader.ConnectDatabase(database->Settings());
    }
    EXPECT_TRUE(reader.Connected());
    return ReadLaunchRows(reader);
  }

  // The first lines of the messages shown so far, each of which must be an error box.
  std::vector<std::string> ErrorSentences() {
    std::vector<std::string> sentences;
    for (const headless::ShownMessage& message : backend.messages) {
      sentences.push_back(message.error ? message.text.substr(0, message.text.find("\r\n"))
                                        : "not an error box: " + message.text);
    }
    return sentences;
  }

  testsupport::PrivateServer server;
  std::unique_ptr<testsupport::TestDatabase> database;
  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  db::DataModule data;
  TForm3 form{data, services};
};

TEST_F(ServerLossTest, EveryLaunchStoredOnceWithItsDetectionTime) {
  services.AddWindow("a.jww - jw_win");
  form.Show();
  form.Edit1.SetText("1");
  form.Button1.Click();
  TickAt(9, 0, 0);
  ASSERT_EQ(Rows().size(), 1u);

  // The server goes away while the check runs: launches wait in memory, the list goes on.
  ASSERT_TRUE(server.Stop());
  services.AddWindow("b.jww - jw_win");
  TickAt(9, 0, 10);
  services.AddWindow("c.jww - jw_win");
  TickAt(9, 0, 20);
  EXPECT_EQ(form.ListBox1.Count(), 3);
  EXPECT_EQ(form.Registrar().Pending().size(), 2u);
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_TRUE(backend.MessageTexts().empty());

  // Back again: the next tick stores them first, then its own new launch.
  ASSERT_TRUE(server.Start());
  services.AddWindow("d.jww - jw_win");
  TickAt(9, 0, 30);
  TickAt(9, 0, 40);
  auto rows = Rows();
  ASSERT_EQ(rows.size(), 4u) << "pending " << form.Registrar().Pending().size() << ", connected "
                             << data.Connected();
  EXPECT_EQ(FileNames(rows), (std::vector<std::string>{"a.jww", "b.jww", "c.jww", "d.jww"}));
  EXPECT_EQ(rows[1][kBootTime], "09:00:10");
  EXPECT_EQ(rows[2][kBootTime], "09:00:20");
  EXPECT_EQ(rows[3][kBootTime], "09:00:30");
  EXPECT_TRUE(form.Registrar().Pending().empty());

  // Lost again; this time the check is stopped and the window closed before the server
  // returns. The kept launch survives and is stored as soon as the server answers again.
  ASSERT_TRUE(server.Stop());
  services.AddWindow("e.jww - jw_win");
  TickAt(9, 1, 0);
  ASSERT_EQ(form.Registrar().Pending().size(), 1u);
  form.Button2.Click();
  form.Button3.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  form.Show();  // no server: the window's own line says so, no box interrupts
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(form.LabelState.Text(),
            "サーバーに接続できません。接続後に登録します（1件待機中）");
  EXPECT_TRUE(form.Button1.Enabled());
  form.Button1.Click();  // still none: the check starts all the same
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_EQ(form.Status(), TForm3::CheckStatus::Unreachable);
  EXPECT_TRUE(backend.MessageTexts().empty());
  backend.ClearMessages();
  backend.answers.push_back(ui::Answer::Yes);  // closing while checking asks first
  form.Close();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_TRUE(backend.messages[0].question);
  backend.ClearMessages();
  ASSERT_TRUE(server.Start());
  form.Show();  // the server answers again: what was kept is stored at once
  ASSERT_TRUE(form.Button1.Enabled());
  EXPECT_EQ(form.LabelState.Text(), "");
  rows = Rows();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[4][kFileName], "e.jww");
  EXPECT_EQ(rows[4][kBootTime], "09:01:00");
  form.Button1.Click();
  services.windows.clear();  // every drawing closed meanwhile
  TickAt(9, 2, 0);
  EXPECT_EQ(Rows().size(), 5u);
  EXPECT_TRUE(form.Registrar().Pending().empty());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

// Showing the window and starting the check each work at their first use after the server
// restarted, without a second try.
TEST_F(ServerLossTest, ShowAndStartWorkAtTheirFirstUseAfterARestart) {
  services.AddWindow("a.jww - jw_win");
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  form.Show();
  EXPECT_TRUE(form.Button1.Enabled());
  EXPECT_TRUE(form.Edit1.Focused());

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  form.Edit1.SetText("1");
  form.Button1.Click();
  ASSERT_TRUE(form.Timer1.Enabled());
  TickAt(9, 0, 0);
  EXPECT_EQ(FileNames(Rows()), std::vector<std::string>{"a.jww"});
  EXPECT_TRUE(form.Registrar().Pending().empty());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

}  // namespace
