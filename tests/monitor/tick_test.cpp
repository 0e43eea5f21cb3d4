// The launch check window driven through the headless toolkit, over fake windows and a real
// database: layout, start and stop, and what each polling tick lists and stores.
#include <gtest/gtest.h>

#include "app/UnitV.h"
#include "monitor/Unit3.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

using namespace monitor_test;

namespace {

const char kIntervalMessage[] = "チェック割込時間は 1～999の整数で入力して下さい";

class TickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::CreateAndConnect(data, database, true);
    PcUserName = "PC1";
    SetJwFolder("C:\\jww");
  }

  void SetJwFolder(const std::string& folder) {
    services.registry_value.status = platform::RegistryValue::Status::Text;
    services.registry_value.text = folder;
  }

  void Start(const std::string& seconds = "1") {
    form.Show();
    form.Edit1.SetText("");
    form.Edit1.Type(seconds);
    form.Button1.Click();
    ASSERT_TRUE(form.Timer1.Enabled());
  }

  // One timer event, as the running timer delivers it.
  void Tick() {
    ASSERT_TRUE(form.Timer1.Enabled()) << "the timer is not armed";
    form.Timer1.Fire();
  }

  std::vector<std::string> Known() { return form.ListBox1.Items(); }
  std::string Entry(const std::string& path, uint32_t handle) {
    return path + " :H" + std::to_string(handle);
  }

  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  testsupport::TestDatabase database;
  db::DataModule data;
  TForm3 form{data, services};
};

TEST_F(TickTest, LayoutOfTheWindow) {
  EXPECT_EQ(form.Text(), "Jw_cad起動チェック");
  EXPECT_EQ(form.Left(), 192);
  EXPECT_EQ(form.Top(), 107);
  EXPECT_EQ(form.ClientWidth(), 465);
  EXPECT_EQ(form.ClientHeight(), 260);  // a line under the buttons says what keeps launches waiting
  EXPECT_EQ(form.LabelState.Top(), 240);
  EXPECT_EQ(form.GetBorder(), ui::Border::Single);
  EXPECT_FALSE(form.MaximizeBox());
  EXPECT_EQ(form.Color(), ui::kWhite);
  EXPECT_EQ(form.Panel1.Color(), 15461355u);
  EXPECT_EQ(form.Panel1.Width(), 449);
  EXPECT_EQ(form.Panel1.Height(), 193);
  EXPECT_EQ(form.Edit1.Parent(), &form.Panel1);
  EXPECT_EQ(form.Edit1.MaxLength(), 3);
  EXPECT_TRUE(form.Edit1.ImeOff());
  EXPECT_EQ(form.Edit1.TabOrder(), 0);
  EXPECT_EQ(form.Label4.Text(), "チェック割込時間：");
  EXPECT_EQ(form.Label5.Text(), "秒");
  EXPECT_FALSE(form.LabelA.Visible());
  EXPECT_FALSE(form.LabelB.Visible());
  EXPECT_FALSE(form.LabelC.Visible());
  EXPECT_FALSE(form.ListBox2.Visible());
  EXPECT_TRUE(form.ListBox1.Visible());
  EXPECT_EQ(form.ListBox1.ItemHeight(), 13);
  EXPECT_EQ(form.ListBox1.Width(), 433);
  EXPECT_EQ(form.Button1.Text(), "起動チェック開始(&C)");
  EXPECT_EQ(form.Button2.Text(), "中断(&S)");
  EXPECT_EQ(form.Button3.Text(), "閉じる(&X)");
  EXPECT_EQ(form.Button1.TabOrder(), 0);
  EXPECT_EQ(form.Button2.TabOrder(), 1);
  EXPECT_EQ(form.Button3.TabOrder(), 2);
  EXPECT_EQ(form.DefaultButton(), &form.Button1);
  EXPECT_EQ(form.CancelButton(), &form.Button3);
  EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(TickTest, IntervalMustBeOneTo999) {
  CheckInterval = 25;
  form.Show();
  EXPECT_EQ(form.Edit1.Text(), "25");
  EXPECT_TRUE(form.Edit1.Focused());
  for (const char* typed : {"0", "", "abc", "-5"}) {
    form.Edit1.SetText(typed);
    form.Button2.Click();  // keeps the field enabled between attempts
    form.Button1.Click();
    EXPECT_FALSE(form.Timer1.Enabled()) << typed;
    EXPECT_TRUE(form.Edit1.Enabled()) << typed;
    EXPECT_TRUE(form.Edit1.Focused()) << typed;
  }
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>(4, kIntervalMessage));
  EXPECT_EQ(CheckInterval, 25);

  form.Edit1.SetText("");
  form.Edit1.Type("9999");  // a fourth character cannot be typed
  EXPECT_EQ(form.Edit1.Text(), "999");
  form.PressEnter();
  EXPECT_EQ(backend.MessageTexts().size(), 4u);
  EXPECT_EQ(CheckInterval, 999);
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_EQ(form.Timer1.Interval(), 999000);
  EXPECT_FALSE(form.Edit1.Enabled());

  form.Button2.Click();
  EXPECT_FALSE(form.Timer1.Enabled());
  EXPECT_EQ(form.Timer1.Interval(), 0);
  EXPECT_TRUE(form.Edit1.Enabled());
}

TEST_F(TickTest, ShowChecksTheDatabase) {
  // Connected, table missing: it is created and the check can start.
  testsupport::TestDatabase fresh;
  db::DataModule other;
  testsupport::CreateAndConnect(other, fresh, false);
  TForm3 window(other, services);
  window.Show();
  EXPECT_TRUE(window.Button1.Enabled());
  EXPECT_TRUE(other.TableExists("BOOTJWW"));
  EXPECT_TRUE(window.Edit1.Focused());

  // Table missing and its creation refused: the check still starts, and its launches wait.
  testsupport::TestDatabase locked;
  db::DataModule third;
  testsupport::CreateAndConnect(third, locked, false);
  testsupport::OtherPc admin(locked.ConnectionPath());
  ASSERT_TRUE(admin.Execute("CREATE EXCEPTION NO_TABLES 'no new tables'"));
  ASSERT_TRUE(admin.Execute("CREATE TRIGGER NO_CREATE BEFORE CREATE TABLE AS BEGIN EXCEPTION NO_TABLES; END"));
  third.DisconnectDatabase();  // an attachment reads the database triggers when it starts
  third.ConnectDatabase(locked.Settings());
  ASSERT_TRUE(third.Connected());
  TForm3 refused(third, services);
  refused.Show();
  EXPECT_TRUE(refused.Button1.Enabled());
  EXPECT_FALSE(third.TableExists("BOOTJWW"));

  // Not connected: the check can start, and the line under the buttons says why nothing is
  // stored yet; no box interrupts.
  data.DisconnectDatabase();
  form.Show();
  EXPECT_TRUE(form.Button1.Enabled());
  EXPECT_EQ(form.LabelState.Text(), "サーバーに接続できません。接続後に登録します（0件待機中）");
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(TickTest, FirstScanOneIntervalAfterStartThenEveryNewDrawingOnce) {
  services.AddFile("C:\\jww\\図面1.jww", {2026, 1, 5, 9, 0, 1}, 2048);
  uint32_t one = services.AddWindow("図面1.jww - jw_win");
  services.AddWindow("メモ帳");
  uint32_t two = services.AddWindow("図面2.jww - jw_win");
  Start("3");
  EXPECT_EQ(form.Timer1.Interval(), 3000);
  EXPECT_EQ(services.enumerations, 0);  // nothing scanned at the start itself
  EXPECT_TRUE(Known().empty());

  services.now = {2026, 12, 7, 8, 5, 9};
  Tick();
  EXPECT_EQ(Known(), (std::vector<std::string>{Entry("C:\\jww\\図面1.jww", one),
                                               Entry("C:\\jww\\図面2.jww", two)}));
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_EQ(form.Timer1.Interval(), 3000);

  services.now = {2026, 12, 7, 8, 5, 12};
  Tick();  // nothing new
  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Numbers(rows), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(FileNames(rows), (std::vector<std::string>{"図面1.jww", "図面2.jww"}));
  for (const auto& row : rows) {
    EXPECT_EQ(row[kBootDate], "2026/12/07");
    EXPECT_EQ(row[kBootTime], "08:05:09");
    EXPECT_EQ(row[kPname], "PC1");
    EXPECT_EQ(row[kLFolder], "C:\\jww\\");
  }
  EXPECT_EQ(rows[0][kFileSize], "2048");
  EXPECT_EQ(rows[0][kFileTime], "09:00:00");
  EXPECT_EQ(rows[1][kFileSize], "");  // no such file in the folder: stored all the same
}

TEST_F(TickTest, ListFollowsTheWindows) {
  uint32_t a = services.AddWindow("a.jww - jw_win");
  uint32_t b = services.AddWindow("b.jww - jw_win");
  uint32_t c = services.AddWindow("c.jww - jw_win");
  Start();
  Tick();
  ASSERT_EQ(ReadLaunchRows(data).size(), 3u);

  services.Retitle(a, "A.JWW - jw_win");  // case only: the same drawing
  SetJwFolder("D:\\other");                 // another folder: the old text stays
  Tick();
  EXPECT_EQ(Known(), (std::vector<std::string>{Entry("C:\\jww\\a.jww", a), Entry("C:\\jww\\b.jww", b),
                                               Entry("C:\\jww\\c.jww", c)}));
  EXPECT_EQ(ReadLaunchRows(data).size(), 3u);

  services.Retitle(b, "d.jww - jw_win");  // another drawing in the same window
  services.Retitle(c, "無題 - jw_win");   // an untitled drawing is not listed
  Tick();
  EXPECT_EQ(Known(), (std::vector<std::string>{Entry("C:\\jww\\a.jww", a), Entry("D:\\other\\d.jww", b)}));

  services.Retitle(c, "c.jww - jw_win");  // named again: a new launch
  services.RemoveWindow(a);
  uint32_t again = services.AddWindow("a.jww - jw_win");  // closed and opened again
  Tick();
  EXPECT_EQ(Known(), (std::vector<std::string>{Entry("D:\\other\\d.jww", b), Entry("D:\\other\\c.jww", c),
                                               Entry("D:\\other\\a.jww", again)}));
  EXPECT_EQ(FileNames(ReadLaunchRows(data)),
            (std::vector<std::string>{"a.jww", "b.jww", "c.jww", "d.jww", "c.jww", "a.jww"}));
}

TEST_F(TickTest, FileSelectionWindowPausesUntilItCloses) {
  uint32_t a = services.AddWindow("a.jww - jw_win");
  Start();
  Tick();
  uint32_t dialog = services.AddWindow("ファイル選択", true, true);
  services.RemoveWindow(a);
  uint32_t b = services.AddWindow("b.jww - jw_win");
  services.now.second = 50;
  Tick();
  Tick();
  EXPECT_EQ(Known(), std::vector<std::string>{Entry("C:\\jww\\a.jww", a)});
  EXPECT_EQ(form.ListBox2.Items(), std::vector<std::string>{Entry("C:\\jww\\a.jww", a)});
  EXPECT_EQ(ReadLaunchRows(data).size(), 1u);
  EXPECT_TRUE(form.Timer1.Enabled());

  services.RemoveWindow(dialog);
  services.now.second = 55;
  Tick();
  EXPECT_EQ(Known(), std::vector<std::string>{Entry("C:\\jww\\b.jww", b)});
  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][kFileName], "b.jww");
  EXPECT_EQ(rows[1][kBootTime], "10:15:55");
}

TEST_F(TickTest, StopKeepsTheListAndReopeningStartsAfresh) {
  services.AddWindow("a.jww - jw_win");
  Start("2");
  Tick();
  form.Button2.Click();  // stop
  uint32_t b = services.AddWindow("b.jww - jw_win");
  form.Button1.Click();  // start again with the same field
  Tick();
  EXPECT_EQ(Known().size(), 2u);
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), (std::vector<std::string>{"a.jww", "b.jww"}));

  // Closed while running, はい to the question: the timer stops, the field stays disabled with
  // its text.
  backend.answers.push_back(ui::Answer::Yes);
  form.PressEscape();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_TRUE(backend.messages[0].question);
  EXPECT_EQ(backend.messages[0].text, "起動チェック中です。閉じると図面の記録が止まります。閉じますか？");
  backend.ClearMessages();
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Timer1.Enabled());
  form.Show();
  EXPECT_TRUE(Known().empty());
  EXPECT_FALSE(form.Edit1.Enabled());
  EXPECT_EQ(form.Edit1.Text(), "2");
  EXPECT_TRUE(form.Button1.Enabled());
  form.Button1.Click();
  EXPECT_EQ(form.Timer1.Interval(), 2000);
  Tick();  // every open drawing counts as newly opened again
  EXPECT_EQ(FileNames(ReadLaunchRows(data)),
            (std::vector<std::string>{"a.jww", "b.jww", "a.jww", "b.jww"}));
  EXPECT_EQ(form.ListBox1.Items().back(), Entry("C:\\jww\\b.jww", b));
  form.Button2.Click();
  EXPECT_TRUE(form.Edit1.Enabled());
}

}  // namespace
