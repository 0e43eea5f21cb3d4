// TForm5: the record list.
#pragma once

#include "db/DataModule.h"
#include "platform/ui/toolkit.h"

class TForm5 : public ui::Form {
 public:
  explicit TForm5(db::DataModule& data);

  ui::StringGrid StringGrid1;

 private:
  db::DataModule& data_;
};
