#include "records/Unit6.h"

#include <algorithm>
#include <map>
#include <optional>

#include "platform/paths.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/ui/long_call.h"
#include "records/ListLook.h"
#include "records/Period.h"

namespace {

using Grouping = db::SummaryGrouping;

struct GroupingEntry {
  const char* item;  // also the key column's header
  Grouping grouping;
};

const GroupingEntry kGroupings[] = {
    {"PC利用者名", Grouping::PNAME},
    {"展開フォルダ名", Grouping::N_FOLDER},
    {"ファイル名", Grouping::FILE_NAME},
    {"起動日付", Grouping::BOOT_DATE},
    {"起動月", Grouping::BOOT_MONTH},
};

// Grid columns after the key; the bar stands beside the count it draws.
const char* const kCountHeaders[] = {"起動回数", "グラフ", "図面数", "利用者数", "最初", "最後"};
constexpr int kColumnCount = 7;
constexpr int kBarColumn = 2;

const char kDateFormatMessage[] = "日付は yyyy/mm/dd の形で入力して下さい。";
const char kPeriodOrderMessage[] = "期間の終わりの日付が始めの日付より前です。";
const char kNotShownMessage[] = "先に表示して下さい。";
const char kWriteFailedMessage[] = "ファイルを書き出せませんでした。元のファイルは変更していません。";
const char kNotConnected[] = "データベースに接続されていません";
const char kNoLaunches[] = "この期間の起動はありません";
const char kExportFilter[] = "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv";
// Longer periods show the days from the first to the last launch instead of every day.
constexpr long long kLongestChartedPeriod = 366;

const GroupingEntry& EntryOf(Grouping grouping) {
  for (const GroupingEntry& entry : kGroupings) {
    if (entry.grouping == grouping) return entry;
  }
  return kGroupings[0];
}

// The chart's label of a day: its number, with the month where a month starts.
std::string DayLabel(const records::Day& day, bool first) {
  if (first || day.day == 1) return std::to_string(day.month) + "/" + std::to_string(day.day);
  return std::to_string(day.day);
}

}  // namespace

TForm6::TForm6(db::DataModule& data)
    : ui::Form("Form6"),
      Panel1(this, "Panel1"),
      Label1(&Panel1, "Label1"),
      Edit1(&Panel1, "Edit1"),
      Label2(&Panel1, "Label2"),
      Edit2(&Panel1, "Edit2"),
      Button1(&Panel1, "Button1"),
      Button2(&Panel1, "Button2"),
      Button3(&Panel1, "Button3"),
      Label3(&Panel1, "Label3"),
      ComboBox1(&Panel1, "ComboBox1"),
      Button4(&Panel1, "Button4"),
      Button5(&Panel1, "Button5"),
      StatusBar1(this, "StatusBar1"),
      Chart1(this, "Chart1"),
      StringGrid1(this, "StringGrid1"),
      data_(data) {
  SetText("集計");
  SetBorder(ui::Border::Sizeable);
  SetMaximizeBox(true);
  SetColor(records::kListWindowColor);
  SetBounds(192, 107, 640, 480);

  std::vector<std::string> grouping_items;
  for (const GroupingEntry& entry : kGroupings) grouping_items.push_back(entry.item);

  Panel1.Create({.width = 632, .height = 65, .tab_order = 0, .color = records::kListPanelColor,
                 .align = ui::Align::Top});
  Label1.Create({.left = 8, .top = 12, .caption = "期間："});
  Edit1.Create({.left = 56, .top = 8, .width = 81, .height = 21, .tab_order = 0, .max_length = 10,
                .input_method = ui::InputMethod::Off});
  Label2.Create({.left = 142, .top = 12, .caption = "～"});
  Edit2.Create({.left = 160, .top = 8, .width = 81, .height = 21, .tab_order = 1, .max_length = 10,
                .input_method = ui::InputMethod::Off});
  Button1.Create({.left = 256, .top = 6, .width = 75, .height = 25, .caption = "前月(&P)", .tab_order = 2});
  Button2.Create({.left = 336, .top = 6, .width = 75, .height = 25, .caption = "今月(&T)", .tab_order = 3});
  Button3.Create({.left = 416, .top = 6, .width = 75, .height = 25, .caption = "翌月(&N)", .tab_order = 4});
  Label3.Create({.left = 8, .top = 40, .caption = "集計："});
  ComboBox1.Create({.left = 56, .top = 36, .width = 185, .height = 21, .tab_order = 5, .items = grouping_items});
  Button4.Create({.left = 256, .top = 34, .width = 75, .height = 25, .caption = "表示(&S)", .tab_order = 6,
                  .role = ui::ButtonRole::Default});
  Button5.Create({.left = 336, .top = 34, .width = 95, .height = 25, .caption = "書き出し(&E)", .tab_order = 7});

  StatusBar1.Create({.top = 434, .width = 632, .height = 19, .color = records::kListStatusColor,
                     .align = ui::Align::Bottom});
  Chart1.Create({.top = 284, .width = 632, .height = 150, .align = ui::Align::Bottom, .empty_text = kNoLaunches});

  ui::StringGrid::CreateArgs grid = records::ListGridArgs(kColumnCount, 2, 64);
  grid.headers = {kGroupings[0].item};
  grid.headers.insert(grid.headers.end(), std::begin(kCountHeaders), std::end(kCountHeaders));
  grid.bar_column = kBarColumn;
  StringGrid1.Create(grid);
  StringGrid1.SetColWidth(0, 150);
  StringGrid1.SetColWidth(kBarColumn, 100);
  StringGrid1.SetColWidth(5, 130);
  StringGrid1.SetColWidth(6, 130);

  RealignChildren(632, 453);

  SaveDialog1.Filter = kExportFilter;
  SaveDialog1.OverwritePrompt = true;

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Button4.OnClick = [this] { Button4Click(); };
  Button5.OnClick = [this] { Button5Click(); };
  ComboBox1.OnSelect = [this] { ComboBox1Select(); };
}

void TForm6::FormShow() {
  // The period and grouping the user chose stay while the window is hidden; the first showing
  // starts with this month by user.
  if (ComboBox1.ItemIndex() < 0) ComboBox1.SetItemIndex(0);
  if (Edit1.Text().empty() && Edit2.Text().empty()) {
    const platform::LocalDateTime now = platform::CurrentServices().Now();
    Edit1.SetText(records::DayText({now.year, now.month, 1}));
    Edit2.SetText(records::DayText(records::LastOfMonth({now.year, now.month, 1})));
  }
  Button4Click();
  Button4.SetFocus();
}

void TForm6::FormClose() {}

void TForm6::ShowMonth(int year, int month) {
  const records::Day first{year, month, 1};
  Edit1.SetText(records::DayText(first));
  Edit2.SetText(records::DayText(records::LastOfMonth(first)));
  Button4Click();
}

// 前月 and 翌月 move from the month the period starts in (this month when that is no date).
void TForm6::Button1Click() {
  const platform::LocalDateTime now = platform::CurrentServices().Now();
  const records::Day start = records::ParseDay(Edit1.Text()).value_or(records::Day{now.year, now.month, 1});
  const records::Day month = records::MonthShifted(start, -1);
  ShowMonth(month.year, month.month);
}

void TForm6::Button2Click() {
  const platform::LocalDateTime now = platform::CurrentServices().Now();
  ShowMonth(now.year, now.month);
}

void TForm6::Button3Click() {
  const platform::LocalDateTime now = platform::CurrentServices().Now();
  const records::Day start = records::ParseDay(Edit1.Text()).value_or(records::Day{now.year, now.month, 1});
  const records::Day month = records::MonthShifted(start, 1);
  ShowMonth(month.year, month.month);
}

void TForm6::ComboBox1Select() {
  if (ComboBox1.ItemIndex() < 0) return;
  Button4Click();
}

void TForm6::Button4Click() {
  const std::string from = Edit1.Text();
  const std::string to = Edit2.Text();
  const std::optional<records::Day> from_day = records::ParseDay(from);
  const std::optional<records::Day> to_day = records::ParseDay(to);
  if (!from_day || !to_day) {
    ui::ShowMessage(kDateFormatMessage);
    (from_day ? Edit2 : Edit1).SetFocus();
    return;
  }
  if (*to_day < *from_day) {
    ui::ShowMessage(kPeriodOrderMessage);
    Edit2.SetFocus();
    return;
  }
  const int index = std::max(ComboBox1.ItemIndex(), 0);
  const Grouping grouping = kGroupings[index].grouping;

  // Presses queued while the server counts must not start one count each.
  ui::InputPause pause(*this, {&Edit1, &Edit2, &Button1, &Button2, &Button3, &ComboBox1, &Button4, &Button5});
  ui::BusyCursor busy;
  ClearSummary("");
  // A count that finds the server restarted is made once more after the connection was made
  // usable (a server still down ends here with the error box). A connection closed on purpose
  // stays closed; a missing table is not created: there is nothing to count. On the worker: a
  // long period takes seconds, and the windows answer meanwhile.
  db::Summary summary;
  const db::LaunchTableState table =
      ui::RunLongCallFor([&] { return db::ReadSummary(data_, grouping, from, to, summary); });
  if (table == db::LaunchTableState::Closed) {
    ClearSummary(kNotConnected);
    return;
  }
  ShowSummary(summary, grouping, from, to);
}

void TForm6::ClearSummary(const std::string& status) {
  shown_ = db::Summary();
  summary_shown_ = false;
  StringGrid1.BeginUpdate();
  StringGrid1.SetRowCount(2);
  for (int col = 0; col < kColumnCount; ++col) StringGrid1.SetCell(col, 1, "");
  StringGrid1.SetRowBar(1, 0);
  StringGrid1.EndUpdate();
  Chart1.SetBars({});
  StatusBar1.SetText(status);
}

void TForm6::ShowSummary(const db::Summary& summary, Grouping grouping, const std::string& from,
                         const std::string& to) {
  long long most = 0;
  for (const db::SummaryGroup& group : summary.groups) most = std::max(most, group.launches);
  StringGrid1.BeginUpdate();
  StringGrid1.SetCell(0, 0, EntryOf(grouping).item);
  StringGrid1.SetRowCount(static_cast<int>(std::max<std::size_t>(summary.groups.size(), 1)) + 1);
  int row = 1;
  for (const db::SummaryGroup& group : summary.groups) {
    StringGrid1.SetCell(0, row, group.key);
    StringGrid1.SetCell(1, row, std::to_string(group.launches));
    StringGrid1.SetCell(3, row, std::to_string(group.drawings));
    StringGrid1.SetCell(4, row, std::to_string(group.users));
    StringGrid1.SetCell(5, row, group.first);
    StringGrid1.SetCell(6, row, group.last);
    StringGrid1.SetRowBar(row, most > 0 ? static_cast<double>(group.launches) / most : 0);
    ++row;
  }
  StringGrid1.EndUpdate();

  // Every day of the period gets a bar, days without launches too; a period longer than a year
  // shows the days from its first to its last launch.
  std::map<std::string, long long> per_day;
  for (const db::SummaryDay& day : summary.days) per_day[day.date] = day.launches;
  records::Day first = *records::ParseDay(from);
  records::Day last = *records::ParseDay(to);
  if (records::DaysBetween(first, last) > kLongestChartedPeriod && !summary.days.empty()) {
    const std::optional<records::Day> first_launch = records::ParseDay(summary.days.front().date);
    const std::optional<records::Day> last_launch = records::ParseDay(summary.days.back().date);
    if (first_launch && last_launch) {
      first = std::max(first, *first_launch);
      last = std::min(last, *last_launch);
    }
  }
  std::vector<ui::ChartBar> bars;
  if (!summary.days.empty()) {
    for (records::Day day = first; !(last < day); day = records::NextDay(day)) {
      const auto found = per_day.find(records::DayText(day));
      bars.push_back({DayLabel(day, bars.empty()), found == per_day.end() ? 0 : found->second});
      if (day == records::Day{9999, 12, 31}) break;
    }
  }
  Chart1.SetBars(std::move(bars));

  StatusBar1.SetText(std::to_string(summary.groups.size()) + "件のグループ / 起動回数 " +
                     std::to_string(summary.launches) + "件");
  shown_ = summary;
  shown_grouping_ = grouping;
  summary_shown_ = true;
}

void TForm6::Button5Click() {
  if (!summary_shown_) {
    ui::ShowMessage(kNotShownMessage);
    return;
  }
  SaveDialog1.FileMustExist = false;
  if (!SaveDialog1.Execute()) return;
  const std::string file_name = paths::WithDefaultExtension(SaveDialog1.FileName, ".txt");
  if (!ExportSummary(file_name)) {
    ui::ShowMessage(kWriteFailedMessage);
    return;
  }
  ui::ShowMessage(std::to_string(shown_.groups.size()) + "件のグループを書き出しました。");
}

bool TForm6::ExportSummary(const std::string& file_name) {
  // Like the table's export: every field followed by a tab, every line by CR LF.
  std::string text;
  auto add_line = [&text](const std::vector<std::string>& fields) {
    for (const std::string& field : fields) text += field + "\t";
    text += "\r\n";
  };
  std::vector<std::string> header{EntryOf(shown_grouping_).item};
  for (int col = 1; col < kColumnCount; ++col) {
    if (col != kBarColumn) header.push_back(kCountHeaders[col - 1]);
  }
  add_line(header);
  for (const db::SummaryGroup& group : shown_.groups) {
    add_line({group.key, std::to_string(group.launches), std::to_string(group.drawings),
              std::to_string(group.users), group.first, group.last});
  }
  platform::ReplacingFile file(file_name);
  return file.Open() && file.Write(text) && file.Commit();
}
