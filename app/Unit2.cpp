#include "app/Unit2.h"

#include <string>

#include "app/UnitV.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace {

const char kFolderMissing[] = "サーバーのデータのフォルダを入力して下さい";
const char kNameMissing[] = "データベース名を入力して下さい";
const char kQuoteRefused[] = "引用符「'」「\"」を入力しないで下さい";
const char kCannotConnect[] = "データベースが作成・接続出来ません。設定を確認して下さい。";

constexpr int kPcUserNameBytes = 16;

const char kServerNameHint[] =
    "1台で運用する場合は「localhost:」、サーバーの場合はそのIPアドレス＋':'（例：「192.168.0.0:」等）を入力して下さい。";
const char kServerFolderHint[] =
    "データベースファイルを作成するサーバー上のフォルダ名を入力して下さい。最後は必ず「\\」で終わって下さい。例：「C:\\data\\」";
const char kDatabaseNameHint[] =
    "データベース名（ファイル名）を入力して下さい。拡張子は「.FDB」となります。フォルダ名は入力しないで下さい。";

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
      Button3(this, "Button3"),
      data_(data) {
  SetText("データベース設定");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  // Grown downward for the account's button; everything above it keeps its place.
  SetClientSize(251, 273);

  Label1.Create({8, 8, "サーバー名（IPアドレス＋':'"});
  Label5.Create({72, 24, "　又は、'localhost:'）"});
  Label2.Create({8, 70, "サーバーのデータのフォルダ"});
  Label3.Create({8, 120, "データベース名"});
  Label4.Create({8, 180, "利用者名"});
  Bevel1.Create({.left = 8, .top = 160, .width = 233, .height = 10});

  // The user name comes after the two buttons in the Tab order.
  Edit1.Create({.left = 24, .top = 44, .width = 209, .height = 21, .tab_order = 0, .hint = kServerNameHint});
  Edit2.Create({.left = 24, .top = 88, .width = 209, .height = 21, .tab_order = 1, .hint = kServerFolderHint});
  Edit3.Create({.left = 24, .top = 136, .width = 209, .height = 21, .tab_order = 2, .hint = kDatabaseNameHint});
  Edit4.Create({.left = 80, .top = 176, .width = 153, .height = 21, .tab_order = 5,
                .max_length = kPcUserNameBytes});

  Button1.Create({.left = 8, .top = 208, .width = 113, .height = 25, .caption = "OK(&Y)", .tab_order = 3,
                  .role = ui::ButtonRole::Default});
  Button2.Create({.left = 128, .top = 208, .width = 113, .height = 25, .caption = "キャンセル(&N)", .tab_order = 4,
                  .role = ui::ButtonRole::Cancel});
  Button3.Create({.left = 8, .top = 240, .width = 233, .height = 25, .caption = "接続アカウント(&A)", .tab_order = 6});

  OnShow = [this] { FormShow(); };
  OnClose = [this] { FormClose(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Button3.OnClick = [this] { Button3Click(); };
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
  ui::BusyCursor busy;
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
  DatabaseName = paths::WithDefaultExtension(DatabaseName, ".FDB");

  data_.CreateDatabase({DatabasePath(), AccountUser, AccountPassword});  // fails silently for an existing file; the connection decides
  data_.ConnectDatabase({DatabasePath(), AccountUser, AccountPassword});
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

void TForm2::Button3Click() { AccountDialog.ShowModal(); }
