// TForm6: the summary window. Counts the launches of a period on the server, grouped by user,
// project folder, file, day or month, and shows the groups in a grid with a bar each and the
// period's launches per day in a chart; the summary can be written to a tab-separated file.
#pragma once

#include <string>

#include "db/DataModule.h"
#include "db/Statements.h"
#include "db/Summary.h"
#include "platform/ui/chart.h"
#include "platform/ui/controls.h"
#include "platform/ui/string_grid.h"

class TForm6 : public ui::Form {
 public:
  explicit TForm6(db::DataModule& data);

  ui::Panel Panel1;
  ui::Label Label1;
  ui::Edit Edit1;  // from, "yyyy/mm/dd"
  ui::Label Label2;
  ui::Edit Edit2;  // to
  ui::Button Button1;  // 前月
  ui::Button Button2;  // 今月
  ui::Button Button3;  // 翌月
  ui::Label Label3;
  ui::ComboBox ComboBox1;  // grouping
  ui::Button Button4;  // 表示
  ui::Button Button5;  // 書き出し
  ui::StatusBar StatusBar1;
  ui::Chart Chart1;  // launches per day
  ui::StringGrid StringGrid1;
  ui::FileDialog SaveDialog1{true};

  void FormShow();
  void FormClose();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void ComboBox1Select();

  // The summary the grid shows, and its grouping; none before the first 表示.
  const db::Summary& ShownSummary() const { return shown_; }
  bool SummaryShown() const { return summary_shown_; }
  // Writes the shown summary to `file_name` (replacing it only once complete); false on failure.
  bool ExportSummary(const std::string& file_name);

 private:
  // Sets the period to the month of `day` and shows it.
  void ShowMonth(int year, int month);
  void ShowSummary(const db::Summary& summary, db::SummaryGrouping grouping, const std::string& from,
                   const std::string& to);
  void ClearSummary(const std::string& status);

  db::Summary shown_;
  db::SummaryGrouping shown_grouping_ = db::SummaryGrouping::PNAME;
  bool summary_shown_ = false;
  db::DataModule& data_;
};
