#include "app/Forms.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "monitor/CheckIcon.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;

ProgramForms::ProgramForms(platform::Services& services) {
  form1_ = std::make_unique<TForm1>();
  Form1 = form1_.get();
  form4_ = std::make_unique<TForm4>(*Form1);
  Form4 = form4_.get();
  form2_ = std::make_unique<TForm2>(*Form1);
  Form2 = form2_.get();
  form3_ = std::make_unique<TForm3>(*Form1, services);
  Form3 = form3_.get();
  form5_ = std::make_unique<TForm5>(*Form1);
  Form5 = form5_.get();
  form6_ = std::make_unique<TForm6>(*Form1);
  Form6 = form6_.get();
  Form3->OnSettingsChanged = [] { Form1->SettingsChanged(); };
  check_icon_ = std::make_unique<monitor::CheckIcon>(*Form3);
  check_icon_->OnShowList = [] { Form5->Show(); };
  check_icon_->OnQuit = [] { Form1->Close(); };
}

ProgramForms::~ProgramForms() {
  check_icon_.reset();  // the icon leaves the notification area first
  form6_.reset();
  form5_.reset();
  form3_.reset();
  form2_.reset();
  form4_.reset();
  form1_.reset();
  Form1 = nullptr;
  Form2 = nullptr;
  Form3 = nullptr;
  Form4 = nullptr;
  Form5 = nullptr;
  Form6 = nullptr;
}
