// The record editor against a real database: number checks, fetch, register, delete, and what
// stays usable with the connection closed.
#include <gtest/gtest.h>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "records/Unit4.h"
#include "tests/records/records_fixture.h"
#include "tests/support/db_fixture.h"

using records_test::RecordsFixture;
using records_test::Texts;

namespace {

const char kNumberMessage[] = "登録番号は1以上の整数で入力して下さい";

class RecordEditorTest : public RecordsFixture {
 protected:
  void ShowEditor() {
    Form4->Show();
    backend.ClearMessages();
  }
  void FillBoxes(const Texts& texts) {
    auto boxes = Boxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i]->SetText(texts[i]);
  }
  Texts BoxTexts() {
    Texts texts;
    for (ui::Edit* box : Boxes()) texts.push_back(box->Text());
    return texts;
  }
  std::vector<ui::Edit*> Boxes() {
    TForm4& f = *Form4;
    return {&f.Edit1, &f.Edit2, &f.Edit3, &f.Edit4, &f.Edit5,
            &f.Edit6, &f.Edit7, &f.Edit8, &f.Edit9, &f.Edit10};
  }
  Texts RowWithNumber(int n) {
    for (const Texts& row : AllRows()) {
      if (row[0] == std::to_string(n)) return row;
    }
    return {};
  }
};

const Texts kEdited = {"2",          "山田",       "D:\\新\\",  "\\\\nas\\新\\", "改.jww",
                       "2025/01/02", "03:04:05",   "2025/01/01", "00:00:00",    "77"};

TEST_F(RecordEditorTest, InvalidNumbersAreRefusedByFetchRegisterAndDelete) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  for (const char* typed : {"0", "-3", "abc", ""}) {
    for (ui::Button* button : {&Form4->Button4, &Form4->Button1, &Form4->Button5}) {
      Texts filled = kEdited;
      filled[0] = typed;
      FillBoxes(filled);
      Form4->Edit2.SetFocus();
      backend.ClearMessages();
      button->Click();
      SCOPED_TRACE(std::string("number '") + typed + "' on " + button->Name());
      EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kNumberMessage});
      EXPECT_TRUE(Form4->Edit1.Focused());
      EXPECT_EQ(BoxTexts(), filled);  // nothing emptied, nothing fetched
    }
  }
  EXPECT_EQ(AllRows().size(), 3u);
  EXPECT_EQ(RowWithNumber(2)[4], "図面2.jww");
}

TEST_F(RecordEditorTest, FetchFillsTheBoxesOrEmptiesThemAllForAMissingNumber) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  EXPECT_TRUE(Form4->Edit1.Focused());

  Form4->Edit1.SetText("002");  // leading zeros do not matter
  Form4->Button4.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(BoxTexts(), RowWithNumber(2));
  EXPECT_EQ(Form4->Edit1.Text(), "2");
  EXPECT_EQ(Form4->Edit5.Text(), "図面2.jww");
  EXPECT_TRUE(Form4->Edit2.Focused());

  Form4->Edit1.SetText("99");
  Form4->Button4.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(BoxTexts(), Texts(10, ""));
}

// A read the server refuses for another reason than a lost connection (here a column it cannot
// compute) shows the error box and empties every box: the next 編集登録 finds nothing to write
// instead of the previous row's texts under the new number.
TEST_F(RecordEditorTest, ARefusedFetchEmptiesTheBoxesSoNoOtherRowCanBeWrittenThere) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  Form4->Edit1.SetText("2");
  Form4->Button4.Click();
  ASSERT_EQ(BoxTexts(), RowWithNumber(2));
  ASSERT_TRUE(Form1->ExecuteScript({"ALTER TABLE BOOTJWW ADD BROKEN COMPUTED BY (1/0)"}));

  Form4->Edit1.SetText("3");
  Form4->Button4.Click();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_TRUE(backend.messages[0].error);
  EXPECT_EQ(BoxTexts(), Texts(10, ""));
  backend.ClearMessages();

  Form4->Edit1.SetText("3");
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"内容を入力して下さい"});
  ASSERT_TRUE(Form1->ExecuteScript({"ALTER TABLE BOOTJWW DROP BROKEN"}));
  EXPECT_EQ(RowWithNumber(3)[4], "図面3.jww");
}

TEST_F(RecordEditorTest, RegisterChecksEveryTextBoxInOrderBeforeWriting) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  Texts before = RowWithNumber(2);

  struct Case {
    int box;  // 1..8: Edit2..Edit9
    std::string text;
    int focused_box;
    const char* message;
  };
  const Case cases[] = {
      {4, "   ", 4, "内容を入力して下さい"},
      {1, "", 1, "内容を入力して下さい"},
      {8, " \t", 8, "内容を入力して下さい"},
      {6, "12'00", 6, "引用符「'」「\"」を入力しないで下さい"},
      {3, "a\"b", 3, "引用符「'」「\"」を入力しないで下さい"},
  };
  for (const Case& c : cases) {
    Texts filled = kEdited;
    filled[c.box] = c.text;
    FillBoxes(filled);
    backend.ClearMessages();
    Form4->Button1.Click();
    SCOPED_TRACE("box " + std::to_string(c.box + 1) + " = '" + c.text + "'");
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{c.message});
    EXPECT_TRUE(Boxes()[c.focused_box]->Focused());
    EXPECT_EQ(BoxTexts(), filled);
  }
  // A quote in Edit3 is found before a blank Edit4: each box is checked completely in turn.
  Texts filled = kEdited;
  filled[2] = "it's";
  filled[3] = "";
  FillBoxes(filled);
  backend.ClearMessages();
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"引用符「'」「\"」を入力しないで下さい"});
  EXPECT_TRUE(Form4->Edit3.Focused());
  EXPECT_EQ(RowWithNumber(2), before);
}

TEST_F(RecordEditorTest, RegisterStoresTextsAsTypedAndTheSizeAsANumber) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  const Texts untouched_first = RowWithNumber(1);
  const Texts untouched_last = RowWithNumber(3);

  Texts typed = kEdited;
  typed[1] = "　";             // a full-width blank is content
  typed[2] = "  D:\\新\\  ";  // blanks around a text are kept
  FillBoxes(typed);
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録OK"});
  EXPECT_EQ(RowWithNumber(2), typed);

  for (const char* size : {"", "12a", "1'2", "abc"}) {
    typed[9] = size;
    FillBoxes(typed);
    backend.ClearMessages();
    Form4->Button1.Click();
    SCOPED_TRACE(std::string("size '") + size + "'");
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録OK"});
    EXPECT_EQ(RowWithNumber(2)[9], "0");
  }
  EXPECT_EQ(RowWithNumber(1), untouched_first);
  EXPECT_EQ(RowWithNumber(3), untouched_last);
}

TEST_F(RecordEditorTest, AFullBoxRefusesATypedCharacterAndRegistersTheTextAsItWas) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  Texts typed = kEdited;
  typed[1] = "設計課ＰＣ１ＸZ";  // 15 of the 16 bytes of PNAME
  FillBoxes(typed);
  Form4->Edit2.Type("号");
  EXPECT_EQ(Form4->Edit2.Text(), "設計課ＰＣ１ＸZ");
  Form4->Edit2.SetSelection(0, 0);
  Form4->Edit2.Type("9");
  EXPECT_EQ(Form4->Edit2.Text(), "9設計課ＰＣ１ＸZ");
  Form4->Edit2.SetSelection(0, 0);
  Form4->Edit2.Type("8");
  EXPECT_EQ(Form4->Edit2.Text(), "9設計課ＰＣ１ＸZ");
  // The date box takes 10 bytes: a paste keeps what fits.
  Form4->Edit6.SetText("");
  Form4->Edit6.Paste("2026/12/07 09:00");
  EXPECT_EQ(Form4->Edit6.Text(), "2026/12/07");
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録OK"});
  EXPECT_EQ(RowWithNumber(2)[1], "9設計課ＰＣ１ＸZ");
  EXPECT_EQ(RowWithNumber(2)[5], "2026/12/07");
}

TEST_F(RecordEditorTest, RegisteringANumberWithoutARowReportsFailure) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  Texts typed = kEdited;
  typed[0] = "42";
  FillBoxes(typed);
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録失敗"});
  EXPECT_EQ(BoxTexts(), typed);
  EXPECT_EQ(AllRows().size(), 3u);
}

TEST_F(RecordEditorTest, DeleteRemovesTheRowEmptiesTheBoxesAndFocusesTheNumber) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  ShowEditor();
  Form4->Edit1.SetText("2");
  Form4->Button4.Click();
  Form4->Button5.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(BoxTexts(), Texts(10, ""));
  EXPECT_TRUE(Form4->Edit1.Focused());
  auto rows = AllRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[1][0], "3");

  // A number without a row: nothing to delete, nothing said, the boxes emptied all the same.
  FillBoxes(kEdited);
  Form4->Edit1.SetText("77");
  Form4->Button5.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(BoxTexts(), Texts(10, ""));
  EXPECT_EQ(AllRows().size(), 2u);
}

TEST_F(RecordEditorTest, OnlyClearDeleteAndCloseActWithTheConnectionClosed) {
  CreateFreshDatabase();
  InsertSampleRows(1, 3);
  Form1->DisconnectDatabase();
  ShowEditor();
  EXPECT_FALSE(Form4->Button1.Enabled());
  EXPECT_FALSE(Form4->Button4.Enabled());
  EXPECT_TRUE(Form4->Button2.Enabled());
  EXPECT_TRUE(Form4->Button5.Enabled());

  FillBoxes(kEdited);
  Form4->Button4.Click();
  Form4->Button1.Click();
  EXPECT_TRUE(backend.MessageTexts().empty());
  EXPECT_EQ(BoxTexts(), kEdited);

  Form4->Button5.Click();  // deletes nothing: the connection is closed
  EXPECT_EQ(BoxTexts(), Texts(10, ""));
  EXPECT_TRUE(Form4->Edit1.Focused());

  FillBoxes(kEdited);
  Form4->Button2.Click();
  EXPECT_EQ(BoxTexts(), Texts(10, ""));

  Form4->PressEscape();
  EXPECT_FALSE(Form4->Visible());
  EXPECT_FALSE(Form1->Connected());

  Form1->ConnectDatabase({DatabasePath()});
  ASSERT_TRUE(Form1->Connected());
  EXPECT_EQ(AllRows().size(), 3u);

  // Shown again with the connection open, fetch and register work again and texts were kept.
  FillBoxes(kEdited);
  Form4->Show();
  EXPECT_TRUE(Form4->Button1.Enabled());
  EXPECT_TRUE(Form4->Button4.Enabled());
  EXPECT_EQ(BoxTexts(), kEdited);
}

TEST_F(RecordEditorTest, ShowingTheEditorCreatesAMissingTable) {
  CreateFreshDatabase("NOTABLE.FDB", false);
  ASSERT_FALSE(Form1->TableExists("BOOTJWW"));
  ShowEditor();
  EXPECT_TRUE(Form1->TableExists("BOOTJWW"));
  EXPECT_TRUE(Form4->Button1.Enabled());
  EXPECT_TRUE(Form4->Edit1.Focused());
}

const char kConnectionSentence[] = "データベースに接続できません。";

// Fetch, register and delete each work at their first use after the server restarted, without
// a second click; with the server still down the error box says so in Japanese and the boxes
// keep what the user had, and the next use once it is back works.
TEST_F(RecordEditorTest, EveryActionWorksAtItsFirstUseAfterAServerRestart) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  CreateDatabaseOn(server, 1, 3);
  // Restarted while the editor was hidden: showing it attaches again.
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  ShowEditor();
  EXPECT_TRUE(Form4->Button1.Enabled());
  EXPECT_TRUE(Form4->Button4.Enabled());
  EXPECT_TRUE(Form4->Edit1.Focused());

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  Form4->Edit1.SetText("2");
  Form4->Button4.Click();
  EXPECT_EQ(BoxTexts(), RowWithNumber(2));

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  FillBoxes(kEdited);
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録OK"});
  EXPECT_EQ(RowWithNumber(2), kEdited);
  backend.ClearMessages();

  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  Form4->Edit1.SetText("3");
  Form4->Button5.Click();
  EXPECT_TRUE(RowWithNumber(3).empty());
  EXPECT_EQ(AllRows().size(), 2u);
  EXPECT_TRUE(backend.MessageTexts().empty());

  // Down: each action ends with the connection message; nothing is emptied or changed.
  ASSERT_TRUE(server.Stop());
  for (ui::Button* button : {&Form4->Button4, &Form4->Button1, &Form4->Button5}) {
    SCOPED_TRACE(button->Name());
    FillBoxes(kEdited);
    backend.ClearMessages();
    button->Click();
    EXPECT_EQ(testsupport::OnlyErrorSentence(backend), kConnectionSentence);
    EXPECT_EQ(BoxTexts(), kEdited);
  }
  backend.ClearMessages();
  ASSERT_TRUE(server.Start());
  Form4->Edit1.SetText("1");
  Form4->Button4.Click();
  EXPECT_EQ(BoxTexts(), RowWithNumber(1));
  EXPECT_EQ(RowWithNumber(2), kEdited);
  EXPECT_TRUE(backend.MessageTexts().empty());

  // Shown while the server is down: the message, and the buttons stay usable for later.
  Form4->Close();
  ASSERT_TRUE(server.Stop());
  Form4->Show();
  EXPECT_EQ(testsupport::OnlyErrorSentence(backend), kConnectionSentence);
  EXPECT_TRUE(Form4->Button4.Enabled());
  backend.ClearMessages();
  ASSERT_TRUE(server.Start());
  Form4->Edit1.SetText("2");
  Form4->Button4.Click();
  EXPECT_EQ(BoxTexts(), kEdited);
  EXPECT_TRUE(backend.MessageTexts().empty());
}

// A zero byte in an edited text: the statement is no longer cut at it, and the server would
// store it, but every read gives the text only up to it. The user is told instead.
TEST_F(RecordEditorTest, AZeroByteInAnEditedTextIsRefusedWithAMessage) {
  CreateFreshDatabase();
  InsertSampleRows(1, 2);
  ShowEditor();
  const Texts before = RowWithNumber(2);
  Texts edited = kEdited;
  edited[4] = std::string("改") + '\0' + ".jww";
  FillBoxes(edited);
  Form4->Button1.Click();
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"使用できない文字（NUL）が含まれています"});
  EXPECT_TRUE(Form4->Edit5.Focused());
  EXPECT_EQ(BoxTexts(), edited);
  EXPECT_EQ(RowWithNumber(2), before);
}

}  // namespace
