// Every action that talks to the server shows the wait cursor while it runs and puts the normal
// one back afterwards, with the normal cursor over any box it shows on the way.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "tests/support/db_fixture.h"
#include "tests/support/program_fixture.h"

namespace {

class BusyCursorTest : public testsupport::ProgramFixture {
 protected:
  void SetUp() override {
    ServerName = testsupport::ServerAddress();
    ServerFolder = folder.Path();
    DatabaseName = "BUSY.FDB";
    Form1->CreateDatabase({DatabasePath()});
    ASSERT_TRUE(Form1->Connected());
    ASSERT_TRUE(Form1->CreateLaunchTable());
    ASSERT_TRUE(Form1->InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", "'利用者'"}));
    Form1->SetVisible(true);
  }

  // The cursor changes `action` made (true: the wait cursor came).
  std::vector<bool> Run(const std::function<void()>& action) {
    backend.busy_changes.clear();
    action();
    return backend.busy_changes;
  }
};

TEST_F(BusyCursorTest, EveryServerActionShowsItAndPutsTheNormalCursorBack) {
  Form1->SaveSettings(folder.Path() + "Lumadex.dat");
  const std::string export_file = folder.Path() + "busy.txt";
  struct Action {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Action> actions = {
      {"start-up connect", [&] { Form1->DisconnectDatabase(); Form1->FormShow(); }},
      {"launch check shown", [&] { Form1->Button2.Click(); }},
      {"launch check started", [&] { Form3->Edit1.SetText("10"); Form3->Button1.Click(); }},
      {"editor shown", [&] { Form1->Button3.Click(); }},
      {"editor fetch", [&] { Form4->Edit1.SetText("1"); Form4->Button4.Click(); }},
      {"editor register", [&] { Form4->Button1.Click(); }},
      {"editor delete", [&] { Form4->Edit1.SetText("1"); Form4->Button5.Click(); }},
      {"list shown", [&] { Form1->Button4.Click(); }},
      {"list next page", [&] { Form5->Button3.Click(); }},
      {"export", [&] {
         backend.file_answers.push_back({true, export_file});
         Form1->Button5.Click();
       }},
      {"import", [&] {
         backend.answers.push_back(ui::Answer::No);
         backend.file_answers.push_back({true, export_file});
         Form1->Button6.Click();
       }},
  };
  for (const Action& action : actions) {
    SCOPED_TRACE(action.name);
    const std::vector<bool> changes = Run(action.run);
    ASSERT_FALSE(changes.empty());
    EXPECT_TRUE(changes.front());
    EXPECT_FALSE(changes.back());
    EXPECT_FALSE(ui::BusyCursorShown());
  }
  EXPECT_TRUE(Form1->Connected());
  // The register found every field empty but the user name: its box shows the normal cursor.
  EXPECT_EQ(backend.MessageTexts().front(), "内容を入力して下さい");
}

TEST_F(BusyCursorTest, SettingsDialogShowsTheNormalCursorExceptWhileItsOkConnects) {
  backend.modal_hook = [](ui::Form&) {
    Form2->Button1.Click();  // the current settings: creation fails (the file exists), connecting works
  };
  const std::vector<bool> changes = Run([] { Form1->Button1.Click(); });
  // Disconnect; the dialog (normal cursor); OK connects and disconnects; the dialog closes;
  // the main window connects again.
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false, true, false}));
  EXPECT_TRUE(Form1->Connected());
  EXPECT_TRUE(backend.MessageTexts().empty());
}

}  // namespace
