// The summary of a period's launches, counted by the server in one statement (SummaryLines) and
// read here into plain values for the summary window.
#pragma once

#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/Statements.h"

namespace db {

// What the summary groups the launches of a period by.
enum class SummaryGrouping { PNAME, N_FOLDER, FILE_NAME, BOOT_DATE, BOOT_MONTH };
// One statement for the period `from` to `to` ("yyyy/mm/dd" texts, both days included: the dates
// are texts of that form, so a text range is a period). Its rows: first the groups (part 0: key,
// launches, distinct drawings (expanded folder and file name), distinct users, first and last
// launch as "yyyy/mm/dd hh:mm:ss"), by launches descending and key; then the days (part 1:
// date, launches). Columns: part, key, launches, drawings, users, first, last. Grouped by
// BOOT_DATE the groups are the days: that statement has no part 1 and reads the period once (the
// reader takes the days from the groups). Otherwise a period of up to kOneScanSummaryDays days is
// read once for both parts; a longer one is read once for each (sorting every row twice costs
// more there than a second read).
constexpr long long kOneScanSummaryDays = 62;
std::vector<std::string> SummaryLines(SummaryGrouping grouping, const std::string& from,
                                      const std::string& to);

struct SummaryGroup {
  std::string key;  // the grouping's value; empty for NULL
  long long launches = 0;
  long long drawings = 0;  // distinct expanded folder and file name
  long long users = 0;     // distinct PC user names (NULL not counted)
  std::string first;       // "yyyy/mm/dd hh:mm:ss" of the earliest launch
  std::string last;
};

struct SummaryDay {
  std::string date;  // "yyyy/mm/dd"
  long long launches = 0;
};

struct Summary {
  std::vector<SummaryGroup> groups;  // by launches descending, then key
  std::vector<SummaryDay> days;      // the days with launches, ascending
  long long launches = 0;            // every launch of the period
};

// Sends the summary statement and reads its result to the end (db/RowReader.h, under the recovery
// rule; a missing table is not created: there is nothing to count). `summary` holds the result
// when Ready, and nothing otherwise. Throws DatabaseError when the server fails.
LaunchTableState ReadSummary(DataModule& data, SummaryGrouping grouping, const std::string& from,
                             const std::string& to, Summary& summary);

}  // namespace db
