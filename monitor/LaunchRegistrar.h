// Stores launches in BOOTJWW so that none is lost: a number taken meanwhile by another PC is
// retried with a fresh number, and a launch that cannot be stored now (server unreachable, or
// the numbering race lost ten times over) is kept and stored at a later tick, before that tick's
// new launches. With a journal, the launches kept also wait in the journal file, so that they
// outlive the end of the program, and one the server keeps refusing is set aside in the
// rejected file instead of being retried forever.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRecord.h"

namespace monitor {

class LaunchRegistrar {
 public:
  // Fresh numbers tried after the first insert was refused for a duplicate number.
  static constexpr int kNumberRetries = 10;
  // Ticks that try a launch again after the server first refused it for another reason (neither
  // a taken number nor a lost connection); refused once more, it is set aside.
  static constexpr int kRefusedRetries = 3;

  explicit LaunchRegistrar(db::DataModule& data) : data_(data) {}
  ~LaunchRegistrar();
  LaunchRegistrar(const LaunchRegistrar&) = delete;
  LaunchRegistrar& operator=(const LaunchRegistrar&) = delete;

  // Keep the launches waiting in `journal` too (nullptr: in memory only). The journal's own
  // launches join the waiting ones at the next tick that can take the journal.
  void UseJournal(LaunchJournal* journal);

  // Starts a tick: the server is assumed reachable again until an insert finds otherwise. When
  // a journal is in use and holds launches, or launches wait, the journal is taken (waiting up
  // to `lock_wait_ms` for another copy of the program to let go of it) and its launches are
  // lined up first, in their order.
  void BeginTick(int lock_wait_ms = 0);

  // Stores the pending launches, oldest first. Stops at the first lost connection.
  void StorePending();

  // Stores one launch, or keeps it pending. Once the connection was found lost in this tick,
  // later launches go straight to the pending ones, behind those already waiting.
  void Register(const LaunchFacts& launch);

  // Ends the tick: the journal is brought up to date with the launches still waiting and let go.
  void EndTick(int lock_wait_ms = 0);

  const std::deque<LaunchFacts>& Pending() const { return pending_; }
  // The last tick (or catch-up) could not reach the server.
  bool ServerUnreachable() const { return connection_lost_; }
  // Launches stored since the start.
  long StoredCount() const { return stored_count_; }
  // Inserts refused for a number stored meanwhile by another PC, since the start.
  long NumberConflicts() const { return number_conflicts_; }

 private:
  enum class Outcome { Stored, ConnectionLost, NumberTaken, Refused };
  Outcome Store(LaunchFacts& launch);
  // Whether the row of a launch whose earlier insert met a lost connection is in the table:
  // Stored when the table answered (`found` tells), ConnectionLost when it cannot be asked, and
  // Refused when the server refuses the question (the launch is then stored again rather than
  // held back for good).
  Outcome FindEarlierInsert(const LaunchFacts& launch, bool& found);
  // Stores one launch, sets it aside when refused once too often, or keeps it (appended to
  // pending_).
  void Settle(LaunchFacts launch);
  // Takes the journal and lines its launches up before the ones only this copy knows.
  void TakeJournal(int lock_wait_ms);
  // Makes the held journal list exactly `waiting` (written only when it differs); false when
  // that failed and the file still lists what it did.
  bool SaveJournal(const std::vector<LaunchFacts>& waiting);

  db::DataModule& data_;
  std::deque<LaunchFacts> pending_;
  bool connection_lost_ = false;
  long number_conflicts_ = 0;
  long stored_count_ = 0;

  LaunchJournal* journal_ = nullptr;
  // The launch lines of the journal file as last read or written while held.
  std::vector<std::string> journal_lines_;
  bool journal_tidy_ = true;
  // Lines of launches this copy stored or set aside while the journal file still lists them (its
  // rewrite failed): they are taken out, not stored again, when the journal is next read.
  std::vector<std::string> settled_lines_;
  // Launches of the journal stored since it was last written, for a write every so often.
  int settled_since_write_ = 0;
};

}  // namespace monitor
