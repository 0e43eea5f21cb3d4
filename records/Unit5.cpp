#include "records/Unit5.h"

TForm5::TForm5(db::DataModule& data) : ui::Form("Form5"), StringGrid1(this, "StringGrid1"), data_(data) {
  SetText("データ一覧表示");
  SetBorder(ui::Border::Sizeable);
  SetBounds(192, 107, 500, 300);
  StringGrid1.SetColCount(10);
  StringGrid1.SetDefaultColWidth(80);
}
