#include "db/Summary.h"

#include <algorithm>
#include <cstdlib>

namespace db {

namespace {
long long Number(const Query& query, int column) { return std::strtoll(query.ValueText(column).c_str(), nullptr, 10); }
}  // namespace

Summary ReadSummary(Query& query, SummaryGrouping grouping, const std::string& from, const std::string& to) {
  Summary summary;
  query.SetParamCheck(true);
  query.SetLines(SummaryLines(grouping, from, to));
  query.SetUniDirectional(true);
  query.Open();
  try {
    for (query.First(); !query.Eof(); query.Next()) {
      if (Number(query, 0) == 0) {
        SummaryGroup group;
        group.key = query.ValueText(1);
        group.launches = Number(query, 2);
        group.drawings = Number(query, 3);
        group.users = Number(query, 4);
        group.first = query.ValueText(5);
        group.last = query.ValueText(6);
        summary.groups.push_back(std::move(group));
      } else {
        summary.days.push_back({query.ValueText(1), Number(query, 2)});
        summary.launches += summary.days.back().launches;
      }
    }
  } catch (...) {
    query.Close();
    throw;
  }
  query.Close();
  std::sort(summary.days.begin(), summary.days.end(),
            [](const SummaryDay& a, const SummaryDay& b) { return a.date < b.date; });
  return summary;
}

}  // namespace db
