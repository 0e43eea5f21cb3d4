// The launch table's layout and the statements built from it, checked without a server. The
// texts are compared byte for byte: the server, the record list and the import depend on them.
#include <gtest/gtest.h>

#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace {

using Lines = std::vector<std::string>;
using Column = db::LaunchColumn;

TEST(LaunchTable, CreationStatementDeclaresTheTenColumnsInOrder) {
  EXPECT_EQ(db::LaunchTableLines(),
            (Lines{"CREATE TABLE BOOTJWW (", "  N INTEGER NOT NULL UNIQUE,", "  PNAME VARCHAR(16),",
                   "  L_FOLDER VARCHAR(255),", "  N_FOLDER VARCHAR(255),",
                   "  FILE_NAME VARCHAR(255),", "  BOOT_DATE VARCHAR(10),", "  BOOT_TIME VARCHAR(8),",
                   "  FILE_DATE VARCHAR(10),", "  FILE_TIME VARCHAR(8),", "  FILE_SIZE INTEGER",
                   "  );"}));
  const Lines& names = db::LaunchColumnNames();
  EXPECT_EQ(names, (Lines{"N", "PNAME", "L_FOLDER", "N_FOLDER", "FILE_NAME", "BOOT_DATE",
                          "BOOT_TIME", "FILE_DATE", "FILE_TIME", "FILE_SIZE"}));
  ASSERT_EQ(static_cast<int>(names.size()), db::kLaunchColumnCount);
  for (int i = 0; i < db::kLaunchColumnCount; ++i) {
    EXPECT_EQ(names[i], db::LaunchColumnName(static_cast<Column>(i))) << i;
    // The width texts are cut to is the one the column declares.
    const std::size_t bytes = db::LaunchColumnBytes(static_cast<Column>(i));
    const std::string type = db::LaunchColumnType(static_cast<Column>(i));
    EXPECT_EQ(type.rfind("VARCHAR(", 0) == 0 ? "VARCHAR(" + std::to_string(bytes) + ")" : type, type) << i;
    EXPECT_EQ(bytes == 0, type.rfind("INTEGER", 0) == 0) << i;
  }
}

TEST(LaunchTable, NumberConditions) {
  EXPECT_EQ(db::NumberCondition(5), "N=5");
  EXPECT_EQ(db::NumberCondition(2147483647), "N=2147483647");
  EXPECT_EQ(db::NumberFromCondition(41), "N >= 41");
}

TEST(LaunchTable, LaunchLookupMatchesEveryValueAndNullAsNull) {
  const Lines values{"0", "'PC1'", "'C:\\jww\\'", "NULL", "'a.jww'", "'2026/12/07'", "'10:15:33'",
                     "NULL", "NULL", "1234"};
  const std::string facts =
      "PNAME='PC1' AND L_FOLDER='C:\\jww\\' AND N_FOLDER IS NULL AND FILE_NAME='a.jww' AND "
      "BOOT_DATE='2026/12/07' AND BOOT_TIME='10:15:33' AND FILE_DATE IS NULL AND "
      "FILE_TIME IS NULL AND FILE_SIZE=1234";
  // The number is left out unless given: the facts alone also find a twin of the same tick.
  EXPECT_EQ(db::LaunchLookupCondition(0, values), facts);
  EXPECT_EQ(db::LaunchLookupCondition(7, values), "N=7 AND " + facts);
  // A lost insert's own row: its number and the record version its transaction wrote.
  EXPECT_EQ(db::LaunchWrittenByCondition(7, 5000000123LL, values),
            "N=7 AND RDB$RECORD_VERSION=5000000123 AND " + facts);
  // A user literally named NULL is a quoted text, not a missing value.
  Lines named = values;
  named[1] = db::QuoteLiteral("NULL");
  EXPECT_EQ(db::LaunchLookupCondition(0, named).substr(0, 18), "PNAME='NULL' AND L");
}

TEST(LaunchTable, LaunchLiteralsQuoteEveryTextAndWriteNullForEmpty) {
  db::Launch facts;
  facts.pc_user_name = "設計'A";  // a hand-edited settings file can hold an apostrophe
  facts.local_folder = "C:\\\x81'\\";  // a lead byte before an apostrophe survives SanitizeText
  facts.network_folder = "\\\\srv\\x\\";
  facts.file_name = "a.jww";
  facts.boot_date = "2026/12/07";
  facts.boot_time = "10:15:33";
  facts.file_size = "0";
  const std::vector<std::string> expected = {
      "7", "'設計''A'", "'C:\\\x81''\\'", "'\\\\srv\\x\\'", "'a.jww'",
      "'2026/12/07'", "'10:15:33'", "NULL", "NULL", "0"};
  EXPECT_EQ(db::LaunchLiterals(7, facts), expected);

  db::Launch empty;
  const std::vector<std::string> all_null = {"1", "NULL", "NULL", "NULL", "NULL",
                                             "NULL", "NULL", "NULL", "NULL", "NULL"};
  EXPECT_EQ(db::LaunchLiterals(1, empty), all_null);
  // One value per column of the launch table, as InsertRow pairs them.
  EXPECT_EQ(db::LaunchLiterals(1, empty).size(), db::LaunchColumnNames().size());
}

TEST(LaunchTable, PageOrdersOfTheSortEntries) {
  const struct {
    Column column;
    const char* ascending;
    const char* descending;
  } orders[] = {
      {Column::N, "N", "N DESC"},
      {Column::PNAME, "PNAME", "PNAME DESC"},
      {Column::L_FOLDER, "L_FOLDER", "L_FOLDER DESC"},
      {Column::N_FOLDER, "N_FOLDER", "N_FOLDER DESC"},
      {Column::FILE_NAME, "FILE_NAME", "FILE_NAME DESC"},
      {Column::BOOT_DATE, "BOOT_DATE,BOOT_TIME", "BOOT_DATE DESC,BOOT_TIME DESC"},
      {Column::FILE_DATE, "FILE_DATE,FILE_TIME", "FILE_DATE DESC,FILE_TIME DESC"},
      {Column::FILE_SIZE, "FILE_SIZE", "FILE_SIZE DESC"},
  };
  for (const auto& order : orders) {
    EXPECT_EQ(db::PageOrder(order.column, false), order.ascending);
    EXPECT_EQ(db::PageOrder(order.column, true), order.descending);
  }
}

TEST(LaunchTable, PageStatementWithAndWithoutFilter) {
  EXPECT_EQ(db::PageStatementLines("", "N"), (Lines{"SELECT * FROM BOOTJWW", "  ORDER BY N;"}));
  // The typed text keeps its pattern characters; an apostrophe cannot end the literal.
  // The typed "_" is one character of one or two bytes: "one byte or more" for the server.
  const std::string filter = db::PageFilter(Column::FILE_NAME, "it's 5%_");
  EXPECT_EQ(filter, "FILE_NAME LIKE '%it''s 5%_%%'");
  EXPECT_EQ(db::PageStatementLines(filter, "FILE_DATE DESC,FILE_TIME DESC"),
            (Lines{"SELECT * FROM BOOTJWW", "  WHERE FILE_NAME LIKE '%it''s 5%_%%'",
                   "  ORDER BY FILE_DATE DESC,FILE_TIME DESC;"}));
  EXPECT_EQ(db::PageFilter(Column::PNAME, "利用者"), "PNAME LIKE '%利用者%'");
  EXPECT_EQ(db::PageFilterPattern("it's 5%_"), "%it's 5%_%");
}

TEST(LaunchTable, PageFilterEscapesTheUnderscoreByteInsideDoubleByteCharacters) {
  // "ダ" is 0x83 0x5F and "論点" 0x98 0x5F 0x93 0x5F: each second byte must stay itself.
  EXPECT_EQ(db::PageFilter(Column::FILE_NAME, "ダクト"),
            "FILE_NAME LIKE '%\x83!_クト%' ESCAPE '!'");
  EXPECT_EQ(db::PageFilter(Column::L_FOLDER, "論点_!"),
            "L_FOLDER LIKE '%\x98!_\x93!__%!!%' ESCAPE '!'");
  // Without such a character there is no escape character, and "!" is itself.
  EXPECT_EQ(db::PageFilter(Column::PNAME, "!ソ\\"), "PNAME LIKE '%!ソ\\%'");
  // A lead byte last in the text is a character of its own.
  EXPECT_EQ(db::PageFilter(Column::PNAME, "a\x83"), "PNAME LIKE '%a\x83%'");
}

TEST(LaunchTable, ExecuteBlockHoldsTheStatementsInOrder) {
  const Lines first = db::InsertLines("BOOTJWW", 1, {"N"}, {"1"});
  const Lines second = db::InsertLines("BOOTJWW", 1, {"N"}, {"2"});
  Lines expected{"EXECUTE BLOCK AS", "BEGIN"};
  expected.insert(expected.end(), first.begin(), first.end());
  expected.insert(expected.end(), second.begin(), second.end());
  expected.push_back("END");
  EXPECT_EQ(db::ExecuteBlockLines({first, second}), expected);
}

}  // namespace
