// The client calls one action makes, counted by a wrapper around the loaded client functions:
// every call that costs an exchange with the server is a round trip an office far from its
// server waits for, so a call that creeps back in fails here.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/Unit1.h"
#include "app/Forms.h"
#include "app/UnitV.h"
#include "db/ClientLibrary.h"
#include "monitor/JournalPlaces.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "tests/support/db_fixture.h"
#include "tests/support/program_fixture.h"

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

namespace {

std::map<std::string, int> calls;
db::ClientLibrary original;

// One wrapper per counted call: counts under `name`, then passes everything on.
#define LUMADEX_COUNTED(member, name)                                                  \
  template <typename... Args>                                                          \
  ISC_STATUS LUMADEX_FB_CALL Counted_##member(Args... args) {                          \
    ++calls[name];                                                                     \
    return original.member(args...);                                                   \
  }
LUMADEX_COUNTED(attach_database, "attach")
LUMADEX_COUNTED(detach_database, "detach")
LUMADEX_COUNTED(database_info, "database_info")
LUMADEX_COUNTED(execute_immediate, "execute_immediate")
LUMADEX_COUNTED(exec_immed2, "exec_immed2")
LUMADEX_COUNTED(start_multiple, "start")
LUMADEX_COUNTED(commit_transaction, "commit")
LUMADEX_COUNTED(rollback_transaction, "rollback")
LUMADEX_COUNTED(prepare, "prepare")
LUMADEX_COUNTED(execute, "execute")
LUMADEX_COUNTED(execute2, "execute2")
LUMADEX_COUNTED(set_cursor_name, "set_cursor_name")
#undef LUMADEX_COUNTED

// The calls above always cost an exchange (fetches come in batches, statement info and frees
// are answered or sent along by the client library: they are not counted).
int Exchanges() {
  int total = 0;
  for (const auto& [name, count] : calls) total += count;
  return total;
}

class ClientCalls : public testsupport::ProgramFixture {
 protected:
  ClientCalls() {
    db::ClientLibrary& api = const_cast<db::ClientLibrary&>(db::RequireClientLibrary());
    original = api;
    api.attach_database = Counted_attach_database;
    api.detach_database = Counted_detach_database;
    api.database_info = Counted_database_info;
    api.execute_immediate = Counted_execute_immediate;
    api.exec_immed2 = Counted_exec_immed2;
    api.start_multiple = Counted_start_multiple;
    api.commit_transaction = Counted_commit_transaction;
    api.rollback_transaction = Counted_rollback_transaction;
    api.prepare = Counted_prepare;
    api.execute = Counted_execute;
    api.execute2 = Counted_execute2;
    api.set_cursor_name = Counted_set_cursor_name;
  }
  ~ClientCalls() override { const_cast<db::ClientLibrary&>(db::RequireClientLibrary()) = original; }
};

struct Limit {
  const char* action;
  int exchanges;  // at most
};

TEST_F(ClientCalls, OneRegistrationAndOnePageLoadSendOnlyWhatTheyNeed) {
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, true);
  for (int n = 1; n <= 150; ++n) {
    ASSERT_TRUE(Form1->InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {std::to_string(n), "'a'"}));
  }
  monitor::LaunchRegistrar registrar(*Form1);
  db::Launch launch;
  launch.pc_user_name = "設計部";
  launch.local_folder = "C:\\jww\\";
  launch.file_name = "平面図.jww";
  auto register_one = [&] {
    registrar.BeginTick();
    registrar.Register(launch);
    registrar.EndTick();
    ASSERT_TRUE(registrar.Pending().empty());
  };
  register_one();  // the first one of a run also learns the highest number
  Form4->Show();

  // A registration: its transaction, the highest number read with the transaction's own number
  // in one exchange, the insert sent with its text, the commit. The editor's fetch and update:
  // the transaction, one exchange (the row; the update answering the row it changed), the commit.
  // Opening the list: the read transaction, the count in one exchange, the page (prepared, then
  // executed with its rows); 最初 also ends the read transaction the last page left open.
  const Limit limits[] = {{"registration", 4}, {"データ取得", 3}, {"編集登録", 3},
                          {"opening the list", 4}, {"次頁", 4}, {"最初", 5}};
  for (const Limit& limit : limits) {
    SCOPED_TRACE(limit.action);
    calls.clear();
    const std::string action = limit.action;
    if (action == "registration") register_one();
    if (action == "データ取得") {
      Form4->Edit1.SetText("7");
      Form4->Button4.Click();
      EXPECT_EQ(Form4->Edit2.Text(), "a");
    }
    if (action == "編集登録") {
      for (ui::Edit* box : {&Form4->Edit2, &Form4->Edit3, &Form4->Edit4, &Form4->Edit5, &Form4->Edit6,
                            &Form4->Edit7, &Form4->Edit8, &Form4->Edit9}) {
        box->SetText("x");
      }
      Form4->Edit10.SetText("5");
      Form4->Button1.Click();
    }
    if (action == "opening the list") Form5->Show();
    if (action == "最初") Form5->Button1.Click();
    if (action == "次頁") Form5->Button3.Click();
    std::string seen;
    for (const auto& [name, count] : calls) seen += name + "=" + std::to_string(count) + " ";
    EXPECT_LE(Exchanges(), limit.exchanges) << seen;
    EXPECT_EQ(calls["set_cursor_name"], 0) << seen;
    EXPECT_EQ(calls["attach"], 0) << seen;
    std::printf("%s: %s\n", limit.action, seen.c_str());
  }
  EXPECT_EQ(Form5->StringGrid1.Cell(0, 1), "1");
  EXPECT_EQ(Form5->StatusBar1.Text(), "1～100件目 / 全152件");
  EXPECT_EQ(backend.MessageTexts().size(), 1u);  // the update's success, nothing else
  EXPECT_EQ(Form1->CountRows("BOOTJWW", "N = 7 AND PNAME = 'x' AND FILE_SIZE = 5"), 1);
}

// Windows ends a program in the notification area a few seconds after the end of the session:
// the settings are written, a launch waiting for the server stays in the journal for the next
// start, and nothing at all goes to the server (no attach, no insert, not even a detach).
TEST_F(ClientCalls, TheEndOfTheSessionSendsNothingAndKeepsTheWaitingLaunches) {
  // The journal of the database the settings name.
  const std::string journal = monitor::DatabaseFilePath(folder.Path() + "Lumadex.jnl", "localhost/1:" + folder.Path() + "NOWHERE.FDB");
  WriteWholeFile(folder.Path() + "Lumadex.dat", "localhost/1:\r\n" + folder.Path() + "\r\nNOWHERE.FDB\r\n");
  ui::app::Run(*Form1);
  Form1->Button2.Click();
  Form3->Edit1.SetText("1");
  Form3->Button1.Click();
  services.AddWindow("a.jww - jw_win");
  services.now = {2026, 12, 7, 9, 0, 0};
  Form3->Timer1.Fire();
  ASSERT_EQ(Form3->WaitingLaunches(), 1u);
  const std::string waiting = ReadWholeFile(journal);
  ASSERT_FALSE(waiting.empty());

  // The server is back meanwhile: the end of the session still leaves the launch for later.
  testsupport::TestDatabase database;
  testsupport::CreateAndConnect(*Form1, database, true);
  CheckInterval = 42;
  calls.clear();
  Form1->OnEndSession();
  std::string seen;
  for (const auto& [name, count] : calls) seen += name + "=" + std::to_string(count) + " ";
  EXPECT_EQ(Exchanges() + calls["detach"], 0) << seen;
  EXPECT_NE(ReadWholeFile(folder.Path() + "Lumadex.dat").find("\r\n42\r\n"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(journal), waiting);
  EXPECT_FALSE(Form3->Checking()) << "a tick after the end of the session would store it";
  EXPECT_EQ(Form1->CountRows("BOOTJWW", ""), 0);
}

}  // namespace
