#include "tests/records/records_fixture.h"

#include <cstdio>

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "records/Unit5.h"
#include "tests/support/db_fixture.h"

namespace records_test {

Literals SampleRow(int n) {
  char date[16], time[16];
  std::snprintf(date, sizeof date, "2024/%02d/%02d", 1 + n % 12, 1 + n % 28);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", n % 24, n % 60, (n * 7) % 60);
  return {std::to_string(n),
          "'利用者" + std::to_string(n % 3) + "'",
          "'C:\\jww\\案件2024\\A棟\\'",
          "'\\\\server\\share\\案件2024\\A棟\\'",
          "'図面" + std::to_string(n) + ".jww'",
          std::string("'") + date + "'",
          std::string("'") + time + "'",
          "'2023/12/31'",
          "'23:59:58'",
          std::to_string(n * 10)};
}

void RecordsFixture::CreateFreshDatabase(const std::string& name, bool with_table) {
  ServerName = testsupport::ServerAddress();
  ServerFolder = folder.Path();
  DatabaseName = name;
  Form1->CreateDatabase({DatabasePath()});
  ASSERT_TRUE(Form1->Connected()) << "cannot create " << DatabasePath();
  if (with_table) ASSERT_TRUE(Form1->CreateLaunchTable());
}

void RecordsFixture::CreateDatabaseOn(testsupport::PrivateServer& server, int first, int last) {
  ServerName = server.Address();
  ServerFolder = folder.Path();
  DatabaseName = "RESTART.FDB";
  Form1->CreateDatabase({DatabasePath()});
  ASSERT_TRUE(Form1->Connected());
  ASSERT_TRUE(Form1->CreateLaunchTable());
  InsertSampleRows(first, last);
  Form1->DisconnectDatabase();
  Form1->ConnectDatabase({DatabasePath()});
}

void RecordsFixture::Insert(const Literals& row) {
  ASSERT_TRUE(Form1->InsertRow(db::kLaunchTableName, db::kLaunchColumnCount, db::LaunchColumnNames(), row)) << row[0];
}

void RecordsFixture::InsertSampleRows(int first, int last) {
  for (int n = first; n <= last; ++n) Insert(SampleRow(n));
}

std::vector<Texts> RecordsFixture::AllRows() { return testsupport::ReadLaunchRows(*Form1); }

Texts RecordsFixture::GridRow(int row) {
  Texts cells;
  for (int col = 0; col < 10; ++col) cells.push_back(Form5->StringGrid1.Cell(col, row));
  return cells;
}

int RecordsFixture::FilledGridRows() {
  int filled = 0;
  for (int row = 1; row < Form5->StringGrid1.RowCount(); ++row) {
    if (!Form5->StringGrid1.Cell(0, row).empty()) ++filled;
  }
  return filled;
}

}  // namespace records_test
