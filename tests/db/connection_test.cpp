// IBDatabase1 against the private server: creation, attaching, dialect, disconnecting.
#include <gtest/gtest.h>

#include "app/UnitV.h"
#include "db/ClientLibrary.h"
#include "db/Connection.h"
#include "db/Transaction.h"
#include "tests/support/db_fixture.h"

namespace {

using testsupport::TestDatabase;

TEST(Connection, CreateLeavesTheConnectionOpenAndConnectWhileOpenSendsNothing) {
  TestDatabase database;
  db::DataModule data;
  EXPECT_FALSE(data.Connected());
  data.CreateDatabase(database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.CurrentDialect(), 3);
  EXPECT_EQ(testsupport::SplitStatement(data.IBDatabase1().LastCreateStatement()),
            (std::vector<std::string>{
                "CREATE DATABASE '" + database.ConnectionPath() + "' USER \"SYSDBA\"",
                "PASSWORD \"quillstar\"", "PAGE_SIZE 4096"}));

  const long attaches = data.IBDatabase1().AttachCount();
  const std::vector<std::string> params = data.IBDatabase1().Params();
  data.ConnectDatabase(database.Settings());
  EXPECT_TRUE(data.Connected());
  EXPECT_EQ(data.IBDatabase1().AttachCount(), attaches);
  EXPECT_EQ(data.IBDatabase1().Params(), params);
  EXPECT_EQ(params.size(), 3u);

  // Creating over an existing file fails quietly; connecting then attaches to that file.
  data.DisconnectDatabase();
  EXPECT_FALSE(data.Connected());
  data.CreateDatabase(database.Settings());
  EXPECT_FALSE(data.Connected());
  data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.IBDatabase1().Params(),
            (std::vector<std::string>{"USER_NAME=SYSDBA", "PASSWORD=quillstar", "CONNECT_TIMEOUT=2"}));
  EXPECT_EQ(data.IBDatabase1().DatabaseName(), database.ConnectionPath());
  data.DisconnectDatabase();
  EXPECT_FALSE(data.Connected());
}

TEST(Connection, UnreachableDatabaseLeavesItClosed) {
  TestDatabase database;
  db::DataModule data;

  data.ConnectDatabase(database.Settings());  // the file was never created
  EXPECT_FALSE(data.Connected());

  // A port nobody listens on: the fixture's own port folder is fine, the port is not.
  TestDatabase elsewhere("localhost/1:");
  data.ConnectDatabase(elsewhere.Settings());
  EXPECT_FALSE(data.Connected());

  // A folder that does not exist: creation fails quietly.
  data.CreateDatabase({database.Server() + database.Folder() + "missing/" + database.FileName()});
  EXPECT_FALSE(data.Connected());

  // A folder without its separator: the pieces are joined as they are.
  data.CreateDatabase({database.Server() + database.Folder() + "sub" + database.FileName()});
  EXPECT_TRUE(data.Connected());
  EXPECT_EQ(data.IBDatabase1().DatabaseName(), database.ConnectionPath().substr(0, database.ConnectionPath().size() - 5) + "subT.FDB");
  data.DisconnectDatabase();

  // Nothing of the failed attempts stays behind: the right settings connect.
  testsupport::CreateAndConnect(data, database, false);
  EXPECT_TRUE(data.Connected());
}

TEST(Connection, DisconnectWithNothingOpenSendsNothing) {
  db::DataModule data;
  data.DisconnectDatabase();
  EXPECT_FALSE(data.Connected());
  EXPECT_EQ(data.IBDatabase1().AttachCount(), 0);
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  // Reading and writing with the connection closed give their failure values.
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), -1);
  EXPECT_EQ(data.CountFields("BOOTJWW"), -1);
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "");
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 0);
  EXPECT_FALSE(data.TableExists("BOOTJWW"));
  EXPECT_TRUE(data.TableNames().empty());
  EXPECT_FALSE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_FALSE(data.UpdateRows("BOOTJWW", 1, {"N"}, {"1"}, ""));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_FALSE(data.DeleteRows("BOOTJWW", ""));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_FALSE(data.ExecuteScript({"DELETE FROM BOOTJWW ;"}));
  EXPECT_EQ(data.LastFailure(), db::FailureKind::Connection);
  EXPECT_EQ(data.IBDatabase1().AttachCount(), 0);
}

TEST(Connection, DisconnectEndsResultAndTransaction) {
  TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 1);
  EXPECT_TRUE(data.IBQuery1().IsOpen());
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  data.DisconnectDatabase();
  EXPECT_FALSE(data.Connected());
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
}

// A dialect-1 database made with the bare client calls.
void CreateDialectOneDatabase(const TestDatabase& database) {
  const db::ClientLibrary& api = db::RequireClientLibrary();
  ISC_STATUS_ARRAY status = {};
  isc_db_handle handle = 0;
  isc_tr_handle transaction = 0;
  const std::string create = "CREATE DATABASE '" + database.ConnectionPath() +
                             "' USER 'SYSDBA' PASSWORD 'quillstar' PAGE_SIZE 4096";
  ASSERT_EQ(api.execute_immediate(status, &handle, &transaction, 0, create.c_str(), 1, nullptr), 0);
  api.detach_database(status, &handle);
  testsupport::OtherPc other(database.ConnectionPath(), 1);
  ASSERT_TRUE(other.Execute("CREATE TABLE T1 (A VARCHAR(10))"));
  ASSERT_TRUE(other.Execute("INSERT INTO T1 VALUES (\"one\")"));
}

TEST(Connection, DialectOneDatabaseLowersTheDialectForTheRestOfTheRun) {
  TestDatabase old_database;
  TestDatabase new_database;
  CreateDialectOneDatabase(old_database);
  db::DataModule data;

  data.ConnectDatabase(old_database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.CurrentDialect(), 1);
  // Double quotes make a string in dialect 1.
  EXPECT_EQ(data.CountRows("T1", "A = \"one\""), 1);
  data.DisconnectDatabase();

  // A database created later in the run is created and read in dialect 1 as well.
  data.CreateDatabase(new_database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.CurrentDialect(), 1);
  ASSERT_TRUE(data.CreateLaunchTable());
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {"1", "\"abc\""}));
  EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME = \"abc\""), 1);
  data.DisconnectDatabase();
  data.ConnectDatabase(new_database.Settings());
  EXPECT_EQ(data.CurrentDialect(), 1);
}

TEST(Connection, DialectThreeStaysThree) {
  TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  data.DisconnectDatabase();
  data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.CurrentDialect(), 3);
  // In dialect 3 double quotes name a column, so this condition fails.
  EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME = \"abc\""), -1);
}

TEST(Connection, ServerStoppedWhileConnectedThenRestarted) {
  testsupport::PrivateServer server;
  ASSERT_TRUE(server.Start());
  TestDatabase database(server.Address());
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"1"}));
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 1);  // a result and transaction stay open

  ASSERT_TRUE(server.Stop());
  data.DisconnectDatabase();
  EXPECT_FALSE(data.Connected());
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  data.ConnectDatabase(database.Settings());
  EXPECT_FALSE(data.Connected());

  ASSERT_TRUE(server.Start());
  EXPECT_EQ(server.Address(), database.Server());
  data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(data.Connected());
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 1);
}

TEST(Connection, QueryConnectsOnDemandWithTheLastPath) {
  TestDatabase database;
  db::DataModule data;
  testsupport::CreateAndConnect(data, database, true);
  data.DisconnectDatabase();
  db::Query& query = data.IBQuery1();
  query.SetParamCheck(true);
  query.SetLines({"SELECT COUNT(*) FROM BOOTJWW"});
  query.Open();
  EXPECT_TRUE(data.Connected());
  EXPECT_EQ(query.ValueText(0), "0");

  db::DataModule fresh;  // no path was ever set
  fresh.IBQuery1().SetLines({"SELECT 1 FROM RDB$DATABASE"});
  EXPECT_THROW(fresh.IBQuery1().Open(), db::DatabaseError);
  EXPECT_FALSE(fresh.Connected());
}

}  // namespace
