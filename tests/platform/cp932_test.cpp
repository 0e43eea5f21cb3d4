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

TEST(Cp932, PathSplitIgnoresSecondBytes) {
  EXPECT_EQ(cp932::FolderPart("C:\\表\\a.jww"), "C:\\表\\");
  EXPECT_EQ(cp932::FileNamePart("C:\\表\\a.jww"), "a.jww");
  EXPECT_EQ(cp932::FolderPart("C:\\jww\\表"), "C:\\jww\\");
  EXPECT_EQ(cp932::FileNamePart("C:\\jww\\表"), "表");
  EXPECT_EQ(cp932::FolderPart("a.jww"), "");
  EXPECT_EQ(cp932::FileNamePart("a.jww"), "a.jww");
  EXPECT_EQ(cp932::FolderPart("C:a.jww"), "C:");
  EXPECT_EQ(cp932::FolderPart("\\a.jww"), "\\");
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
}

}  // namespace
