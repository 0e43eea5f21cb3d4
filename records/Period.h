// Calendar days as the launch table writes them ("yyyy/mm/dd"), for the summary window's period.
#pragma once

#include <optional>
#include <string>

namespace records {

struct Day {
  int year = 0, month = 0, day = 0;
  bool operator==(const Day& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
  bool operator<(const Day& other) const {
    if (year != other.year) return year < other.year;
    if (month != other.month) return month < other.month;
    return day < other.day;
  }
};

// "yyyy/mm/dd" exactly (ten characters, a real calendar day, years 1 to 9999); none otherwise.
std::optional<Day> ParseDay(const std::string& text);
std::string DayText(const Day& day);
int DaysInMonth(int year, int month);
Day FirstOfMonth(const Day& day);
Day LastOfMonth(const Day& day);
// The first day of the month `months` after (negative: before) the month of `day`.
Day MonthShifted(const Day& day, int months);
Day NextDay(const Day& day);
// Days from `from` to `to`, both counted; 0 when `to` is before `from`.
long long DaysBetween(const Day& from, const Day& to);

}  // namespace records
