// TForm3: the launch check window.
#pragma once

#include "db/DataModule.h"
#include "platform/services.h"
#include "platform/ui/toolkit.h"

class TForm3 : public ui::Form {
 public:
  TForm3(db::DataModule& data, platform::Services& services);

 private:
  db::DataModule& data_;
  platform::Services& services_;
};
