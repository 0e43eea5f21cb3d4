#include "monitor/Unit3.h"

TForm3::TForm3(db::DataModule& data, platform::Services& services)
    : ui::Form("Form3"), data_(data), services_(services) {
  SetText("Jw_cad起動チェック");
  SetBounds(192, 107, 0, 0);
  SetClientSize(465, 241);
  SetColor(ui::kWhite);
}
