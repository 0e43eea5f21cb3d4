// Code page 932 (Shift-JIS) byte-string helpers. Every text in the program is such a string.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cp932 {

// Lead bytes of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
bool IsLeadByte(unsigned char byte);

// Width in bytes of the character starting at `pos`: 2 for a lead byte with a byte after it,
// otherwise 1 (a lead byte at the very end stands alone).
std::size_t CharWidth(std::string_view text, std::size_t pos);

// Position of the first occurrence of `needle` in `text` at or after `from`, never starting at the
// second byte of a double-byte character; std::string::npos when there is none.
std::size_t Find(const std::string& text, const std::string& needle, std::size_t from = 0);

// True when `text` contains `needle` as a whole-character match.
bool Contains(const std::string& text, const std::string& needle);

// Position of the first single-byte character `ch` (never a trail byte), or npos.
std::size_t FindChar(const std::string& text, char ch);

// Position of the last character among `chars` (single-byte characters only, never a trail
// byte), or npos. Paths are split with it (platform/paths.h).
std::size_t LastOfChars(const std::string& text, const std::string& chars);

// a-z become A-Z; double-byte characters stay whole even when a trail byte is a letter.
std::string UpperAscii(const std::string& text);

// True when the whole of `text` matches `pattern` the way LIKE matches, but by character: "%"
// stands for any run of characters (none included), "_" for exactly one character of one or two
// bytes, and every other character for itself. A match can thus never begin or end inside a
// double-byte character. There is no escape character.
bool MatchesLike(std::string_view text, std::string_view pattern);

// Cuts to at most `max_bytes` without splitting a double-byte character.
std::string CutBytes(const std::string& text, std::size_t max_bytes);

// The text without a last lead byte that has no second byte after it (half a character).
std::string WithoutDanglingLeadByte(const std::string& text);

// The longest head of `text` made of whole characters that fits in `max_bytes` bytes: CutBytes,
// and no lead byte left alone at the end either. For values that must fit a column or a fixed
// field (PNAME from the settings file, the folder and file names of a launch).
std::string CutToCharacters(const std::string& text, std::size_t max_bytes);

}  // namespace cp932
