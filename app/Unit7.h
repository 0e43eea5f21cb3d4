// TForm7: the connection account dialog, opened modally from the database settings dialog's
// 接続アカウント button. It sets the user the connection attaches and creates with, and that
// user's password, which is kept protected (app/Account.h) and never shown back: the box stays
// empty, and a line under it says whether one is stored. An empty user name is the program's
// fixed account, and removes the stored password.
#pragma once

#include "platform/ui/controls.h"

class TForm7 : public ui::Form {
 public:
  TForm7();

  ui::Label Label1;
  ui::Edit Edit1;  // user name
  ui::Label Label2;
  ui::Edit Edit2;  // password, shown as dots
  ui::Label Label3;  // whether a password is stored
  ui::Button Button1;
  ui::Button Button2;

  void FormShow();
  void Button1Click();
  void Button2Click();
};
