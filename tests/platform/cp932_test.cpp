#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace {

TEST(Cp932, FindNeverStartsAtASecondByte) {
  // "ソ" is 0x83 0x5C; its second byte must not match a backslash.
  const std::string text = "ソ\\a";
  EXPECT_EQ(cp932::Find(text, "\\"), 2u);
  EXPECT_EQ(cp932::Find("xa.jww :H123", " :H"), 6u);
  EXPECT_EQ(cp932::Find("abc", "d"), std::string::npos);
  // "@" is 0x40, the second byte of "ァ" (0x83 0x40).
  EXPECT_FALSE(cp932::Contains("ァ", "@"));
  EXPECT_TRUE(cp932::Contains("ファイル選択 - x", "ファイル選択"));
  EXPECT_EQ(cp932::Find("a - jw_win - jw_win", " - jw_win"), 1u);
}

TEST(Cp932, UpperCasingKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(cp932::UpperAscii("jwwdb.fdb"), "JWWDB.FDB");
  // "ａ" (0x82 0x81) and "ソ" stay as they are; "ア" is 0x83 0x41 ("A" as second byte).
  EXPECT_EQ(cp932::UpperAscii("ａソアx"), "ａソアX");
  // "\x83" followed by "a" would be a double-byte character: the "a" is its second byte.
  EXPECT_EQ(cp932::UpperAscii(std::string("\x83" "ab")), std::string("\x83" "aB"));
}

TEST(Cp932, CutBytesNeverSplitsACharacter) {
  EXPECT_EQ(cp932::CutBytes("abcdefghijklmnopq", 16), "abcdefghijklmnop");
  EXPECT_EQ(cp932::CutBytes("123456789012345表", 16), "123456789012345");
  EXPECT_EQ(cp932::CutBytes("12345678901234表", 16), "12345678901234表");
  EXPECT_EQ(cp932::CutBytes("ＰＣユーザー名です", 16), "ＰＣユーザー名で");
  EXPECT_EQ(cp932::CutBytes("short", 16), "short");
  // Half a character left at the end of a text cut elsewhere goes; a whole one stays.
  EXPECT_EQ(cp932::WithoutDanglingLeadByte("ab\x83"), "ab");
  EXPECT_EQ(cp932::WithoutDanglingLeadByte("ャ\x83"), "ャ");
  EXPECT_EQ(cp932::WithoutDanglingLeadByte("ャ"), "ャ");  // 0x83 0x83: the second 0x83 is a trail
  EXPECT_EQ(cp932::WithoutDanglingLeadByte(""), "");
}

TEST(Cp932, CutToCharactersKeepsWholeCharactersOnly) {
  EXPECT_EQ(cp932::CutToCharacters("short", 16), "short");
  EXPECT_EQ(cp932::CutToCharacters("123456789012345表", 16), "123456789012345") << "表 straddles the cut";
  EXPECT_EQ(cp932::CutToCharacters("12345678901234表x", 16), "12345678901234表");
  EXPECT_EQ(cp932::CutToCharacters("ｱｲｳｴｵ", 3), "ｱｲｳ") << "half-width katakana are single bytes";
  // A lead byte alone at the end of the text is half a character too, cut or not.
  EXPECT_EQ(cp932::CutToCharacters(std::string("ab\x88"), 16), "ab");
  EXPECT_EQ(cp932::CutToCharacters(std::string("123456789012345表", 16), 16), "123456789012345");
  EXPECT_EQ(cp932::CutToCharacters("表", 1), "");
}

TEST(Cp932, LikeMatchesByCharacter) {
  // "ダ" is 0x83 0x5F: its second byte is the "_" byte, yet it is a character like any other.
  EXPECT_TRUE(cp932::MatchesLike("ダクト図.jww", "%ダクト%"));
  EXPECT_FALSE(cp932::MatchesLike("タクト図.jww", "%ダクト%"));
  // "ア" is 0x83 0x41 and "サ" 0x83 0x54: "A" and "T" occur only as their second bytes.
  EXPECT_FALSE(cp932::MatchesLike("アクト図.jww", "%A%"));
  EXPECT_FALSE(cp932::MatchesLike("サイト", "%T%"));
  EXPECT_TRUE(cp932::MatchesLike("A棟.jww", "%A%"));
  // "ヰ}" is 0x83 0x90 0x7D: "図" (0x90 0x7D) straddles two characters there.
  EXPECT_FALSE(cp932::MatchesLike("ヰ}.jww", "%図%"));
  // "ソ" (0x83 0x5C) holds no backslash; the same text with one after it does.
  EXPECT_FALSE(cp932::MatchesLike("C:ソフト", "%\\%"));
  EXPECT_TRUE(cp932::MatchesLike("C:ソフト\\", "%\\%"));
  // A match that starts on a character but would end inside one is no match either.
  EXPECT_FALSE(cp932::MatchesLike("\x83\x83", "%\x83"));
  EXPECT_TRUE(cp932::MatchesLike("ャ\x83", "%\x83"));  // a lead byte alone at the end
}

TEST(Cp932, LikePatternCharactersStandForCharacters) {
  // "_" is one character of one or two bytes, never one byte of a character.
  EXPECT_TRUE(cp932::MatchesLike("図面.jww", "図_.jww"));
  EXPECT_TRUE(cp932::MatchesLike("図x.jww", "図_.jww"));
  EXPECT_FALSE(cp932::MatchesLike("x面.jww", "x__.jww"));
  EXPECT_TRUE(cp932::MatchesLike("xyz.jww", "x__.jww"));
  EXPECT_FALSE(cp932::MatchesLike("面", "__"));
  EXPECT_TRUE(cp932::MatchesLike("面", "_"));
  // "%" is any run of characters, none included, and needs backtracking over earlier tries.
  EXPECT_TRUE(cp932::MatchesLike("ダクト図.jww", "ダ%図%"));
  EXPECT_FALSE(cp932::MatchesLike("タクト図.jww", "ダ%図%"));
  EXPECT_TRUE(cp932::MatchesLike("", "%"));
  EXPECT_TRUE(cp932::MatchesLike("abcabd", "%abd"));
  EXPECT_TRUE(cp932::MatchesLike("a神b神c", "%神_%c"));
  EXPECT_FALSE(cp932::MatchesLike("a神b神", "%神_%c"));
  EXPECT_TRUE(cp932::MatchesLike("a%b", "a%b"));
  // Anchored at both ends unless the pattern says otherwise.
  EXPECT_FALSE(cp932::MatchesLike("xab", "ab"));
  EXPECT_FALSE(cp932::MatchesLike("abx", "ab"));
  EXPECT_FALSE(cp932::MatchesLike("", "_"));
  EXPECT_TRUE(cp932::MatchesLike("ab", "ab%%"));
}

}  // namespace
