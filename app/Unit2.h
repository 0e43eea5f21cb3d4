// TForm2: the database settings dialog. Its OK button stores where the database lies and the
// user name, creates the database file if it can, and proves the settings by connecting once.
#pragma once

#include "app/Unit7.h"
#include "db/DataModule.h"
#include "platform/ui/controls.h"

class TForm2 : public ui::Form {
 public:
  explicit TForm2(db::DataModule& data);

  ui::Label Label1;
  ui::Label Label5;
  ui::Edit Edit1;  // ServerName
  ui::Label Label2;
  ui::Edit Edit2;  // ServerFolder
  ui::Label Label3;
  ui::Edit Edit3;  // DatabaseName
  ui::Bevel Bevel1;
  ui::Label Label4;
  ui::Edit Edit4;  // PcUserName
  ui::Button Button1;
  ui::Button Button2;
  ui::Button Button3;  // 接続アカウント: opens AccountDialog
  TForm7 AccountDialog;

  void FormShow();
  void FormClose();
  void Button1Click();
  void Button2Click();
  void Button3Click();

 private:
  db::DataModule& data_;
};
