// Stores launches in BOOTJWW so that none is lost: a number taken meanwhile by another PC is
// retried with a fresh number, and a launch that cannot be stored now (server unreachable, or
// the numbering race lost ten times over) is kept in memory and stored at a later tick, before
// that tick's new launches.
#pragma once

#include <cstddef>
#include <deque>

#include "db/DataModule.h"
#include "monitor/LaunchRecord.h"

namespace monitor {

class LaunchRegistrar {
 public:
  // Fresh numbers tried after the first insert was refused for a duplicate number.
  static constexpr int kNumberRetries = 10;

  explicit LaunchRegistrar(db::DataModule& data) : data_(data) {}

  // Starts a tick: the server is assumed reachable again until an insert finds otherwise.
  void BeginTick() { connection_lost_ = false; }

  // Stores the pending launches, oldest first. Stops at the first lost connection.
  void StorePending();

  // Stores one launch, or keeps it pending. Once the connection was found lost in this tick,
  // later launches go straight to the pending ones, behind those already waiting.
  void Register(const LaunchFacts& launch);

  const std::deque<LaunchFacts>& Pending() const { return pending_; }

 private:
  enum class Outcome { Stored, ConnectionLost, NumberTaken, Refused };
  Outcome Store(LaunchFacts& launch);
  // Whether the row of a launch whose earlier insert met a lost connection is in the table:
  // Stored when it is, ConnectionLost when the table cannot be asked.
  Outcome FindEarlierInsert(const LaunchFacts& launch, bool& found);

  db::DataModule& data_;
  std::deque<LaunchFacts> pending_;
  bool connection_lost_ = false;
};

}  // namespace monitor
