#include "app/Unit7.h"

#include <string>

#include "app/Account.h"
#include "app/Forms.h"
#include "app/Unit1.h"
#include "app/UnitV.h"

namespace {

const char kPasswordMissing[] = "パスワードを入力して下さい";
const char kPasswordNotKept[] = "パスワードを保存出来ません。";
const char kStored[] = "保存済み（変更する時だけ入力）";
const char kNotStored[] = "未保存";

// A Firebird user name is at most 63 characters; the client sends a password of up to 255 bytes.
constexpr int kUserNameBytes = 63;
constexpr int kPasswordBytes = 255;

}  // namespace

TForm7::TForm7()
    : ui::Form("Form7"),
      Label1(this, "Label1"),
      Edit1(this, "Edit1"),
      Label2(this, "Label2"),
      Edit2(this, "Edit2"),
      Label3(this, "Label3"),
      Button1(this, "Button1"),
      Button2(this, "Button2") {
  SetText("接続アカウント");
  SetBorder(ui::Border::Single);
  SetMaximizeBox(false);
  SetColor(ui::kWhite);
  SetBounds(224, 139, 0, 0);
  SetClientSize(251, 117);

  Label1.Create({8, 12, "ユーザー名"});
  Label2.Create({8, 40, "パスワード"});
  Label3.Create({88, 62, ""});
  Edit1.Create({.left = 88, .top = 8, .width = 153, .height = 21, .tab_order = 0, .max_length = kUserNameBytes,
                .input_method = ui::InputMethod::Off});
  Edit2.Create({.left = 88, .top = 36, .width = 153, .height = 21, .tab_order = 1, .max_length = kPasswordBytes,
                .input_method = ui::InputMethod::Off, .password = true});
  Button1.Create({.left = 8, .top = 84, .width = 113, .height = 25, .caption = "OK(&Y)", .tab_order = 2,
                  .role = ui::ButtonRole::Default});
  Button2.Create({.left = 128, .top = 84, .width = 113, .height = 25, .caption = "キャンセル(&N)", .tab_order = 3,
                  .role = ui::ButtonRole::Cancel});

  OnShow = [this] { FormShow(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
}

void TForm7::FormShow() {
  Edit1.SetText(AccountUser);
  Edit2.SetText("");
  Label3.SetText(AccountUser.empty() ? "" : (AccountPassword.empty() ? kNotStored : kStored));
  Edit1.SetFocus();
}

void TForm7::Button1Click() {
  const std::string user = Edit1.Text();
  const std::string password = Edit2.Text();
  platform::Services& services = platform::CurrentServices();
  if (user.empty()) {
    // The fixed account again: no password of ours is kept any longer.
    AccountUser.clear();
    AccountPassword.clear();
    account::RemovePassword(Form1->SettingsFile, services);
    Close();
    return;
  }
  if (password.empty()) {
    if (AccountPassword.empty()) {
      ui::ShowMessage(kPasswordMissing);
      Edit2.SetFocus();
      return;
    }
    AccountUser = user;  // the stored password stays
    Close();
    return;
  }
  if (!account::SavePassword(Form1->SettingsFile, services, password)) {
    ui::ShowMessage(kPasswordNotKept);
    Edit2.SetFocus();
    return;
  }
  AccountUser = user;
  AccountPassword = password;
  Close();
}

void TForm7::Button2Click() { Close(); }
