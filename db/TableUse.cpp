// The launch table: its listing, its creation, and making it usable again after the connection
// broke or the table went missing. RunRecovering is the rule; EnsureLaunchTable (the check made
// with a new connection), AttachLaunchTable (the launch check's) and CheckLaunchTable (the check
// before an action) are thin uses of the one routine MakeTableUsable.
#include <algorithm>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "db/DataModuleState.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"
#include "platform/cp932.h"

namespace db {

// Ends the listing: its statement is released and its transaction committed, also after a
// failure; a commit the server refuses is rolled back.
static void EndListing(DataModule::State& s) {
  if (!s.listing_transaction.InTransaction()) {
    s.listing.ReleaseQuietly();
    return;
  }
  try {
    s.listing_transaction.Commit();
  } catch (const std::exception&) {
    s.listing_transaction.Abandon();
  }
}

std::vector<std::string> DataModule::TableNames() {
  State& s = *state_;
  std::vector<std::string> names;
  if (!EnsureConnected(s.connection, s.reattach_pending)) return names;
  try {
    s.listing.SetParamCheck(true);
    s.listing.SetLines({kListTablesStatement});
    s.listing.Open();  // starts the listing transaction
    for (; !s.listing.Eof(); s.listing.Next()) {
      std::string name = s.listing.ValueText(0);
      while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.pop_back();
      names.push_back(std::move(name));
    }
  } catch (...) {
    // The error goes on to the caller; the listing is ended all the same.
    EndListing(s);
    throw;
  }
  EndListing(s);
  return names;
}

bool DataModule::TableExists(const std::string& table) {
  const std::vector<std::string> names = TableNames();
  const std::string wanted = cp932::UpperAscii(table);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& name) { return cp932::UpperAscii(name) == wanted; });
}

// Attaches again after a broken connection was let go; throws when the server cannot be reached.
static void Reattach(DataModule::State& s) {
  s.connection.Open();
  s.reattach_pending = false;
}

// The listing transaction as the table check keeps it open between checks: read-only and read
// committed, so it holds no snapshot back and never waits.
const std::string kCheckParameters = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                      isc_tpb_rec_version, isc_tpb_nowait};

// Whether the launch table exists (a table, not a view): one singleton answer, one exchange with
// the server (two on a new connection, which starts the listing transaction), where listing the
// tables took five. A failure (a lost connection) goes to the caller.
static bool LaunchTablePresent(DataModule::State& s) {
  if (!s.listing_transaction.InTransaction()) s.listing_transaction.StartTransaction(kCheckParameters);
  return s.listing.ImmediateInteger(TableCountLines(kLaunchTableName)) > 0;
}

// The one routine that makes the launch table usable: a connection that broke (the server
// restarted) is attached again, also when the break is only found by the check itself; the table
// is created when missing unless `create_when_missing` is false. A connection closed on purpose
// is left closed. Throws DatabaseError of kind Connection when the server cannot be reached.
static LaunchTableState MakeTableUsable(DataModule& module, DataModule::State& s, bool create_when_missing) {
  bool attached_now = false;
  if (!s.connection.Connected()) {
    if (!s.reattach_pending) return LaunchTableState::Closed;
    Reattach(s);
    attached_now = true;
  }
  bool exists;
  try {
    exists = LaunchTablePresent(s);
  } catch (const DatabaseError& error) {
    // An attachment the server no longer knows (it restarted) is found out only by using it;
    // it has been let go by now, so attach once more and ask again. A failure on a fresh
    // attachment, or any other failure, goes on to the caller.
    if (attached_now || error.Kind() != FailureKind::Connection || !s.reattach_pending) throw;
    Reattach(s);
    exists = LaunchTablePresent(s);
  }
  if (exists) return LaunchTableState::Ready;
  if (!create_when_missing) return LaunchTableState::Missing;
  if (module.CreateLaunchTable()) return LaunchTableState::Ready;
  if (s.last_failure == FailureKind::Connection) {
    throw DatabaseError(s.last_failure_detail, 0, 0, FailureKind::Connection);
  }
  return LaunchTableState::Missing;
}

LaunchTableState DataModule::EnsureLaunchTable(bool create_when_missing) {
  return MakeTableUsable(*this, *state_, create_when_missing);
}

bool DataModule::AttachLaunchTable(const ConnectionSettings& settings) {
  State& s = *state_;
  try {
    if (!s.connection.Connected() && !s.reattach_pending) {
      ConnectDatabase(settings);
      if (!s.connection.Connected()) return false;
    }
    return MakeTableUsable(*this, s, true) == LaunchTableState::Ready;
  } catch (const std::exception&) {
    return false;
  }
}

void DataModule::CheckLaunchTable() {
  State& s = *state_;
  // Made usable just now by the recovery around this check: the server is not asked twice.
  if (s.table_confirmed) return;
  RequireConnected(s);
  if (LaunchTablePresent(s)) return;
  DatabaseError missing(std::string("table ") + kLaunchTableName + " does not exist");
  missing.SetMissingTable(true);
  throw missing;
}

LaunchTableState DataModule::RunRecovering(const std::function<void()>& action,
                                           bool create_when_missing) {
  State& s = *state_;
  if (!s.connection.Connected() && !s.reattach_pending) return LaunchTableState::Closed;
  if (s.connection.Connected()) {
    try {
      action();
      return LaunchTableState::Ready;
    } catch (const DatabaseError& error) {
      // A connection the server no longer knows is let go by the failing call itself; one that
      // was closed on purpose meanwhile is not attached behind the user's back.
      const bool broken = error.Kind() == FailureKind::Connection && !s.connection.Connected() &&
                          s.reattach_pending;
      if (!broken && !error.MissingTable()) throw;
    }
  }
  // Attaching again is making the connection: the table is checked (and created) then, once.
  const LaunchTableState table = MakeTableUsable(*this, s, create_when_missing);
  if (table != LaunchTableState::Ready) return table;
  struct Confirmed {
    bool& flag;
    ~Confirmed() { flag = false; }
  } confirmed{s.table_confirmed};
  s.table_confirmed = true;
  action();
  return LaunchTableState::Ready;
}

}  // namespace db
