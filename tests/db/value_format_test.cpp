// Value texts of fetched columns, from the bytes the client library writes, without a server.
#include <gtest/gtest.h>
#include <ibase.h>

#include <cstring>

#include "db/ValueFormat.h"

namespace {

template <typename T>
std::string Format(short type, short scale, T value) {
  char data[sizeof(T)];
  std::memcpy(data, &value, sizeof(T));
  return db::FormatValue(type, scale, data, sizeof(T));
}

TEST(ValueFormat, IntegersWithTheirScale) {
  EXPECT_EQ(Format<ISC_LONG>(SQL_LONG, 0, 1234), "1234");
  EXPECT_EQ(Format<ISC_LONG>(SQL_LONG, 0, -7), "-7");
  EXPECT_EQ(Format<ISC_LONG>(SQL_LONG, -2, 12345), "123.45");
  // Fewer digits than places: a leading zero before the point, zeros after it.
  EXPECT_EQ(Format<ISC_LONG>(SQL_LONG, -2, -5), "-0.05");
  EXPECT_EQ(Format<short>(SQL_SHORT, -1, 0), "0.0");
  EXPECT_EQ(Format<short>(SQL_SHORT, 2, 3), "300");
  // The most negative value has no positive counterpart of its type.
  EXPECT_EQ(Format<ISC_INT64>(SQL_INT64, 0, INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format<ISC_INT64>(SQL_INT64, -4, INT64_MIN), "-922337203685477.5808");
}

TEST(ValueFormat, DatesTimesAndTimestamps) {
  EXPECT_EQ(Format<ISC_DATE>(SQL_TYPE_DATE, 0, 0), "1858-11-17");
  EXPECT_EQ(Format<ISC_DATE>(SQL_TYPE_DATE, 0, 60369), "2024-02-29");
  EXPECT_EQ(Format<ISC_DATE>(SQL_TYPE_DATE, 0, 15079), "1900-03-01");
  EXPECT_EQ(Format<ISC_DATE>(SQL_TYPE_DATE, 0, -678575), "0001-01-01");
  EXPECT_EQ(Format<ISC_DATE>(SQL_TYPE_DATE, 0, 2973483), "9999-12-31");
  // Ten-thousandths of a second are cut, not rounded.
  EXPECT_EQ(Format<ISC_TIME>(SQL_TYPE_TIME, 0, (12 * 3600 + 34 * 60 + 56) * 10000 + 9999),
            "12:34:56");
  EXPECT_EQ(Format<ISC_TIME>(SQL_TYPE_TIME, 0, 0), "00:00:00");
  ISC_TIMESTAMP stamp{60369, (23 * 3600 + 59 * 60 + 59) * 10000};
  EXPECT_EQ(Format(SQL_TIMESTAMP, 0, stamp), "2024-02-29 23:59:59");
}

TEST(ValueFormat, TextsFloatsAndOthers) {
  const char text[] = {'a', 'b', 0, 'c'};
  EXPECT_EQ(db::FormatValue(SQL_TEXT, 0, text, 4), "ab");
  EXPECT_EQ(db::FormatValue(SQL_VARYING, 0, "図面 ", 5), "図面 ");
  EXPECT_EQ(Format<float>(SQL_FLOAT, 0, 0.1f), "0.1");
  EXPECT_EQ(Format<double>(SQL_DOUBLE, 0, 1.0 / 3), "0.333333333333333");
  EXPECT_EQ(Format<char>(SQL_BOOLEAN, 0, 1), "TRUE");
  EXPECT_EQ(Format<char>(SQL_BOOLEAN, 0, 0), "FALSE");
  EXPECT_EQ(Format<ISC_QUAD>(SQL_BLOB, 0, ISC_QUAD{1, 2}), "");
}

}  // namespace
