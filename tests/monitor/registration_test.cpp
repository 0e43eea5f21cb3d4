// Launch registration against the private server: what a row holds, how it is numbered, and
// that no launch is lost to a number taken meanwhile or to a refused insert.
#include <gtest/gtest.h>

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"
#include "monitor/LaunchRegistrar.h"
#include "monitor/Unit3.h"
#include "platform/headless/headless.h"
#include "tests/monitor/monitor_support.h"
#include "tests/support/db_fixture.h"
#include "tests/support/fake_services.h"

using namespace monitor;
using namespace monitor_test;

namespace {

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::CreateAndConnect(data, database, true);
    form.LabelB.SetText("2026/12/07");
    form.LabelC.SetText("10:15:33");
  }

  headless::HeadlessBackend backend;
  testsupport::FakeServices services;
  testsupport::TestDatabase database;
  db::DataModule data;
  TForm3 form{data, services};
};

TEST_F(RegistrationTest, StoresTheTenValuesOfEachPath) {
  services.network_drives["Z:"] = "\\\\server\\図面共有";
  services.network_drives["C:"] = "\\\\never\\c";  // C: and lower-case letters are never asked
  services.network_drives["d:"] = "\\\\never\\d";
  services.AddFile("C:\\jww\\a.jww", {2026, 3, 9, 10, 15, 33}, 4096);
  services.AddFile("C:\\表\\a.jww", {2025, 12, 31, 23, 59, 59}, 1);
  services.AddFile("Z:\\図面\\b.jww", {2024, 1, 2, 3, 4, 6}, 0);
  PcUserName = "設計1";

  struct Case {
    const char* path;
    const char* local_folder;
    const char* network_folder;
    const char* file_name;
    const char* file_date;
    const char* file_time;
    const char* file_size;
  };
  const std::vector<Case> cases = {
      {"C:\\jww\\a.jww", "C:\\jww\\", "C:\\jww\\", "a.jww", "2026/03/09", "10:15:32", "4096"},
      {"d:\\jww\\a.jww", "d:\\jww\\", "d:\\jww\\", "a.jww", "", "", ""},
      {"Z:\\図面\\b.jww", "Z:\\図面\\", "\\\\server\\図面共有\\図面\\", "b.jww", "2024/01/02", "03:04:06", "0"},
      {"Y:\\jww\\a.jww", "Y:\\jww\\", "Y:\\jww\\", "a.jww", "", "", ""},
      {"\\a.jww", "\\", "\\", "a.jww", "", "", ""},
      {"a.jww", "", "", "a.jww", "", "", ""},
      {"C:\\表\\a.jww", "C:\\表\\", "C:\\表\\", "a.jww", "2025/12/31", "23:59:58", "1"},
      {"C:\\jw'w\\a\"b.jww", "C:\\jww\\", "C:\\jww\\", "ab.jww", "", "", ""},
  };
  for (const auto& c : cases) form.RegisterLaunch(c.path);

  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& row = rows[i];
    const auto& c = cases[i];
    EXPECT_EQ(row[kN], std::to_string(i + 1)) << c.path;
    EXPECT_EQ(row[kPname], "設計1");
    EXPECT_EQ(row[kLFolder], c.local_folder) << c.path;
    EXPECT_EQ(row[kNFolder], c.network_folder) << c.path;
    EXPECT_EQ(row[kFileName], c.file_name) << c.path;
    EXPECT_EQ(row[kBootDate], "2026/12/07");
    EXPECT_EQ(row[kBootTime], "10:15:33");
    EXPECT_EQ(row[kFileDate], c.file_date) << c.path;
    EXPECT_EQ(row[kFileTime], c.file_time) << c.path;
    EXPECT_EQ(row[kFileSize], c.file_size) << c.path;
  }
  // Unknown values are NULL, not empty texts: the empty folder and the four missing files.
  EXPECT_EQ(data.CountRows("BOOTJWW", "L_FOLDER IS NULL AND N_FOLDER IS NULL"), 1);
  EXPECT_EQ(data.CountRows("BOOTJWW", "FILE_DATE IS NULL AND FILE_TIME IS NULL AND FILE_SIZE IS NULL"), 5);
  EXPECT_TRUE(form.Registrar().Pending().empty());
}

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// VARCHAR(255) counts bytes: a deep Shift-JIS folder, or a drive expanded to its network name,
// no longer fits. The launch is stored all the same, the text cut after its last whole character.
TEST_F(RegistrationTest, FoldersLongerThanTheirColumnsAreStoredCutAtACharacter) {
  // 3 + 1 + 150 x 2 + 1 = 305 bytes; the 126th 図 would end at byte 256.
  const std::string deep = "C:\\x" + Repeat("図", 150) + "\\";
  // 3 + 1 + 122 x 2 + 1 = 249 bytes here; 8 more once Z: becomes \\srv\図面, which is 257.
  const std::string mapped = "Z:\\a" + Repeat("表", 122) + "\\";
  services.network_drives["Z:"] = "\\\\srv\\図面";
  form.RegisterLaunch(deep + "a.jww");
  form.RegisterLaunch(mapped + "b.jww");

  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(form.Registrar().Pending().empty());
  EXPECT_EQ(rows[0][kLFolder], "C:\\x" + Repeat("図", 125));
  EXPECT_EQ(rows[0][kLFolder].size(), 254u);
  EXPECT_EQ(rows[0][kNFolder], rows[0][kLFolder]);
  EXPECT_EQ(rows[0][kFileName], "a.jww");
  EXPECT_EQ(rows[1][kLFolder], mapped) << "it fits before the expansion";
  EXPECT_EQ(rows[1][kNFolder], "\\\\srv\\図面\\a" + Repeat("表", 121));
  EXPECT_EQ(rows[1][kNFolder].size(), 254u);
  EXPECT_EQ(rows[1][kFileName], "b.jww");
}

TEST_F(RegistrationTest, ApostrophesNeitherBreakTheStatementNorGetLost) {
  PcUserName = "";
  form.RegisterLaunch("C:\\O'Neil\\a.jww");
  // A lead byte at the end of a name keeps the apostrophe after it as its second byte; doubled
  // in the statement, it is stored as it came.
  const std::string odd_name = std::string("x\x81'y.jww");
  form.RegisterLaunch("C:\\jww\\" + odd_name);

  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][kLFolder], "C:\\ONeil\\");
  EXPECT_EQ(rows[1][kFileName], odd_name);
  EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME IS NULL"), 2);  // empty user name
  EXPECT_TRUE(form.Registrar().Pending().empty());
}

TEST_F(RegistrationTest, NumbersOneAboveTheHighestStored) {
  form.RegisterLaunch("C:\\jww\\first.jww");
  testsupport::OtherPc other(database.ConnectionPath());
  ASSERT_TRUE(other.Execute("INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (40, 'other.jww')"));
  ASSERT_TRUE(other.Execute("INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (7, 'low.jww')"));
  form.RegisterLaunch("C:\\jww\\second.jww");
  ASSERT_TRUE(other.Execute("DELETE FROM BOOTJWW WHERE N = 41"));
  ASSERT_TRUE(other.Execute("DELETE FROM BOOTJWW WHERE N = 40"));
  form.RegisterLaunch("C:\\jww\\third.jww");  // the highest is 7 again

  auto rows = ReadLaunchRows(data);
  EXPECT_EQ(Numbers(rows), (std::vector<std::string>{"1", "7", "8"}));
  EXPECT_EQ(FileNames(rows), (std::vector<std::string>{"first.jww", "low.jww", "third.jww"}));
}

// A number taken by another PC between the read of the highest number and the insert is
// simulated by a trigger: while the sequence RACE has not passed the limit, each insert into BOOTJWW
// first stores a duplicate of an existing number, so the insert fails as a duplicate. The
// sequence is not transactional, so it counts every attempt.
class NumberRaceTest : public RegistrationTest {
 protected:
  void SetUp() override {
    RegistrationTest::SetUp();
    other = std::make_unique<testsupport::OtherPc>(database.ConnectionPath());
    ASSERT_TRUE(other->Execute("INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (1, 'taken.jww')"));
    ASSERT_TRUE(other->Execute("CREATE SEQUENCE RACE"));
    ASSERT_TRUE(other->Execute("CREATE SEQUENCE RACE_LIMIT"));
    ASSERT_TRUE(other->Execute(
        "CREATE TRIGGER BOOTJWW_RACE FOR BOOTJWW BEFORE INSERT AS "
        "BEGIN "
        "  IF (NEW.N > 1 AND GEN_ID(RACE, 1) <= GEN_ID(RACE_LIMIT, 0)) THEN "
        "    INSERT INTO BOOTJWW (N, FILE_NAME) VALUES (1, 'again'); "
        "END"));
  }
  void RefuseAttempts(int attempts) {
    ASSERT_TRUE(other->Execute("ALTER SEQUENCE RACE RESTART WITH 0"));
    ASSERT_TRUE(other->Execute("ALTER SEQUENCE RACE_LIMIT RESTART WITH " + std::to_string(attempts)));
  }
  std::unique_ptr<testsupport::OtherPc> other;
};

TEST_F(NumberRaceTest, RetriesTenTimesWithinATickThenKeepsTheLaunchPending) {
  LaunchRegistrar registrar(data);
  db::Launch facts;
  facts.file_name = "a.jww";
  facts.boot_date = "2026/12/07";
  facts.boot_time = "10:15:33";

  RefuseAttempts(LaunchRegistrar::kNumberRetries);  // the 11th attempt gets through
  registrar.BeginTick();
  registrar.Register(facts);
  EXPECT_TRUE(registrar.Pending().empty());
  // Each refusal moves on to the next number (a number another PC holds unfinished looks the same
  // as one it stored): the 11th try, number 12, gets through.
  EXPECT_EQ(data.CountRows("BOOTJWW", "FILE_NAME = 'a.jww' AND N = 12"), 1);

  facts.file_name = "b.jww";
  RefuseAttempts(LaunchRegistrar::kNumberRetries + 1);  // every attempt of this tick refused
  registrar.BeginTick();
  registrar.Register(facts);
  ASSERT_EQ(registrar.Pending().size(), 1u);
  EXPECT_EQ(data.CountRows("BOOTJWW", "FILE_NAME = 'b.jww'"), 0);

  // The next tick stores the kept launch, with its own detection time, before the new one.
  db::Launch later = facts;
  later.file_name = "c.jww";
  later.boot_time = "10:15:43";
  registrar.BeginTick();
  registrar.StorePending();
  registrar.Register(later);
  EXPECT_TRUE(registrar.Pending().empty());
  auto rows = ReadLaunchRows(data);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(FileNames(rows), (std::vector<std::string>{"taken.jww", "a.jww", "b.jww", "c.jww"}));
  EXPECT_EQ(rows[2][kBootTime], "10:15:33");
  EXPECT_EQ(rows[3][kBootTime], "10:15:43");
}

TEST_F(RegistrationTest, ALaunchThatCannotBeStoredNowIsKeptForALaterTick) {
  LaunchRegistrar registrar(data);
  db::Launch facts;
  facts.file_name = "a.jww";
  // A user name longer than its column (a hand-edited settings file) makes the insert fail for
  // good; the launch stays pending rather than vanish, and the next ones are still tried.
  facts.pc_user_name = std::string(17, 'u');
  registrar.BeginTick();
  registrar.Register(facts);
  db::Launch fine;
  fine.file_name = "b.jww";
  registrar.Register(fine);
  ASSERT_EQ(registrar.Pending().size(), 1u);
  EXPECT_EQ(registrar.Pending().front().facts.file_name, "a.jww");
  EXPECT_EQ(FileNames(ReadLaunchRows(data)), std::vector<std::string>{"b.jww"});

  // Without a connection nothing is tried after the first failure, and nothing is lost.
  data.DisconnectDatabase();
  registrar.BeginTick();
  registrar.StorePending();
  registrar.Register(fine);
  EXPECT_EQ(registrar.Pending().size(), 2u);
}

}  // namespace

namespace {

// What an insert of `launch` left when it landed at `number` although its client saw the
// connection break: the launch waiting, with that insert's number and transaction.
PendingLaunch LandedAt(db::DataModule& data, const db::Launch& launch, int32_t number) {
  db::DataModule::NumberedAttempt attempt;
  EXPECT_TRUE(data.StoreLaunch(launch, number, attempt));
  EXPECT_EQ(attempt.number, number);
  EXPECT_GT(attempt.transaction, 0);
  PendingLaunch landed{launch};
  landed.maybe_stored = true;
  landed.attempted_number = number;
  landed.attempted_transaction = attempt.transaction;
  return landed;
}

// A commit can reach the server while the client sees the connection break: the launch kept
// for a later tick must then not be stored a second time, and no other row may be taken for it.
// A row is the interrupted insert's only when it stands at that insert's number and was written
// by that insert's transaction; rows with the same facts written by anyone else do not count:
// the same drawing open in two windows in one tick, or another PC under the same user name
// seeing it in the same second.
TEST_F(RegistrationTest, ALostInsertIsFoundOnlyByItsOwnNumberAndTransaction) {
  db::Launch launch;
  launch.pc_user_name = "PCユーザー名";
  launch.local_folder = "C:\\図面\\";
  launch.network_folder = "C:\\図面\\";
  launch.file_name = "a'.jww";
  launch.boot_date = "2026/12/07";
  launch.boot_time = "10:15:32";
  // The insert that landed although its client saw the connection break.
  const PendingLaunch landed = LandedAt(data, launch, 7);
  const long long landed_transaction = landed.attempted_transaction;
  // Another PC's launch with the same facts at the number an interrupted insert had tried.
  testsupport::OtherPc other(database.ConnectionPath());
  const std::vector<std::string> values = db::LaunchLiterals(8, launch);
  std::string insert = "INSERT INTO BOOTJWW VALUES (" + values[0];
  for (std::size_t k = 1; k < values.size(); ++k) insert += "," + values[k];
  ASSERT_TRUE(other.Execute(insert + ")"));

  PendingLaunch lost_at_taken_number{launch};  // its insert of number 8 never committed
  lost_at_taken_number.maybe_stored = true;
  lost_at_taken_number.attempted_number = 8;
  lost_at_taken_number.attempted_transaction = landed_transaction + 1000;
  PendingLaunch lost_by_twin{launch};  // the twin of the row at 7, from the same tick
  lost_by_twin.maybe_stored = true;
  lost_by_twin.attempted_number = 7;
  lost_by_twin.attempted_transaction = landed_transaction + 1001;

  LaunchRegistrar registrar(data);
  registrar.BeginTick();
  registrar.Register(landed);
  registrar.Register(lost_at_taken_number);
  registrar.Register(lost_by_twin);
  EXPECT_TRUE(registrar.Pending().empty());
  auto rows = ReadLaunchRows(data);
  EXPECT_EQ(Numbers(rows), (std::vector<std::string>{"7", "8", "9", "10"}));
  for (const auto& row : rows) EXPECT_EQ(row[kFileName], "a'.jww");
}

// The table cannot be asked whether an interrupted insert landed (here a column that fails when
// a row is read, the landed row among them): the launch keeps waiting rather than being stored a
// second time, and is settled once the question can be answered.
TEST_F(RegistrationTest, ALostInsertThatCannotBeLookedUpKeepsWaiting) {
  db::Launch launch;
  launch.pc_user_name = "PC1";
  launch.file_name = "asked.jww";
  launch.boot_date = "2026/12/07";
  launch.boot_time = "10:15:32";
  const PendingLaunch landed = LandedAt(data, launch, 7);

  testsupport::OtherPc admin(database.ConnectionPath());
  ASSERT_TRUE(admin.Execute("ALTER TABLE BOOTJWW ADD UNREADABLE COMPUTED BY (1 / 0)"));
  data.DisconnectDatabase();  // the next attachment sees the changed table
  data.ConnectDatabase(database.Settings());
  LaunchRegistrar registrar(data);
  registrar.BeginTick();
  registrar.Register(landed);
  registrar.EndTick();
  for (int tick = 0; tick < 5; ++tick) {
    ASSERT_EQ(registrar.Pending().size(), 1u) << "tick " << tick;
    EXPECT_TRUE(registrar.Pending().front().maybe_stored);
    EXPECT_EQ(registrar.Pending().front().refusals, 0) << "not a refusal: it is never set aside";
    registrar.BeginTick();
    registrar.StorePending();
    registrar.EndTick();
  }
  ASSERT_TRUE(admin.Execute("ALTER TABLE BOOTJWW DROP UNREADABLE"));
  data.DisconnectDatabase();
  data.ConnectDatabase(database.Settings());
  registrar.BeginTick();
  registrar.StorePending();
  registrar.EndTick();
  EXPECT_TRUE(registrar.Pending().empty());
  EXPECT_EQ(Numbers(ReadLaunchRows(data)), std::vector<std::string>{"7"});
}

}  // namespace
