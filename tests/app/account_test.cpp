// The connection account: its user name as a line of the settings file, its password protected
// for the Windows user in a file of its own (never the plain text), set through the settings
// dialog's 接続アカウント dialog, and used by every attach.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/Account.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/UnitV.h"
#include "db/Connection.h"
#include "platform/files.h"
#include "records/Unit6.h"
#include "tests/support/program_fixture.h"

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

const char kPassword[] = "Kx7-パス#word";
const char kStored[] = "保存済み（変更する時だけ入力）";
const char kCannotConnect[] = "データベースが作成・接続出来ません。設定を確認して下さい。";
const char kStartFailed[] = "データベース接続が出来ません。設定を確認して下さい。";

class AccountTest : public testsupport::ProgramFixture {
 protected:
  std::string settings = folder.Path() + "Lumadex.dat";
  std::string key = folder.Path() + "Lumadex.key";

  AccountTest() { Form1->SettingsFile = settings; }

  // Opens the settings dialog from the main window, presses 接続アカウント and runs `steps` in
  // the account dialog; `after` runs back in the settings dialog.
  void RunAccountDialog(const std::function<void(TForm7&)>& steps,
                        const std::function<void(TForm2&)>& after = nullptr) {
    backend.modal_hook = [&](ui::Form& form) {
      if (&form == static_cast<ui::Form*>(&Form2->AccountDialog)) {
        ASSERT_TRUE(form.Modal());
        steps(Form2->AccountDialog);
        return;
      }
      ASSERT_EQ(&form, static_cast<ui::Form*>(Form2));
      Form2->Button3.Click();
      if (after) after(*Form2);
    };
    Form1->Button1Click();
    backend.modal_hook = nullptr;
  }

  static std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += std::to_string(i < 6 ? 10 : 100 + i) + "\r\n";
    return text;
  }
};

TEST_F(AccountTest, UserNameLineAfterTheSummaryLinesAndItsAbsence) {
  ASSERT_TRUE(account::SavePassword(settings, services, kPassword));
  struct Case {
    const char* what;
    std::string file;
    std::string user;
    std::string password;
  } cases[] = {
      {"27 lines", Lines(27), "", ""},
      {"31 lines", Lines(31), "", ""},
      {"32 lines, empty user", Lines(31) + "\r\n", "", ""},
      {"32 lines", Lines(31) + "LUMADEX\r\n", "LUMADEX", kPassword},
      {"32 lines and more", Lines(31) + "LUMADEX\r\nlater\r\n", "LUMADEX", kPassword},
  };
  for (const Case& c : cases) {
    AccountUser = "before";
    AccountPassword = "before";
    WriteWholeFile(settings, c.file);
    Form1->LoadSettings(settings);
    EXPECT_EQ(AccountUser, c.user) << c.what;
    EXPECT_EQ(AccountPassword, c.password) << c.what;
    EXPECT_EQ(Form6->Height(), c.file.size() > Lines(27).size() ? 131 : 480) << c.what;
  }

  // Written back as line 32 only when set, and never with the password.
  Form1->SaveSettings(settings);
  const std::string written = ReadWholeFile(settings);
  EXPECT_EQ(written.substr(written.size() - 9), "LUMADEX\r\n");
  EXPECT_EQ(written.find(kPassword), std::string::npos);
  AccountUser.clear();
  Form1->SaveSettings(settings);
  EXPECT_EQ(ReadWholeFile(settings).find("LUMADEX"), std::string::npos);
}

TEST_F(AccountTest, PasswordFileIsProtectedReadBackOnlyByItsOwnerAndRemovedWithTheUser) {
  RunAccountDialog([&](TForm7& dialog) {
    EXPECT_EQ(dialog.Edit1.Text(), "");
    EXPECT_TRUE(dialog.Edit2.Password());
    dialog.Edit1.SetText("LUMADEX");
    dialog.Button1.Click();  // a new user needs a password
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"パスワードを入力して下さい"});
    EXPECT_TRUE(dialog.Edit2.Focused());
    EXPECT_TRUE(dialog.Visible());
    dialog.Edit2.SetText(kPassword);
    dialog.Button1.Click();
    EXPECT_FALSE(dialog.Visible());
  });
  EXPECT_EQ(AccountUser, "LUMADEX");
  ASSERT_TRUE(platform::FileExists(key));
  const std::string sealed = ReadWholeFile(key);
  // Byte-wise: no run of the password's bytes, nor of its ASCII head, is in the file.
  EXPECT_EQ(sealed.find(kPassword), std::string::npos);
  EXPECT_EQ(sealed.find("Kx7"), std::string::npos);
  EXPECT_EQ(sealed.find("パス"), std::string::npos);
  std::string plain;
  EXPECT_TRUE(services.UnprotectForUser(sealed, plain));
  EXPECT_EQ(plain, kPassword);

  // Opened again: the password is never shown back, only that one is stored; OK with the box
  // left empty keeps it under a changed user name.
  backend.ClearMessages();
  RunAccountDialog([&](TForm7& dialog) {
    EXPECT_EQ(dialog.Edit1.Text(), "LUMADEX");
    EXPECT_EQ(dialog.Edit2.Text(), "");
    EXPECT_EQ(dialog.Label3.Text(), kStored);
    dialog.Edit1.SetText("LUMADEX2");
    dialog.PressEnter();
  });
  EXPECT_EQ(AccountUser, "LUMADEX2");
  EXPECT_EQ(ReadWholeFile(key), sealed);
  Form1->SaveSettings(settings);
  EXPECT_EQ(ReadWholeFile(settings).find(kPassword), std::string::npos);

  // Another Windows user (or PC) reads the settings: the password cannot be turned back.
  services.protection_owner = "suzuki@PC02";
  Form1->LoadSettings(settings);
  EXPECT_EQ(AccountUser, "LUMADEX2");
  EXPECT_EQ(AccountPassword, "");
  services.protection_owner = "tanaka@PC01";

  // Cancel changes nothing; an emptied user name goes back to the fixed account and removes it.
  RunAccountDialog([&](TForm7& dialog) {
    dialog.Edit1.SetText("");
    dialog.PressEscape();
  });
  EXPECT_TRUE(platform::FileExists(key));
  RunAccountDialog([&](TForm7& dialog) {
    dialog.Edit1.SetText("");
    dialog.Button1.Click();
  });
  EXPECT_EQ(AccountUser, "");
  EXPECT_EQ(AccountPassword, "");
  EXPECT_FALSE(platform::FileExists(key));
  EXPECT_TRUE(backend.MessageTexts().empty());

  // A system that will not protect it: nothing is written, the dialog says so and stays.
  services.protection_works = false;
  RunAccountDialog([&](TForm7& dialog) {
    dialog.Edit1.SetText("LUMADEX");
    dialog.Edit2.SetText(kPassword);
    dialog.Button1.Click();
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"パスワードを保存出来ません。"});
    EXPECT_TRUE(dialog.Visible());
    dialog.PressEscape();
  });
  EXPECT_FALSE(platform::FileExists(key));
  EXPECT_EQ(AccountUser, "");
}

// The account is what every attach uses: the server's own account given through the dialog
// connects; a wrong password, and one another Windows user stored, give the connection messages.
TEST_F(AccountTest, EveryAttachUsesTheAccountAndAWrongOrUnreadablePasswordIsRefused) {
  testsupport::TestDatabase database;
  database.UseSettings();
  struct Case {
    const char* what;
    std::string password;
    bool connects;
  } cases[] = {
      {"the server's password", "quillstar", true},
      {"a wrong password", "quillstar2", false},
  };
  for (const Case& c : cases) {
    backend.ClearMessages();
    RunAccountDialog(
        [&](TForm7& dialog) {
          dialog.Edit1.SetText("sysdba");
          dialog.Edit2.SetText(c.password);
          dialog.Button1.Click();
        },
        [&](TForm2& dialog) {
          dialog.Button1.Click();  // creates the database file, proves the settings
          if (!c.connects) {
            EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kCannotConnect}) << c.what;
            dialog.PressEscape();
          }
        });
    EXPECT_EQ(Form1->Connected(), c.connects) << c.what;
  }
  EXPECT_TRUE(platform::FileExists(database.Folder() + database.FileName()));

  // Started again by another Windows user: the stored password cannot be read, nothing is sent.
  Form1->DisconnectDatabase();
  Form1->SaveSettings(settings);
  services.protection_owner = "suzuki@PC02";
  backend.ClearMessages();
  const long attaches = Form1->IBDatabase1().AttachCount();
  Form1->FormShow();
  EXPECT_FALSE(Form1->Connected());
  EXPECT_EQ(Form1->IBDatabase1().AttachCount(), attaches);
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kStartFailed});
}

}  // namespace
