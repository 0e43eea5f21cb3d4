#include "db/Summary.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "db/RowReader.h"

namespace db {

namespace {
long long Number(const RowReader& rows, int column) { return std::strtoll(rows.ValueText(column).c_str(), nullptr, 10); }
}  // namespace

LaunchTableState ReadSummary(DataModule& data, SummaryGrouping grouping, const std::string& from,
                             const std::string& to, Summary& summary) {
  std::map<std::string, long long> days;
  const LaunchTableState table = ReadRowsRecovering(
      data, SummaryLines(grouping, from, to),
      [&](RowReader& rows) {
        summary = Summary();  // a read after a recovery starts afresh
        days.clear();
        long long ordinal = 0;
        bool null_user = false;
        long long users = 0;
        auto finish_group = [&] {
          if (ordinal > 0) summary.groups.back().users = users - (null_user ? 1 : 0);
        };
        for (; !rows.Eof(); rows.Next()) {
          // One row per group and day, a group's days one after the other.
          const long long launches = Number(rows, 3);
          if (Number(rows, 0) != ordinal) {
            finish_group();
            ordinal = Number(rows, 0);
            SummaryGroup group;
            group.key = rows.ValueText(1);
            group.first = rows.ValueText(7);
            summary.groups.push_back(std::move(group));
            null_user = false;
            users = 0;
          }
          SummaryGroup& group = summary.groups.back();
          group.launches += launches;
          group.drawings = std::max(group.drawings, Number(rows, 4));
          users = std::max(users, Number(rows, 5));
          null_user = null_user || Number(rows, 6) != 0;
          group.first = std::min(group.first, rows.ValueText(7));
          group.last = std::max(group.last, rows.ValueText(8));
          days[rows.ValueText(2)] += launches;
          summary.launches += launches;
        }
        finish_group();
      },
      false);
  if (table != LaunchTableState::Ready) {
    summary = Summary();
    return table;
  }
  for (const auto& [date, launches] : days) summary.days.push_back({date, launches});
  return table;
}

}  // namespace db
