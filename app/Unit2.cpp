#include "app/Unit2.h"

#include <string>

#include "app/UnitV.h"
#include "platform/cp932.h"

namespace {

const char kFolderMissing[] = "サーバーのデータのフォルダを入力して下さい";
const char kNameMissing[] = "データベース名を入力して下さい";
const char kQuoteRefused[] = "引用符「'」「\"」を入力しないで下さい";
const char kCannotConnect[] = "データベースが作成・接続出来ません。設定を確認して下さい。";

constexpr int kPcUserNameBytes = 16;

// A name has an extension when the last of ".", "\" and ":" in it is a ".".
bool HasExtension(const std::string& name) {
  std::size_t mark = cp932::LastOfChars(name, ".\\:");
  return mark != std::string::npos && name[mark] == '.';
}

void PlaceLabel(ui::Label& label, int left, int top, const char* text) {
  label.SetPosition(left, top);
  label.SetText(text);
}

void PlaceEdit(ui::Edit& edit, int left, int top, int width, int tab_order) {
  edit.SetBounds(left, top, width, 21);
  edit.SetTabOrder(tab_order);
}

}  // namespace

TForm2::TForm2(db::DataModule& data)
    : ui::Form("Form2"),
      Label1(this, "Label1"),
      Label5(this, "Label5"),
      Edit1(this, "Edit1"),
      Label2(this, "Label2"),
      Edit2(this, "Edit2"),
      Label3(this, "Label3"),
      Edit3(this, "Edit3"),
      Bevel1(this, "Bevel1"),
      Label4(this, "Label4"),
      Edit4(this, "Edit4"),
      Button1(this, "Button1"),
      Button2(this, "Button2"),
      data_(data) {
  SetText("データベース設定");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(251, 241);

  PlaceLabel(Label1, 8, 8, "サーバー名（IPアドレス＋':'");
  PlaceLabel(Label5, 72, 24, "　又は、'localhost:'）");
  PlaceEdit(Edit1, 24, 44, 209, 0);
  Edit1.SetHint(
      "1台で運用する場合は「localhost:」、サーバーの場合はそのIPアドレス＋':'（例：「192.168.0.0:」等）を入力して下さい。");
  PlaceLabel(Label2, 8, 70, "サーバーのデータのフォルダ");
  PlaceEdit(Edit2, 24, 88, 209, 1);
  Edit2.SetHint(
      "データベースファイルを作成するサーバー上のフォルダ名を入力して下さい。最後は必ず「\\」で終わって下さい。例：「C:\\data\\」");
  PlaceLabel(Label3, 8, 120, "データベース名");
  PlaceEdit(Edit3, 24, 136, 209, 2);
  Edit3.SetHint(
      "データベース名（ファイル名）を入力して下さい。拡張子は「.FDB」となります。フォルダ名は入力しないで下さい。");
  Bevel1.SetBounds(8, 160, 233, 10);
  PlaceLabel(Label4, 8, 180, "利用者名");
  PlaceEdit(Edit4, 80, 176, 153, 5);  // after the two buttons in the Tab order
  Edit4.SetMaxLength(kPcUserNameBytes);

  Button1.SetBounds(8, 208, 113, 25);
  Button1.SetText("OK(&Y)");
  Button1.SetTabOrder(3);
  Button2.SetBounds(128, 208, 113, 25);
  Button2.SetText("キャンセル(&N)");
  Button2.SetTabOrder(4);
  SetDefaultButton(&Button1);
  SetCancelButton(&Button2);

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
}

void TForm2::FormShow() {
  Edit1.SetText(ServerName);
  Edit2.SetText(ServerFolder);
  Edit3.SetText(DatabaseName);
  Edit4.SetText(PcUserName);
  Edit1.SetFocus();
}

void TForm2::FormClose() {}

void TForm2::Button1Click() {
  std::string folder = Edit2.Text();
  if (IsBlankText(folder)) {
    ui::ShowMessage(kFolderMissing);
    Edit2.SetFocus();
    return;
  }
  std::string name = Edit3.Text();
  if (IsBlankText(name)) {
    ui::ShowMessage(kNameMissing);
    Edit3.SetFocus();
    return;
  }
  std::string user = Edit4.Text();
  if (ContainsQuote(user)) {
    ui::ShowMessage(kQuoteRefused);
    Edit4.SetFocus();
    return;
  }

  // Stored as typed: the blank test above only decides whether something was entered.
  ServerName = Edit1.Text();
  ServerFolder = folder;
  DatabaseName = cp932::UpperAscii(name);
  PcUserName = user;
  if (!HasExtension(DatabaseName)) DatabaseName += ".FDB";

  data_.CreateDatabase();  // fails silently for an existing file; the connection decides
  data_.ConnectDatabase();
  if (data_.Connected()) {
    data_.DisconnectDatabase();
    Close();
    return;
  }
  data_.DisconnectDatabase();
  ui::ShowMessage(kCannotConnect);
  Edit1.SetFocus();
}

void TForm2::Button2Click() { Close(); }
