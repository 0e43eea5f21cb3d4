#include "db/Summary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "db/LaunchTable.h"
#include "db/RowReader.h"

namespace db {

namespace {
// The days from `from` to `to` ("yyyy/mm/dd", both included); a large number for texts of
// another form.
long long PeriodDays(const std::string& from, const std::string& to) {
  auto day_number = [](const std::string& text, long long& days) {
    int year = 0, month = 0, day = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d/%2d/%2d%c", &year, &month, &day, &end) != 3) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    // Days since a fixed origin (the proleptic Gregorian calendar, March-based years).
    const int y = year - (month <= 2 ? 1 : 0);
    const int m = month <= 2 ? month + 9 : month - 3;
    days = 365LL * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day;
    return true;
  };
  long long first = 0, last = 0;
  if (!day_number(from, first) || !day_number(to, last)) return 1LL << 40;
  return last - first + 1;
}

std::string SummaryKey(SummaryGrouping grouping) {
  switch (grouping) {
    case SummaryGrouping::PNAME: return LaunchColumnName(LaunchColumn::PNAME);
    case SummaryGrouping::N_FOLDER: return LaunchColumnName(LaunchColumn::N_FOLDER);
    case SummaryGrouping::FILE_NAME: return LaunchColumnName(LaunchColumn::FILE_NAME);
    case SummaryGrouping::BOOT_DATE: return LaunchColumnName(LaunchColumn::BOOT_DATE);
    case SummaryGrouping::BOOT_MONTH:
      return std::string("SUBSTRING(") + LaunchColumnName(LaunchColumn::BOOT_DATE) + " FROM 1 FOR 7)";
  }
  return LaunchColumnName(LaunchColumn::PNAME);
}
}  // namespace

std::vector<std::string> SummaryLines(SummaryGrouping grouping, const std::string& from,
                                      const std::string& to) {
  const std::string key = SummaryKey(grouping);
  const std::string date = LaunchColumnName(LaunchColumn::BOOT_DATE);
  const std::string time = LaunchColumnName(LaunchColumn::BOOT_TIME);
  const std::string folder = LaunchColumnName(LaunchColumn::N_FOLDER);
  const std::string file = LaunchColumnName(LaunchColumn::FILE_NAME);
  const std::string user = LaunchColumnName(LaunchColumn::PNAME);
  const std::string period = "  WHERE " + date + " BETWEEN " + QuoteLiteral(from) + " AND " + QuoteLiteral(to);
  // A launch's moment sorts as text: the date, then the time (a launch without a time counts by
  // its date). A drawing is its folder and file name; a tab can be in neither (nor a second byte),
  // so the pair joined with one is the pair.
  const std::string moment = date + " || COALESCE(' ' || " + time + ", '')";
  const std::string drawing = "COALESCE(" + folder + ", '') || ASCII_CHAR(9) || COALESCE(" + file + ", '')";
  // The groups alone, from their own read of the period.
  std::vector<std::string> lines = {
      "SELECT 0, " + key + ", COUNT(*), COUNT(DISTINCT " + drawing + "),",
      "  COUNT(DISTINCT " + user + "), MIN(" + moment + "), MAX(" + moment + ")",
      std::string("  FROM ") + kLaunchTableName,
      period,
      "  GROUP BY " + key,
  };
  if (grouping == SummaryGrouping::BOOT_DATE) {
    // Grouped by the day, the groups are the days: the period is read once.
  } else if (PeriodDays(from, to) <= kOneScanSummaryDays) {
    // A short period is a small part of the table: reading the table once matters more than
    // sorting its rows twice. Each row of the period counts once in its group (part 0) and once
    // in its day (part 1), from one scan.
    const std::string part = "P.PART";
    auto of_group = [&](const std::string& value) { return "CASE " + part + " WHEN 0 THEN " + value + " END"; };
    lines = {
        "SELECT " + part + ", CASE " + part + " WHEN 0 THEN " + key + " ELSE " + date + " END, COUNT(*),",
        "  COUNT(DISTINCT " + of_group(drawing) + "), COUNT(DISTINCT " + of_group(user) + "),",
        "  COALESCE(MIN(" + of_group(moment) + "), ''), COALESCE(MAX(" + of_group(moment) + "), '')",
        // The table first, so that it is the outer stream of the join and read once.
        std::string("  FROM ") + kLaunchTableName + " LEFT JOIN",
        "  (SELECT 0 AS PART FROM RDB$DATABASE UNION ALL SELECT 1 FROM RDB$DATABASE) P ON 1 = 1",
        period,
        "  GROUP BY 1, 2",
    };
  } else {
    // A long period: two GROUP BYs sort fewer rows than one over every row twice.
    const std::vector<std::string> days = {
        "UNION ALL",
        "SELECT 1, " + date + ", COUNT(*), 0, 0, '', ''",
        std::string("  FROM ") + kLaunchTableName,
        period,
        "  GROUP BY " + date,
    };
    lines.insert(lines.end(), days.begin(), days.end());
  }
  lines.push_back("  ORDER BY 1, 3 DESC, 2;");
  return lines;
}

namespace {
long long Number(const RowReader& rows, int column) { return std::strtoll(rows.ValueText(column).c_str(), nullptr, 10); }
}  // namespace

LaunchTableState ReadSummary(DataModule& data, SummaryGrouping grouping, const std::string& from,
                             const std::string& to, Summary& summary) {
  const LaunchTableState table = ReadRowsRecovering(
      data, SummaryLines(grouping, from, to),
      [&](RowReader& rows) {
        summary = Summary();  // a read after a recovery starts afresh
        for (; !rows.Eof(); rows.Next()) {
          if (Number(rows, 0) == 0) {
            SummaryGroup group;
            group.key = rows.ValueText(1);
            group.launches = Number(rows, 2);
            group.drawings = Number(rows, 3);
            group.users = Number(rows, 4);
            group.first = rows.ValueText(5);
            group.last = rows.ValueText(6);
            summary.groups.push_back(std::move(group));
          } else {
            summary.days.push_back({rows.ValueText(1), Number(rows, 2)});
          }
        }
        if (grouping == SummaryGrouping::BOOT_DATE) {
          for (const SummaryGroup& group : summary.groups) summary.days.push_back({group.key, group.launches});
        }
        for (const SummaryDay& day : summary.days) summary.launches += day.launches;
      },
      false);
  if (table != LaunchTableState::Ready) {
    summary = Summary();
    return table;
  }
  std::sort(summary.days.begin(), summary.days.end(),
            [](const SummaryDay& a, const SummaryDay& b) { return a.date < b.date; });
  return table;
}

}  // namespace db
