// The windows of the program: created once at start, in this order, and reached through
// these program-wide references.
#pragma once

#include <memory>

#include "platform/services.h"

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
namespace monitor {
class CheckIcon;
}

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;
extern TForm5* Form5;
extern TForm6* Form6;

// Owns the windows; destroying it destroys them in the reverse order of creation.
class ProgramForms {
 public:
  explicit ProgramForms(platform::Services& services);
  ~ProgramForms();

  // The launch check's icon in the notification area, for as long as the windows live.
  monitor::CheckIcon& Icon() { return *check_icon_; }

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm5> form5_;
  std::unique_ptr<TForm6> form6_;
  std::unique_ptr<monitor::CheckIcon> check_icon_;
};

constexpr char kApplicationTitle[] = "t482－Lumadex";
