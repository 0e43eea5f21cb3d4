#include "monitor/LaunchRegistrar.h"

#include <map>
#include <utility>

namespace monitor {

namespace {

// Journals that list more stored launches than this (and many more than wait) are written anew
// when taken, so that a long outage's journal does not grow without end.
constexpr long long kCompactAfterStored = 4096;

}  // namespace

LaunchRegistrar::~LaunchRegistrar() { EndTick(); }

void LaunchRegistrar::UseJournal(LaunchJournal* journal) {
  UseJournals(journal == nullptr ? std::vector<LaunchJournal*>() : std::vector<LaunchJournal*>{journal});
}

void LaunchRegistrar::UseJournals(const std::vector<LaunchJournal*>& places) {
  std::vector<LaunchJournal*> now;
  for (const Place& place : places_) now.push_back(place.journal);
  if (now == places) return;
  EndTick();
  places_.clear();
  for (LaunchJournal* journal : places) places_.push_back(Place{journal, {}});
  // Whatever waits now was never written to these journals.
  for (PendingLaunch& launch : pending_) {
    launch.journal_place = -1;
    launch.journal_index = -1;
  }
}

LaunchJournal* LaunchRegistrar::HeldJournalOf(const PendingLaunch& launch) const {
  if (launch.journal_place < 0 || launch.journal_place >= static_cast<int>(places_.size())) return nullptr;
  LaunchJournal* journal = places_[launch.journal_place].journal;
  return journal->Locked() ? journal : nullptr;
}

std::size_t LaunchRegistrar::Unsaved() const {
  std::size_t count = 0;
  if (places_.empty()) return count;  // kept in memory by choice
  for (const PendingLaunch& launch : pending_) count += launch.Journalled() ? 0 : 1;
  return count;
}

RegistrarNotices LaunchRegistrar::TakeNotices() {
  RegistrarNotices notices = notices_;
  notices_ = RegistrarNotices();
  return notices;
}

void LaunchRegistrar::RunServerWork(const std::function<void()>& work) {
  if (run_) {
    run_(work);
  } else {
    work();
  }
}

LaunchRegistrar::Outcome LaunchRegistrar::Store(PendingLaunch& launch, long& conflicts) {
  if (launch.maybe_stored) {
    // Whether the row of the insert whose answer was lost is in the table. A launch the table
    // cannot be asked about waits; it is never stored again blindly.
    switch (data_.FindEarlierInsert(launch.facts, {launch.attempted_number, launch.attempted_transaction})) {
      case db::DataModule::EarlierInsert::Landed:
        return Outcome::Stored;
      case db::DataModule::EarlierInsert::Unanswered:
        return data_.Connected() ? Outcome::Undecided : Outcome::ConnectionLost;
      case db::DataModule::EarlierInsert::Absent:
        break;
    }
    launch.maybe_stored = false;
    launch.attempted_number = 0;
    launch.attempted_transaction = 0;
  }
  LaunchJournal* journal = HeldJournalOf(launch);
  long long lowest = 0;
  bool held = false;  // the last try met a number held by another PC's unfinished work
  for (int attempt = 0; attempt <= kNumberRetries; ++attempt) {
    db::DataModule::NumberedAttempt tried;
    bool announced = false;
    const bool stored = data_.StoreLaunch(
        launch.facts, lowest, tried, [&](const db::DataModule::NumberedAttempt& about) {
          // Announced before it is sent: after a crash the row is looked for, never stored again.
          // A journal that takes no line gets no insert it could not tell about.
          if (journal != nullptr && !journal->AppendAttempt(launch.journal_index, about.number, about.transaction)) {
            throw db::DatabaseError("the journal took no line about the insert");
          }
          announced = true;
        },
        held);
    if (stored) return Outcome::Stored;
    held = false;
    switch (data_.LastFailure()) {
      case db::FailureKind::Duplicate:
      case db::FailureKind::Conflict:
        // The number is taken: stored by another PC meanwhile, or held by another PC's unfinished
        // work (an import), which no snapshot sees and which the server reports alike. The next
        // number is tried straight away: reading the highest again would read past every held
        // row, and waiting for them would keep this PC's window from answering. A row stored
        // meanwhile is left alone, whatever facts it carries: two PCs under the same user name
        // can see the same drawing in the same second.
        ++conflicts;
        lowest = tried.number + 1;
        held = true;
        continue;
      case db::FailureKind::Connection:
        // The commit may have reached the server before the connection broke. An insert never
        // sent wrote nothing.
        if (announced) {
          launch.maybe_stored = true;
          launch.attempted_number = static_cast<int32_t>(tried.number);
          launch.attempted_transaction = tried.transaction;
        }
        return Outcome::ConnectionLost;
      case db::FailureKind::NumberLimit:
        return Outcome::NumberLimit;
      default:
        launch.refusal_text = data_.LastErrorText();
        return Outcome::Refused;
    }
  }
  return Outcome::NumberTaken;
}

bool LaunchRegistrar::SetAside(const PendingLaunch& launch, const std::string& reason) {
  if (LaunchJournal* journal = HeldJournalOf(launch)) return journal->AddRejected(launch, reason);
  for (const Place& place : places_) {
    if (place.journal->Locked() && place.journal->AddRejected(launch, reason)) return true;
  }
  // A launch of this tick, with no journal taken: the rejected file is taken just for it.
  for (const Place& place : places_) {
    if (place.journal->Locked() || !place.journal->Lock(0)) continue;
    const bool added = place.journal->AddRejected(launch, reason);
    place.journal->Unlock();
    if (added) return true;
  }
  return false;
}

void LaunchRegistrar::MarkSettled(const PendingLaunch& launch, const std::string& listed_as) {
  LaunchJournal* journal = HeldJournalOf(launch);
  if (journal == nullptr) return;
  if (!journal->AppendStored(launch.journal_index)) places_[launch.journal_place].settled_lines.push_back(listed_as);
}

void LaunchRegistrar::Settle(PendingLaunch launch) {
  const std::string listed_as = launch.Journalled() ? ListedLine(launch) : std::string();
  Outcome outcome = Outcome::Undecided;
  long conflicts = 0;
  RunServerWork([&] { outcome = Store(launch, conflicts); });
  number_conflicts_ += conflicts;
  switch (outcome) {
    case Outcome::Stored:
      ++stored_count_;
      MarkSettled(launch, listed_as);
      return;
    case Outcome::ConnectionLost:
      connection_lost_ = true;
      break;
    case Outcome::NumberLimit:
      // No number is left above the highest: waiting would not change that.
      if (SetAside(launch, kNumberLimitText)) {
        ++notices_.number_limit;
        MarkSettled(launch, listed_as);
        return;
      }
      break;
    case Outcome::Refused:
      // Retrying a launch the server refuses for good would only repeat the refusal at every
      // tick; set aside with the server's reason, it can be imported once the cause is fixed.
      ++launch.refusals;
      if (launch.refusals > kRefusedRetries && SetAside(launch, launch.refusal_text)) {
        MarkSettled(launch, listed_as);
        return;
      }
      break;
    case Outcome::NumberTaken:
    case Outcome::Undecided:
      break;
  }
  pending_.push_back(std::move(launch));
}

bool LaunchRegistrar::Batchable(const PendingLaunch& launch, int place) const {
  return launch.Journalled() && launch.journal_place == place && !launch.maybe_stored && launch.refusals == 0 &&
         HeldJournalOf(launch) != nullptr;
}

bool LaunchRegistrar::StoreBatch(std::vector<PendingLaunch>& batch) {
  LaunchJournal& journal = *HeldJournalOf(batch.front());
  std::vector<db::Launch> facts;
  std::vector<long long> indexes;
  for (const PendingLaunch& launch : batch) {
    facts.push_back(launch.facts);
    indexes.push_back(launch.journal_index);
  }
  db::DataModule::NumberedAttempt first;
  bool announced = false;
  bool stored = false;
  bool noted = false;
  RunServerWork([&] {
    stored = data_.StoreLaunches(facts, first, [&](const db::DataModule::NumberedAttempt& about) {
      // On the disk before the block is sent, or the block is not sent.
      if (!journal.AppendAttempts(indexes, about.number, about.transaction)) {
        throw db::DatabaseError("the journal took no line about the batch");
      }
      announced = true;
    });
    if (stored) noted = journal.AppendStored(indexes);
  });
  if (stored) {
    stored_count_ += static_cast<long>(batch.size());
    if (!noted) {
      for (const PendingLaunch& launch : batch) places_[launch.journal_place].settled_lines.push_back(ListedLine(launch));
    }
    return true;
  }
  if (data_.LastFailure() != db::FailureKind::Connection) return false;
  // The commit may have reached the server before the connection broke: each launch is looked
  // for at its number before it is stored again.
  connection_lost_ = true;
  for (std::size_t k = 0; k < batch.size(); ++k) {
    if (announced) {
      batch[k].maybe_stored = true;
      batch[k].attempted_number = static_cast<int32_t>(first.number + static_cast<long long>(k));
      batch[k].attempted_transaction = first.transaction;
    }
    pending_.push_back(std::move(batch[k]));
  }
  return true;
}

void LaunchRegistrar::StorePending() {
  if (storing_) return;  // a handler let run between two batches: the running one goes on
  storing_ = true;
  stop_requested_ = false;
  struct Storing {
    bool& flag;
    ~Storing() { flag = false; }
  } storing{storing_};
  std::deque<PendingLaunch> waiting;
  waiting.swap(pending_);
  while (!waiting.empty()) {
    if (stop_requested_) {
      // Asked to stop: what was not tried waits, in its order, behind what was kept.
      for (PendingLaunch& launch : waiting) pending_.push_back(std::move(launch));
      break;
    }
    if (!connection_lost_ && batch_size_ > 1 && Batchable(waiting.front(), waiting.front().journal_place)) {
      const int place = waiting.front().journal_place;
      std::vector<PendingLaunch> batch;
      while (!waiting.empty() && batch.size() < batch_size_ && Batchable(waiting.front(), place)) {
        batch.push_back(std::move(waiting.front()));
        waiting.pop_front();
      }
      if (batch.size() > 1 && StoreBatch(batch)) continue;
      // Refused as a batch (or alone): one launch at a time finds the one refused.
      for (auto it = batch.rbegin(); it != batch.rend(); ++it) waiting.push_front(std::move(*it));
      if (batch.size() > 1) {
        for (std::size_t k = 0; k < batch.size() && !waiting.empty(); ++k) {
          PendingLaunch launch = std::move(waiting.front());
          waiting.pop_front();
          if (connection_lost_) {
            pending_.push_back(std::move(launch));
          } else {
            Settle(std::move(launch));
          }
        }
        continue;
      }
    }
    PendingLaunch launch = std::move(waiting.front());
    waiting.pop_front();
    // A launch a journal lists is stored only by the copy of the program holding that journal.
    if (connection_lost_ || (launch.Journalled() && HeldJournalOf(launch) == nullptr)) {
      pending_.push_back(std::move(launch));
      continue;
    }
    Settle(std::move(launch));
  }
}

void LaunchRegistrar::Register(const db::Launch& facts) { Register(PendingLaunch{facts}); }

void LaunchRegistrar::Register(const PendingLaunch& pending) {
  PendingLaunch launch = pending;
  launch.journal_place = -1;
  launch.journal_index = -1;
  if (connection_lost_) {
    pending_.push_back(std::move(launch));
    return;
  }
  Settle(std::move(launch));
}

bool LaunchRegistrar::TakeJournal(std::size_t place, int lock_wait_ms, std::deque<PendingLaunch>& lined_up) {
  LaunchJournal& journal = *places_[place].journal;
  if (!journal.Lock(lock_wait_ms)) return false;
  // A launch stored from a journal that takes no "=" line would be stored again from it at the
  // next read: such a journal keeps its launches, and new ones go to another place.
  if (!journal.Appendable()) {
    unchangeable_ = journal.Path();
    journal.Unlock();
    return false;
  }
  LaunchJournal::Contents contents;
  if (!journal.Read(contents)) {
    // A journal that cannot be read is left as it is; its launches wait for a later try.
    journal.Unlock();
    return false;
  }
  // Lines that cannot be read are kept as they stand in the rejected file, for a person to look
  // at; the journal is written anew without them only once all of them are there.
  bool rewrite = !contents.tidy;
  if (journal.AddUnreadable(contents.unreadable)) {
    notices_.unreadable_lines += static_cast<int>(contents.unreadable.size());
  } else {
    rewrite = false;
  }

  std::multimap<std::string, int> settled;
  for (const std::string& line : places_[place].settled_lines) settled.emplace(line, 0);
  places_[place].settled_lines.clear();
  std::multimap<std::string, const PendingLaunch*> ours;
  for (const PendingLaunch& launch : pending_) {
    if (launch.journal_place == static_cast<int>(place)) ours.emplace(ListedLine(launch), &launch);
  }
  std::vector<PendingLaunch> listed;
  for (PendingLaunch& launch : contents.waiting) {
    const std::string line = ListedLine(launch);
    auto stored = settled.find(line);
    if (stored != settled.end()) {
      settled.erase(stored);
      if (!journal.AppendStored(launch.journal_index)) places_[place].settled_lines.push_back(line);
      continue;
    }
    // The same launch as this copy knows it keeps its count of refusals.
    auto known = ours.find(line);
    if (known != ours.end()) {
      launch.refusals = known->second->refusals;
      launch.refusal_text = known->second->refusal_text;
      ours.erase(known);
    }
    launch.journal_place = static_cast<int>(place);
    listed.push_back(std::move(launch));
  }
  rewrite |= contents.stored > kCompactAfterStored && contents.stored > 4 * static_cast<long long>(listed.size());
  if (rewrite && places_[place].settled_lines.empty()) journal.Write(listed);
  journal.RemoveStaleTemporaries();
  for (PendingLaunch& launch : listed) lined_up.push_back(std::move(launch));
  return true;
}

void LaunchRegistrar::TakeJournals(int lock_wait_ms) {
  std::deque<PendingLaunch> lined_up;
  std::vector<bool> taken(places_.size(), false);
  bool any = false;
  for (std::size_t p = 0; p < places_.size(); ++p) {
    if (places_[p].journal->Locked()) continue;
    taken[p] = TakeJournal(p, lock_wait_ms, lined_up);
    any |= taken[p];
  }
  bool holding = false;
  for (const Place& place : places_) holding |= place.journal->Locked();
  // No place could be taken: one whose folder is not made yet (the user's own folder, made only
  // when a launch must be kept there) is made and taken now.
  for (std::size_t p = 0; !holding && p < places_.size(); ++p) {
    if (!places_[p].journal->MakeFolder()) continue;
    taken[p] = holding = TakeJournal(p, lock_wait_ms, lined_up);
    any |= taken[p];
  }
  if (!any) return;
  // Launches this copy wrote to a journal just taken are there now, or were stored by another
  // copy; the others follow the journals' launches.
  for (PendingLaunch& launch : pending_) {
    if (launch.Journalled() && taken[launch.journal_place]) continue;
    lined_up.push_back(std::move(launch));
  }
  pending_.swap(lined_up);
}

void LaunchRegistrar::JournalUnwritten() {
  for (PendingLaunch& launch : pending_) {
    if (launch.Journalled()) continue;
    for (std::size_t p = 0; p < places_.size(); ++p) {
      LaunchJournal& journal = *places_[p].journal;
      if (journal.Locked() && journal.AppendLaunch(launch)) {
        launch.journal_place = static_cast<int>(p);
        break;
      }
    }
  }
}

void LaunchRegistrar::BeginTick(int lock_wait_ms) {
  if (storing_) return;  // asked by a handler a running catch-up let run: that one goes on
  EndTick();
  connection_lost_ = false;
  unchangeable_.clear();
  // With nothing waiting and no journal file the journals are not touched: a tick with the
  // server up costs nothing more than before.
  bool files = false;
  for (const Place& place : places_) files |= place.journal->Exists();
  if (!places_.empty() && (!pending_.empty() || files)) TakeJournals(lock_wait_ms);
}

void LaunchRegistrar::EndTick(int lock_wait_ms) {
  if (places_.empty() || storing_) return;
  if (Unsaved() > 0) TakeJournals(lock_wait_ms);
  JournalUnwritten();
  for (std::size_t p = 0; p < places_.size(); ++p) {
    LaunchJournal& journal = *places_[p].journal;
    if (!journal.Locked()) continue;
    bool waiting = false;
    for (const PendingLaunch& launch : pending_) waiting |= launch.journal_place == static_cast<int>(p);
    // Everything it listed is stored: the journal goes, and with it what it told about them.
    if (!waiting && journal.Exists() && journal.Write(std::vector<PendingLaunch>())) {
      places_[p].settled_lines.clear();
    }
    journal.Unlock();
  }
}

}  // namespace monitor
