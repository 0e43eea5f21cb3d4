// Statement texts and the pieces they are made of, checked without a server round trip.
#include <gtest/gtest.h>

#include "db/ClientLibrary.h"
#include "db/Connection.h"
#include "db/DataModule.h"
#include "db/Statements.h"

namespace {

using Lines = std::vector<std::string>;

TEST(Statements, QuoteLiteralDoublesEveryApostrophe) {
  EXPECT_EQ(db::QuoteLiteral(""), "''");
  EXPECT_EQ(db::QuoteLiteral("abc"), "'abc'");
  EXPECT_EQ(db::QuoteLiteral("O'Neil"), "'O''Neil'");
  EXPECT_EQ(db::QuoteLiteral("''"), "''''''");
  EXPECT_EQ(db::QuoteLiteral("x'); DELETE FROM BOOTJWW; --"), "'x''); DELETE FROM BOOTJWW; --'");
  // A lead byte followed by an apostrophe: the apostrophe is a character of its own.
  EXPECT_EQ(db::QuoteLiteral("\x83'"), "'\x83'''");
  EXPECT_EQ(db::QuoteLiteral("案件"), std::string("'") + "案件" + "'");
}

TEST(Statements, LinesAreJoinedEachWithCrLf) {
  EXPECT_EQ(db::JoinStatementLines({}), "");
  EXPECT_EQ(db::JoinStatementLines({"SELECT 1"}), "SELECT 1\r\n");
  EXPECT_EQ(db::JoinStatementLines({" a ", "", "b"}), " a \r\n\r\nb\r\n");
}

TEST(Statements, ModifyingStatementsOfTheExample) {
  const Lines names{"N", "PNAME", "unused"};
  const Lines values{"5", "'abc'", "unused"};
  EXPECT_EQ(db::InsertLines("BOOTJWW", 2, names, values),
            (Lines{"INSERT INTO BOOTJWW (", "   N,", "   PNAME", "   ) ", "   VALUES (", "   5,",
                   "   'abc'", "   );"}));
  EXPECT_EQ(db::UpdateLines("BOOTJWW", 2, names, values, "N=5"),
            (Lines{"UPDATE BOOTJWW SET ", "   N=5,", "   PNAME='abc'", "   WHERE N=5", "   ;"}));
  EXPECT_EQ(db::UpdateLines("BOOTJWW", 1, names, values, ""),
            (Lines{"UPDATE BOOTJWW SET ", "   N=5", "   ;"}));
  EXPECT_EQ(db::DeleteLines("BOOTJWW", "N=5"), (Lines{"DELETE FROM BOOTJWW WHERE N=5 ;"}));
  EXPECT_EQ(db::DeleteLines("BOOTJWW", ""), (Lines{"DELETE FROM BOOTJWW ;"}));
  EXPECT_EQ(db::InsertLines("BOOTJWW", 0, names, values),
            (Lines{"INSERT INTO BOOTJWW (", "   ) ", "   VALUES (", "   );"}));
}

TEST(Statements, ReadingStatements) {
  EXPECT_EQ(db::CountRowsLines("BOOTJWW", ""), (Lines{"SELECT * ", "   FROM BOOTJWW ", "   ;"}));
  EXPECT_EQ(db::CountRowsLines("BOOTJWW", "N>1"),
            (Lines{"SELECT * ", "   FROM BOOTJWW ", "   WHERE N>1 ", "   ;"}));
  EXPECT_EQ(db::CountFieldsLines("BOOTJWW"), (Lines{"SELECT * ", "   FROM BOOTJWW ;"}));
  EXPECT_EQ(db::SelectMaxLines("BOOTJWW", "N", ""),
            (Lines{"SELECT MAX(N) ", "   FROM BOOTJWW ", "   ;"}));
  EXPECT_EQ(db::OpenSelectLines("*", "BOOTJWW", "N=1", "N DESC"),
            (Lines{"SELECT * ", "   FROM BOOTJWW ", "   WHERE N=1 ", "   ORDER BY N DESC ", "   ;"}));
  EXPECT_EQ(db::OpenSelectLines("N, PNAME", "BOOTJWW", "", ""),
            (Lines{"SELECT N, PNAME ", "   FROM BOOTJWW ", "   ;"}));
  const Lines table = db::LaunchTableLines();
  ASSERT_EQ(table.size(), 12u);
  EXPECT_EQ(table[0], "CREATE TABLE BOOTJWW (");
  EXPECT_EQ(table[1], "  N INTEGER NOT NULL UNIQUE,");
  EXPECT_EQ(table[10], "  FILE_SIZE INTEGER");
  EXPECT_EQ(table[11], "  );");
}

TEST(Statements, ConnectionParameterBufferIsTwentyBytes) {
  const std::string buffer =
      db::Connection::BuildParameterBuffer({"USER_NAME=SYSDBA", "PASSWORD=quillstar"});
  EXPECT_EQ(buffer, std::string("\x01\x1c\x06SYSDBA\x1d\x09quillstar", 20));
  // Names without regard to case, "isc_dpb_" allowed, lines without "=" ignored, value after
  // the first "=".
  EXPECT_EQ(db::Connection::BuildParameterBuffer({"isc_dpb_User_Name=a=b", "nothing", "Password="}),
            std::string("\x01\x1c\x03" "a=b" "\x1d\x00", 8));
}

// The 16-bit length argument of prepare: a statement's own size up to 65535 bytes; a longer one
// goes as 0 (read to its terminating zero), which would cut it at an inner zero byte.
TEST(Statements, LengthArgumentOfPrepare) {
  EXPECT_EQ(db::StatementLength(""), 0u);
  EXPECT_EQ(db::StatementLength(std::string("a") + '\0' + "b"), 3u);
  EXPECT_EQ(db::StatementLength(std::string(65535, 'x')), 65535u);
  EXPECT_EQ(db::StatementLength(std::string(65536, 'x')), 0u);
  std::string long_with_zero(70000, 'x');
  long_with_zero[100] = '\0';
  EXPECT_THROW(db::StatementLength(long_with_zero), db::DatabaseError);
}

TEST(Statements, ParameterScanning) {
  struct Case {
    const char* text;
    const char* sent;
    int parameters;
  };
  const Case passing[] = {
      {"SELECT * FROM T", "SELECT * FROM T", 0},
      {"WHERE BOOT_TIME = '12:30:00'", "WHERE BOOT_TIME = '12:30:00'", 0},
      {"WHERE A = \"x:y\"", "WHERE A = \"x:y\"", 0},
      {"WHERE A = 'it''s :x'", "WHERE A = 'it''s :x'", 0},
      {"WHERE /* :x ? */ N = 1", "WHERE /* :x ? */ N = 1", 0},
      {"WHERE N = :N1 AND M = ?$x_", "WHERE N = ? AND M = ?", 2},
      {"WHERE N=:a)", "WHERE N=?)", 1},
      {"WHERE BOOT_TIME = 12:30:00", "WHERE BOOT_TIME = 12??", 2},
      {"'案件'", "'案件'", 0},
  };
  for (const Case& c : passing) {
    const db::ScannedStatement scanned = db::ScanParameters(c.text);
    EXPECT_EQ(scanned.text, c.sent) << c.text;
    EXPECT_EQ(scanned.parameter_count, c.parameters) << c.text;
  }
  const char* failing[] = {"WHERE N = ?", "WHERE N = : x", "WHERE N = :", "WHERE A = 'open",
                           "WHERE A = \"open", "WHERE /* open", "WHERE A = 'x''"};
  for (const char* text : failing) {
    EXPECT_THROW(db::ScanParameters(text), db::DatabaseError) << text;
  }
}

TEST(Statements, CreateDatabaseStatement) {
  const Lines params{"USER \"SYSDBA\"", "PASSWORD \"quillstar\"", "PAGE_SIZE 4096"};
  EXPECT_EQ(db::CreateDatabaseLines("localhost:C:\\data\\JWWDB.FDB", params),
            (Lines{"CREATE DATABASE 'localhost:C:\\data\\JWWDB.FDB' USER \"SYSDBA\"",
                   "PASSWORD \"quillstar\"", "PAGE_SIZE 4096"}));
  // A folder holding an apostrophe cannot break the statement.
  EXPECT_EQ(db::CreateDatabaseLines("h:/it's/X.FDB", params)[0],
            "CREATE DATABASE 'h:/it''s/X.FDB' USER \"SYSDBA\"");
}

}  // namespace
