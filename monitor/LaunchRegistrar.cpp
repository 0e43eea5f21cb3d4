#include "monitor/LaunchRegistrar.h"

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace monitor {

namespace {

// The row of `launch`: the PC user, the drawing's path and file facts, the tick that saw it and,
// when given, its number (the facts alone also match a twin stored in the same tick).
std::string LaunchCondition(const LaunchFacts& launch, int32_t number) {
  return db::LaunchLookupCondition(number, LaunchValues(0, launch));
}

}  // namespace

LaunchRegistrar::Outcome LaunchRegistrar::FindEarlierInsert(const LaunchFacts& launch, bool& found) {
  int count = data_.CountRows(db::kLaunchTableName, LaunchCondition(launch, launch.attempted_number));
  if (count < 0) return Outcome::ConnectionLost;
  found = count > 0;
  return Outcome::Stored;
}

LaunchRegistrar::Outcome LaunchRegistrar::Store(LaunchFacts& launch) {
  if (launch.maybe_stored) {
    bool found = false;
    if (FindEarlierInsert(launch, found) == Outcome::ConnectionLost) return Outcome::ConnectionLost;
    if (found) return Outcome::Stored;
    launch.maybe_stored = false;
    launch.attempted_number = 0;
  }
  for (int attempt = 0; attempt <= kNumberRetries; ++attempt) {
    std::string highest = data_.SelectHighestNumber(db::kLaunchTableName);
    // Without a connection the empty answer does not mean an empty table: numbering from 1
    // could then reuse a deleted low number once the insert reattaches.
    if (highest.empty() && !data_.Connected()) return Outcome::ConnectionLost;
    int32_t number = StrToIntZero(highest) + 1;
    if (data_.InsertRow(db::kLaunchTableName, db::kLaunchColumnCount, db::LaunchColumnNames(), LaunchValues(number, launch))) {
      return Outcome::Stored;
    }
    switch (data_.LastFailure()) {
      case db::FailureKind::Duplicate:
        // Another PC stored this number meanwhile: take the next free one. When two PCs race
        // for a number, the server (Firebird 3.0.11, measured with eight registrants) now and
        // then keeps the row of an insert it refused as a duplicate; that row is taken back
        // first, so the launch is neither stored twice nor left under a doubled number.
        data_.DeleteRows(db::kLaunchTableName, LaunchCondition(launch, number));
        continue;
      case db::FailureKind::Connection:
        launch.maybe_stored = true;
        launch.attempted_number = number;
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

void LaunchRegistrar::Register(const LaunchFacts& facts) {
  if (connection_lost_) {
    pending_.push_back(facts);
    return;
  }
  LaunchFacts launch = facts;
  Outcome outcome = Store(launch);
  if (outcome == Outcome::ConnectionLost) connection_lost_ = true;
  if (outcome != Outcome::Stored) pending_.push_back(launch);
}

}  // namespace monitor
