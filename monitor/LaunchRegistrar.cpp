#include "monitor/LaunchRegistrar.h"

#include <map>
#include <utility>

#include "app/UnitV.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace monitor {

namespace {

// Launches of the journal stored in a row before the journal is rewritten in the middle of a
// catch-up, so that a program ended meanwhile stores few of them a second time.
constexpr int kJournalWriteEvery = 16;

// The row that an interrupted insert of `launch` wrote, if it landed: at the number that insert
// used, written by that insert's transaction, and with the launch's facts. Without
// `by_transaction` (a server older than Firebird 3, which has no RDB$RECORD_VERSION) the number
// and the facts must do.
std::string EarlierInsertCondition(const LaunchFacts& launch, bool by_transaction) {
  const std::vector<std::string> values = LaunchValues(launch.attempted_number, launch);
  return by_transaction
             ? db::LaunchWrittenByCondition(launch.attempted_number, launch.attempted_transaction, values)
             : db::LaunchLookupCondition(launch.attempted_number, values);
}

template <typename Launches>
std::vector<std::string> JournalLines(const Launches& launches) {
  std::vector<std::string> lines;
  lines.reserve(launches.size());
  for (const LaunchFacts& launch : launches) lines.push_back(JournalLine(launch));
  return lines;
}

}  // namespace

LaunchRegistrar::~LaunchRegistrar() { EndTick(); }

void LaunchRegistrar::UseJournal(LaunchJournal* journal) {
  if (journal == journal_) return;
  EndTick();
  journal_ = journal;
  journal_lines_.clear();
  journal_tidy_ = true;
  settled_lines_.clear();
  // Whatever waits now was never written to this journal.
  for (LaunchFacts& launch : pending_) launch.journalled = false;
}

LaunchRegistrar::Outcome LaunchRegistrar::FindEarlierInsert(const LaunchFacts& launch, bool& found) {
  int count = data_.CountRows(db::kLaunchTableName, EarlierInsertCondition(launch, true));
  if (count < 0 && data_.Connected()) count = data_.CountRows(db::kLaunchTableName, EarlierInsertCondition(launch, false));
  if (count < 0) return data_.Connected() ? Outcome::Refused : Outcome::ConnectionLost;
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
    launch.attempted_transaction = 0;
  }
  for (int attempt = 0; attempt <= kNumberRetries; ++attempt) {
    std::string highest = data_.SelectHighestNumber(db::kLaunchTableName);
    // Without a connection the empty answer does not mean an empty table: numbering from 1
    // could then reuse a deleted low number once the insert reattaches.
    if (highest.empty() && !data_.Connected()) return Outcome::ConnectionLost;
    int32_t number = StrToIntZero(highest) + 1;
    if (data_.InsertNumberedRow(db::kLaunchTableName, db::kLaunchColumnCount, db::LaunchColumnNames(),
                                LaunchValues(number, launch))) {
      return Outcome::Stored;
    }
    switch (data_.LastFailure()) {
      case db::FailureKind::Duplicate:
        // Another PC stored this number meanwhile: take the next free one. Its row is left
        // alone, whatever facts it carries: two PCs under the same user name can see the same
        // drawing in the same second.
        ++number_conflicts_;
        continue;
      case db::FailureKind::Connection:
        // The commit may have reached the server before the connection broke. An insert whose
        // transaction never started wrote nothing.
        if (data_.LastInsertTransaction() > 0) {
          launch.maybe_stored = true;
          launch.attempted_number = number;
          launch.attempted_transaction = data_.LastInsertTransaction();
        }
        return Outcome::ConnectionLost;
      default:
        launch.refusal_text = data_.LastErrorText();
        return Outcome::Refused;
    }
  }
  return Outcome::NumberTaken;
}

void LaunchRegistrar::Settle(LaunchFacts launch) {
  const std::string listed_as = launch.journalled ? JournalLine(launch) : std::string();
  Outcome outcome = Store(launch);
  if (outcome == Outcome::ConnectionLost) connection_lost_ = true;
  bool done = outcome == Outcome::Stored;
  if (done) ++stored_count_;
  if (outcome == Outcome::Refused) {
    // Retrying a launch the server refuses for good would only repeat the refusal at every tick;
    // set aside with the server's reason, it can be imported once the cause is fixed.
    ++launch.refusals;
    done = launch.refusals > kRefusedRetries && journal_ != nullptr && journal_->Locked() &&
           journal_->AddRejected(launch, launch.refusal_text);
  }
  if (!done) {
    pending_.push_back(std::move(launch));
    return;
  }
  if (launch.journalled) {
    settled_lines_.push_back(listed_as);
    ++settled_since_write_;
  }
}

void LaunchRegistrar::StorePending() {
  std::deque<LaunchFacts> waiting;
  waiting.swap(pending_);
  const bool journal_held = journal_ != nullptr && journal_->Locked();
  while (!waiting.empty()) {
    LaunchFacts launch = std::move(waiting.front());
    waiting.pop_front();
    // A launch the journal lists is stored only by the copy of the program holding the journal.
    if (connection_lost_ || (launch.journalled && !journal_held)) {
      pending_.push_back(std::move(launch));
      continue;
    }
    Settle(std::move(launch));
    if (journal_held && settled_since_write_ >= kJournalWriteEvery) {
      std::vector<LaunchFacts> rest(pending_.begin(), pending_.end());
      rest.insert(rest.end(), waiting.begin(), waiting.end());
      if (SaveJournal(rest)) {
        for (LaunchFacts& kept : pending_) kept.journalled = true;
        for (LaunchFacts& kept : waiting) kept.journalled = true;
      }
    }
  }
}

void LaunchRegistrar::Register(const LaunchFacts& facts) {
  LaunchFacts launch = facts;
  launch.journalled = false;
  if (connection_lost_) {
    pending_.push_back(std::move(launch));
    return;
  }
  Settle(std::move(launch));
}

void LaunchRegistrar::TakeJournal(int lock_wait_ms) {
  if (journal_ == nullptr || journal_->Locked()) return;
  if (!journal_->Lock(lock_wait_ms)) return;
  std::vector<LaunchFacts> listed;
  bool tidy = true;
  if (!journal_->Read(listed, tidy)) {
    // A journal that cannot be read is left as it is; its launches wait for a later try.
    journal_->Unlock();
    return;
  }
  journal_lines_ = JournalLines(listed);
  journal_tidy_ = tidy;

  std::multimap<std::string, std::size_t> settled;
  for (std::size_t k = 0; k < settled_lines_.size(); ++k) settled.emplace(settled_lines_[k], k);
  std::multimap<std::string, std::size_t> ours;
  for (std::size_t k = 0; k < pending_.size(); ++k) {
    if (pending_[k].journalled) ours.emplace(JournalLine(pending_[k]), k);
  }
  std::deque<LaunchFacts> lined_up;
  for (std::size_t k = 0; k < listed.size(); ++k) {
    const std::string& line = journal_lines_[k];
    auto stored = settled.find(line);
    if (stored != settled.end()) {
      settled.erase(stored);
      continue;
    }
    LaunchFacts launch = std::move(listed[k]);
    // The same launch as this copy knows it keeps its count of refusals.
    auto known = ours.find(line);
    if (known != ours.end()) {
      launch.refusals = pending_[known->second].refusals;
      launch.refusal_text = pending_[known->second].refusal_text;
      ours.erase(known);
    }
    launch.journalled = true;
    lined_up.push_back(std::move(launch));
  }
  // Launches this copy wrote to the journal and finds no longer there were stored by another
  // copy; those it never wrote there follow the journal's.
  for (LaunchFacts& launch : pending_) {
    if (!launch.journalled) lined_up.push_back(std::move(launch));
  }
  pending_.swap(lined_up);
}

bool LaunchRegistrar::SaveJournal(const std::vector<LaunchFacts>& waiting) {
  std::vector<std::string> lines = JournalLines(waiting);
  if (!journal_tidy_ || lines != journal_lines_) {
    if (!journal_->Write(waiting)) return false;
    journal_lines_ = std::move(lines);
    journal_tidy_ = true;
  }
  settled_lines_.clear();
  settled_since_write_ = 0;
  return true;
}

void LaunchRegistrar::BeginTick(int lock_wait_ms) {
  EndTick();
  connection_lost_ = false;
  // With nothing waiting and no journal file the journal is not touched: a tick with the server
  // up costs nothing more than before.
  if (journal_ != nullptr && (!pending_.empty() || journal_->Exists())) TakeJournal(lock_wait_ms);
}

void LaunchRegistrar::EndTick(int lock_wait_ms) {
  if (journal_ == nullptr) return;
  if (!journal_->Locked()) {
    bool unwritten = false;
    for (const LaunchFacts& launch : pending_) unwritten |= !launch.journalled;
    if (!unwritten) return;
    TakeJournal(lock_wait_ms);
    if (!journal_->Locked()) return;
  }
  if (SaveJournal(std::vector<LaunchFacts>(pending_.begin(), pending_.end()))) {
    for (LaunchFacts& launch : pending_) launch.journalled = true;
  }
  settled_since_write_ = 0;
  journal_->Unlock();
}

}  // namespace monitor
