// The record list's status bar (the rows the page holds, of how many match) and its page
// buttons, which take no input while a page loads.
#include <gtest/gtest.h>

#include <string>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "records/Unit5.h"
#include "tests/records/records_fixture.h"
#include "tests/support/db_fixture.h"

using records_test::RecordsFixture;

namespace {

class PageStatusTest : public RecordsFixture {
 protected:
  std::string Status() { return Form5->StatusBar1.Text(); }
  std::string ConnectionPath() { return ::ServerName + ::ServerFolder + ::DatabaseName; }
};

TEST_F(PageStatusTest, FirstMiddleAndLastPageAndPastTheEnd) {
  CreateFreshDatabase();
  InsertSampleRows(1, 250);
  Form1->Button4Click();
  EXPECT_EQ(Status(), "1～100件目 / 全250件");
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "101～200件目 / 全250件");
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "201～250件目 / 全250件");
  Form5->Button3.Click();  // an empty page after the last row
  EXPECT_EQ(Status(), "全250件");
  Form5->Button2.Click();
  EXPECT_EQ(Status(), "151～250件目 / 全250件");
  Form5->ComboBox1.Choose(1);  // another order starts at the first page again
  EXPECT_EQ(Status(), "1～100件目 / 全250件");
  EXPECT_EQ(Form5->StringGrid1.Cell(0, 1), "250");
}

TEST_F(PageStatusTest, CountKeptWhileTurningPagesFollowsWhatThePagesSee) {
  CreateFreshDatabase();
  InsertSampleRows(1, 250);
  Form1->Button4Click();
  EXPECT_EQ(Status(), "1～100件目 / 全250件");
  // Another PC stores thirty launches: the next page still tells the count taken with the first,
  // the last page shows where the rows end now.
  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  ASSERT_TRUE(other.Execute(
      "EXECUTE BLOCK AS DECLARE n INTEGER = 251; BEGIN WHILE (n <= 280) DO BEGIN "
      "INSERT INTO BOOTJWW (N, PNAME) VALUES (:n, 'other'); n = n + 1; END END"));
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "101～200件目 / 全250件");
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "201～280件目 / 全280件");
  // 更新 counts again.
  ASSERT_TRUE(other.Execute("DELETE FROM BOOTJWW WHERE N <= 50"));
  Form5->Button4.Click();
  EXPECT_EQ(Status(), "201～230件目 / 全230件");
  Form5->Button1.Click();
  EXPECT_EQ(Status(), "1～100件目 / 全230件");
}

TEST_F(PageStatusTest, EmptyTableFilterAndNoConnection) {
  CreateFreshDatabase();
  Form1->Button4Click();
  EXPECT_EQ(Status(), "全0件");
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "全0件");

  InsertSampleRows(1, 250);
  // 図面1, 図面10 to 図面19 and 図面100 to 図面199: 111 of the 250 file names.
  Form5->Edit1.SetText("図面1");
  Form5->ComboBox2.Choose(4);
  EXPECT_EQ(Status(), "1～100件目 / 全111件");
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "101～111件目 / 全111件");
  Form5->Edit1.SetText("該当なし");
  Form5->Edit1.DoubleClick();
  EXPECT_EQ(Status(), "全0件");
  Form5->ComboBox2.Choose(0);  // no filter
  EXPECT_EQ(Status(), "1～100件目 / 全250件");

  Form5->Close();
  Form1->DisconnectDatabase();
  Form1->Button4Click();
  EXPECT_EQ(Status(), "");
}

TEST_F(PageStatusTest, FilterCountsTheRowsShownNotWhatTheServerMatchesByByte) {
  CreateFreshDatabase();
  // "ア" is 0x83 0x41: the server's LIKE finds "A" in it, the list does not show such rows.
  const char* const names[] = {"アクト図.jww", "A図面.jww", "アクト図2.jww", "図面A.jww", "アA.jww"};
  for (int n = 1; n <= 150; ++n) {
    records_test::Literals row = records_test::SampleRow(n);
    row[4] = "'" + std::string(names[n % 5]) + "'";
    Insert(row);
  }
  Form1->Button4Click();
  Form5->Edit1.SetText("A");
  Form5->ComboBox2.Choose(4);
  EXPECT_EQ(Status(), "1～90件目 / 全90件");
  Form5->ComboBox1.Choose(1);  // numbers downwards: the same rows
  EXPECT_EQ(Status(), "1～90件目 / 全90件");
  // 301 rows, near misses among them: the page after the first counts on by shown rows.
  InsertSampleRows(151, 301);
  Form5->Button1.Click();
  EXPECT_EQ(Status(), "1～90件目 / 全90件");
  Form5->Edit1.SetText("図面");
  Form5->Edit1.DoubleClick();
  EXPECT_EQ(Status(), "1～100件目 / 全211件");
  Form5->Button3.Click();
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "201～211件目 / 全211件");
}

TEST_F(PageStatusTest, PressesDuringALoadStartNoFurtherLoad) {
  CreateFreshDatabase();
  InsertSampleRows(1, 250);
  Form1->Button4Click();
  int loads = 0;
  backend.on_busy = [&] {
    ++loads;
    // Clicked while the page loads: the buttons and entries take nothing.
    for (int i = 0; i < 100; ++i) Form5->Button3.Click();
    Form5->ComboBox1.Choose(3);
    Form5->Edit1.Type("x");
    // Pressed meanwhile and waiting in the queue: dropped when the load ends.
    for (int i = 0; i < 100; ++i) backend.queued_input.push_back({Form5, [] { Form5->Button3.Click(); }});
  };
  Form5->Button3.Click();
  backend.on_busy = nullptr;
  backend.DeliverQueuedInput();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Form5->StartRow, 101);
  EXPECT_EQ(Status(), "101～200件目 / 全250件");
  EXPECT_EQ(Form5->ComboBox1.ItemIndex(), 0);
  EXPECT_EQ(Form5->Edit1.Text(), "");
  // And they take input again afterwards.
  EXPECT_TRUE(Form5->Button3.Enabled() && Form5->ComboBox1.Enabled() && Form5->Edit1.Enabled());
  Form5->Button3.Click();
  EXPECT_EQ(Status(), "201～250件目 / 全250件");
}

}  // namespace
