#include "tests/exchange/exchange_fixture.h"

#include "app/Unit1.h"
#include "app/UnitV.h"
#include "tests/support/db_fixture.h"

namespace exchange_test {

const char kHeader[] =
    "N\tPNAME\tL_FOLDER\tN_FOLDER\tFILE_NAME\tBOOT_DATE\tBOOT_TIME\tFILE_DATE\tFILE_TIME\t"
    "FILE_SIZE\t\r\n";

Texts SampleTexts(int n) {
  return {std::to_string(n),
          "利用者" + std::to_string(n % 3),
          "C:\\jww\\案件\\表示\\",  // 表 and 示 carry 0x5C and 0x8E trail bytes
          "\\\\server\\share\\案件\\表示\\",
          "図面" + std::to_string(n) + ".jww",
          "2024/01/" + std::string(n % 28 < 9 ? "0" : "") + std::to_string(n % 28 + 1),
          "12:34:56",
          "2023/12/31",
          "23:59:58",
          std::to_string(n * 10)};
}

Texts SampleLiterals(int n) {
  Texts texts = SampleTexts(n);
  for (std::size_t k = 1; k < 9; ++k) texts[k] = "'" + texts[k] + "'";
  return texts;
}

std::string Line(const Texts& texts) {
  std::string line;
  for (const std::string& text : texts) line += text + "\t";
  return line + "\r\n";
}

void ExchangeFixture::SetUp() {
  ServerName = testsupport::ServerAddress();
  ServerFolder = folder.Path();
  DatabaseName = "EXCHANGE.FDB";
  Form1->CreateDatabase({DatabasePath()});
  ASSERT_TRUE(Form1->Connected()) << "cannot create " << DatabasePath();
  ASSERT_TRUE(Form1->CreateLaunchTable());
  // The main window is up (its buttons react) without loading a settings file.
  Form1->SetVisible(true);
}

void ExchangeFixture::Insert(const Texts& literals) {
  ASSERT_TRUE(Form1->InsertRow(kTable, db::kLaunchColumnCount, db::LaunchColumnNames(), literals)) << literals[0];
}

void ExchangeFixture::InsertSamples(int first, int last) {
  for (int n = first; n <= last; ++n) Insert(SampleLiterals(n));
}

void ExchangeFixture::InsertBulk(int first, int last) {
  testsupport::OtherPc other(ConnectionPath());
  ASSERT_TRUE(other.Connected());
  ASSERT_TRUE(other.Execute(
      "EXECUTE BLOCK AS DECLARE i INTEGER = " + std::to_string(first) +
      "; BEGIN WHILE (i <= " + std::to_string(last) +
      ") DO BEGIN INSERT INTO BOOTJWW VALUES (:i, 'pc' || MOD(:i, 7), 'C:\\d\\', '\\\\s\\d\\', "
      "'f' || :i || '.jww', '2024/05/06', '07:08:09', '2024/01/02', '03:04:05', :i * 3); "
      "i = i + 1; END END"));
}

std::vector<Texts> ExchangeFixture::AllRows() { return testsupport::ReadLaunchRows(*Form1); }

std::string ExchangeFixture::ConnectionPath() const { return DatabasePath(); }

std::string ExchangeFixture::Read(const std::string& path) {
  return testsupport::ReadWholeFile(path);
}

void ExchangeFixture::Write(const std::string& path, const std::string& bytes) {
  testsupport::WriteWholeFile(path, bytes);
}

}  // namespace exchange_test
