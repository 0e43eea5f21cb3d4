// Lumadex on a careful office's server: SYSDBA's password is the office's own, the server
// refuses unencrypted connections (WireCrypt = Required), and the program attaches with the
// account the administrator's file (docs/server-setup.sql) creates, which may only SELECT,
// INSERT, UPDATE and DELETE on BOOTJWW. Its password reaches the program the way it does on a PC:
// stored protected beside the settings and read back through the protect/unprotect seam.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Account.h"
#include "app/Unit1.h"
#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/files.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"
#include "tests/support/program_fixture.h"

namespace {

using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

const char kSysdbaPassword[] = "Off1ce-Adm1n";
const char kLumadexPassword[] = "Lmx-7kQ2";
const char kStartFailed[] = "データベース接続が出来ません。設定を確認して下さい。";
const char kTableNotCreated[] =
    "データベースにテーブルBOOTJWWがなく、この接続アカウントでは作成出来ません。"
    "サーバーの管理者が、docsフォルダのserver-setup.sqlをisqlで実行してテーブルを作成して下さい。";

class LeastRights : public testsupport::ProgramFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    bool ok = false;
    const std::string output = server.Isql("CREATE DATABASE '" + server.Address() + Database() + "' USER 'SYSDBA' PASSWORD '" +
                                               kSysdbaPassword + "' PAGE_SIZE 4096;\n",
                                           "", "", "", ok);
    ASSERT_TRUE(ok) << output;
    ASSERT_TRUE(server.RunServerSetup(Database(), kSysdbaPassword, kLumadexPassword));
  }

  std::string Database() const { return server.Folder() + "OFFICE.FDB"; }

  // What isql, as SYSDBA, prints for `sql`.
  std::string AsAdministrator(const std::string& sql) {
    bool ok = false;
    std::string output = server.Isql(sql + "\n", "SYSDBA", kSysdbaPassword, Database(), ok);
    EXPECT_TRUE(ok) << output;
    return output;
  }

  // The settings file of a PC set up for this server, the account's user name on line 32 and its
  // password stored protected; then the program starts as it does at a show, run by the Windows
  // user `reader` (empty: the one who stored the password).
  void StartWithAccount(const std::string& user, const std::string& password, const std::string& reader = "") {
    std::string text = server.Address() + "\r\n" + server.Folder() + "\r\nOFFICE.FDB\r\nPC1\r\n10\r\n";
    for (int i = 0; i < 5; ++i) text += "192\r\n107\r\n";
    text += "320\r\n240\r\n";
    for (int i = 0; i < 10; ++i) text += "80\r\n";
    text += "192\r\n107\r\n640\r\n480\r\n" + user + "\r\n";
    WriteWholeFile(folder.Path() + "Lumadex.dat", text);
    account::RemovePassword(folder.Path() + "Lumadex.dat", services);
    if (!password.empty()) {
      ASSERT_TRUE(account::SavePassword(folder.Path() + "Lumadex.dat", services, password));
    }
    if (!reader.empty()) services.protection_owner = reader;
    ui::app::Run(*Form1);
  }

  testsupport::PrivateServer server{kSysdbaPassword, true};
};

// Every action with nothing but the four rights, one case per action, in the order a day brings
// them; none shows a message or leaves the rows otherwise than it should.
TEST_F(LeastRights, EveryActionWorksWithTheFourRightsOverAnEncryptedConnection) {
  StartWithAccount("LUMADEX", kLumadexPassword);
  ASSERT_TRUE(Form1->Connected());
  ASSERT_EQ(AccountPassword, kLumadexPassword);  // read back through the seam
  ASSERT_TRUE(backend.MessageTexts().empty()) << backend.MessageTexts()[0];
  services.registry_value.status = platform::RegistryValue::Status::Text;
  services.registry_value.text = "C:\\jww";
  const std::string exported = folder.Path() + "out.txt";
  auto rows = [&] { return Form1->CountRows(db::kLaunchTableName, ""); };

  struct Case {
    const char* action;
    std::function<void()> run;
  } cases[] = {
      {"check and registration",
       [&] {
         Form1->Button2.Click();
         Form3->Edit1.SetText("1");
         Form3->Button1.Click();
         for (const char* name : {"a.jww", "b.jww", "c.jww"}) {
           services.AddFile(std::string("C:\\jww\\") + name, {2026, 1, 5, 9, 0, 0}, 2048);
           services.AddWindow(std::string(name) + " - jw_win");
           Form3->Timer1.Fire();
         }
         EXPECT_TRUE(Form3->Registrar().Pending().empty());
         EXPECT_EQ(rows(), 3);
         Form3->Button2.Click();  // stop
         Form3->Close();
       }},
      {"lookup of an interrupted insert",
       [&] {
         db::Launch launch{"PC1", "C:\\jww\\", "C:\\jww\\", "z.jww", "2026/12/07", "10:15:33", "", "", ""};
         EXPECT_EQ(Form1->FindEarlierInsert(launch, {99, 1}), db::DataModule::EarlierInsert::Absent);
       }},
      {"record list, every order and filter",
       [&] {
         Form1->Button4Click();
         for (int entry = 0; entry < 16; ++entry) {
           Form5->ComboBox1.Choose(entry);
           EXPECT_NE(Form5->StringGrid1.Cell(0, 3), "") << "order " << entry;
         }
         const char* texts[] = {"", "PC1", "jww", "jww", "b.jww", "2026/", "2026/"};
         for (int entry = 1; entry < 7; ++entry) {
           Form5->Edit1.SetText(texts[entry]);
           Form5->ComboBox2.Choose(entry);
           EXPECT_NE(Form5->StringGrid1.Cell(0, 1), "") << "filter " << entry;
         }
         EXPECT_TRUE(Form5->Button1.Enabled());
         Form5->Close();
       }},
      {"editor: fetch and change",
       [&] {
         Form1->Button3Click();
         Form4->Edit1.SetText("2");
         Form4->Button4.Click();
         EXPECT_EQ(Form4->Edit5.Text(), "b.jww");
         Form4->Edit2.SetText("PC2");
         Form4->Button1.Click();
         EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{"編集登録OK"});
         backend.ClearMessages();
         EXPECT_NE(AsAdministrator("SELECT PNAME FROM BOOTJWW WHERE N = 2;").find("PC2"), std::string::npos);
       }},
      {"export",
       [&] {
         backend.file_answers.push_back({true, exported});
         Form1->Button5.Click();
         EXPECT_NE(ReadWholeFile(exported).find("c.jww"), std::string::npos);
         backend.ClearMessages();  // the export's own report of what it wrote
       }},
      {"import, add",
       [&] {
         backend.answers.push_back(ui::Answer::No);
         backend.file_answers.push_back({true, exported});
         Form1->Button6.Click();
         EXPECT_EQ(rows(), 6);
         backend.ClearMessages();
       }},
      {"import, replace",
       [&] {
         backend.answers.push_back(ui::Answer::Yes);
         backend.file_answers.push_back({true, exported});
         Form1->Button6.Click();
         EXPECT_EQ(rows(), 3);
         backend.ClearMessages();
       }},
      {"summary",
       [&] {
         Form1->Button7Click();
         Form6->Edit1.SetText("2026/12/01");
         Form6->Edit2.SetText("2026/12/31");
         Form6->Button4.Click();
         // Grouped by PC user name: PC1 twice, PC2 (the editor's change) once.
         EXPECT_EQ(Form6->StatusBar1.Text(), "2件のグループ / 起動回数 3件");
         Form6->Close();
       }},
      {"editor: delete",
       [&] {
         Form1->Button3Click();  // the import closed it
         Form4->Edit1.SetText("1");
         Form4->Button5.Click();
         EXPECT_EQ(rows(), 2);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    c.run();
    EXPECT_TRUE(backend.MessageTexts().empty()) << backend.MessageTexts()[0];
    EXPECT_TRUE(Form1->Connected());
    backend.ClearMessages();
  }
  // Nothing but the table the administrator made: the account created nothing.
  EXPECT_NE(AsAdministrator("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0;").find(" 1"),
            std::string::npos);
}

// The connection refused: the fixed account (SYSDBA's password is the office's own), a wrong
// password, and a stored one another Windows user cannot read; each gives the start's message.
TEST_F(LeastRights, AWrongOrUnreadablePasswordGivesTheConnectionMessage) {
  struct Case {
    const char* what;
    std::string user;
    std::string password;
    std::string reader;  // the Windows user who starts the program
  } cases[] = {
      {"the fixed account", "", "", "tanaka@PC01"},
      {"a wrong password", "LUMADEX", "Lmx-wrong", "tanaka@PC01"},
      {"stored by another Windows user", "LUMADEX", kLumadexPassword, "suzuki@PC02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    forms.reset();
    ResetSettingsToDefaults();
    backend.ClearMessages();
    services.protection_owner = "tanaka@PC01";
    forms = std::make_unique<ProgramForms>(services);
    StartWithAccount(c.user, c.password, c.reader);
    EXPECT_FALSE(Form1->Connected());
    EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kStartFailed});
  }
  EXPECT_EQ(AccountPassword, "");  // the last: nothing could be read back
}

// The table is missing and the account may not create it: one message for the administrator,
// and nothing is created.
TEST_F(LeastRights, MissingTableIsLeftToTheAdministratorWithOneMessage) {
  AsAdministrator("DROP TABLE BOOTJWW; COMMIT;");
  StartWithAccount("LUMADEX", kLumadexPassword);
  EXPECT_TRUE(Form1->Connected());
  EXPECT_EQ(backend.MessageTexts(), std::vector<std::string>{kTableNotCreated});
  EXPECT_NE(AsAdministrator("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0;").find(" 0"),
            std::string::npos);
}

}  // namespace
