// The main window's export and import buttons.
#include "app/Unit1.h"

void TForm1::Button5Click() {}

void TForm1::Button6Click() {}
