#include "records/Period.h"

#include <cstdio>

namespace records {

namespace {
bool Digits(const std::string& text, std::size_t from, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days since a fixed day, for differences (proleptic Gregorian calendar).
long long DayNumber(const Day& day) {
  long long y = day.year;
  const int m = day.month;
  if (m <= 2) --y;
  const long long era = y / 400;
  const long long year_of_era = y - era * 400;
  const long long day_of_year = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day.day - 1;
  const long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era;
}
}  // namespace

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<Day> ParseDay(const std::string& text) {
  if (text.size() != 10 || text[4] != '/' || text[7] != '/') return std::nullopt;
  Day day;
  if (!Digits(text, 0, 4, day.year) || !Digits(text, 5, 2, day.month) || !Digits(text, 8, 2, day.day)) {
    return std::nullopt;
  }
  if (day.year < 1 || day.day < 1 || day.day > DaysInMonth(day.year, day.month)) return std::nullopt;
  return day;
}

std::string DayText(const Day& day) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", day.year, day.month, day.day);
  return buffer;
}

Day FirstOfMonth(const Day& day) { return {day.year, day.month, 1}; }

Day LastOfMonth(const Day& day) { return {day.year, day.month, DaysInMonth(day.year, day.month)}; }

Day MonthShifted(const Day& day, int months) {
  int index = day.year * 12 + (day.month - 1) + months;
  if (index < 12) index = 12;                   // not before year 1
  if (index > 9999 * 12 + 11) index = 9999 * 12 + 11;  // nor after 9999
  return {index / 12, index % 12 + 1, 1};
}

Day NextDay(const Day& day) {
  if (day.day < DaysInMonth(day.year, day.month)) return {day.year, day.month, day.day + 1};
  if (day.month < 12) return {day.year, day.month + 1, 1};
  return {day.year + 1, 1, 1};
}

long long DaysBetween(const Day& from, const Day& to) {
  const long long days = DayNumber(to) - DayNumber(from) + 1;
  return days < 0 ? 0 : days;
}

}  // namespace records
