// The summary window against a real database: every grouping's rows for a period, the period
// buttons, the chart of the days, the bars, the export file, and what bad dates get.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Unit1.h"
#include "db/Statements.h"
#include "platform/headless/chart_recorder.h"
#include "records/Unit6.h"
#include "tests/records/records_fixture.h"
#include "tests/support/db_fixture.h"

using records_test::Literals;
using records_test::RecordsFixture;

namespace {

using Row = std::vector<std::string>;  // one grid row: key, launches, drawings, users, first, last

const std::string kFolderA = "\\\\srv\\案件A\\";
const std::string kFolderB = "\\\\srv\\案件B\\";

class SummaryTest : public RecordsFixture {
 protected:
  // Three users (one with a quote in the name), two project folders, days on both sides of the
  // turn of November and December 2026 and of the year, one drawing opened again and again, and
  // NULLs in a user, a folder and a time. The fake clock says 2026/12/07.
  void InsertKnownRows() {
    struct Launch {
      int n;
      const char* user;    // nullptr: NULL
      const std::string* folder;
      const char* file;
      const char* date;
      const char* time;
    } launches[] = {
        {1, "田中", &kFolderA, "平面図.jww", "2026/11/29", "09:00:00"},
        {2, "田中", &kFolderA, "平面図.jww", "2026/11/30", "10:00:00"},
        {3, "鈴木", &kFolderA, "平面図.jww", "2026/12/01", "08:30:00"},
        {4, "田中", &kFolderA, "平面図.jww", "2026/12/01", "13:00:00"},
        {5, "O'Brien", &kFolderA, "平面図.jww", "2026/12/02", "17:45:10"},
        {6, "鈴木", &kFolderB, "立面図.jww", "2026/12/02", "09:15:00"},
        {7, "O'Brien", &kFolderB, "断面'図.jww", "2026/12/05", "11:00:00"},
        {8, nullptr, &kFolderB, "立面図.jww", "2026/12/05", nullptr},
        {9, "鈴木", nullptr, "配置図.jww", "2026/12/31", "23:59:59"},
        {10, "田中", &kFolderA, "平面図.jww", "2027/01/01", "00:00:01"},
        {11, "田中", &kFolderA, "平面図.jww", "2026/11/01", "07:00:00"},
    };
    auto literal = [](const char* text) { return text ? db::QuoteLiteral(text) : std::string("NULL"); };
    for (const Launch& l : launches) {
      Insert({std::to_string(l.n), literal(l.user), "'C:\\jww\\'",
              l.folder ? db::QuoteLiteral(*l.folder) : "NULL", literal(l.file), literal(l.date),
              literal(l.time), "'2026/10/01'", "'12:00:00'", "100"});
    }
  }

  void Open() {
    CreateFreshDatabase();
    InsertKnownRows();
    Form1->Button7Click();
    ASSERT_TRUE(Form6->Visible());
  }

  void Period(const std::string& from, const std::string& to) {
    Form6->Edit1.SetText(from);
    Form6->Edit2.SetText(to);
  }

  std::vector<Row> GridRows() {
    std::vector<Row> rows;
    for (int row = 1; row < Form6->StringGrid1.RowCount(); ++row) {
      Row cells;
      for (int col : {0, 1, 3, 4, 5, 6}) cells.push_back(Form6->StringGrid1.Cell(col, row));  // 2: the bar
      if (cells != Row(6, "")) rows.push_back(cells);
    }
    return rows;
  }
};

TEST_F(SummaryTest, EveryGroupingCountsThePeriodExactly) {
  Open();
  struct Case {
    int entry;
    const char* from;
    const char* to;
    const char* header;
    std::vector<Row> rows;
    const char* status;
  } cases[] = {
      {0, "2026/12/01", "2026/12/31", "PC利用者名",
       {{"鈴木", "3", "3", "1", "2026/12/01 08:30:00", "2026/12/31 23:59:59"},
        {"O'Brien", "2", "2", "1", "2026/12/02 17:45:10", "2026/12/05 11:00:00"},
        {"", "1", "1", "0", "2026/12/05", "2026/12/05"},  // NULL user; a launch without a time
        {"田中", "1", "1", "1", "2026/12/01 13:00:00", "2026/12/01 13:00:00"}},
       "4件のグループ / 起動回数 7件"},
      {1, "2026/12/01", "2026/12/31", "展開フォルダ名",
       {{kFolderA, "3", "1", "3", "2026/12/01 08:30:00", "2026/12/02 17:45:10"},
        {kFolderB, "3", "2", "2", "2026/12/02 09:15:00", "2026/12/05 11:00:00"},
        {"", "1", "1", "1", "2026/12/31 23:59:59", "2026/12/31 23:59:59"}},
       "3件のグループ / 起動回数 7件"},
      {2, "2026/12/01", "2026/12/31", "ファイル名",
       {{"平面図.jww", "3", "1", "3", "2026/12/01 08:30:00", "2026/12/02 17:45:10"},
        {"立面図.jww", "2", "1", "1", "2026/12/02 09:15:00", "2026/12/05"},
        {"断面'図.jww", "1", "1", "1", "2026/12/05 11:00:00", "2026/12/05 11:00:00"},
        {"配置図.jww", "1", "1", "1", "2026/12/31 23:59:59", "2026/12/31 23:59:59"}},
       "4件のグループ / 起動回数 7件"},
      {3, "2026/11/30", "2026/12/02", "起動日付",
       {{"2026/12/01", "2", "1", "2", "2026/12/01 08:30:00", "2026/12/01 13:00:00"},
        {"2026/12/02", "2", "2", "2", "2026/12/02 09:15:00", "2026/12/02 17:45:10"},
        {"2026/11/30", "1", "1", "1", "2026/11/30 10:00:00", "2026/11/30 10:00:00"}},
       "3件のグループ / 起動回数 5件"},
      {4, "2026/11/01", "2027/01/31", "起動月",
       {{"2026/12", "7", "4", "3", "2026/12/01 08:30:00", "2026/12/31 23:59:59"},
        {"2026/11", "3", "1", "1", "2026/11/01 07:00:00", "2026/11/30 10:00:00"},
        {"2027/01", "1", "1", "1", "2027/01/01 00:00:01", "2027/01/01 00:00:01"}},
       "3件のグループ / 起動回数 11件"},
      {0, "2025/01/01", "2025/12/31", "PC利用者名", {}, "0件のグループ / 起動回数 0件"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header + std::string(" ") + c.from);
    Period(c.from, c.to);
    Form6->ComboBox1.Choose(c.entry);
    EXPECT_EQ(Form6->StringGrid1.Cell(0, 0), c.header);
    EXPECT_EQ(GridRows(), c.rows);
    EXPECT_EQ(Form6->StatusBar1.Text(), c.status);
  }
  EXPECT_TRUE(backend.messages.empty());
}

// Grouped by the day, the days come from the groups (the period read once); every other grouping
// reads them beside its groups. The days, the total and the chart are the same whichever grouping
// is chosen.
TEST_F(SummaryTest, EveryGroupingShowsTheSameDays) {
  Open();
  using Day = std::pair<std::string, long long>;
  const struct Case {
    const char* from;
    const char* to;
    std::vector<Day> days;
  } cases[] = {
      {"2026/11/30", "2026/12/02", {{"2026/11/30", 1}, {"2026/12/01", 2}, {"2026/12/02", 2}}},
      {"2026/12/05", "2026/12/05", {{"2026/12/05", 2}}},  // a NULL user and a launch without a time
      {"2026/11/01", "2027/01/31",
       {{"2026/11/01", 1}, {"2026/11/29", 1}, {"2026/11/30", 1}, {"2026/12/01", 2}, {"2026/12/02", 2},
        {"2026/12/05", 2}, {"2026/12/31", 1}, {"2027/01/01", 1}}},
      {"2025/01/01", "2025/12/31", {}},
  };
  for (const Case& c : cases) {
    long long total = 0;
    for (const Day& day : c.days) total += day.second;
    for (int entry = 0; entry < 5; ++entry) {
      SCOPED_TRACE(std::string(c.from) + " grouping " + std::to_string(entry));
      Period(c.from, c.to);
      Form6->ComboBox1.Choose(entry);
      std::vector<Day> shown;
      for (const db::SummaryDay& day : Form6->ShownSummary().days) shown.push_back({day.date, day.launches});
      EXPECT_EQ(shown, c.days);
      EXPECT_EQ(Form6->ShownSummary().launches, total);
      long long charted = 0;
      for (const ui::ChartBar& bar : Form6->Chart1.Bars()) charted += bar.value;
      EXPECT_EQ(charted, total);
    }
  }
  EXPECT_TRUE(backend.messages.empty());
}

// Read once (a period of two months) or twice (four months), the same launches give the same
// groups, days and total in every grouping: no launch lies in September or October.
TEST_F(SummaryTest, ReadOnceOrTwiceTheSameLaunchesGiveTheSameSummary) {
  Open();
  auto summary_of = [&](const char* from, const char* to, int entry) {
    Period(from, to);
    Form6->ComboBox1.Choose(entry);
    const db::Summary& summary = Form6->ShownSummary();
    std::vector<std::string> lines;
    for (const db::SummaryGroup& g : summary.groups) {
      lines.push_back(g.key + "|" + std::to_string(g.launches) + "|" + std::to_string(g.drawings) + "|" +
                      std::to_string(g.users) + "|" + g.first + "|" + g.last);
    }
    for (const db::SummaryDay& d : summary.days) lines.push_back(d.date + "|" + std::to_string(d.launches));
    lines.push_back(std::to_string(summary.launches));
    return lines;
  };
  for (int entry = 0; entry < 5; ++entry) {
    SCOPED_TRACE("grouping " + std::to_string(entry));
    const std::vector<std::string> once = summary_of("2026/11/01", "2026/12/31", entry);
    const std::vector<std::string> twice = summary_of("2026/09/01", "2026/12/31", entry);
    EXPECT_GT(once.size(), 3u);
    EXPECT_EQ(once, twice);
  }
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(SummaryTest, OpensOnThisMonthAndThePeriodButtonsMoveByMonths) {
  Open();
  EXPECT_EQ(Form6->Text(), "集計");
  EXPECT_EQ(Form6->Edit1.Text(), "2026/12/01");
  EXPECT_EQ(Form6->Edit2.Text(), "2026/12/31");
  EXPECT_EQ(Form6->StatusBar1.Text(), "4件のグループ / 起動回数 7件");
  struct Step {
    ui::Button* button;
    const char* from;
    const char* to;
    const char* status;
  } steps[] = {
      {&Form6->Button1, "2026/11/01", "2026/11/30", "1件のグループ / 起動回数 3件"},
      {&Form6->Button3, "2026/12/01", "2026/12/31", "4件のグループ / 起動回数 7件"},
      {&Form6->Button3, "2027/01/01", "2027/01/31", "1件のグループ / 起動回数 1件"},
      {&Form6->Button3, "2027/02/01", "2027/02/28", "0件のグループ / 起動回数 0件"},
      {&Form6->Button2, "2026/12/01", "2026/12/31", "4件のグループ / 起動回数 7件"},
  };
  for (const Step& step : steps) {
    step.button->Click();
    EXPECT_EQ(Form6->Edit1.Text(), step.from);
    EXPECT_EQ(Form6->Edit2.Text(), step.to);
    EXPECT_EQ(Form6->StatusBar1.Text(), step.status) << step.from;
  }
  // From a day in the middle of a leap year's March, back to the whole of February.
  Period("2024/03/15", "2024/03/20");
  Form6->Button1.Click();
  EXPECT_EQ(Form6->Edit1.Text(), "2024/02/01");
  EXPECT_EQ(Form6->Edit2.Text(), "2024/02/29");
  // From January back over the turn of the year.
  Period("2027/01/10", "2027/01/10");
  Form6->Button1.Click();
  EXPECT_EQ(Form6->Edit1.Text(), "2026/12/01");
  EXPECT_EQ(Form6->Edit2.Text(), "2026/12/31");
  // Hidden and shown again, the window keeps the period the user chose.
  Form6->Button3.Click();
  Form6->Close();
  Form1->Button7Click();
  EXPECT_EQ(Form6->Edit1.Text(), "2027/01/01");
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(SummaryTest, ChartHasEveryDayOfThePeriodAndEachRowABar) {
  Open();
  const std::vector<ui::ChartBar>& bars = Form6->Chart1.Bars();
  ASSERT_EQ(bars.size(), 31u);
  std::vector<long long> per_day(31, 0);
  per_day[0] = 2;
  per_day[1] = 2;
  per_day[4] = 2;
  per_day[30] = 1;
  for (int day = 0; day < 31; ++day) EXPECT_EQ(bars[day].value, per_day[day]) << day + 1;
  EXPECT_EQ(bars[0].label, "12/1");
  EXPECT_EQ(bars[30].label, "31");

  // What the chart draws at its size: four bars, the days and counts readable beside them.
  const headless::ChartRecorder& chart = headless::ChartRecorder::Of(Form6->Chart1);
  std::vector<ui::ChartMark> drawn_bars;
  std::vector<std::string> texts;
  for (const ui::ChartMark& mark : chart.Drawn()) {
    if (mark.kind == ui::ChartMark::Kind::Bar) drawn_bars.push_back(mark);
    if (mark.kind == ui::ChartMark::Kind::Text) texts.push_back(mark.text);
  }
  ASSERT_EQ(drawn_bars.size(), 4u);
  const int high = drawn_bars[0].bottom - drawn_bars[0].top;
  const int low = drawn_bars[3].bottom - drawn_bars[3].top;
  EXPECT_GT(high, 50);
  EXPECT_NEAR(low * 2, high, 2);
  for (const ui::ChartMark& bar : drawn_bars) {
    EXPECT_GE(bar.left, 0);
    EXPECT_LE(bar.right, Form6->Chart1.Width());
    EXPECT_GT(bar.right, bar.left);
  }
  EXPECT_LT(drawn_bars[0].right, drawn_bars[1].left);  // days apart
  EXPECT_NE(std::find(texts.begin(), texts.end(), "12/1"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "2"), texts.end());
  // No two texts drawn over each other.
  std::vector<ui::ChartMark> text_marks;
  for (const ui::ChartMark& mark : chart.Drawn()) {
    if (mark.kind != ui::ChartMark::Kind::Text) continue;
    for (const ui::ChartMark& other : text_marks) {
      const bool overlap = mark.left < other.right && other.left < mark.right && mark.top < other.bottom &&
                           other.top < mark.bottom;
      EXPECT_FALSE(overlap) << mark.text << " over " << other.text;
    }
    text_marks.push_back(mark);
  }

  // The grid's bars follow the counts: 3 of 3, 2 of 3, 1 of 3.
  EXPECT_EQ(Form6->StringGrid1.BarColumn(), 2);
  EXPECT_EQ(Form6->StringGrid1.Cell(2, 0), "グラフ");
  EXPECT_EQ(Form6->StringGrid1.Cell(2, 1), "");
  EXPECT_DOUBLE_EQ(Form6->StringGrid1.RowBar(1), 1.0);
  EXPECT_DOUBLE_EQ(Form6->StringGrid1.RowBar(2), 2.0 / 3);
  EXPECT_DOUBLE_EQ(Form6->StringGrid1.RowBar(4), 1.0 / 3);

  // A period without launches: no bar, the chart says so.
  Form6->Button3.Click();
  Form6->Button3.Click();
  ASSERT_EQ(chart.Drawn().size(), 1u);
  EXPECT_EQ(chart.Drawn()[0].text, "この期間の起動はありません");
  EXPECT_DOUBLE_EQ(Form6->StringGrid1.RowBar(1), 0.0);
}

TEST_F(SummaryTest, ExportWritesTheShownSummaryByteForByte) {
  Open();
  Form6->ComboBox1.Choose(1);
  const std::string path = folder.Path() + "集計";
  backend.file_answers.push_back({true, path});
  Form6->Button5.Click();
  ASSERT_EQ(backend.file_dialogs.size(), 1u);
  EXPECT_EQ(backend.file_dialogs[0].Filter, "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv");
  EXPECT_TRUE(backend.file_dialogs[0].OverwritePrompt);
  EXPECT_EQ(testsupport::ReadWholeFile(path + ".txt"),
            "展開フォルダ名\t起動回数\t図面数\t利用者数\t最初\t最後\t\r\n" + kFolderA +
                "\t3\t1\t3\t2026/12/01 08:30:00\t2026/12/02 17:45:10\t\r\n" + kFolderB +
                "\t3\t2\t2\t2026/12/02 09:15:00\t2026/12/05 11:00:00\t\r\n"
                "\t1\t1\t1\t2026/12/31 23:59:59\t2026/12/31 23:59:59\t\r\n");
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"3件のグループを書き出しました。"});

  // A name with an extension stays; a folder that is not there leaves nothing and says so.
  backend.ClearMessages();
  Form6->ComboBox1.Choose(4);
  backend.file_answers.push_back({true, folder.Path() + "month.csv"});
  Form6->Button5.Click();
  EXPECT_EQ(testsupport::ReadWholeFile(folder.Path() + "month.csv"),
            "起動月\t起動回数\t図面数\t利用者数\t最初\t最後\t\r\n"
            "2026/12\t7\t4\t3\t2026/12/01 08:30:00\t2026/12/31 23:59:59\t\r\n");
  backend.ClearMessages();
  backend.file_answers.push_back({true, folder.Path() + "missing/x.txt"});
  Form6->Button5.Click();
  EXPECT_EQ(backend.MessageTexts(),
            std::vector<std::string>{"ファイルを書き出せませんでした。元のファイルは変更していません。"});
}

TEST_F(SummaryTest, BadDatesAreRefusedWithAMessageAndNothingIsCounted) {
  Open();
  struct Case {
    const char* from;
    const char* to;
    const char* message;
    ui::Edit* focused;
  } cases[] = {
      {"2026/12/1", "2026/12/31", "日付は yyyy/mm/dd の形で入力して下さい。", &Form6->Edit1},
      {"2026/12/01", "2026/02/30", "日付は yyyy/mm/dd の形で入力して下さい。", &Form6->Edit2},
      {"2026-12-01", "2026/12/31", "日付は yyyy/mm/dd の形で入力して下さい。", &Form6->Edit1},
      {"2026/12/01'", "2026/12/31", "日付は yyyy/mm/dd の形で入力して下さい。", &Form6->Edit1},
      {"", "", "日付は yyyy/mm/dd の形で入力して下さい。", &Form6->Edit1},
      {"2026/12/31", "2026/12/01", "期間の終わりの日付が始めの日付より前です。", &Form6->Edit2},
  };
  for (const Case& c : cases) {
    backend.ClearMessages();
    Period(c.from, c.to);
    Form6->Button4.Click();
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{c.message}) << c.from << " " << c.to;
    EXPECT_TRUE(c.focused->Focused()) << c.from << " " << c.to;
    // The summary shown before stays.
    EXPECT_EQ(Form6->StatusBar1.Text(), "4件のグループ / 起動回数 7件");
  }
}

TEST_F(SummaryTest, WithoutAConnectionTheWindowSaysSo) {
  CreateFreshDatabase();
  Form1->DisconnectDatabase();
  Form1->Button7Click();
  EXPECT_EQ(Form6->StatusBar1.Text(), "データベースに接続されていません");
  EXPECT_TRUE(Form6->ShownSummary().groups.empty());
  backend.ClearMessages();
  Form6->Button5.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"先に表示して下さい。"});
  EXPECT_TRUE(backend.file_dialogs.empty());
}

// The server does the counting: one statement with GROUP BY, its period as quoted literals.
TEST(SummaryStatement, GroupsOnTheServerAndQuotesThePeriod) {
  const std::vector<std::string> lines =
      db::SummaryLines(db::SummaryGrouping::BOOT_MONTH, "2026/12/01", "2026/12/31' OR 'x'='x");
  const std::string text = db::JoinStatementLines(lines);
  EXPECT_NE(text.find("GROUP BY SUBSTRING(BOOT_DATE FROM 1 FOR 7)"), std::string::npos);
  EXPECT_NE(text.find("BETWEEN '2026/12/01' AND '2026/12/31'' OR ''x''=''x'"), std::string::npos);
  EXPECT_EQ(text.find("CREATE"), std::string::npos);
}

// Grouped by the day the statement reads the period once; the other groupings read it for their
// groups and for the days.
// A period of up to two months is read once whatever the grouping; a longer one once by the day
// and twice otherwise (sorting every row twice costs more there than a second read).
TEST(SummaryStatement, AShortPeriodIsReadOnce) {
  const struct {
    const char* from;
    const char* to;
    bool read_once;  // for the groupings other than by the day
  } periods[] = {{"2026/12/01", "2026/12/31", true},
                 {"2026/11/01", "2026/12/31", true},   // 61 days
                 {"2026/11/01", "2027/01/01", true},   // 62 days, across the year's end
                 {"2026/10/31", "2027/01/01", false},  // 63 days
                 {"2024/02/28", "2024/03/01", true},   // a leap day between
                 {"2021/01/01", "2026/12/31", false},
                 {"2026/12/01", "not a day", false}};
  for (const auto& p : periods) {
    for (const db::SummaryGrouping grouping :
         {db::SummaryGrouping::PNAME, db::SummaryGrouping::N_FOLDER, db::SummaryGrouping::FILE_NAME,
          db::SummaryGrouping::BOOT_DATE, db::SummaryGrouping::BOOT_MONTH}) {
      const std::string text = db::JoinStatementLines(db::SummaryLines(grouping, p.from, p.to));
      std::size_t reads = 0;
      for (std::size_t at = text.find("BETWEEN"); at != std::string::npos; at = text.find("BETWEEN", at + 1)) ++reads;
      const bool once = p.read_once || grouping == db::SummaryGrouping::BOOT_DATE;
      EXPECT_EQ(reads, once ? 1u : 2u) << p.from << " " << p.to << "\n" << text;
    }
  }
}

}  // namespace
