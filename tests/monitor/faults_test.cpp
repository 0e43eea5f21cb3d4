// Faults against real servers: a server that stops and comes back while drawings are opened,
// and eight PCs registering into one table at full speed.
#include <fcntl.h>
#include <gtest/gtest.h>
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

const char kRegistrantVariable[] = "LUMADEX_MONITOR_REGISTRANT";  // "index launches database"

// One registrant PC: its own process, its own connection, `launches` ticks with one new launch
// each, then further ticks until nothing is pending. Exit code 0 when every launch was stored.
int RunRegistrant(const char* arguments) {
  int index = 0, launches = 0;
  char database[4096] = {};
  if (std::sscanf(arguments, "%d %d %4095s", &index, &launches, database) != 3) return 10;
  ServerName.clear();
  ServerFolder.clear();
  DatabaseName = database;
  db::DataModule data;
  data.ConnectDatabase();
  if (!data.Connected()) return 11;
  LaunchRegistrar registrar(data);
  LaunchFacts launch;
  launch.pc_user_name = "PC" + std::to_string(index);
  launch.boot_date = "2026/12/07";
  std::size_t kept = 0, most_pending = 0;
  for (int i = 0; i < launches; ++i) {
    launch.file_name = "r" + std::to_string(index) + "_" + std::to_string(i) + ".jww";
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
               "waiting, %d extra ticks\n", index, kept, launches, most_pending, extra_ticks);
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

pid_t SpawnRegistrant(int index, int launches, const std::string& database) {
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) environment.push_back(*variable);
  environment.push_back(std::string(kRegistrantVariable) + "=" + std::to_string(index) + " " +
                        std::to_string(launches) + " " + database);
  std::vector<char*> envp;
  for (auto& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string program = "/proc/self/exe";
  std::string filter = "--gtest_filter=Faults.EightRegistrantsLoseNothing";
  std::vector<char*> argv = {program.data(), filter.data(), nullptr};
  // The registrant's own test banner would only clutter the output; its report goes to stderr.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? -1 : pid;
}

TEST(Faults, EightRegistrantsLoseNothing) {
  constexpr int kRegistrants = 8;
  constexpr int kLaunches = 1000;
  testsupport::TestDatabase database;
  {
    db::DataModule setup;
    testsupport::CreateAndConnect(setup, database, true);
  }
  // Every registration commits on its own; with the disk flushed at each commit the run would
  // measure the disk, not the numbering.
  const std::string async = "gfix -write async -user SYSDBA -password quillstar '" +
                            database.ConnectionPath() + "'";
  ASSERT_EQ(std::system(async.c_str()), 0);
  std::vector<pid_t> registrants;
  for (int index = 0; index < kRegistrants; ++index) {
    pid_t pid = SpawnRegistrant(index, kLaunches, database.ConnectionPath());
    ASSERT_GT(pid, 0);
    registrants.push_back(pid);
  }
  for (int index = 0; index < kRegistrants; ++index) {
    int status = 0;
    ASSERT_EQ(waitpid(registrants[index], &status, 0), registrants[index]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "registrant " << index << " status " << status;
  }

  db::DataModule data;
  database.UseSettings();
  data.ConnectDatabase();
  ASSERT_TRUE(data.Connected());
  auto rows = ReadLaunchRows(data);
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), kRegistrants * kLaunches);
  std::map<std::string, std::vector<std::string>> numbers_of_launch;
  std::set<std::string> numbers;
  for (const auto& row : rows) {
    numbers_of_launch[row[kFileName]].push_back(row[kN] + " at " + row[kBootTime]);
    numbers.insert(row[kN]);
  }
  EXPECT_EQ(numbers.size(), rows.size()) << "a number stored twice";
  EXPECT_EQ(numbers_of_launch.size(), std::size_t(kRegistrants * kLaunches)) << "a launch lost";
  for (const auto& [launch, stored] : numbers_of_launch) {
    EXPECT_EQ(stored.size(), 1u) << launch << " stored as " << ::testing::PrintToString(stored);
  }
  for (int index = 0; index < kRegistrants; ++index) {
    EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME = 'PC" + std::to_string(index) + "'"), kLaunches);
  }
}

const char kConnectionSentence[] = "データベースに接続できません。";

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
    database->UseSettings();
    reader.ConnectDatabase();
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
  form.Show();  // no server: the user is told, and the start button stays for later
  EXPECT_EQ(ErrorSentences(), std::vector<std::string>{kConnectionSentence});
  EXPECT_TRUE(form.Button1.Enabled());
  form.Button1.Click();  // still none: told again, the check does not start
  EXPECT_EQ(ErrorSentences(), (std::vector<std::string>{kConnectionSentence, kConnectionSentence}));
  EXPECT_FALSE(form.Timer1.Enabled());
  backend.ClearMessages();
  form.Close();
  ASSERT_TRUE(server.Start());
  form.Show();  // the server answers again: what was kept is stored at once
  ASSERT_TRUE(form.Button1.Enabled());
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
