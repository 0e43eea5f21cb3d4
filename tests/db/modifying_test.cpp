// The launch table and the modifying operations against the private server.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "db/ClientQuery.h"
#include "db/Connection.h"
#include "db/Statements.h"
#include "db/Transaction.h"
#include "tests/support/db_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using testsupport::TestDatabase;

const Lines kColumns{"N",         "PNAME",     "L_FOLDER",  "N_FOLDER",  "FILE_NAME",
                     "BOOT_DATE", "BOOT_TIME", "FILE_DATE", "FILE_TIME", "FILE_SIZE"};

class Modifying : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CreateAndConnect(data, database, true); }
  int Count(const std::string& condition = "") { return data.CountRows("BOOTJWW", condition); }
  std::string Value(const std::string& column, const std::string& condition) {
    Lines values(1);
    if (data.OpenSelect(column, "BOOTJWW", condition, "") != 1) return "<no single row>";
    data.ReadFirstRow(values);
    data.CloseSelect();
    return values[0];
  }

  TestDatabase database;
  db::DataModule data;
};

TEST_F(Modifying, TableExistsInAnyLetterCaseButNotForViews) {
  EXPECT_TRUE(data.TableExists("BOOTJWW"));
  EXPECT_TRUE(data.TableExists("bootjww"));
  EXPECT_TRUE(data.TableExists("BootJww"));
  EXPECT_FALSE(data.TableExists("BOOTJW"));
  EXPECT_FALSE(data.TableExists("RDB$RELATIONS"));  // system tables do not count
  EXPECT_EQ(data.TableNames(), (Lines{"BOOTJWW"}));
  // The listing runs on the connection's own transaction: IBTransaction1 stays as it was.
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 0);
  EXPECT_TRUE(data.TableExists("BOOTJWW"));
  EXPECT_TRUE(data.IBQuery1().IsOpen());
  EXPECT_TRUE(data.IBTransaction1().InTransaction());

  // A view of that name is no table, and then the name is taken for creating one.
  TestDatabase other_database;
  db::DataModule other;
  testsupport::CreateAndConnect(other, other_database, false);
  ASSERT_TRUE(other.ExecuteScript({"CREATE TABLE A (X INTEGER);"}));
  ASSERT_TRUE(other.ExecuteScript({"CREATE VIEW BOOTJWW AS SELECT X FROM A;"}));
  ASSERT_TRUE(other.ExecuteScript({"CREATE TABLE \"b c\" (X INTEGER);"}));
  // Ascending, trailing blanks gone, an inner blank kept; the view is not among them.
  EXPECT_EQ(other.TableNames(), (Lines{"A", "b c"}));
  EXPECT_FALSE(other.TableExists("BOOTJWW"));
  EXPECT_TRUE(other.TableExists("a"));
  EXPECT_FALSE(other.CreateLaunchTable());
  EXPECT_FALSE(other.IBTransaction1().InTransaction());
}

TEST_F(Modifying, CreatingTheTableTwiceKeepsTableAndRows) {
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"7"}));
  EXPECT_FALSE(data.CreateLaunchTable());
  EXPECT_EQ(data.IBQuery1().Lines(), db::LaunchTableLines());
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(data.CountFields("BOOTJWW"), 10);
  // An empty script touches neither the open result nor its transaction.
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 1);
  EXPECT_FALSE(data.ExecuteScript({}));
  EXPECT_TRUE(data.IBQuery1().IsOpen());
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(data.IBQuery1().ValueText(0), "7");
}

TEST_F(Modifying, ExactStatementTextsOfTheExample) {
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"5", "'abc'"}));
  const Lines insert{"INSERT INTO BOOTJWW (", "   N,", "   PNAME", "   ) ", "   VALUES (",
                     "   5,", "   'abc'", "   );"};
  EXPECT_EQ(data.IBQuery1().Lines(), insert);
  EXPECT_EQ(testsupport::SplitStatement(static_cast<db::ClientQuery&>(data.IBQuery1()).SentText()),
            insert);

  ASSERT_TRUE(data.UpdateRows("BOOTJWW", 2, {"N", "PNAME"}, {"5", "'xyz'"}, "N=5"));
  EXPECT_EQ(data.IBQuery1().Lines(),
            (Lines{"UPDATE BOOTJWW SET ", "   N=5,", "   PNAME='xyz'", "   WHERE N=5", "   ;"}));
  EXPECT_EQ(data.RowsChanged(), 1);
  EXPECT_EQ(Value("PNAME", "N=5"), "xyz");

  ASSERT_TRUE(data.DeleteRows("BOOTJWW", "N=5"));
  EXPECT_EQ(data.IBQuery1().Lines(), (Lines{"DELETE FROM BOOTJWW WHERE N=5 ;"}));
  EXPECT_EQ(data.RowsChanged(), 1);
  EXPECT_EQ(Count(), 0);
}

TEST_F(Modifying, UpdateAndDeleteReportRowsChanged) {
  for (int n = 1; n <= 4; ++n) {
    ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {std::to_string(n), "'p'"}));
  }
  EXPECT_TRUE(data.UpdateRows("BOOTJWW", 1, {"PNAME"}, {"'q'"}, "N > 100"));
  EXPECT_EQ(data.RowsChanged(), 0);
  EXPECT_EQ(data.LastFailure(), db::FailureKind::None);
  EXPECT_EQ(Count("PNAME = 'q'"), 0);
  EXPECT_TRUE(data.UpdateRows("BOOTJWW", 1, {"PNAME"}, {"'q'"}, "N >= 3"));
  EXPECT_EQ(data.RowsChanged(), 2);
  EXPECT_TRUE(data.DeleteRows("BOOTJWW", ""));
  EXPECT_EQ(data.IBQuery1().Lines(), (Lines{"DELETE FROM BOOTJWW ;"}));
  EXPECT_EQ(data.RowsChanged(), 4);
  EXPECT_EQ(Count(), 0);
}

TEST_F(Modifying, RejectedInsertsStoreNothingAndSayWhy) {
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 0, kColumns, kColumns));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Other);
  EXPECT_EQ(data.IBQuery1().Lines(), (Lines{"INSERT INTO BOOTJWW (", "   ) ", "   VALUES (", "   );"}));

  EXPECT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", "'1234567890123456'"}));
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"2", "'12345678901234567'"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Other);
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"3", "'ＡＢＣＤＥＦＧＨＩ'"}));  // 18 bytes

  EXPECT_FALSE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", "'again'"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Duplicate);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(Value("PNAME", "N=1"), "1234567890123456");

  EXPECT_FALSE(data.UpdateRows("BOOTJWW", 1, {"NOPE"}, {"1"}, ""));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Other);
  EXPECT_FALSE(data.DeleteRows("BOOTJWW", "N ="));
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_FALSE(data.IBQuery1().IsOpen());

  EXPECT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"2"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::None);
}

TEST_F(Modifying, NoTransactionIsLeftAfterAnyModifyingOperation) {
  auto idle = [&] {
    return !data.IBTransaction1().InTransaction() && !data.IBQuery1().IsOpen();
  };
  // Each one starts after a read that left its transaction open.
  const std::function<bool()> operations[] = {
      [&] { return data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}); },
      [&] { return data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}); },
      [&] { return data.UpdateRows("BOOTJWW", 1, {"N"}, {"2"}, "N=1"); },
      [&] { return data.UpdateRows("BOOTJWW", 1, {"N"}, {"x"}, "N=1"); },
      [&] { return data.DeleteRows("BOOTJWW", "N=2"); },
      [&] { return data.DeleteRows("BOOTJWW", "NO=2"); },
      [&] { return data.ExecuteScript({"CREATE TABLE B (X INTEGER);"}); },
      [&] { return data.CreateLaunchTable(); },
  };
  const bool expected[] = {true, false, true, false, true, false, true, false};
  for (std::size_t i = 0; i < std::size(operations); ++i) {
    EXPECT_GE(data.OpenSelect("*", "BOOTJWW", "", ""), 0);
    EXPECT_TRUE(data.IBTransaction1().InTransaction());
    EXPECT_EQ(operations[i](), expected[i]) << "operation " << i;
    EXPECT_TRUE(idle()) << "operation " << i;
  }
}

TEST_F(Modifying, QuotedTextsAreStoredExactly) {
  const std::string texts[] = {
      "O'Neil",
      "''",
      "'); DELETE FROM BOOTJWW; --",
      std::string("\x83'", 2),  // a lead byte followed by an apostrophe
      "C:\\jww\\案件2024\\A棟\\",
      "末尾の空白  ",
  };
  int n = 0;
  for (const std::string& text : texts) {
    ++n;
    ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "L_FOLDER"},
                               {std::to_string(n), db::QuoteLiteral(text)}))
        << text;
  }
  n = 0;
  for (const std::string& text : texts) {
    ++n;
    EXPECT_EQ(Value("L_FOLDER", "N=" + std::to_string(n)), text);
    EXPECT_EQ(Count("L_FOLDER = " + db::QuoteLiteral(text)), 1) << text;
  }
  EXPECT_EQ(Count(), 6);
}

TEST_F(Modifying, BatchCommitsAllOrNothing) {
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));
  ASSERT_TRUE(data.BeginBatch());
  EXPECT_TRUE(data.BatchExecute(db::InsertLines("BOOTJWW", 1, {"N"}, {"2"})));
  EXPECT_FALSE(data.BatchExecute(db::InsertLines("BOOTJWW", 1, {"N"}, {"1"})));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Duplicate);
  EXPECT_TRUE(data.BatchExecute(db::InsertLines("BOOTJWW", 1, {"N"}, {"3"})));
  EXPECT_TRUE(data.BatchExecute(db::DeleteLines("BOOTJWW", "N=1")));
  EXPECT_EQ(data.RowsChanged(), 1);
  EXPECT_TRUE(data.CommitBatch());
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Count("N=1"), 0);

  ASSERT_TRUE(data.BeginBatch());
  EXPECT_TRUE(data.BatchExecute(db::DeleteLines("BOOTJWW", "")));
  data.RollbackBatch();
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(Count(), 2);
  EXPECT_FALSE(data.BatchExecute(db::DeleteLines("BOOTJWW", "")));  // no batch any more
  EXPECT_FALSE(data.CommitBatch());
  EXPECT_EQ(Count(), 2);
}

TEST(ModifyingServer, RestartedServerFailsOneOperationThenReattaches) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  TestDatabase database(server.Address());
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));

  // Writing after a restart.
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 1, {"N"}, {"2"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"2"}));
  EXPECT_TRUE(data.Connected());

  // Reading after a restart, with a reading transaction left open before it.
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 2);
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), -1);
  EXPECT_FALSE(data.Connected());
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Ready)
      << "the table check attaches again too";
  EXPECT_TRUE(data.Connected());
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 2);

  // TableExists passes the error on, and the next operation attaches again.
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  EXPECT_THROW(data.TableExists("BOOTJWW"), db::DatabaseError);
  EXPECT_TRUE(data.TableExists("BOOTJWW"));

  // While the server is down every operation fails, none hangs or throws but TableExists.
  ASSERT_TRUE(server.Stop());
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "");
  EXPECT_FALSE(data.DeleteRows("BOOTJWW", ""));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_FALSE(data.Connected());
  EXPECT_FALSE(data.TableExists("BOOTJWW"));
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "2");

  // A deliberate disconnect is not undone by the next operation.
  data.DisconnectDatabase();
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), -1);
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Closed);
  EXPECT_FALSE(data.Connected());
}

// The one check every window makes before it works on the table.
TEST(ModifyingServer, EnsureLaunchTableAttachesAgainAtOnceAfterARestart) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  TestDatabase database(server.Address());
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, false);
  EXPECT_EQ(data.EnsureLaunchTable(false), db::LaunchTableState::Missing);
  EXPECT_FALSE(data.TableExists("BOOTJWW"));
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Ready);
  EXPECT_TRUE(data.TableExists("BOOTJWW"));
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));

  // Nothing has noticed the restart yet: the first question finds the old attachment gone and
  // replaces it, and the question is answered all the same.
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Ready);
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 1);
  // The same when a reading transaction was left open before the restart.
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 1);
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(data.EnsureLaunchTable(false), db::LaunchTableState::Ready);
  EXPECT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"2"}));

  // Still down: a connection error, in Japanese with the attach's detail, at every try.
  ASSERT_TRUE(server.Stop());
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    try {
      data.EnsureLaunchTable();
      ADD_FAILURE() << "no error while the server is down";
    } catch (const db::DatabaseError& error) {
      EXPECT_EQ(error.Kind(), db::FailureKind::Connection);
      EXPECT_EQ(error.Sentence(), "データベースに接続できません。");
      EXPECT_EQ(std::string(error.what()), error.Sentence() + "\r\n" + error.Detail());
      EXPECT_EQ(error.Detail().rfind("attach (Firebird 335544721", 0), 0u) << error.Detail();
      EXPECT_NE(error.Detail().find("Unable to complete network request"), std::string::npos)
          << error.Detail();
    }
    EXPECT_FALSE(data.Connected());
  }
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Ready);
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 2);

  // A deliberate disconnect stays: nothing is sent.
  data.DisconnectDatabase();
  const long attaches = data.IBDatabase1().AttachCount();
  EXPECT_EQ(data.EnsureLaunchTable(), db::LaunchTableState::Closed);
  EXPECT_EQ(data.IBDatabase1().AttachCount(), attaches);
  EXPECT_FALSE(data.Connected());
}

TEST_F(Modifying, EnsureLaunchTableReportsATableThatCannotBeCreated) {
  TestDatabase other_database;
  db::DataModule other;
  testsupport::CreateAndConnect(other, other_database, false);
  ASSERT_TRUE(other.ExecuteScript({"CREATE TABLE A (X INTEGER);"}));
  ASSERT_TRUE(other.ExecuteScript({"CREATE VIEW BOOTJWW AS SELECT X FROM A;"}));
  EXPECT_EQ(other.EnsureLaunchTable(), db::LaunchTableState::Missing);
  EXPECT_TRUE(other.Connected());
  EXPECT_FALSE(other.IBTransaction1().InTransaction());
}

// Statements go to the server with their length: a zero byte inside a literal is a byte of the
// value, not the end of the statement.
TEST_F(Modifying, AZeroByteInsideALiteralDoesNotEndTheStatement) {
  const std::string value = std::string("a") + '\0' + "b";
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", db::QuoteLiteral(value)}));
  EXPECT_EQ(Value("OCTET_LENGTH(PNAME)", "N = 1"), "3");
  EXPECT_EQ(Count("PNAME = " + db::QuoteLiteral(value)), 1);
  EXPECT_EQ(Count("PNAME = 'a'"), 0);
  ASSERT_TRUE(data.UpdateRows("BOOTJWW", 1, {"PNAME"}, {db::QuoteLiteral(value + value)}, "N = 1"));
  EXPECT_EQ(Value("OCTET_LENGTH(PNAME)", "N = 1"), "6");
  // Outside quotes the byte is no token the server knows: refused, nothing stored.
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 1, {"N"}, {std::string("2") + '\0'}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Other);
  EXPECT_EQ(Count(), 1);
}

}  // namespace
