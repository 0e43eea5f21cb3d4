// Composition of one launch row from a path, without a database.
#include <gtest/gtest.h>

#include "db/LaunchTable.h"
#include "monitor/LaunchRecord.h"
#include "tests/support/fake_services.h"

using namespace monitor;

namespace {

using testsupport::FakeServices;

TEST(ComposeLaunch, TakesFileFactsAsFatDateTimeAndSize) {
  FakeServices services;
  services.AddFile("C:\\jww\\a.jww", {2026, 3, 9, 10, 15, 33}, 123456);
  services.AddFile("C:\\jww\\old.jww", {1979, 12, 31, 23, 59, 58}, 10);
  services.AddFile("C:\\jww\\big.jww", {2024, 1, 2, 3, 4, 6}, 0x80000000ull);
  services.AddFile("C:\\jww\\huge.jww", {2024, 1, 2, 3, 4, 6}, 0x100000005ull);  // low bits look small
  services.AddFile("C:\\jww\\max.jww", {2107, 12, 31, 23, 59, 58}, 0x7FFFFFFFull);

  db::Launch facts = ComposeLaunch(services, "C:\\jww\\a.jww", "", "", "");
  EXPECT_EQ(facts.file_date, "2026/03/09");
  EXPECT_EQ(facts.file_time, "10:15:32");  // FAT keeps even seconds
  EXPECT_EQ(facts.file_size, "123456");

  facts = ComposeLaunch(services, "C:\\jww\\old.jww", "", "", "");
  EXPECT_EQ(facts.file_date, "");
  EXPECT_EQ(facts.file_time, "");
  EXPECT_EQ(facts.file_size, "10");

  EXPECT_EQ(ComposeLaunch(services, "C:\\jww\\big.jww", "", "", "").file_size, "");
  EXPECT_EQ(ComposeLaunch(services, "C:\\jww\\huge.jww", "", "", "").file_size, "");
  facts = ComposeLaunch(services, "C:\\jww\\max.jww", "", "", "");
  EXPECT_EQ(facts.file_size, "2147483647");
  EXPECT_EQ(facts.file_date, "2107/12/31");
  EXPECT_EQ(facts.file_time, "23:59:58");

  facts = ComposeLaunch(services, "C:\\jww\\missing.jww", "", "", "");
  EXPECT_EQ(facts.file_date, "");
  EXPECT_EQ(facts.file_time, "");
  EXPECT_EQ(facts.file_size, "");
}

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

TEST(ComposeLaunch, CutsTextsLongerThanTheirColumnsAtACharacterBoundary) {
  FakeServices services;
  // 140 double-byte characters and ".jww": 284 bytes; the 128th character straddles byte 255.
  const std::string long_name = Repeat("名", 140) + ".jww";
  db::Launch facts = ComposeLaunch(services, "C:\\jww\\" + long_name, "設計部ＰＣ０１２３", "", "");
  EXPECT_EQ(facts.file_name, Repeat("名", 127));
  EXPECT_EQ(facts.local_folder, "C:\\jww\\");
  EXPECT_EQ(facts.pc_user_name, "設計部ＰＣ０１２") << "PNAME holds 16 bytes";

  const std::string fits = "C:\\" + Repeat("図", 125) + "x";  // 255 bytes with its backslash
  facts = ComposeLaunch(services, fits + "\\a.jww", "", "", "");
  EXPECT_EQ(facts.local_folder, fits + "\\");
}

}  // namespace
