// TForm2: the database settings dialog.
#pragma once

#include "db/DataModule.h"
#include "platform/ui/toolkit.h"

class TForm2 : public ui::Form {
 public:
  explicit TForm2(db::DataModule& data);

 private:
  db::DataModule& data_;
};
