#include "records/Unit4.h"

TForm4::TForm4(db::DataModule& data) : ui::Form("Form4"), data_(data) {
  SetText("データ編集");
  SetBounds(192, 107, 0, 0);
  SetColor(ui::kWhite);
}
