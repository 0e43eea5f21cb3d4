// TForm4: the record editor.
#pragma once

#include "db/DataModule.h"
#include "platform/ui/toolkit.h"

class TForm4 : public ui::Form {
 public:
  explicit TForm4(db::DataModule& data);

 private:
  db::DataModule& data_;
};
