#include <gtest/gtest.h>

#include <cmath>

#include "app/UnitV.h"

namespace {

TEST(StrToIntZero, DecimalForms) {
  EXPECT_EQ(StrToIntZero(""), 0);
  EXPECT_EQ(StrToIntZero("12"), 12);
  EXPECT_EQ(StrToIntZero(" 12"), 12);
  EXPECT_EQ(StrToIntZero("   -7"), -7);
  EXPECT_EQ(StrToIntZero("+7"), 7);
  EXPECT_EQ(StrToIntZero("007"), 7);
  EXPECT_EQ(StrToIntZero("12 "), 0) << "a trailing space makes the text invalid";
  EXPECT_EQ(StrToIntZero("- 5"), 0) << "no space between sign and digits";
  EXPECT_EQ(StrToIntZero("\t5"), 0) << "only byte 0x20 is skipped";
  EXPECT_EQ(StrToIntZero("　5"), 0) << "the full-width space is not skipped";
  EXPECT_EQ(StrToIntZero("abc"), 0);
  EXPECT_EQ(StrToIntZero("-"), 0);
  EXPECT_EQ(StrToIntZero("+"), 0);
  EXPECT_EQ(StrToIntZero("1.5"), 0);
  EXPECT_EQ(StrToIntZero("１２"), 0) << "full-width digits are not digits";
}

TEST(StrToIntZero, RangeLimits) {
  EXPECT_EQ(StrToIntZero("2147483647"), 2147483647);
  EXPECT_EQ(StrToIntZero("2147483648"), 0);
  EXPECT_EQ(StrToIntZero("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToIntZero("-2147483649"), 0);
  EXPECT_EQ(StrToIntZero("99999999999999999999"), 0);
  EXPECT_EQ(StrToIntZero("0000000000002147483647"), 2147483647);
}

TEST(StrToIntZero, HexadecimalForms) {
  EXPECT_EQ(StrToIntZero("$1F"), 31);
  EXPECT_EQ(StrToIntZero("x1F"), 31);
  EXPECT_EQ(StrToIntZero("X1f"), 31);
  EXPECT_EQ(StrToIntZero("0x1F"), 31);
  EXPECT_EQ(StrToIntZero("0X1F"), 31);
  EXPECT_EQ(StrToIntZero("-$1F"), -31);
  EXPECT_EQ(StrToIntZero(" $10"), 16);
  EXPECT_EQ(StrToIntZero("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToIntZero("$80000000"), -2147483647 - 1);
  EXPECT_EQ(StrToIntZero("$0000000000FF"), 255) << "leading zeros do not count";
  EXPECT_EQ(StrToIntZero("$100000000"), 0) << "nine significant digits";
  EXPECT_EQ(StrToIntZero("$"), 0);
  EXPECT_EQ(StrToIntZero("0x"), 0);
  EXPECT_EQ(StrToIntZero("$1G"), 0);
  EXPECT_EQ(StrToIntZero("$ 1"), 0);
}

TEST(StrToFloatZero, ValidAndInvalidTexts) {
  EXPECT_EQ(StrToFloatZero(""), 0.0);
  EXPECT_EQ(StrToFloatZero("1.5e3"), 1500.0);
  EXPECT_EQ(StrToFloatZero("-.5"), -0.5);
  EXPECT_EQ(StrToFloatZero("5."), 5.0);
  EXPECT_EQ(StrToFloatZero("  42"), 42.0);
  EXPECT_EQ(StrToFloatZero("1E+2"), 100.0);
  EXPECT_EQ(StrToFloatZero("2.5E-1"), 0.25);
  EXPECT_EQ(StrToFloatZero("0.1"), 0.1);
  EXPECT_EQ(StrToFloatZero("123456789012345"), 123456789012345.0);
  EXPECT_EQ(StrToFloatZero("1,5"), 0.0) << "a comma is not a separator";
  EXPECT_EQ(StrToFloatZero("."), 0.0);
  EXPECT_EQ(StrToFloatZero("-"), 0.0);
  EXPECT_EQ(StrToFloatZero("  "), 0.0);
  EXPECT_EQ(StrToFloatZero("1e"), 0.0);
  EXPECT_EQ(StrToFloatZero("1e+"), 0.0);
  EXPECT_EQ(StrToFloatZero("1.5 "), 0.0);
  EXPECT_EQ(StrToFloatZero("$1F"), 0.0) << "no hexadecimal form";
  EXPECT_EQ(StrToFloatZero("1e-400"), 0.0);
  EXPECT_EQ(StrToFloatZero("1.7976931348623157e308"), 1.7976931348623157e308);
}

TEST(StrToFloatZero, OverflowIsTheOneFailure) {
  EXPECT_THROW(StrToFloatZero("1e400"), FloatOverflowError);
  EXPECT_THROW(StrToFloatZero("-1e309"), FloatOverflowError);
  EXPECT_THROW(StrToFloatZero("1e99999999999"), FloatOverflowError);
  EXPECT_NO_THROW(StrToFloatZero("0e99999"));
  // Overflow is decided on the value rounded to the nearest double: a text just above the
  // largest double that rounds down to it is no error; past the halfway point it is.
  EXPECT_EQ(StrToFloatZero("1.7976931348623158e308"), 1.7976931348623157e308);
  EXPECT_THROW(StrToFloatZero("1.7976931348623159e308"), FloatOverflowError);
}

TEST(StrToFloatZero, LongTextsGiveTheCorrectlyRoundedValue) {
  const std::string ones_4933 = "0." + std::string(4933, '1');
  const std::string ones_5000 = "0." + std::string(5000, '1');
  EXPECT_EQ(StrToFloatZero(ones_4933), 1.0 / 9);
  EXPECT_EQ(StrToFloatZero(ones_5000), 1.0 / 9);
  EXPECT_EQ(StrToFloatZero("1" + std::string(4940, '0') + "e-4940"), 1.0);
  EXPECT_EQ(StrToFloatZero("0." + std::string(5000, '0') + "25e5001"), 2.5);

  // 2^53 + 1 lies halfway between two doubles and rounds to the even one; a nonzero digit
  // hundreds of places further on puts it above the midpoint.
  EXPECT_EQ(StrToFloatZero("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(StrToFloatZero("9007199254740993." + std::string(900, '0')), 9007199254740992.0);
  EXPECT_EQ(StrToFloatZero("9007199254740993." + std::string(900, '0') + "1"), 9007199254740994.0);

  // Half the smallest denormal is the edge between 0 and that denormal.
  EXPECT_EQ(StrToFloatZero("2.4703282292062328e-324"), 4.9406564584124654e-324);
  EXPECT_EQ(StrToFloatZero("2.4703282292062327e-324"), 0.0);
  EXPECT_EQ(StrToFloatZero("0." + std::string(5000, '0') + "1"), 0.0);
}

TEST(StrToFloatZero, LongTextsOverflowOnlyAboveTheDoubleRange) {
  EXPECT_EQ(StrToFloatZero("0." + std::string(5000, '0') + "17976931348623157e5309"),
            1.7976931348623157e308);
  EXPECT_THROW(StrToFloatZero("1" + std::string(309, '0')), FloatOverflowError);
  EXPECT_THROW(StrToFloatZero(std::string(5000, '9')), FloatOverflowError);
  EXPECT_THROW(StrToFloatZero("0." + std::string(5000, '0') + "1e99999999999999999999"),
               FloatOverflowError);
}

TEST(SanitizeText, RemovesQuotesAndControlBytesKeepsDoubleByteCharacters) {
  EXPECT_EQ(SanitizeText(""), "");
  EXPECT_EQ(SanitizeText("'\"\t\r\n\x01"), "");
  EXPECT_EQ(SanitizeText("a'b\"c\td"), "abcd");
  EXPECT_EQ(SanitizeText("表示.jww"), "表示.jww") << "表 has 0x5C as its second byte";
  EXPECT_EQ(SanitizeText("C:\\図面\\"), "C:\\図面\\");
  EXPECT_EQ(SanitizeText("ｱｲｳ\x7f"), "ｱｲｳ\x7f") << "half-width katakana and 0x7F pass";
  // A lead byte in the middle keeps its following byte, even an apostrophe.
  EXPECT_EQ(SanitizeText(std::string("a\x81'b")), std::string("a\x81'b"));
  EXPECT_EQ(SanitizeText(std::string("a\x80'b")), std::string("a\x80'b"));
  EXPECT_EQ(SanitizeText(std::string("a\xFD'b")), std::string("a\xFD'b"));
  // A lead byte at the very end is dropped.
  EXPECT_EQ(SanitizeText(std::string("ab\x88")), "ab");
  EXPECT_EQ(SanitizeText(std::string("ab\xFD")), "ab");
  // 0xFE and 0xFF are single bytes.
  EXPECT_EQ(SanitizeText(std::string("\xFE'\xFF")), std::string("\xFE\xFF"));
}

}  // namespace

namespace {

TEST(TextChecks, BlankAndQuotes) {
  EXPECT_TRUE(IsBlankText(""));
  EXPECT_TRUE(IsBlankText("  \t\r\n"));
  EXPECT_FALSE(IsBlankText("　")) << "a full-width space is content";
  EXPECT_FALSE(IsBlankText(" a "));
  EXPECT_TRUE(ContainsQuote("ab'c"));
  EXPECT_TRUE(ContainsQuote("\"x"));
  EXPECT_FALSE(ContainsQuote("abc"));
  EXPECT_FALSE(ContainsQuote(std::string("\x81'")) ) << "the second byte of a double-byte character";
  EXPECT_TRUE(ContainsQuote(std::string("\x81'")+ "'"));
}

}  // namespace
