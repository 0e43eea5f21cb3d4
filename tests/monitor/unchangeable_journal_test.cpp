// A journal the program can read but not change (a read-only file in a writable folder): its
// launches are never stored from it, since no "=" line could say so and every start would store
// them again; new launches wait in the other place. The program runs as a user other than the
// file's owner, in a child process, as the test itself runs as root, whom no file refuses.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/headless/headless.h"
#include "tests/support/fake_services.h"
#include "platform/files.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"

extern char** environ;

using namespace monitor;
using namespace monitor_test;

namespace {

const char kFirstPlace[] = "LUMADEX_UNCHANGEABLE_FIRST";
const char kSecondPlace[] = "LUMADEX_UNCHANGEABLE_SECOND";
const char kDatabase[] = "LUMADEX_UNCHANGEABLE_DATABASE";
constexpr int kSkipExit = 77;
constexpr unsigned kNobody = 65534;

PendingLaunch Launch(const std::string& file_name) { return JournalLaunch(file_name, "読取専用"); }

// The program's side, as another user: three starts of ten ticks, the server away at some.
TEST(UnchangeableJournalChild, ThreeStartsOfTenTicks) {
  const char* first = std::getenv(kFirstPlace);
  if (first == nullptr) GTEST_SKIP() << "run by UnchangeableJournal.NeverStoredFromNewLaunchesGoElsewhere";
  const std::string journal_path = std::string(first) + "Lumadex.jnl";
  if (FILE* file = std::fopen(journal_path.c_str(), "ab")) {
    std::fclose(file);
    std::exit(kSkipExit);  // this user may change the file after all
  }
  const std::string second = std::getenv(kSecondPlace);
  db::DataModule data;
  ASSERT_TRUE(data.AttachLaunchTable({std::getenv(kDatabase)}));
  for (int start = 0; start < 3; ++start) {
    LaunchJournal journal(journal_path, std::string(first) + "Lumadex.rej");
    LaunchJournal fallback(second + "Lumadex.jnl", second + "Lumadex.rej");
    LaunchRegistrar registrar(data);
    registrar.UseJournals({&journal, &fallback});
    for (int tick = 0; tick < 10; ++tick) {
      SCOPED_TRACE("start " + std::to_string(start) + " tick " + std::to_string(tick));
      registrar.BeginTick(200);
      if (tick % 3 == 2) registrar.MarkUnreachable();
      registrar.StorePending();
      registrar.Register(Launch("new" + std::to_string(start) + "-" + std::to_string(tick) + ".jww").facts);
      registrar.EndTick(200);
      EXPECT_EQ(registrar.UnchangeableJournal(), journal_path);
      EXPECT_EQ(registrar.Unsaved(), 0u) << "the other place keeps them";
    }
    EXPECT_TRUE(registrar.Pending().empty());
  }
}

TEST(UnchangeableJournal, NeverStoredFromNewLaunchesGoElsewhere) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  testsupport::TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  testsupport::TempFolder first, second;
  const std::string journal_path = first.Path() + "Lumadex.jnl";
  {
    LaunchJournal journal(journal_path, first.Path() + "Lumadex.rej");
    std::vector<PendingLaunch> old;
    for (int k = 0; k < 5; ++k) old.push_back(Launch("old" + std::to_string(k) + ".jww"));
    ASSERT_TRUE(journal.Lock(0));
    ASSERT_TRUE(journal.Write(old));
  }
  const std::string before = ReadFileBytes(journal_path);
  // Folders the other user may write in, a journal only its owner may change.
  ASSERT_EQ(::chmod(first.Path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(second.Path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(journal_path.c_str(), 0644), 0);
  ASSERT_EQ(::chmod((journal_path + ".lck").c_str(), 0666), 0);  // the lock any copy may take

  // Everything the child needs is made before the fork: it only changes user and starts.
  std::vector<std::string> env_texts = {std::string(kFirstPlace) + "=" + first.Path(),
                                        std::string(kSecondPlace) + "=" + second.Path(),
                                        std::string(kDatabase) + "=" + database.ConnectionPath()};
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  for (std::string& text : env_texts) env.push_back(text.data());
  env.push_back(nullptr);
  const char* argv[] = {"/proc/self/exe", "--gtest_filter=UnchangeableJournalChild.*", nullptr};
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(kSkipExit);
    ::execve("/proc/self/exe", const_cast<char**>(argv), env.data());
    ::_exit(kSkipExit);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kSkipExit) {
    GTEST_SKIP() << "no user here is refused a read-only file: an unchangeable journal cannot be made";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the program's side failed (its output is above)";

  std::map<std::string, int> rows;
  for (const auto& row : ReadLaunchRows(data)) ++rows[row[kFileName]];
  for (int k = 0; k < 5; ++k) EXPECT_EQ(rows["old" + std::to_string(k) + ".jww"], 0) << "stored from the unchangeable journal";
  int stored_once = 0;
  for (int start = 0; start < 3; ++start) {
    for (int tick = 0; tick < 10; ++tick) {
      const int count = rows["new" + std::to_string(start) + "-" + std::to_string(tick) + ".jww"];
      EXPECT_EQ(count, 1) << start << "-" << tick;
      stored_once += count == 1 ? 1 : 0;
    }
  }
  std::printf("unchangeable journal: 3 starts, 30 ticks: %d of 30 new launches stored once, %zu rows\n",
              stored_once, ReadLaunchRows(data).size());
  EXPECT_EQ(ReadFileBytes(journal_path), before) << "the unchangeable journal keeps its launches as they were";
  EXPECT_FALSE(platform::FileExists(second.Path() + "Lumadex.jnl")) << "launches left waiting in the other place";
}

// The check window's line names the file; the launches seen meanwhile are stored. A folder in
// the journal's place is a journal no user may append to, root included.
TEST(UnchangeableJournal, TheCheckWindowNamesTheFile) {
  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  testsupport::TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  testsupport::TempFolder folder, user_folder;
  // The database's journal there: a folder, which takes no line.
  const std::string journal_path = OfDatabase(folder.Path() + "Lumadex.jnl", database);
  ASSERT_EQ(::mkdir(journal_path.c_str(), 0755), 0);
  services.registry_value.status = platform::RegistryValue::Status::Text;
  services.registry_value.text = "C:\\jww";
  TForm3 form{data, services};
  form.UseJournal(folder.Path() + "Lumadex.jnl", folder.Path() + "Lumadex.rej", user_folder.Path());
  form.Show();
  form.Edit1.SetText("1");
  form.Button1.Click();
  services.AddWindow("a.jww - jw_win");
  form.Timer1.Fire();
  EXPECT_EQ(form.LabelState.Text(), "記録待ちのファイルを変更できません：" + journal_path);
  EXPECT_EQ(ReadLaunchRows(data).size(), 1u);
  EXPECT_TRUE(form.Registrar().Pending().empty());
}

}  // namespace
