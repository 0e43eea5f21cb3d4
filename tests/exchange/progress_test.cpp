// Export and import as long work: the progress window's figures, the counts the user is told,
// and cancelling (by 中止, by closing the window, by the end of the session) that changes nothing.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Unit1.h"
#include "exchange/Exchange.h"
#include "platform/files.h"
#include "platform/ui/progress.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "tests/exchange/exchange_fixture.h"

namespace exchange_test {
namespace {

const char kCancelled[] = "中止しました。";

class ProgressTest : public ExchangeFixture {
 protected:
  void SetUp() override {
    ExchangeFixture::SetUp();
    // Every few steps, however fast this machine is.
    ui::ProgressWindow::SetRefreshInterval(std::chrono::milliseconds(0));
  }
  void TearDown() override {
    ui::ProgressWindow::SetRefreshInterval(std::chrono::milliseconds(50));
    ui::app::NoteSessionGoesOn();
  }

  void ClickExport(const std::string& chosen) {
    backend.file_answers.push_back({true, chosen});
    Form1->Button5.Click();
  }
  void ClickImport(ui::Answer answer, const std::string& chosen) {
    backend.answers.push_back(answer);
    backend.file_answers.push_back({true, chosen});
    Form1->Button6.Click();
  }
  // An export file of `lines` rows numbered from `first`.
  std::string ExportFile(int first, int lines) {
    std::string file = kHeader;
    for (int n = first; n < first + lines; ++n) file += Line(SampleTexts(n));
    return file;
  }
  // The rows shown so far, from the progress window's "12345件（40%）".
  static long long RowsShown(const headless::ShownProgress& shown) { return std::stoll(shown.rows); }
  // Presses `press` once the progress window shows at least `rows` rows.
  void PressWhenShowing(long long rows, std::function<void(ui::ProgressWindow&)> press) {
    backend.on_events = [this, rows, press] {
      ui::ProgressWindow* window = ui::ProgressWindow::Active();
      if (window != nullptr && !window->Cancelled() && !backend.progress.empty() &&
          RowsShown(backend.progress.back()) >= rows) {
        pressed_at = RowsShown(backend.progress.back());
        press(*window);
      }
    };
  }
  // Row count and a checksum of every value, in number order.
  std::pair<std::size_t, std::size_t> CountAndChecksum() {
    std::size_t checksum = 1469598103934665603ull;
    std::vector<Texts> rows = AllRows();
    for (const Texts& row : rows) {
      for (const std::string& text : row) {
        for (unsigned char c : text + '\t') checksum = (checksum ^ c) * 1099511628211ull;
      }
    }
    return {rows.size(), checksum};
  }
  std::vector<std::string> FilesInFolder() {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.Path().c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
      std::string name = entry->d_name;
      if (name != "." && name != ".." && name.find(".FDB") == std::string::npos) names.push_back(name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }

  long long pressed_at = 0;
};

TEST_F(ProgressTest, ImportAndExportShowTheirRowsAndTellTheCount) {
  Write(File("in.txt"), ExportFile(1, 3000));
  bool other_windows_held = false;
  backend.on_events = [&] {
    if (other_windows_held || backend.progress.size() < 3) return;
    // Meanwhile the other windows take no input: the export button does nothing.
    const std::size_t dialogs = backend.file_dialogs.size();
    Form1->Button5.Click();
    other_windows_held = !Form1->Enabled() && !Form4->Enabled() && !Form5->Enabled() &&
                         backend.file_dialogs.size() == dialogs && ui::BusyCursorOver(*Form1);
  };
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_TRUE(other_windows_held);
  EXPECT_TRUE(Form1->Enabled() && Form4->Enabled() && Form5->Enabled());
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"3000件を読み込みました。"});
  EXPECT_EQ(AllRows().size(), 3000u);
  // Only the commit holds up the end of a session, and says why.
  EXPECT_EQ(backend.session_end_holds,
            (std::vector<std::string>{"読み込んだデータをデータベースに確定しています。", ""}));

  // The window counted the lines up, with the part of the file read, as they went.
  ASSERT_GE(backend.progress.size(), 10u);
  long long previous = -1;
  for (const headless::ShownProgress& shown : backend.progress) {
    EXPECT_EQ(shown.caption, "読み込み中");
    EXPECT_EQ(shown.activity, "読み込み中：in.txt");
    EXPECT_GE(RowsShown(shown), previous) << shown.rows;
    EXPECT_LE(shown.bar, ui::ProgressBar::kFull);
    previous = RowsShown(shown);
  }
  const headless::ShownProgress& late = backend.progress.back();
  EXPECT_GE(RowsShown(late), 2900);
  EXPECT_NE(late.rows.find("%）"), std::string::npos) << late.rows;
  EXPECT_GE(late.bar, 900);

  backend.progress.clear();
  backend.ClearMessages();
  backend.on_events = nullptr;
  ClickExport(File("out.txt"));
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"3000件を書き出しました。"});
  EXPECT_EQ(Read(File("out.txt")), Read(File("in.txt")));
  ASSERT_GE(backend.progress.size(), 10u);
  EXPECT_EQ(backend.progress.front().caption, "書き出し中");
  EXPECT_EQ(backend.progress.front().activity, "書き出し中：out.txt");
  // How many rows there are is not known before they were read: the bar only moves.
  EXPECT_EQ(backend.progress.back().bar, -1);
  EXPECT_GE(RowsShown(backend.progress.back()), 2900);
  EXPECT_EQ(backend.progress.back().rows.find("%"), std::string::npos);
  EXPECT_FALSE(ui::BusyCursorShown());
  EXPECT_EQ(ui::ProgressWindow::Active(), nullptr);
}

TEST_F(ProgressTest, CancelledImportLeavesTheTableExactlyAsBefore) {
  InsertBulk(1, 2000);
  const auto before = CountAndChecksum();
  Write(File("in.txt"), ExportFile(5001, 6000));

  // Replace: the deletion and some batches of inserts were sent before 中止.
  PressWhenShowing(1000, [](ui::ProgressWindow& window) { window.Button1.Click(); });
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_GE(pressed_at, 1000);
  EXPECT_EQ(CountAndChecksum(), before);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCancelled});
  EXPECT_TRUE(backend.session_end_holds.empty()) << "nothing to hold the session's end for";

  // Add, cancelled by closing the progress window.
  backend.ClearMessages();
  PressWhenShowing(2000, [](ui::ProgressWindow& window) { window.Close(); });
  ClickImport(ui::Answer::No, File("in.txt"));
  EXPECT_GE(pressed_at, 2000);
  EXPECT_EQ(CountAndChecksum(), before);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCancelled});

  // The next import runs to its end, numbered as if the cancelled ones had never been.
  backend.ClearMessages();
  backend.on_events = nullptr;
  ClickImport(ui::Answer::No, File("in.txt"));
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"6000件を読み込みました。"});
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 8000u);
  EXPECT_EQ(rows[2000][0], "2001");
}

TEST_F(ProgressTest, CancelledExportLeavesAnEarlierFileAndNoTemporaryFile) {
  InsertBulk(1, 6000);
  Write(File("kept.txt"), "earlier export\r\n");
  PressWhenShowing(1000, [](ui::ProgressWindow& window) { window.Button1.Click(); });
  ClickExport(File("kept.txt"));
  EXPECT_GE(pressed_at, 1000);
  EXPECT_EQ(Read(File("kept.txt")), "earlier export\r\n");
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCancelled});

  // A new name: no file at all afterwards.
  PressWhenShowing(500, [](ui::ProgressWindow& window) { window.PressEscape(); });
  ClickExport(File("new.txt"));
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"kept.txt"}));

  // The export on its own: stopped at the step the progress said so, nothing written.
  exchange::ExportResult result;
  EXPECT_FALSE(exchange::ExportTable(*Form1, kTable, File("kept.txt"), &result,
                                     [](long long rows, double) { return rows < 10; }));
  EXPECT_EQ(result.outcome, exchange::ExportOutcome::Cancelled);
  EXPECT_EQ(result.rows, 10);
  EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"kept.txt"}));
  EXPECT_EQ(Read(File("kept.txt")), "earlier export\r\n");
}

TEST_F(ProgressTest, EndOfTheSessionCancelsTheImportWithoutABox) {
  InsertBulk(1, 500);
  const auto before = CountAndChecksum();
  Write(File("in.txt"), ExportFile(1, 4000));
  PressWhenShowing(1000, [](ui::ProgressWindow&) { ui::app::NoteSessionEnding(); });
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_GE(pressed_at, 1000);
  EXPECT_EQ(CountAndChecksum(), before);
  EXPECT_TRUE(backend.MessageTexts().empty());  // a box would only hold up the session's end
  EXPECT_EQ(ui::ProgressWindow::Active(), nullptr);
  // Then the program ends as at any end of the session: settings written, nothing sent (the
  // connection is left to the end of the process).
  Form1->OnEndSession();
  EXPECT_TRUE(Form1->Connected());
}

TEST_F(ProgressTest, ReplacingDeletesARangeOfNumbersAtATimeAndCanBeCancelledMeanwhile) {
  // Crowded numbers, gaps, and numbers the program never gives.
  InsertBulk(1, 25000);
  InsertBulk(40000, 40010);
  for (const char* number : {"2000000000", "0", "-5"}) {
    Texts literals = SampleLiterals(7);
    literals[0] = number;
    Insert(literals);
  }
  const auto before = CountAndChecksum();
  Write(File("in.txt"), ExportFile(1, 3));

  // The events run between the statements of the deletion, before any line was read.
  int turns_while_deleting = 0;
  backend.on_events = [&] {
    if (!backend.progress.empty() && backend.progress.back().rows == "0件") ++turns_while_deleting;
    if (turns_while_deleting == 3) ui::ProgressWindow::Active()->Button1.Click();
  };
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_EQ(turns_while_deleting, 3);
  EXPECT_EQ(CountAndChecksum(), before);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCancelled});

  backend.ClearMessages();
  backend.on_events = [&] { ++turns_while_deleting; };
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_GE(turns_while_deleting, 6);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"3件を読み込みました。"});
  EXPECT_EQ(AllRows(), (std::vector<Texts>{SampleTexts(1), SampleTexts(2), SampleTexts(3)}));
}

TEST_F(ProgressTest, ImportCancelledOnItsOwnTakesBackWhatWasSent) {
  InsertBulk(1, 300);
  const auto before = CountAndChecksum();
  Write(File("in.txt"), ExportFile(1, 2000));
  exchange::ImportResult result;
  double last_fraction = -1;
  EXPECT_FALSE(exchange::ImportTable(*Form1, kTable, File("in.txt"), true, true, &result,
                                     [&](long long lines, double fraction) {
                                       last_fraction = fraction;
                                       return lines < 1500;
                                     }));
  EXPECT_EQ(result.outcome, exchange::ImportOutcome::Cancelled);
  EXPECT_EQ(result.stored, 0);
  EXPECT_GT(last_fraction, 0.6);
  EXPECT_LT(last_fraction, 0.9);
  EXPECT_EQ(exchange::ImportMessage(result), kCancelled);
  EXPECT_EQ(CountAndChecksum(), before);
}

}  // namespace
}  // namespace exchange_test
