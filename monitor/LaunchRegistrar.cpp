#include "monitor/LaunchRegistrar.h"

#include "app/UnitV.h"

namespace monitor {

LaunchRegistrar::Outcome LaunchRegistrar::Store(const LaunchFacts& launch) {
  for (int attempt = 0; attempt <= kNumberRetries; ++attempt) {
    std::string highest = data_.SelectHighestNumber(kLaunchTableName);
    // Without a connection the empty answer does not mean an empty table: numbering from 1
    // could then reuse a deleted low number once the insert reattaches.
    if (highest.empty() && !data_.Connected()) return Outcome::ConnectionLost;
    int32_t number = StrToIntZero(highest) + 1;
    if (data_.InsertRow(kLaunchTableName, 10, LaunchColumnNames(), LaunchValues(number, launch))) {
      return Outcome::Stored;
    }
    switch (data_.LastFailure()) {
      case db::FailureKind::Duplicate:
        continue;  // another PC stored this number meanwhile: take the next free one
      case db::FailureKind::Connection:
        return Outcome::ConnectionLost;
      default:
        return Outcome::Refused;
    }
  }
  return Outcome::NumberTaken;
}

void LaunchRegistrar::StorePending() {
  std::deque<LaunchFacts> waiting;
  waiting.swap(pending_);
  while (!waiting.empty()) {
    if (connection_lost_) {
      pending_.push_back(std::move(waiting.front()));
    } else {
      Outcome outcome = Store(waiting.front());
      if (outcome == Outcome::ConnectionLost) connection_lost_ = true;
      if (outcome != Outcome::Stored) pending_.push_back(std::move(waiting.front()));
    }
    waiting.pop_front();
  }
}

void LaunchRegistrar::Register(const LaunchFacts& launch) {
  if (connection_lost_) {
    pending_.push_back(launch);
    return;
  }
  Outcome outcome = Store(launch);
  if (outcome == Outcome::ConnectionLost) connection_lost_ = true;
  if (outcome != Outcome::Stored) pending_.push_back(launch);
}

}  // namespace monitor
