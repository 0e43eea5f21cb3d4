#include "app/Unit2.h"

TForm2::TForm2(db::DataModule& data) : ui::Form("Form2"), data_(data) {
  SetText("データベース設定");
  SetBounds(192, 107, 0, 0);
  SetClientSize(251, 241);
  SetColor(ui::kWhite);
}
