// The row reader under the recovery rule, against the private server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/RowReader.h"
#include "db/Statements.h"
#include "tests/support/db_fixture.h"

namespace {

using testsupport::TestDatabase;

struct ReaderCase {
  const char* name;
  bool with_table;
  int rows;                 // stored before the read
  bool create_when_missing;
  bool lose_connection;     // every attachment but the administrator's ends after the first row
  db::LaunchTableState state;
  int walks;                // how often the read ran from its opening
  long long rows_seen;      // by the last walk, to its end
  bool table_after;
};

TEST(RowReader, LostConnectionMidFetchMissingTableAndEmptyResult) {
  const ReaderCase cases[] = {
      {"empty result", true, 0, true, false, db::LaunchTableState::Ready, 1, 0, true},
      {"rows read to the end", true, 3, true, false, db::LaunchTableState::Ready, 1, 3, true},
      // The rows outnumber what one fetch brings, so the break is met while fetching; the read
      // runs again from its first row on the new attachment.
      {"connection lost in mid-fetch", true, 5000, true, true, db::LaunchTableState::Ready, 2, 5000, true},
      {"missing table, created", false, 0, true, false, db::LaunchTableState::Ready, 1, 0, true},
      {"missing table, not created", false, 0, false, false, db::LaunchTableState::Missing, 0, 0, false},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestDatabase database;
    db::DataModule data;
    testsupport::CreateAndConnect(data, database, c.with_table);
    testsupport::OtherPc admin(database.ConnectionPath());
    ASSERT_TRUE(admin.Connected());
    if (c.rows > 0) {
      ASSERT_TRUE(admin.Execute("EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= " +
                                std::to_string(c.rows) + ") DO BEGIN INSERT INTO BOOTJWW (N) VALUES (:i); "
                                "i = i + 1; END END"));
    }
    int walks = 0;
    long long seen = 0;
    int columns = 0;
    const db::LaunchTableState state = db::ReadRowsRecovering(
        data, db::OpenSelectLines("*", db::kLaunchTableName, "", "N"),
        [&](db::RowReader& rows) {
          ++walks;
          seen = 0;
          columns = rows.FieldCount();
          for (; !rows.Eof(); rows.Next()) {
            ++seen;
            EXPECT_EQ(rows.ValueText(0), std::to_string(seen));
            if (c.lose_connection && walks == 1 && seen == 1) {
              ASSERT_TRUE(admin.Execute("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
            }
          }
        },
        c.create_when_missing);
    EXPECT_EQ(state, c.state);
    EXPECT_EQ(walks, c.walks);
    EXPECT_EQ(seen, c.rows_seen);
    if (walks > 0) {
      EXPECT_EQ(columns, static_cast<int>(db::kLaunchColumnCount));
    }
    // The result is closed however the read ended; the connection is usable again.
    EXPECT_FALSE(data.IBQuery1().IsOpen());
    EXPECT_TRUE(data.Connected());
    EXPECT_EQ(data.TableExists(db::kLaunchTableName), c.table_after);
  }
}

}  // namespace
