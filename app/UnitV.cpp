#include "app/UnitV.h"

#include "platform/cp932.h"

#include <cmath>
#include <cstdlib>

std::string ServerName;
std::string ServerFolder;
std::string DatabaseName;
std::string PcUserName;
int32_t CheckInterval = 10;
std::string AccountUser;
std::string AccountPassword;

void ResetSettingsToDefaults() {
  ServerName = "localhost:";
  ServerFolder.clear();
  DatabaseName = "JWWDB.FDB";
  PcUserName = "PCユーザー名";
  CheckInterval = 10;
  AccountUser.clear();
  AccountPassword.clear();
}

std::string DatabasePath() { return ServerName + ServerFolder + DatabaseName; }

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Every double, and every midpoint between two neighbouring doubles, is written exactly with at
// most 767 significant digits; a text cut after more digits than that, with a 1 standing for any
// nonzero digits left out, lies between the same two midpoints and so rounds the same way.
constexpr std::size_t kKeptDigits = 800;
// A written exponent is counted no further than this: far outside the double range, yet far from
// wrapping when the digits' own scale is added.
constexpr long long kExponentBound = 1000000000000000LL;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t StrToIntZero(const std::string& text) {
  if (text.empty()) return 0;
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  bool hex = false;
  if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
    hex = true;
    pos += 1;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }
  if (pos >= text.size()) return 0;  // a sign or a prefix alone

  if (hex) {
    uint32_t value = 0;
    int significant = 0;
    for (; pos < text.size(); ++pos) {
      int digit = HexValue(text[pos]);
      if (digit < 0) return 0;
      if (significant > 0 || digit != 0) ++significant;
      if (significant > 8) return 0;
      value = (value << 4) | uint32_t(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }

  int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDigit(text[pos])) return 0;
    value = value * 10 + (text[pos] - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > 2147483647LL || value < -2147483648LL) return 0;
  return static_cast<int32_t>(value);
}

double StrToFloatZero(const std::string& text) {
  if (text.empty()) return 0;
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos >= text.size()) return 0;

  // The value is kept exactly as significant digits times a power of ten and rounded once, by
  // the C library's strtod, which rounds correctly. Summing digits in a floating type instead
  // rounds at every step and overflows for long texts ("0." and 5 000 ones).
  std::string digits;      // significant digits, no leading zeros, at most kKeptDigits
  long long scale = 0;     // power of ten of the last digit in `digits`
  bool dropped = false;    // a nonzero digit beyond kKeptDigits was left out
  bool any_digit = false;
  auto take = [&](char digit, bool fraction) {
    any_digit = true;
    if (digits.empty() && digit == '0') {
      if (fraction) --scale;
    } else if (digits.size() < kKeptDigits) {
      digits += digit;
      if (fraction) --scale;
    } else {
      if (digit != '0') dropped = true;
      if (!fraction) ++scale;
    }
  };
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) take(text[pos], false);
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) take(text[pos], true);
  }
  if (!any_digit) return 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool exponent_negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      exponent_negative = text[pos] == '-';
      ++pos;
    }
    if (pos >= text.size() || !IsDigit(text[pos])) return 0;
    long long written = 0;  // held at a bound far beyond any double, so it cannot wrap
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
      if (written < kExponentBound) written = written * 10 + (text[pos] - '0');
    }
    scale += exponent_negative ? -written : written;
  }
  if (pos != text.size()) return 0;

  if (digits.empty()) return negative ? -0.0 : 0.0;
  if (dropped) {  // stands for the left-out digits: below the next kept digit, above zero
    digits += '1';
    --scale;
  }
  // The value lies in [10^(top - 1), 10^top).
  const long long top = scale + static_cast<long long>(digits.size());
  if (top > 310) throw FloatOverflowError();
  if (top < -330) return negative ? -0.0 : 0.0;  // below half the smallest denormal
  // Digits and exponent only: no decimal point, which strtod would take from the locale.
  const std::string exact = digits + "e" + std::to_string(scale);
  // Overflow is judged after rounding to the nearest double: a text just above the largest
  // double that rounds down to it is that double, not an error.
  double result = std::strtod(exact.c_str(), nullptr);
  if (std::isinf(result)) throw FloatOverflowError();
  return negative ? -result : result;
}

std::string SanitizeText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    unsigned char byte = static_cast<unsigned char>(text[pos]);
    if ((byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFD)) {
      if (pos + 1 < text.size()) {
        result += text[pos];
        result += text[pos + 1];
        ++pos;
      }
      continue;
    }
    if (byte == 0x27 || byte == 0x22 || byte < 0x20) continue;
    result += text[pos];
  }
  return result;
}

bool IsBlankText(const std::string& text) {
  for (unsigned char byte : text) {
    if (byte > 0x20) return false;
  }
  return true;
}

bool ContainsQuote(const std::string& text) {
  return cp932::FindChar(text, '\'') != std::string::npos || cp932::FindChar(text, '"') != std::string::npos;
}
