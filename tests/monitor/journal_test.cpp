// The journal against the private server: a launch refused for good is set aside after three
// more ticks, and two copies of the program that share one journal store each of its launches
// once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/UnitV.h"
#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

using namespace monitor;
using namespace monitor_test;

namespace {

// Lines of a file without its header line.
std::vector<std::string> BodyLines(const std::string& path) {
  const std::string content = ReadFileBytes(path);
  std::vector<std::string> lines;
  std::size_t start = content.find("\r\n");
  if (start == std::string::npos) return lines;
  for (start += 2; start < content.size();) {
    std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The launch lines of a journal: its lines about inserts and stored launches left out.
std::vector<std::string> LaunchLines(const std::string& path) {
  std::vector<std::string> lines;
  for (const std::string& line : BodyLines(path)) {
    if (line.compare(0, 2, "?\t") != 0 && line.compare(0, 2, "=\t") != 0) lines.push_back(line);
  }
  return lines;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::CreateAndConnect(data, database, true);
    PcUserName = "PC1";
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = "C:\\jww";
    form.UseJournal(folder.Path() + "Lumadex.jnl", folder.Path() + "Lumadex.rej");
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
  // The files of the database the settings name.
  const std::string journal_path = OfDatabase(folder.Path() + "Lumadex.jnl", database);
  const std::string rejected_path = OfDatabase(folder.Path() + "Lumadex.rej", database);
  db::DataModule data;
  TForm3 form{data, services};
};

TEST_F(JournalTest, ALaunchRefusedForGoodIsSetAsideAfterThreeMoreTicks) {
  testsupport::OtherPc admin(database.ConnectionPath());
  ASSERT_TRUE(admin.Execute("ALTER TABLE BOOTJWW ADD CONSTRAINT NO_DRAFTS CHECK (FILE_NAME <> 'draft.jww')"));
  services.AddWindow("ok.jww - jw_win");
  services.AddWindow("draft.jww - jw_win");
  form.Show();
  form.Edit1.SetText("1");
  form.Button1.Click();

  TickAt(9, 0, 0);
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), std::vector<std::string>{"ok.jww"});
  ASSERT_EQ(form.Registrar().Pending().size(), 1u);
  ASSERT_EQ(LaunchLines(journal_path).size(), 1u) << "the refused launch waits in the journal";
  // Tried again at each of the next three ticks; the window stays listed, so it is never
  // registered anew.
  TickAt(9, 0, 10);
  TickAt(9, 0, 20);
  EXPECT_EQ(LaunchLines(journal_path).size(), 1u);
  EXPECT_FALSE(platform::FileExists(rejected_path));
  TickAt(9, 0, 30);
  EXPECT_TRUE(form.Registrar().Pending().empty());
  EXPECT_FALSE(platform::FileExists(journal_path));
  std::vector<std::string> rejected = BodyLines(rejected_path);
  ASSERT_EQ(rejected.size(), 1u);
  EXPECT_EQ(rejected[0].substr(0, rejected[0].find("\tPC1\t") + 5), "\tPC1\t") << "no number";
  EXPECT_NE(rejected[0].find("\tdraft.jww\t2026/12/07\t09:00:00\t"), std::string::npos) << rejected[0];
  EXPECT_NE(rejected[0].find("NO_DRAFTS"), std::string::npos) << "the server's reason: " << rejected[0];
  EXPECT_EQ(form.ListBox1.Count(), 2);

  TickAt(9, 0, 40);
  TickAt(9, 0, 50);
  EXPECT_EQ(BodyLines(rejected_path).size(), 1u);
  EXPECT_EQ(ReadLaunchRows(data).size(), 1u);
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(JournalTest, WithTheServerUpTheJournalStaysAbsent) {
  services.AddWindow("a.jww - jw_win");
  form.Show();
  form.Edit1.SetText("1");
  form.Button1.Click();
  TickAt(9, 0, 0);
  services.AddWindow("b.jww - jw_win");
  TickAt(9, 0, 10);
  form.StorePendingLaunches();
  EXPECT_EQ(ReadLaunchRows(data).size(), 2u);
  EXPECT_FALSE(platform::FileExists(journal_path));
  EXPECT_FALSE(platform::FileExists(rejected_path));
}

// Launches left by an earlier run, in a journal that two copies of the program take up at the
// same time: each launch is stored once, in the journal's order.
TEST(JournalCopies, TwoCopiesStoreEachJournalLaunchOnce) {
  testsupport::TestDatabase database;
  db::DataModule first_data;
  testsupport::CreateAndConnect(first_data, database, true);
  db::DataModule second_data;
  second_data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(second_data.Connected());
  testsupport::TempFolder folder;
  const std::string journal_path = folder.Path() + "Lumadex.jnl";
  const std::string rejected_path = folder.Path() + "Lumadex.rej";
  constexpr int kLaunches = 60;
  {
    LaunchJournal writer(journal_path, rejected_path);
    ASSERT_TRUE(writer.Lock(0));
    std::vector<PendingLaunch> launches;
    for (int i = 0; i < kLaunches; ++i) {
      PendingLaunch launch;
      launch.facts.pc_user_name = "PC1";
      launch.facts.file_name = "j" + std::to_string(i) + ".jww";
      launch.facts.boot_date = "2026/12/06";
      launch.facts.boot_time = platform::FormatTime(17, i / 60, i % 60);
      launches.push_back(launch);
    }
    ASSERT_TRUE(writer.Write(launches));
  }

  LaunchJournal first_journal(journal_path, rejected_path);
  LaunchJournal second_journal(journal_path, rejected_path);
  LaunchRegistrar first(first_data);
  LaunchRegistrar second(second_data);
  first.UseJournal(&first_journal);
  second.UseJournal(&second_journal);

  // While one copy holds the journal the other leaves its launches alone.
  first.BeginTick();
  second.BeginTick();
  EXPECT_EQ(first.Pending().size(), std::size_t(kLaunches));
  EXPECT_TRUE(second.Pending().empty());
  second.StorePending();
  second.EndTick();
  first.EndTick();  // nothing stored yet: the journal stays as it was
  EXPECT_EQ(BodyLines(journal_path).size(), std::size_t(kLaunches));

  // Both copies work through it at once, each as its ticks come.
  std::atomic<int> ticks{0};
  auto work = [&](LaunchRegistrar& registrar) {
    for (int tick = 0; tick < 2000 && (platform::FileExists(journal_path) || !registrar.Pending().empty()); ++tick) {
      registrar.BeginTick(50);
      registrar.StorePending();
      registrar.EndTick(50);
      ++ticks;
    }
  };
  std::thread other(work, std::ref(second));
  work(first);
  other.join();

  EXPECT_FALSE(platform::FileExists(journal_path));
  EXPECT_TRUE(first.Pending().empty());
  EXPECT_TRUE(second.Pending().empty());
  auto rows = ReadLaunchRows(first_data);
  ASSERT_EQ(rows.size(), std::size_t(kLaunches)) << ticks << " ticks";
  for (int i = 0; i < kLaunches; ++i) {
    EXPECT_EQ(rows[i][kFileName], "j" + std::to_string(i) + ".jww");
    EXPECT_EQ(rows[i][kBootTime], platform::FormatTime(17, i / 60, i % 60));
  }
}

}  // namespace
