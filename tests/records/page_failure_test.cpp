// A page load that fails leaves no rows and no position of an earlier page behind; one whose
// read finds the table gone makes it usable again and shows the (empty) page without a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "records/Unit5.h"
#include "tests/records/records_fixture.h"
#include "tests/support/db_fixture.h"

using records_test::RecordsFixture;

namespace {

class PageFailureTest : public RecordsFixture {
 protected:
  std::string Status() { return Form5->StatusBar1.Text(); }
};

struct FailureCase {
  const char* name;
  // Breaks what the next load needs; the server is given so that it can be stopped.
  std::function<void(testsupport::PrivateServer&)> breaks;
  const char* error_sentence;  // the error box's first line; empty: no box
  const char* status;          // the status bar afterwards
};

TEST_F(PageFailureTest, AFailedLoadEmptiesTheGridAndTheStatusBar) {
  const FailureCase cases[] = {
      {"server stopped", [](testsupport::PrivateServer& server) { ASSERT_TRUE(server.Stop()); },
       "データベースに接続できません。", ""},
      {"table dropped", [this](testsupport::PrivateServer&) {
         ASSERT_TRUE(Form1->ExecuteScript({"DROP TABLE BOOTJWW"}));
       },
       "", "全0件"},
  };
  for (const FailureCase& failure : cases) {
    SCOPED_TRACE(failure.name);
    testsupport::PrivateServer server;
    ASSERT_TRUE(server.Start());
    std::remove((folder.Path() + "RESTART.FDB").c_str());  // the case before left its database
    CreateDatabaseOn(server, 1, 250);
    Form5->Show();
    Form5->Button3.Click();  // 次頁
    ASSERT_EQ(Status(), "101～200件目 / 全250件");
    ASSERT_EQ(FilledGridRows(), 100);
    backend.ClearMessages();

    Form1->CloseQuery();  // the read transaction of the page would keep the table in use
    failure.breaks(server);
    Form5->Button3.Click();
    if (*failure.error_sentence) {
      EXPECT_EQ(testsupport::OnlyErrorSentence(backend), failure.error_sentence);
    } else {
      EXPECT_TRUE(backend.MessageTexts().empty());
    }
    EXPECT_EQ(FilledGridRows(), 0);
    EXPECT_EQ(Status(), failure.status);
    backend.ClearMessages();
    Form5->Close();
    Form1->DisconnectDatabase();
  }
}

}  // namespace
