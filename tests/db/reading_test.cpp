// Queries and row reading against the private server.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "db/LaunchTable.h"
#include "db/Statements.h"
#include "db/Transaction.h"
#include "tests/support/db_fixture.h"

namespace {

using Lines = std::vector<std::string>;
using testsupport::TestDatabase;

const Lines kColumns{"N",         "PNAME",     "L_FOLDER",  "N_FOLDER",  "FILE_NAME",
                     "BOOT_DATE", "BOOT_TIME", "FILE_DATE", "FILE_TIME", "FILE_SIZE"};

class Reading : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CreateAndConnect(data, database, true); }
  void Insert(int n, const std::string& name) {
    ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "PNAME"}, {std::to_string(n), db::QuoteLiteral(name)}));
  }

  TestDatabase database;
  db::DataModule data;
};

TEST_F(Reading, EmptyTableMissingTableAndColumns) {
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 0);
  EXPECT_EQ(data.IBQuery1().Lines(), db::CountRowsLines("BOOTJWW", ""));
  EXPECT_EQ(data.CountRows("NOSUCH", ""), -1);
  EXPECT_EQ(data.CountRows("BOOTJWW", "N >"), -1);
  EXPECT_EQ(data.CountFields("BOOTJWW"), 10);
  EXPECT_EQ(data.IBQuery1().Lines(), db::CountFieldsLines("BOOTJWW"));
  EXPECT_EQ(data.CountFields("NOSUCH"), -1);
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "");
  EXPECT_EQ(data.IBQuery1().Lines(), db::SelectMaxLines("BOOTJWW", "N", ""));
  EXPECT_EQ(data.SelectMax("BOOTJWW", "NOSUCH", ""), "");
  // The reading transaction stays open after the operation, with no result.
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  data.CloseQuery();
  EXPECT_FALSE(data.IBTransaction1().InTransaction());
}

TEST_F(Reading, ValueTextsNullNegativeAndTrailingBlanks) {
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 10, kColumns,
                             {"-42", "NULL", "'C:\\jww\\案件2024\\A棟\\'", "'\\\\server\\share\\'",
                              "'図面 1.jww  '", "'2024/01/02'", "'03:04:05'", "NULL", "''",
                              "-2147483648"}));
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 1, {"N"}, {"7"}));
  ASSERT_EQ(data.OpenSelect("*", "BOOTJWW", "", "N"), 2);
  Lines names(11, "keep");
  data.GetFieldNames(names);
  EXPECT_EQ(Lines(names.begin(), names.begin() + 10), kColumns);
  EXPECT_EQ(names[10], "keep");
  EXPECT_EQ(data.IBQuery1().GetFieldType(0), db::FieldType::Integer);
  EXPECT_EQ(data.IBQuery1().GetFieldType(1), db::FieldType::String);
  EXPECT_EQ(data.IBQuery1().GetFieldType(9), db::FieldType::Integer);

  Lines values(11, "keep");
  data.ReadFirstRow(values);
  EXPECT_EQ(values, (Lines{"-42", "", "C:\\jww\\案件2024\\A棟\\", "\\\\server\\share\\",
                           "図面 1.jww  ", "2024/01/02", "03:04:05", "", "", "-2147483648", "keep"}));
  data.ReadNextRow(values);
  EXPECT_EQ(values, (Lines{"7", "", "", "", "", "", "", "", "", "", "keep"}));
  // Past the end: empty entries, again and again.
  values.assign(11, "x");
  data.ReadNextRow(values);
  EXPECT_EQ(values, (Lines{"", "", "", "", "", "", "", "", "", "", "x"}));
  values.assign(11, "x");
  data.ReadNextRow(values);
  EXPECT_EQ(values, (Lines{"", "", "", "", "", "", "", "", "", "", "x"}));
  // Back to the first row.
  data.ReadFirstRow(values);
  EXPECT_EQ(values[0], "-42");

  data.CloseSelect();
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  values.assign(11, "untouched");
  names.assign(11, "untouched");
  data.ReadFirstRow(values);
  data.ReadNextRow(values);
  data.GetFieldNames(names);
  EXPECT_EQ(values, Lines(11, "untouched"));
  EXPECT_EQ(names, Lines(11, "untouched"));
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "7");
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", "N < 0"), "-42");
  EXPECT_EQ(data.SelectMax("BOOTJWW", "FILE_NAME", ""), "図面 1.jww  ");
}

TEST_F(Reading, EmptyResultAndBadOrderList) {
  Insert(1, "a");
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "N = 99", ""), 0);
  EXPECT_TRUE(data.IBQuery1().IsOpen());
  EXPECT_TRUE(data.IBQuery1().Eof());
  Lines values(10, "x");
  data.ReadFirstRow(values);
  EXPECT_EQ(values, Lines(10, ""));
  values.assign(10, "x");
  data.ReadNextRow(values);
  EXPECT_EQ(values, Lines(10, ""));

  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", "NOSUCH"), 0);
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  EXPECT_EQ(data.OpenSelect("*", "NOSUCH", "", ""), 0);
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  EXPECT_EQ(data.OpenSelect("N", "BOOTJWW", "", "N DESC"), 1);
  EXPECT_EQ(data.IBQuery1().Lines(),
            (Lines{"SELECT N ", "   FROM BOOTJWW ", "   ORDER BY N DESC ", "   ;"}));
}

TEST_F(Reading, ParameterMarkersOutsideQuotesFail) {
  ASSERT_TRUE(data.InsertRow("BOOTJWW", 2, {"N", "BOOT_TIME"}, {"1", "'12:30:00'"}));
  EXPECT_EQ(data.CountRows("BOOTJWW", "BOOT_TIME = '12:30:00'"), 1);
  EXPECT_EQ(data.CountRows("BOOTJWW", "BOOT_TIME = 12:30:00"), -1);
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "BOOT_TIME = '12:30:00'", ""), 1);
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "BOOT_TIME = ?", ""), 0);
  EXPECT_FALSE(data.IBQuery1().IsOpen());
  // A named marker is bound as NULL: the statement runs and matches nothing.
  EXPECT_EQ(data.CountRows("BOOTJWW", "BOOT_TIME = :T"), 0);
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", "N = 1 /* :x ? */"), "1");
  // The modifying statements are sent literally.
  EXPECT_TRUE(data.UpdateRows("BOOTJWW", 1, {"PNAME"}, {"'a:b ?'"}, "N=1"));
  EXPECT_EQ(data.CountRows("BOOTJWW", "PNAME = 'a:b ?'"), 1);
}

TEST_F(Reading, AnotherPcCommittingBetweenCountAndSelect) {
  Insert(1, "a");
  Insert(2, "b");
  testsupport::OtherPc other(database.ConnectionPath());
  ASSERT_TRUE(other.Connected());
  const int counted = data.CountRows("BOOTJWW", "");
  EXPECT_EQ(counted, 2);
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), counted);
  data.CloseSelect();
  ASSERT_TRUE(other.Execute("INSERT INTO BOOTJWW (N, PNAME) VALUES (3, 'other')"));
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "", ""), 3);
  data.CloseSelect();
  EXPECT_EQ(data.CountRows("BOOTJWW", ""), 3);
}

TEST_F(Reading, HighestNumberEqualsThePlainMaximum) {
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "");
  for (int n = 1; n <= 5; ++n) Insert(n, "p");
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "5");
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "5");
  EXPECT_EQ(data.IBQuery1().Lines(), db::HighestNumberLines("BOOTJWW", 5));

  testsupport::OtherPc other(database.ConnectionPath());
  ASSERT_TRUE(other.Execute("INSERT INTO BOOTJWW (N) VALUES (9)"));
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "9");
  EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), "9");

  // Rows deleted below the last seen number: the plain maximum answers.
  ASSERT_TRUE(other.Execute("DELETE FROM BOOTJWW WHERE N >= 4"));
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "3");
  EXPECT_EQ(data.IBQuery1().Lines(), db::HighestNumberLines("BOOTJWW", 9));
  ASSERT_TRUE(data.DeleteRows("BOOTJWW", ""));
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "");

  // Another database behind the same module starts from its own maximum.
  TestDatabase second;
  data.DisconnectDatabase();
  testsupport::CreateAndConnect(data, second, true);
  Insert(2, "x");
  EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), "2");
}

// The bisection inside the server against the plain maximum, through the list's reading and
// through the registration (whose number is one above it), the number seen before carried from
// one table to the next: gaps, tops deleted below the number last seen, no row, one row, the
// ends of the INTEGER range.
TEST_F(Reading, BisectionFindsThePlainMaximum) {
  const struct {
    const char* what;
    std::vector<long long> numbers;
    const char* deleted;  // a condition, after the numbers were seen
    const char* highest;
  } cases[] = {
      {"no row", {}, "", ""},
      {"one row", {1}, "", "1"},
      {"gaps", {1, 2, 3, 1000, 50000, 1000000}, "", "1000000"},
      {"tops deleted below the number last seen", {1, 2, 3, 1000, 50000, 1000000}, "N >= 1000", "3"},
      {"every row deleted", {7, 8}, "N > 0", ""},
      {"one row below the number last seen", {5}, "", "5"},
      {"negative only", {-5, -70000}, "", "-5"},
      {"the lowest INTEGER", {-2147483648LL}, "", "-2147483648"},
      {"the highest INTEGER", {4, 2147483647LL}, "", "2147483647"},
      {"just below it", {2147483646LL}, "", "2147483646"},
  };
  db::Launch launch;
  launch.pc_user_name = "設計";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(data.DeleteRows("BOOTJWW", ""));
    for (long long n : c.numbers) Insert(static_cast<int>(n), "p");
    if (*c.deleted) {
      EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), data.SelectMax("BOOTJWW", "N", ""));
      ASSERT_TRUE(data.DeleteRows("BOOTJWW", c.deleted));
    }
    EXPECT_EQ(data.SelectMax("BOOTJWW", "N", ""), c.highest);
    EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), c.highest);
    EXPECT_EQ(data.SelectHighestNumber("BOOTJWW"), c.highest);  // from the number just seen

    db::DataModule::NumberedAttempt attempt;
    const long long highest = std::string(c.highest).empty() ? 0 : std::stoll(c.highest);
    if (highest == 2147483647LL) {
      EXPECT_FALSE(data.StoreLaunch(launch, 1, attempt));
      EXPECT_EQ(data.LastFailure(), db::FailureKind::NumberLimit);
      continue;
    }
    ASSERT_TRUE(data.StoreLaunch(launch, 1, attempt)) << data.LastErrorText();
    EXPECT_EQ(attempt.number, std::max(highest + 1, 1LL));
    EXPECT_GT(attempt.transaction, 0);
  }
}

// The row of an insert whose answer was lost is its own only at its number, written by its
// transaction, with its facts; a module that cannot ask leaves the question open.
TEST_F(Reading, AnEarlierInsertIsFoundByItsNumberTransactionAndFacts) {
  using Found = db::DataModule::EarlierInsert;
  db::Launch launch;
  launch.pc_user_name = "設計'1";
  launch.local_folder = "C:\\図面\\";
  launch.file_name = "表.jww";
  launch.boot_date = "2026/12/07";
  launch.boot_time = "10:15:33";
  db::DataModule::NumberedAttempt stored;
  ASSERT_TRUE(data.StoreLaunch(launch, 4, stored));
  ASSERT_EQ(stored.number, 4);
  ASSERT_GT(stored.transaction, 1);
  db::Launch later = launch;
  later.boot_time = "10:15:43";
  const struct {
    const char* what;
    const db::Launch& launch;
    db::DataModule::NumberedAttempt attempt;
    Found expected;
  } cases[] = {
      {"its own row", launch, stored, Found::Landed},
      // A finished transaction's number: one still at work leaves the answer undecided.
      {"another transaction's row at that number", launch, {stored.number, 1}, Found::Absent},
      {"no row at that number", launch, {stored.number + 1, stored.transaction}, Found::Absent},
      {"other facts", later, stored, Found::Absent},
  };
  for (const auto& c : cases) EXPECT_EQ(data.FindEarlierInsert(c.launch, c.attempt), c.expected) << c.what;
  data.DisconnectDatabase();
  EXPECT_EQ(data.FindEarlierInsert(launch, stored), Found::Unanswered);
}

TEST_F(Reading, NavigationPrimitives) {
  for (int n = 1; n <= 2500; ++n) Insert(n, "p" + std::to_string(n));
  db::Query& query = data.IBQuery1();
  data.CloseQuery();
  query.SetParamCheck(true);
  query.SetLines(db::OpenSelectLines("N, PNAME", "BOOTJWW", "", "N"));
  query.Open();
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(query.RecordCount(), 1);
  EXPECT_EQ(query.ValueText(0), "1");
  query.MoveBy(1499);
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.ValueText(1), "p1500");
  EXPECT_EQ(query.RecordCount(), 1500);
  query.MoveBy(1000);
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "2500");
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "2500");
  query.MoveBy(5);  // nothing moves while the end flag is set
  EXPECT_EQ(query.ValueText(0), "2500");
  query.First();
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "1");
  query.MoveBy(3000);
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "2500");
  query.First();
  query.Last();
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.RecordCount(), 2500);
  EXPECT_EQ(query.ValueText(1), "p2500");
  EXPECT_EQ(query.FieldName(1), "PNAME");
  query.Close();
  EXPECT_FALSE(query.IsOpen());
  EXPECT_TRUE(data.IBTransaction1().InTransaction());
  EXPECT_EQ(data.CountRows("BOOTJWW", "N > 1000"), 1500);
  EXPECT_EQ(data.OpenSelect("*", "BOOTJWW", "N > 1000", ""), 1500);
}

}  // namespace

namespace {

// A result read forward once keeps only its current row; the values and the end flag are
// those of the ordinary result, and the next result is an ordinary one again.
TEST_F(Reading, UniDirectionalResultWalksForwardOnly) {
  for (int n = 1; n <= 2500; ++n) Insert(n, "利用者" + std::to_string(n));
  db::Query& query = data.IBQuery1();
  data.CloseQuery();
  query.SetParamCheck(true);
  query.SetLines({"SELECT * FROM BOOTJWW", "  ORDER BY N DESC;"});
  query.SetUniDirectional(true);
  query.Open();
  query.First();
  EXPECT_EQ(query.ValueText(0), "2500");
  query.MoveBy(1499);
  EXPECT_FALSE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "1001");
  EXPECT_EQ(query.ValueText(1), "利用者1001");
  query.Next();
  EXPECT_EQ(query.ValueText(0), "1000");
  EXPECT_THROW(query.First(), db::DatabaseError);
  query.MoveBy(5000);
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.ValueText(0), "1") << "it stops on the last row";
  EXPECT_EQ(query.RecordCount(), 2500);
  query.Close();

  // The next open is an ordinary result that can go back.
  ASSERT_EQ(data.OpenSelect("*", "BOOTJWW", "N <= 3", "N"), 3);
  std::vector<std::string> values;
  data.ReadFirstRow(values);
  EXPECT_EQ(values[0], "1");
  data.CloseSelect();
}

}  // namespace
