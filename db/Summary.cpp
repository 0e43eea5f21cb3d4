#include "db/Summary.h"

#include <algorithm>
#include <cstdlib>

#include "db/RowReader.h"

namespace db {

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
