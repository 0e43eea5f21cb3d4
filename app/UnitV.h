// Program-wide settings and the small text conversions everybody shares.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Settings variables (one copy each for the whole run). Texts are Shift-JIS bytes.
extern std::string ServerName;    // "localhost:"
extern std::string ServerFolder;  // empty until the user sets it
extern std::string DatabaseName;  // "JWWDB.FDB"
extern std::string PcUserName;    // "PCユーザー名"
extern int32_t CheckInterval;     // seconds, 10
// The account the connection uses (the settings dialog's 接続アカウント): an empty user is the
// program's fixed account. The password is held here only in memory; on disk it is kept
// protected for the Windows user (app/Account.h), never as it is typed.
extern std::string AccountUser;
extern std::string AccountPassword;

// Puts the variables back to their defaults (the fixed account, no password).
void ResetSettingsToDefaults();

// The database path: the three location settings joined with nothing between them.
std::string DatabasePath();

// Raised by StrToFloatZero for a value beyond the double range; the only failure of the three.
class FloatOverflowError : public std::runtime_error {
 public:
  FloatOverflowError() : std::runtime_error("浮動小数点演算でオーバーフローしました") {}
};

int32_t StrToIntZero(const std::string& text);
double StrToFloatZero(const std::string& text);  // throws FloatOverflowError
std::string SanitizeText(const std::string& text);

// Nothing but spaces and control bytes (up to 0x20); a full-width space is content.
bool IsBlankText(const std::string& text);
// An apostrophe or a double quote of its own (never the second byte of a double-byte character).
bool ContainsQuote(const std::string& text);
