#include "records/Unit4.h"

#include <string>
#include <vector>

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"
#include "platform/cp932.h"
#include "platform/ui/long_call.h"

namespace {

const char kNumberMessage[] = "登録番号は1以上の整数で入力して下さい";
const char kEmptyMessage[] = "内容を入力して下さい";
const char kQuoteMessage[] = "引用符「'」「\"」を入力しないで下さい";
const char kUpdatedMessage[] = "編集登録OK";
const char kUpdateFailedMessage[] = "編集登録失敗";
const char kZeroByteMessage[] = "使用できない文字（NUL）が含まれています";

}  // namespace

TForm4::TForm4(db::DataModule& data)
    : ui::Form("Form4"),
      Panel1(this, "Panel1"),
      Label1(&Panel1, "Label1"),
      Edit1(&Panel1, "Edit1"),
      Button4(&Panel1, "Button4"),
      Button5(&Panel1, "Button5"),
      Label2(&Panel1, "Label2"),
      Edit2(&Panel1, "Edit2"),
      Label3(&Panel1, "Label3"),
      Edit3(&Panel1, "Edit3"),
      Label4(&Panel1, "Label4"),
      Edit4(&Panel1, "Edit4"),
      Label5(&Panel1, "Label5"),
      Edit5(&Panel1, "Edit5"),
      Label6(&Panel1, "Label6"),
      Edit6(&Panel1, "Edit6"),
      Label7(&Panel1, "Label7"),
      Edit7(&Panel1, "Edit7"),
      Label11(&Panel1, "Label11"),
      Label8(&Panel1, "Label8"),
      Edit8(&Panel1, "Edit8"),
      Label9(&Panel1, "Label9"),
      Edit9(&Panel1, "Edit9"),
      Label10(&Panel1, "Label10"),
      Edit10(&Panel1, "Edit10"),
      Button1(this, "Button1"),
      Button2(this, "Button2"),
      Button3(this, "Button3"),
      data_(data) {
  SetText("データ編集");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(462, 272);

  // Tab order counts within each parent: the panel's controls first, then the three buttons.
  Panel1.Create({.left = 8, .top = 8, .width = 449, .height = 225, .tab_order = 0,
                 .color = ui::Rgb(0xEB, 0xEB, 0xEB)});

  Label1.Create({8, 8, "登録番号"});
  Label2.Create({8, 32, "PC利用者名"});
  Label3.Create({8, 56, "フォルダ名"});
  Label4.Create({8, 80, "(展開名)"});
  Label5.Create({8, 104, "ファイル名"});
  Label6.Create({8, 128, "起動日付"});
  Label7.Create({8, 152, "起動時刻"});
  Label11.Create({224, 128, "■開いた時のファイル情報■"});
  Label8.Create({224, 152, "ファイル日付"});
  Label9.Create({224, 176, "ファイル時刻"});
  Label10.Create({224, 200, "ファイルサイズ"});

  Edit1.Create({.left = 80, .top = 4, .width = 73, .height = 21, .tab_order = 0, .max_length = 8,
                .input_method = ui::InputMethod::Off});
  Edit2.Create({.left = 80, .top = 28, .width = 201, .height = 21, .tab_order = 2, .max_length = 16});
  Edit3.Create({.left = 80, .top = 52, .width = 361, .height = 21, .tab_order = 3, .max_length = 255});
  Edit4.Create({.left = 80, .top = 76, .width = 361, .height = 21, .tab_order = 4, .max_length = 255});
  Edit5.Create({.left = 80, .top = 100, .width = 361, .height = 21, .tab_order = 5, .max_length = 255});
  Edit6.Create({.left = 80, .top = 124, .width = 97, .height = 21, .tab_order = 6, .max_length = 10,
                .input_method = ui::InputMethod::Off});
  Edit7.Create({.left = 80, .top = 148, .width = 97, .height = 21, .tab_order = 7, .max_length = 8,
                .input_method = ui::InputMethod::Off});
  Edit8.Create({.left = 320, .top = 148, .width = 97, .height = 21, .tab_order = 8, .max_length = 10,
                .input_method = ui::InputMethod::Off});
  Edit9.Create({.left = 320, .top = 172, .width = 97, .height = 21, .tab_order = 9, .max_length = 8,
                .input_method = ui::InputMethod::Off});
  Edit10.Create({.left = 320, .top = 196, .width = 97, .height = 21, .tab_order = 10, .max_length = 10,
                 .input_method = ui::InputMethod::Off});

  Button4.Create({.left = 168, .top = 3, .width = 113, .height = 22, .caption = "データ取得(&R)", .tab_order = 1});
  Button5.Create({.left = 296, .top = 8, .width = 145, .height = 33, .caption = "このデータを削除(&D)",
                  .tab_order = -1});

  Button1.Create({.left = 8, .top = 240, .width = 121, .height = 25, .caption = "編集登録(&S)", .tab_order = 1});
  Button2.Create({.left = 168, .top = 240, .width = 129, .height = 25, .caption = "内容クリア(&C)", .tab_order = 2});
  Button3.Create({.left = 336, .top = 240, .width = 121, .height = 25, .caption = "閉じる(&X)", .tab_order = 3,
                  .role = ui::ButtonRole::Cancel});

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
  Button4.OnClick = [this] { Button4Click(); };
  Button5.OnClick = [this] { Button5Click(); };
}

std::array<ui::Edit*, 10> TForm4::Boxes() {
  return {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9, &Edit10};
}

void TForm4::EmptyBoxes() {
  for (ui::Edit* box : Boxes()) box->SetText("");
}

int TForm4::ValidNumber() {
  int number = StrToIntZero(Edit1.Text());
  if (number <= 0) {
    ui::ShowMessage(kNumberMessage);
    Edit1.SetFocus();
    return 0;
  }
  return number;
}

// The editor uses the connection here, on this thread: a batch of the launch check's catch-up
// (or a page load) in flight on the worker ends first.
void TForm4::FormShow() {
  ui::AwaitLongCall();
  ui::BusyCursor busy;
  Button1.SetEnabled(true);
  Button4.SetEnabled(true);
  // A server that is down after a restart is reported by the error box; the buttons stay
  // enabled, so the first fetch or register once it is back works.
  const db::LaunchTableState table = data_.RunRecovering([this] { data_.CheckLaunchTable(); });
  if (table != db::LaunchTableState::Ready) {
    Button1.SetEnabled(false);
    Button4.SetEnabled(false);
  }
  if (table != db::LaunchTableState::Closed) Edit1.SetFocus();
}

void TForm4::FormClose() {}

void TForm4::Button4Click() {
  ui::AwaitLongCall();
  ui::BusyCursor busy;
  int number = ValidNumber();
  if (number == 0) return;
  // Attaches again when the read finds the server restarted; a server still down ends the fetch
  // with the boxes as they were. A number without a row empties them, and so does a read the
  // server refuses (before its error box): the boxes never show one row beside another's number,
  // which the next 編集登録 would write there.
  std::vector<std::string> values;
  try {
    data_.RunRecovering([&] {
      values = data_.ReadSingleRow(db::OpenSelectLines("*", db::kLaunchTableName, db::NumberCondition(number), ""),
                                   db::kLaunchColumnCount);
    });
  } catch (const db::DatabaseError& error) {
    if (error.Kind() != db::FailureKind::Connection) EmptyBoxes();
    throw;
  }
  values.resize(db::kLaunchColumnCount);
  auto boxes = Boxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i]->SetText(values[i]);
  Edit2.SetFocus();
}

void TForm4::Button1Click() {
  ui::AwaitLongCall();
  ui::BusyCursor busy;
  int number = ValidNumber();
  if (number == 0) return;

  auto boxes = Boxes();
  std::vector<std::string> values;
  values.push_back(std::to_string(number));
  for (std::size_t i = 1; i <= 8; ++i) {
    std::string text = boxes[i]->Text();
    if (IsBlankText(text)) {
      ui::ShowMessage(kEmptyMessage);
      boxes[i]->SetFocus();
      return;
    }
    if (ContainsQuote(text)) {
      ui::ShowMessage(kQuoteMessage);
      boxes[i]->SetFocus();
      return;
    }
    // The server would store the zero byte, and every read gives the text only up to it.
    if (text.find('\0') != std::string::npos) {
      ui::ShowMessage(kZeroByteMessage);
      boxes[i]->SetFocus();
      return;
    }
    // The quote test above already keeps apostrophes out; the literal helper is the one place
    // that makes any text safe between apostrophes all the same.
    values.push_back(db::QuoteLiteral(text));
  }
  values.push_back(std::to_string(StrToIntZero(Edit10.Text())));

  // An update that matched no row stored nothing: that is not a success for the user. A server
  // that stays unreachable is the error box, as in the fetch; any other refusal is a failure.
  long long changed = 0;
  try {
    const std::vector<std::string> update = db::UpdateLines(
        db::kLaunchTableName, db::kLaunchColumnCount, db::LaunchColumnNames(), values, db::NumberCondition(number));
    // The changed row's number comes back with the update: no second question for the count.
    data_.RunRecovering([&] { changed = data_.ModifyOneRow(db::ReturningLines(update, "N")) ? 1 : 0; });
  } catch (const db::DatabaseError& error) {
    if (error.Kind() == db::FailureKind::Connection) throw;
    changed = 0;
  }
  ui::ShowMessage(changed > 0 ? kUpdatedMessage : kUpdateFailedMessage);
}

void TForm4::Button5Click() {
  ui::AwaitLongCall();
  ui::BusyCursor busy;
  int number = ValidNumber();
  if (number == 0) return;
  // As in the fetch; a delete the server refuses is the error box, the boxes keep the row.
  data_.RunRecovering([&] { data_.Modify(db::DeleteLines(db::kLaunchTableName, db::NumberCondition(number))); });
  EmptyBoxes();
  Edit1.SetFocus();
}

void TForm4::Button2Click() { EmptyBoxes(); }

void TForm4::Button3Click() { Close(); }
