// Stores launches in BOOTJWW so that each is stored exactly once: a number taken meanwhile by
// another PC is retried with a fresh number, and a launch that cannot be stored now (server
// unreachable, numbers held by another PC's unfinished work) is kept and stored at a later tick,
// before that tick's new launches. With journals, the launches kept also wait in a journal file,
// so that they outlive the end of the program; one the server keeps refusing is set aside in the
// rejected file instead of being retried forever.
//
// A journal launch is stored in three steps, each leaving a trace that outlives a crash: the
// insert's number and transaction are appended before it is sent, and its stored line after the
// commit. A copy that finds an insert announced but no stored line asks the table whether the
// row landed, so no launch is stored twice and none is lost, wherever the program was ended.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "monitor/LaunchJournal.h"
#include "monitor/LaunchRecord.h"

namespace monitor {

// What the check window tells the user once about launches moved aside.
struct RegistrarNotices {
  int unreadable_lines = 0;  // journal lines moved to the rejected file
  int number_limit = 0;      // launches set aside: the highest number is the last one N can hold
};

class LaunchRegistrar {
 public:
  // Fresh numbers tried after the first insert was refused for a duplicate or held number.
  static constexpr int kNumberRetries = 10;
  // Ticks that try a launch again after the server first refused it for another reason (neither
  // a taken number nor a lost connection); refused once more, it is set aside.
  static constexpr int kRefusedRetries = 3;
  static constexpr const char* kNumberLimitText = "登録番号が上限に達しました";

  explicit LaunchRegistrar(db::DataModule& data) : data_(data) {}
  ~LaunchRegistrar();
  LaunchRegistrar(const LaunchRegistrar&) = delete;
  LaunchRegistrar& operator=(const LaunchRegistrar&) = delete;

  // Keep the launches waiting in `journal` too (nullptr: in memory only). The journal's own
  // launches join the waiting ones at the next tick that can take the journal.
  void UseJournal(LaunchJournal* journal);
  // The same with places tried in order: a launch that the first cannot keep (a full disk, a
  // folder without write permission) goes to the next. Every place's launches are stored.
  void UseJournals(const std::vector<LaunchJournal*>& places);
  // Lets go of the launches waiting: those a journal lists wait there for a copy that uses it,
  // the others are lost (for a change of database, whose launches are never stored in another).
  void ForgetPending() {
    EndTick();
    pending_.clear();
  }

  // Starts a tick: the server is assumed reachable again until an insert finds otherwise. When
  // journals are in use and hold launches, or launches wait, they are taken (waiting up to
  // `lock_wait_ms` for another copy of the program to let go of them) and their launches are
  // lined up first, in their order.
  void BeginTick(int lock_wait_ms = 0);
  // The tick could not reach the server: every launch of it waits, nothing is tried.
  void MarkUnreachable() { connection_lost_ = true; }

  // Stores the pending launches, oldest first. Stops at the first lost connection, and after the
  // batch in flight once RequestStop() was called (the rest keep waiting). Journal launches go in
  // batches of up to BatchSize(): announced with one flush of the journal and stored in one
  // transaction; a batch the server refuses goes one launch at a time.
  void StorePending();
  // Runs each batch's (and each launch's) server work and journal lines of StorePending: the
  // program hands it to the long-call worker so that its windows answer throughout a long
  // catch-up; unset, it runs here. The work touches nothing but the database and the journal.
  using ServerWork = std::function<void(const std::function<void()>&)>;
  void SetServerWorkRunner(ServerWork run) { run_ = std::move(run); }
  // Asked while StorePending runs (by a handler that ran between two batches): it ends after the
  // batch in flight.
  void RequestStop() { stop_requested_ = true; }
  // StorePending runs (the caller is inside it, or a handler it let run).
  bool Storing() const { return storing_; }
  // At most `size` launches a batch (1: each launch on its own).
  void SetBatchSize(std::size_t size) { batch_size_ = size == 0 ? 1 : size; }
  std::size_t BatchSize() const { return batch_size_; }
  static constexpr std::size_t kDefaultBatchSize = 200;

  // Stores one launch, or keeps it pending. Once the connection was found lost in this tick,
  // later launches go straight to the pending ones, behind those already waiting.
  void Register(const db::Launch& facts);
  // The same for a launch tried before: what is known about its inserts (one may have landed)
  // and its refusals goes with it.
  void Register(const PendingLaunch& launch);

  // Ends the tick: launches that wait and no journal lists yet are appended to one, a journal
  // with nothing left waiting is removed, and the journals are let go.
  void EndTick(int lock_wait_ms = 0);

  const std::deque<PendingLaunch>& Pending() const { return pending_; }
  // Waiting launches that no journal could keep: lost if the program ends now (none without
  // journals: then launches are kept in memory by choice).
  std::size_t Unsaved() const;
  // The last tick (or catch-up) could not reach the server.
  bool ServerUnreachable() const { return connection_lost_; }
  // Launches stored since the start.
  long StoredCount() const { return stored_count_; }
  // Inserts refused for a number stored or held meanwhile by another PC, since the start.
  long NumberConflicts() const { return number_conflicts_; }
  // What happened since the last call that the user should hear of once.
  RegistrarNotices TakeNotices();
  // A journal holding launches that the last tick found it could not change (its "=" lines could
  // not be appended): its launches are left where they are, never stored from it; empty: none.
  const std::string& UnchangeableJournal() const { return unchangeable_; }

 private:
  enum class Outcome { Stored, ConnectionLost, NumberTaken, NumberLimit, Refused, Undecided };
  struct Place {
    LaunchJournal* journal = nullptr;
    // Launch lines this copy stored or set aside while their stored line could not be appended:
    // they are taken out, not stored again, when the journal is next read.
    std::vector<std::string> settled_lines;
  };

  // `conflicts`: inserts refused for a number taken meanwhile.
  Outcome Store(PendingLaunch& launch, long& conflicts);
  void RunServerWork(const std::function<void()>& work);
  // Whether the launch may join a batch: a journal launch of the held journal `place`, never
  // tried before.
  bool Batchable(const PendingLaunch& launch, int place) const;
  // Stores the batch as one; false when the server refused it for another reason than a lost
  // connection (the launches are then to be stored one at a time).
  bool StoreBatch(std::vector<PendingLaunch>& batch);
  // Stores one launch, sets it aside when refused once too often, or keeps it (appended to
  // pending_).
  void Settle(PendingLaunch launch);
  // The launch is done with: its journal line, if any, is marked stored.
  void MarkSettled(const PendingLaunch& launch, const std::string& listed_as);
  bool SetAside(const PendingLaunch& launch, const std::string& reason);
  LaunchJournal* HeldJournalOf(const PendingLaunch& launch) const;
  // Takes the journals and lines their launches up before the ones only this copy knows.
  void TakeJournals(int lock_wait_ms);
  bool TakeJournal(std::size_t place, int lock_wait_ms, std::deque<PendingLaunch>& lined_up);
  // Appends the waiting launches no journal lists yet to the first place that takes them.
  void JournalUnwritten();

  db::DataModule& data_;
  std::deque<PendingLaunch> pending_;
  bool connection_lost_ = false;
  long number_conflicts_ = 0;
  long stored_count_ = 0;
  RegistrarNotices notices_;
  std::vector<Place> places_;
  std::string unchangeable_;
  std::size_t batch_size_ = kDefaultBatchSize;
  ServerWork run_;
  bool storing_ = false;
  bool stop_requested_ = false;
};

}  // namespace monitor
