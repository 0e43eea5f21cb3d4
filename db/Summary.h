// The summary of a period's launches, counted by the server in one statement (SummaryLines) and
// read here into plain values for the summary window.
#pragma once

#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/Statements.h"

namespace db {

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
