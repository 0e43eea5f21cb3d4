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
      data_(data) {
  SetText("データベース設定");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(192, 107, 0, 0);
  SetClientSize(251, 241);

  //            left top  caption
  Label1.Create({8,  8,   "サーバー名（IPアドレス＋':'"});
  Label5.Create({72, 24,  "　又は、'localhost:'）"});
  Label2.Create({8,  70,  "サーバーのデータのフォルダ"});
  Label3.Create({8,  120, "データベース名"});
  Label4.Create({8,  180, "利用者名"});
  Bevel1.Create({8, 160, 233, 10});

  // The user name comes after the two buttons in the Tab order.
  //           left top  width height tab bytes             input method              hint
  Edit1.Create({24, 44,  209,  21,    0,  0,                ui::InputMethod::Allowed, kServerNameHint});
  Edit2.Create({24, 88,  209,  21,    1,  0,                ui::InputMethod::Allowed, kServerFolderHint});
  Edit3.Create({24, 136, 209,  21,    2,  0,                ui::InputMethod::Allowed, kDatabaseNameHint});
  Edit4.Create({80, 176, 153,  21,    5,  kPcUserNameBytes});

  //             left top  width height caption           tab role
  Button1.Create({8,   208, 113,  25,   "OK(&Y)",         3,  ui::ButtonRole::Default});
  Button2.Create({128, 208, 113,  25,   "キャンセル(&N)", 4,  ui::ButtonRole::Cancel});

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
  if (!HasExtension(DatabaseName)) DatabaseName += ".FDB";

  data_.CreateDatabase({DatabasePath()});  // fails silently for an existing file; the connection decides
  data_.ConnectDatabase({DatabasePath()});
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
