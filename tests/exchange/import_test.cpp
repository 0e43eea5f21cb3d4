// Import: lines become rows numbered on from the highest number; a failed run never costs the
// table's rows and says what it could not store.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "exchange/Exchange.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "tests/exchange/exchange_fixture.h"
#include "tests/support/db_fixture.h"

namespace exchange_test {
namespace {

using exchange::ImportOutcome;
using exchange::ImportResult;

const char kQuestion[] = "現在のデータを削除して新規読み込みを行いますか？\r\nはい：新規　いいえ：追加";

Texts Row(std::initializer_list<std::string> texts) { return Texts(texts); }

// The row with its number replaced.
Texts Numbered(Texts row, int n) {
  row[0] = std::to_string(n);
  return row;
}

class ImportTest : public ExchangeFixture {
 protected:
  bool Import(const std::string& bytes, bool keep_rows, ImportResult* result = nullptr) {
    Write(File("in.txt"), bytes);
    return exchange::ImportTable(*Form1, kTable, File("in.txt"), keep_rows, true, result);
  }
  // The main window's import button: the question answered with `answer`, the open dialog
  // with `chosen` (cancelled when empty).
  void ClickImport(ui::Answer answer, const std::string& chosen) {
    backend.answers.push_back(answer);
    backend.file_answers.push_back({!chosen.empty(), chosen});
    Form1->Button6.Click();
  }
  // Sorted data lines of an export file with the number cut off each line.
  static std::vector<std::string> LinesWithoutNumbers(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = bytes.find("\r\n") + 2;  // after the header
    while (start < bytes.size()) {
      std::size_t end = bytes.find("\r\n", start);
      std::string line = bytes.substr(start, end - start);
      lines.push_back(line.substr(line.find('\t')));
      start = end + 2;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }
};

TEST_F(ImportTest, RoundTripWithReplaceRenumbersInFileOrder) {
  InsertBulk(101, 400);
  // NULL texts survive; a NULL size would come back as 0 (numeric pieces read as numbers).
  Insert({"7", "'O''Neil'", "NULL", "'\\\\srv\\表\\'", "'ソ.jww'", "NULL", "NULL", "NULL", "NULL",
          "123"});
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("first.txt")));
  const std::string first = Read(File("first.txt"));

  ImportResult result;
  ASSERT_TRUE(exchange::ImportTable(*Form1, kTable, File("first.txt"), false, true, &result));
  EXPECT_EQ(result.outcome, ImportOutcome::Stored);
  EXPECT_EQ(result.stored, 301);
  EXPECT_EQ(exchange::ImportFailureMessage(result), "");

  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("second.txt")));
  const std::string second = Read(File("second.txt"));
  EXPECT_EQ(LinesWithoutNumbers(second), LinesWithoutNumbers(first));
  // Numbered 1 .. n in the first file's line order.
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 301u);
  std::size_t line_start = first.find("\r\n") + 2;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::size_t line_end = first.find("\r\n", line_start);
    std::string line = first.substr(line_start, line_end - line_start);
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    EXPECT_EQ(Line(rows[i]).substr(rows[i][0].size()), line.substr(line.find('\t')) + "\r\n");
    line_start = line_end + 2;
  }
}

TEST_F(ImportTest, RoundTripWithAddNumbersOnFromTheHighest) {
  InsertSamples(1, 3);
  Insert(SampleLiterals(40));
  ASSERT_TRUE(exchange::ExportTable(*Form1, kTable, File("first.txt")));
  ASSERT_TRUE(exchange::ImportTable(*Form1, kTable, File("first.txt"), true, true));
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[3], SampleTexts(40));
  EXPECT_EQ(rows[4], Numbered(SampleTexts(1), 41));
  EXPECT_EQ(rows[5], Numbered(SampleTexts(2), 42));
  EXPECT_EQ(rows[6], Numbered(SampleTexts(3), 43));
  EXPECT_EQ(rows[7], Numbered(SampleTexts(40), 44));
}

TEST_F(ImportTest, LinesBecomeRows) {
  std::string many_pieces = "0\tmany";
  for (int i = 0; i < 320; ++i) many_pieces += "\t" + std::to_string(i);
  const std::string file =
      "header line, whatever it holds\r\n"
      "\r\n"                                                  // 2: empty line
      "99\tshort\r\n"                                         // 3: fewer pieces than columns
      "0\ta\tb\tc\td\te\tf\tg\th\t\t\r\n"                     // 4: empty size
      "0\ta\tb\tc\td\te\tf\tg\th\tabc\t\r\n"                  // 5: size not a number
      "0\tO'Neil\t'\t''\tx'y\t\t\t\t\t1.5\t\r\n"              // 6: apostrophes, 1.5 rounds
      "0\tlone\rcr\t\t\t\t\t\t\t\t-7\n"                        // 7: lone CR dropped, LF only
      + many_pieces + "\r\n"                                  // 8: 300+ pieces
      "0\t全角\tＣ：\\表\\\t\t\t\t\t\t\t1e3"                   // 9: last line without an end
      ;
  ImportResult result;
  ASSERT_TRUE(Import(file, false, &result));
  EXPECT_EQ(result.stored, 8);
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0], Row({"1", "", "", "", "", "", "", "", "", "0"}));
  EXPECT_EQ(rows[1], Row({"2", "short", "", "", "", "", "", "", "", "0"}));
  EXPECT_EQ(rows[2], Row({"3", "a", "b", "c", "d", "e", "f", "g", "h", "0"}));
  EXPECT_EQ(rows[3], Row({"4", "a", "b", "c", "d", "e", "f", "g", "h", "0"}));
  EXPECT_EQ(rows[4], Row({"5", "O'Neil", "'", "''", "x'y", "", "", "", "", "2"}));
  EXPECT_EQ(rows[5], Row({"6", "lonecr", "", "", "", "", "", "", "", "-7"}));
  EXPECT_EQ(rows[6], Row({"7", "many", "0", "1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(rows[7], Row({"8", "全角", "Ｃ：\\表\\", "", "", "", "", "", "", "1000"}));
}

TEST_F(ImportTest, EndOfFileMarkAndDroppedCarriageReturnsAtTheEnd) {
  // The mark ends the file at a line start, also when dropped CRs stand before it; a last line
  // of nothing but CRs is no row.
  for (const char* ending : {"\x1A" "0\tafter\r\n", "\r\x1A" "0\tafter\r\n", "\r\r\x1A" "after",
                             "\r", "\r\r"}) {
    ASSERT_TRUE(Import(std::string("h\r\n0\tbefore\r\n") + ending, false));
    std::vector<Texts> rows = AllRows();
    ASSERT_EQ(rows.size(), 1u) << ending;
    EXPECT_EQ(rows[0][1], "before");
  }
  // A line ended by CR LF is a row even when empty.
  ASSERT_TRUE(Import("h\r\n0\tbefore\r\n\r\n", false));
  EXPECT_EQ(AllRows().size(), 2u);
}

TEST_F(ImportTest, FirstLineIsAlwaysDropped) {
  // A file without a header loses its first data line.
  ASSERT_TRUE(Import("0\tfirst\r\n0\tsecond\r\n", false));
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[0][1], "second");
}

TEST_F(ImportTest, OnlyAHeaderOrNothingWithReplaceEmptiesTheTable) {
  // The way to clear the table: a file of one line or none, with Yes; no row was read.
  const std::string one_line_files[] = {kHeader, "", "N\tPNAME\t", "h\rCR\ronly\r\r"};
  for (const std::string& file : one_line_files) {
    InsertSamples(1, 3);
    Write(File("clear.txt"), file);
    ClickImport(ui::Answer::Yes, File("clear.txt"));
    EXPECT_TRUE(AllRows().empty()) << file;
  }
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>(4, "0件を読み込みました。"));
  // Adding a header only changes nothing.
  InsertSamples(1, 2);
  ImportResult result;
  ASSERT_TRUE(Import(kHeader, true, &result));
  EXPECT_EQ(result.outcome, ImportOutcome::Stored);
  EXPECT_EQ(AllRows().size(), 2u);
}

TEST_F(ImportTest, FilesThatAreNotTextChangeNothing) {
  InsertBulk(1, 40);
  const std::vector<Texts> before = AllRows();
  const char kNotText[] = "テキストファイルではないため読み込めません。データは変更していません。";

  // What a spreadsheet saves as Unicode text: UTF-16LE with its byte order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string(kHeader) + "0\tuser\tC:\\d\\\t\t") utf16 += std::string{c, '\0'};
  utf16 += "\xF3\x56\x62\x97";  // two kanji
  for (char c : std::string(".jww\t\t\t\t\t12\t\r\n")) utf16 += std::string{c, '\0'};
  // Random bytes (a fixed seed: these hold NULs, as nearly all 4 KiB of random bytes do).
  std::mt19937 random(4096);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>(random() & 0xFF);
  ASSERT_NE(noise.find('\0'), std::string::npos);
  // An export with one NUL far behind lines already sent, and one after the end-of-file mark.
  std::string late = kHeader;
  for (int n = 100; n < 2100; ++n) late += Line(SampleTexts(n));
  ASSERT_GT(late.size(), 200000u);
  const std::string nul(1, '\0');
  const std::string late_nul = late + "0\tx" + nul + "y\t\r\n";
  const std::string after_mark = std::string(kHeader) + Line(SampleTexts(5)) + "\x1A" + nul;

  int clicks = 0;
  const std::string* const files[] = {&utf16, &noise, &late_nul, &after_mark};
  for (const std::string* file : files) {
    for (ui::Answer answer : {ui::Answer::Yes, ui::Answer::No}) {
      Write(File("foreign.txt"), *file);
      ClickImport(answer, File("foreign.txt"));
      ++clicks;
      EXPECT_EQ(Form1->CountRows(kTable, ""), 40) << clicks;
      EXPECT_EQ(AllRows(), before) << clicks;
    }
  }
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>(clicks, kNotText));

  // The late NUL is met only after lines were read and sent: they are taken back.
  long long lines_sent = 0;
  ImportResult result;
  Write(File("late.txt"), late_nul);
  EXPECT_FALSE(exchange::ImportTable(*Form1, kTable, File("late.txt"), false, true, &result,
                                     [&](long long lines, double) {
                                       lines_sent = lines;
                                       return true;
                                     }));
  EXPECT_EQ(result.outcome, ImportOutcome::NotText);
  EXPECT_EQ(result.stored, 0);
  EXPECT_GE(lines_sent, 1000);
  EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportTest, FileWhoseEveryLineIsRefusedChangesNothing) {
  InsertSamples(1, 3);
  const std::vector<Texts> before = AllRows();
  // PNAME holds 16 bytes; every data line carries 17.
  std::string file = kHeader;
  for (int line = 2; line <= 14; ++line) file += "0\t" + std::string(17, 'p') + "\t\r\n";
  Write(File("refused.txt"), file);
  for (ui::Answer answer : {ui::Answer::Yes, ui::Answer::No}) {
    ClickImport(answer, File("refused.txt"));
    EXPECT_EQ(Form1->CountRows(kTable, ""), 3);
    EXPECT_EQ(AllRows(), before);
  }
  EXPECT_EQ(backend.MessageTexts(),
            std::vector<std::string>(
                2, "ファイルから1行も読み込めませんでした。データは変更していません。\r\n"
                   "登録できなかった行：2, 3, 4, 5, 6, 7, 8, 9, 10, 11 ほか3行"));

  ImportResult result;
  EXPECT_FALSE(Import(std::string(kHeader) + "0\t" + std::string(17, 'q'), false, &result));
  EXPECT_EQ(result.outcome, ImportOutcome::NothingStored);
  EXPECT_EQ(result.refused, 1);
  EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportTest, NumberBeyondDoubleRangeChangesNothing) {
  InsertSamples(1, 3);
  const std::vector<Texts> before = AllRows();
  const std::string file = std::string(kHeader) + Line(SampleTexts(5)) +
                           "0\tx\t\t\t\t\t\t\t\t1e400\t\r\n" + Line(SampleTexts(6));
  Write(File("big.txt"), file);
  ClickImport(ui::Answer::Yes, File("big.txt"));
  EXPECT_EQ(AllRows(), before);
  ASSERT_EQ(backend.MessageTexts().size(), 1u);
  EXPECT_EQ(backend.MessageTexts()[0],
            "数値が大きすぎる行があります。データは変更していません。\r\n登録した行数：0\r\n"
            "読み込めなかった行：3");
  EXPECT_EQ(backend.messages.back().caption, "t482－Lumadex");

  ImportResult result;
  EXPECT_FALSE(Import(file, true, &result));
  EXPECT_EQ(result.outcome, ImportOutcome::NumberOutOfRange);
  EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportTest, LostConnectionDuringReplaceKeepsTheRows) {
  InsertSamples(1, 3);
  const std::vector<Texts> before = AllRows();
  std::string file = kHeader;
  for (int n = 10; n < 20; ++n) file += Line(SampleTexts(n));
  Write(File("in.txt"), file);
  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  ImportResult result;
  EXPECT_FALSE(exchange::ImportTable(
      *Form1, kTable, File("in.txt"), false, true, &result, [&](long long lines, double) {
        if (lines == 5) {
          other.Execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
        }
        return true;
      }));
  EXPECT_EQ(result.outcome, ImportOutcome::DatabaseFailed);
  EXPECT_EQ(exchange::ImportFailureMessage(result),
            "データベースへの登録に失敗しました。データは変更していません。");
  Form1->DisconnectDatabase();
  Form1->ConnectDatabase({DatabasePath()});
  ASSERT_TRUE(Form1->Connected());
  EXPECT_EQ(AllRows(), before);
}

TEST_F(ImportTest, RefusedLinesAreSkippedAndReported) {
  InsertSamples(1, 2);
  std::string file = kHeader;
  auto too_long = [](int line) { return line == 3 || line == 5 || (line >= 20 && line < 30) || line == 140; };
  for (int line = 2; line <= 150; ++line) {
    // PNAME holds 16 bytes; the refused lines carry 17.
    file += "0\t" + std::string(too_long(line) ? 17 : 16, 'p') + "\t\t\t\t\t\t\t\t" +
            std::to_string(line) + "\t\r\n";
  }
  Write(File("long.txt"), file);
  ClickImport(ui::Answer::Yes, File("long.txt"));
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 136u);  // 149 lines, 13 refused; the old rows are gone
  // Every stored line numbered in file order, a refused line's number left unused.
  std::size_t row = 0;
  for (int line = 2; line <= 150; ++line) {
    if (too_long(line)) continue;
    ASSERT_LT(row, rows.size());
    EXPECT_EQ(rows[row][0], std::to_string(line - 1));
    EXPECT_EQ(rows[row][9], std::to_string(line));
    ++row;
  }
  ASSERT_EQ(backend.MessageTexts().size(), 1u);
  EXPECT_EQ(backend.MessageTexts()[0],
            "登録できなかった行があります。\r\n登録した行数：136\r\n"
            "登録できなかった行：3, 5, 20, 21, 22, 23, 24, 25, 26, 27 ほか3行");
}

TEST_F(ImportTest, NumberTakenByAnotherPcMeanwhile) {
  InsertSamples(1, 5);
  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  Write(File("in.txt"), std::string(kHeader) + Line(SampleTexts(1)) + Line(SampleTexts(2)) +
                            Line(SampleTexts(3)));
  ImportResult result;
  bool registered = false;
  ASSERT_TRUE(exchange::ImportTable(
      *Form1, kTable, File("in.txt"), true, true, &result, [&](long long lines, double) {
        // The launch monitor of another PC stores number 7 while the import runs.
        if (lines == 1) registered = other.Execute("INSERT INTO BOOTJWW (N, PNAME) VALUES (7, 'other')");
        return true;
      }));
  ASSERT_TRUE(registered);
  EXPECT_EQ(result.stored, 3);
  std::vector<Texts> rows = AllRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[5], Numbered(SampleTexts(1), 6));
  EXPECT_EQ(rows[6][1], "other");
  EXPECT_EQ(rows[7], Numbered(SampleTexts(2), 8));
  EXPECT_EQ(rows[8], Numbered(SampleTexts(3), 9));
}

TEST_F(ImportTest, ButtonClosesWindowsAsksAndImports) {
  InsertSamples(1, 2);
  Form3->Show();
  Form4->Show();
  Form5->Show();
  Write(File("a.TXT"), std::string(kHeader) + Line(SampleTexts(8)));
  ClickImport(ui::Answer::Yes, File("a.TXT"));
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(Form4->Visible());
  EXPECT_FALSE(Form5->Visible());
  ASSERT_FALSE(backend.messages.empty());
  EXPECT_TRUE(backend.messages[0].question);
  EXPECT_EQ(backend.messages[0].caption, "確認");
  EXPECT_EQ(backend.messages[0].text, kQuestion);
  ASSERT_EQ(backend.file_dialogs.size(), 1u);
  EXPECT_FALSE(backend.file_dialogs[0].IsSave());
  EXPECT_TRUE(backend.file_dialogs[0].FileMustExist);
  EXPECT_EQ(backend.file_dialogs[0].Filter,
            "タブ区切りText File(*.txt)|*.txt|CSV File(*.csv)|*.csv");
  EXPECT_EQ(AllRows(), std::vector<Texts>{Numbered(SampleTexts(8), 1)});

  // No, and a box closed with Escape, add.
  Write(File("b.txt"), std::string(kHeader) + Line(SampleTexts(9)));
  ClickImport(ui::Answer::No, File("b.txt"));
  Write(File("c.Txt"), std::string(kHeader) + Line(SampleTexts(10)));
  ClickImport(ui::Answer::Closed, File("c.Txt"));
  EXPECT_EQ(AllRows(), (std::vector<Texts>{Numbered(SampleTexts(8), 1),
                                           Numbered(SampleTexts(9), 2),
                                           Numbered(SampleTexts(10), 3)}));
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>(3, "1件を読み込みました。"));
}

TEST_F(ImportTest, OtherExtensionsAreRefusedWithAMessage) {
  InsertSamples(1, 2);
  const std::vector<Texts> before = AllRows();
  for (const char* name : {"d.csv", "d.txt.csv", "d", "d.txt.", "d.tx"}) {
    Write(File(name), std::string(kHeader) + Line(SampleTexts(9)));
    ClickImport(ui::Answer::Yes, File(name));
  }
  EXPECT_EQ(AllRows(), before);
  EXPECT_EQ(backend.MessageTexts(),
            std::vector<std::string>(5, "タブ区切りテキスト（.txt）のファイルを選択して下さい。"));
  EXPECT_TRUE(backend.progress.empty());  // no work was started
}

TEST_F(ImportTest, CancelAfterYesDeletesNothing) {
  InsertSamples(1, 2);
  const std::vector<Texts> before = AllRows();
  Form3->Show();
  Form4->Show();
  Form5->Show();
  ClickImport(ui::Answer::Yes, "");
  EXPECT_EQ(AllRows(), before);
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(Form4->Visible());
  EXPECT_FALSE(Form5->Visible());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

TEST_F(ImportTest, FileThatCannotBeOpenedAfterYesDeletesNothing) {
  InsertSamples(1, 2);
  const std::vector<Texts> before = AllRows();
  // Gone between the dialog and the import, and a folder named like a text file.
  ClickImport(ui::Answer::Yes, File("gone.txt"));
  ASSERT_EQ(mkdir(File("folder.txt").c_str(), 0755), 0);
  ClickImport(ui::Answer::Yes, File("folder.txt"));
  EXPECT_EQ(AllRows(), before);
  EXPECT_EQ(backend.MessageTexts(),
            std::vector<std::string>(2, "ファイルを開けませんでした。データは変更していません。"));
}

TEST_F(ImportTest, WithoutConnectionTheButtonDoesNothing) {
  Form1->DisconnectDatabase();
  // The server cannot be reached, so the launch check's own attempt to attach fails as well.
  ServerName = "localhost/1:";
  Form3->Show();
  ClickImport(ui::Answer::Yes, File("x.txt"));
  EXPECT_TRUE(Form3->Visible());
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_TRUE(backend.file_dialogs.empty());
  ImportResult result;
  EXPECT_FALSE(exchange::ImportTable(*Form1, kTable, File("x.txt"), false, true, &result));
  EXPECT_EQ(result.outcome, ImportOutcome::Unavailable);
}

TEST_F(ImportTest, MissingTableIsCreatedFirst) {
  ASSERT_TRUE(Form1->ExecuteScript({"DROP TABLE BOOTJWW"}));
  Write(File("in.txt"), std::string(kHeader) + Line(SampleTexts(4)));
  ClickImport(ui::Answer::Yes, File("in.txt"));
  EXPECT_EQ(AllRows(), std::vector<Texts>{Numbered(SampleTexts(4), 1)});
}

}  // namespace
}  // namespace exchange_test
