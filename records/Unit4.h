// TForm4: the record editor. Fetches one row of BOOTJWW by its registration number, writes the
// nine other values back, deletes the row, or clears the form.
#pragma once

#include <array>

#include "db/DataModule.h"
#include "platform/ui/controls.h"

class TForm4 : public ui::Form {
 public:
  explicit TForm4(db::DataModule& data);

  ui::Panel Panel1;
  ui::Label Label1;
  ui::Edit Edit1;
  ui::Button Button4;
  ui::Button Button5;
  ui::Label Label2;
  ui::Edit Edit2;
  ui::Label Label3;
  ui::Edit Edit3;
  ui::Label Label4;
  ui::Edit Edit4;
  ui::Label Label5;
  ui::Edit Edit5;
  ui::Label Label6;
  ui::Edit Edit6;
  ui::Label Label7;
  ui::Edit Edit7;
  ui::Label Label11;
  ui::Label Label8;
  ui::Edit Edit8;
  ui::Label Label9;
  ui::Edit Edit9;
  ui::Label Label10;
  ui::Edit Edit10;
  ui::Button Button1;
  ui::Button Button2;
  ui::Button Button3;

  void FormShow();
  void FormClose();
  void Button1Click();  // register
  void Button2Click();  // clear
  void Button3Click();  // close
  void Button4Click();  // fetch
  void Button5Click();  // delete

 private:
  // Edit1 to Edit10 in the table's column order.
  std::array<ui::Edit*, 10> Boxes();
  void EmptyBoxes();
  // The registration number typed in Edit1, or 0 after telling the user it is not valid.
  int ValidNumber();

  db::DataModule& data_;
};
