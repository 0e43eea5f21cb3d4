// Each journal belongs to one database: copies of the program with different databases sharing
// the user's folder, a journal of the older form taken over once, a change of database.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/UnitV.h"
#include "monitor/JournalPlaces.h"
#include "monitor/LaunchJournal.h"
#include "monitor/Unit3.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

using namespace monitor;
using namespace monitor_test;

namespace {

const char kHeader[] = "N\tPNAME\tL_FOLDER\tN_FOLDER\tFILE_NAME\tBOOT_DATE\tBOOT_TIME\tFILE_DATE\tFILE_TIME\tFILE_SIZE\t\r\n";

// A journal of these launches, as the program writes one.
std::string JournalOf(const std::vector<std::string>& file_names) {
  std::string text = kHeader;
  for (const std::string& name : file_names) text += JournalLine(JournalLaunch(name, "PC1"));
  return text;
}

// The launches waiting in a journal file, by file name.
std::vector<std::string> Waiting(const std::string& path) {
  LaunchJournal journal(path, path + ".rej");
  LaunchJournal::Contents contents;
  std::vector<std::string> names;
  if (!journal.Read(contents)) return {"(unreadable)"};
  for (const PendingLaunch& launch : contents.waiting) names.push_back(launch.facts.file_name);
  return names;
}

std::vector<std::string> StoredIn(const testsupport::TestDatabase& database) {
  db::DataModule reader;
  reader.ConnectDatabase(database.Settings());
  return FileNames(ReadLaunchRows(reader));
}

// One copy of the program: its check window, its connection and its desktop, with the settings
// of its own database (the settings are the program's globals: each copy puts its own in place
// before it acts).
struct Copy {
  Copy(const testsupport::TestDatabase& database, const std::string& program_folder, const std::string& user_folder)
      : database(&database), program_folder(program_folder), user_folder(user_folder) {
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = "C:\\jww";
  }
  void Settings() const {
    database->UseSettings();
    PcUserName = "PC1";
  }
  void UseJournal() {
    Settings();
    form.UseJournal(program_folder + "Lumadex.jnl", program_folder + "Lumadex.rej", user_folder);
  }
  void Start() {
    UseJournal();
    form.Show();
    form.Edit1.SetText("1");
    form.Button1.Click();
  }
  void Tick(int second, const std::string& opened = std::string()) {
    Settings();
    if (!opened.empty()) services.AddWindow(opened + " - jw_win");
    services.now = {2026, 12, 8, 9, 0, second};
    form.Timer1.Fire();
  }

  // As the main window changes the database: the check stopped and the connection closed for
  // the settings dialog, which names `to`.
  void ChangeDatabase(const testsupport::TestDatabase& to) {
    form.Button2.Click();
    form.Close();
    data.DisconnectDatabase();
    database = &to;
    UseJournal();
  }

  const testsupport::TestDatabase* database;
  std::string program_folder;
  std::string user_folder;
  testsupport::FakeServices services;
  db::DataModule data;
  TForm3 form{data, services};
};

// Two copies, each with its own database and its folder unwritable (a file where the folder
// should be), keep their launches in one shared user folder while the server is down. Back up,
// each database gets exactly the launches seen for it, none twice, none in the other.
TEST(JournalPlaces, TwoCopiesTwoDatabasesShareTheUserFolderAndStoreOnlyTheirOwn) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  testsupport::TestDatabase first(server.Address(), "OFFICE.FDB"), second(server.Address(), "OFFICE.FDB");
  {
    db::DataModule setup_first, setup_second;
    testsupport::CreateAndConnect(setup_first, first, true);
    testsupport::CreateAndConnect(setup_second, second, true);
  }
  headless::HeadlessBackend backend;
  testsupport::TempFolder programs, user_folder;
  for (const char* blocked : {"x", "y"}) WriteFileBytes(programs.Path() + blocked, "a file where a folder should be");
  Copy x(first, programs.Path() + "x/", user_folder.Path());
  Copy y(second, programs.Path() + "y/", user_folder.Path());
  ASSERT_TRUE(server.Stop());
  x.Start();
  y.Start();
  // Interleaved, as two PCs (or two users of one PC) would see them.
  for (int k = 0; k < 3; ++k) {
    x.Tick(10 * k, "x" + std::to_string(k) + ".jww");
    y.Tick(10 * k + 1, "y" + std::to_string(k) + ".jww");
  }
  for (Copy* copy : {&x, &y}) {
    EXPECT_EQ(copy->form.WaitingLaunches(), 3u);
    EXPECT_EQ(copy->form.UnsavedLaunches(), 0u);
  }
  const std::string x_journal = OfDatabase(user_folder.Path() + "Lumadex.jnl", first);
  const std::string y_journal = OfDatabase(user_folder.Path() + "Lumadex.jnl", second);
  ASSERT_NE(x_journal, y_journal) << "the same file name in two folders is two databases";
  EXPECT_EQ(Waiting(x_journal), (std::vector<std::string>{"x0.jww", "x1.jww", "x2.jww"}));
  EXPECT_EQ(Waiting(y_journal), (std::vector<std::string>{"y0.jww", "y1.jww", "y2.jww"}));
  EXPECT_FALSE(platform::FileExists(user_folder.Path() + "Lumadex.jnl"));

  // Back up: each copy's ticks, in either order, store only its own database's launches.
  ASSERT_TRUE(server.Start());
  for (int second_tick = 40; second_tick < 46; second_tick += 2) {
    y.Tick(second_tick);
    x.Tick(second_tick + 1);
  }
  EXPECT_EQ(StoredIn(first), (std::vector<std::string>{"x0.jww", "x1.jww", "x2.jww"}));
  EXPECT_EQ(StoredIn(second), (std::vector<std::string>{"y0.jww", "y1.jww", "y2.jww"}));
  EXPECT_FALSE(platform::FileExists(x_journal));
  EXPECT_FALSE(platform::FileExists(y_journal));
  EXPECT_EQ(x.form.LabelState.Text(), "");
  EXPECT_EQ(y.form.LabelState.Text(), "");
}

// A journal in the older form (no database named) belongs to the database of the first start
// that reads it: renamed to that database's journal, or kept as an extra journal of it when it
// has one in that place already. A start with another database afterwards finds nothing of it.
TEST(JournalPlaces, AJournalOfTheOlderFormIsTakenByTheFirstDatabaseAndNoOther) {
  struct Case {
    const char* what;
    bool in_user_folder;             // where the older journal lies
    bool own_journal_there;          // the first database has a journal of its own there
    bool extra_journal_there;        // and an extra one taken over earlier
    std::vector<std::string> first;  // what the first database gets, in order
  };
  const std::vector<Case> cases = {
      {"beside the program, nothing of the database there", false, false, false, {"old1.jww", "old2.jww"}},
      {"in the user's folder", true, false, false, {"old1.jww", "old2.jww"}},
      {"beside its own journal", false, true, false, {"own.jww", "old1.jww", "old2.jww"}},
      {"beside its own and an extra one", true, true, true, {"own.jww", "extra.jww", "old1.jww", "old2.jww"}},
  };
  headless::HeadlessBackend backend;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TestDatabase first, second;
    {
      db::DataModule setup_first, setup_second;
      testsupport::CreateAndConnect(setup_first, first, true);
      testsupport::CreateAndConnect(setup_second, second, true);
    }
    testsupport::TempFolder program_folder, user_folder;
    const std::string folder = c.in_user_folder ? user_folder.Path() : program_folder.Path();
    const std::string own = OfDatabase(folder + "Lumadex.jnl", first);
    const std::string extra = own.substr(0, own.size() - 4) + ".2.jnl";
    WriteFileBytes(folder + "Lumadex.jnl", JournalOf({"old1.jww", "old2.jww"}));
    if (c.own_journal_there) WriteFileBytes(own, JournalOf({"own.jww"}));
    if (c.extra_journal_there) WriteFileBytes(extra, JournalOf({"extra.jww"}));

    Copy one(first, program_folder.Path(), user_folder.Path());
    one.UseJournal();
    EXPECT_FALSE(platform::FileExists(folder + "Lumadex.jnl")) << "taken over at the start that read it";
    // Listed by one journal only, whatever happens next.
    std::vector<std::string> listed;
    for (const std::string& path : {own, extra, own.substr(0, own.size() - 4) + ".3.jnl"}) {
      for (const std::string& name : Waiting(path)) listed.push_back(name);
    }
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected = c.first;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    Copy other(second, program_folder.Path(), user_folder.Path());
    other.UseJournal();
    other.form.StorePendingLaunches();
    one.Settings();
    one.form.StorePendingLaunches();
    other.Settings();
    other.form.StorePendingLaunches();
    EXPECT_EQ(StoredIn(first), c.first);
    EXPECT_TRUE(StoredIn(second).empty());
    for (const std::string& path : {own, extra, folder + "Lumadex.jnl"}) EXPECT_FALSE(platform::FileExists(path)) << path;
  }
}

// Another database set: the launches seen for the one used until now stay in its journals (in
// both places), nothing of them goes to the new one, and the window's line counts them once
// nothing else is to be said. Back to the first database, they are stored there.
TEST(JournalPlaces, ChangingTheDatabaseLeavesTheOldOnesLaunchesInItsJournals) {
  headless::HeadlessBackend backend;
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  testsupport::TestDatabase first(server.Address(), "FIRST.FDB"), second;
  {
    db::DataModule setup_first, setup_second;
    testsupport::CreateAndConnect(setup_first, first, true);
    testsupport::CreateAndConnect(setup_second, second, true);
  }
  testsupport::TempFolder program_folder, user_folder;
  // A third database's launches wait in the user's folder from an earlier day.
  testsupport::TestDatabase third("localhost/1:", "THIRD.FDB");
  WriteFileBytes(OfDatabase(user_folder.Path() + "Lumadex.jnl", third), JournalOf({"t1.jww", "t2.jww"}));

  ASSERT_TRUE(server.Stop());
  Copy copy(first, program_folder.Path(), user_folder.Path());
  copy.Start();
  EXPECT_EQ(copy.form.LabelState.Text(), "サーバーに接続できません。接続後に登録します（0件待機中）")
      << "the other database's line has the lowest priority";
  for (int k = 0; k < 3; ++k) copy.Tick(k, "f" + std::to_string(k) + ".jww");
  ASSERT_EQ(copy.form.WaitingLaunches(), 3u);
  copy.services.windows.clear();  // closed meanwhile: a check started later does not see them again

  // The settings dialog names the second database, up and answering.
  Copy& now = copy;
  now.ChangeDatabase(second);
  EXPECT_EQ(now.form.WaitingLaunches(), 0u) << "they wait in the first database's journal";
  EXPECT_EQ(Waiting(OfDatabase(program_folder.Path() + "Lumadex.jnl", first)),
            (std::vector<std::string>{"f0.jww", "f1.jww", "f2.jww"}));
  now.form.Show();
  EXPECT_EQ(now.form.LabelState.Text(), "別のデータベース向けの記録が5件あります");
  now.form.Edit1.SetText("1");
  now.form.Button1.Click();
  now.services.AddWindow("s.jww - jw_win");
  now.services.now = {2026, 12, 8, 9, 1, 0};
  now.form.Timer1.Fire();
  EXPECT_EQ(StoredIn(second), std::vector<std::string>{"s.jww"});
  EXPECT_EQ(now.form.LabelState.Text(), "別のデータベース向けの記録が5件あります");

  // Back to the first database, its server up: its launches are stored there, the third's stay.
  ASSERT_TRUE(server.Start());
  now.ChangeDatabase(first);
  now.form.Show();
  EXPECT_EQ(StoredIn(first), (std::vector<std::string>{"f0.jww", "f1.jww", "f2.jww"}));
  EXPECT_EQ(StoredIn(second), std::vector<std::string>{"s.jww"});
  EXPECT_EQ(now.form.LabelState.Text(), "別のデータベース向けの記録が2件あります");
}

// Names: the readable part of the database file's name and a hash of the exact path; no
// database set keeps the name as it is.
TEST(JournalPlaces, TheFileNameTellsTheDatabase) {
  const std::string a = DatabaseFilePath("C:\\Lumadex\\Lumadex.jnl", "server:D:\\DB\\JWWDB.FDB");
  EXPECT_EQ(a.substr(0, 25), "C:\\Lumadex\\Lumadex.JWWDB.");
  EXPECT_EQ(a.substr(a.size() - 4), ".jnl");
  EXPECT_EQ(a.size(), std::string("C:\\Lumadex\\Lumadex.JWWDB.12345678.jnl").size());
  EXPECT_EQ(DatabaseFilePath("C:\\Lumadex\\Lumadex.rej", "server:D:\\DB\\JWWDB.FDB"), a.substr(0, a.size() - 4) + ".rej");
  EXPECT_NE(DatabaseFilePath("Lumadex.jnl", "server:D:\\DB\\JWWDB.FDB"), DatabaseFilePath("Lumadex.jnl", "other:D:\\DB\\JWWDB.FDB"));
  EXPECT_EQ(DatabaseFilePath("Lumadex.jnl", ""), "Lumadex.jnl");
  // The same name on every PC and in every version that reads the folder.
  EXPECT_EQ(DatabaseFilePath("Lumadex.jnl", "server:D:\\DB\\JWWDB.FDB"), "Lumadex.JWWDB.e39b3ed4.jnl");
  EXPECT_EQ(DatabaseFilePath("Lumadex.jnl", "server:D:\\図面\\データ.FDB").substr(0, 11), "Lumadex.DB.");
}

}  // namespace
