// The data module's state and its connection: creation, attaching and detaching. The launch
// registration is in db/LaunchStore.cpp, the modifying statements and the batch in
// db/Modifying.cpp, the reading operations in db/Reading.cpp, the launch table's check and the
// recovery rule in db/TableUse.cpp, the operations that report failure as a value in
// db/StatusOperations.cpp.
#include "db/DataModule.h"

#include <algorithm>
#include <cstdlib>

#include "db/DataModuleState.h"
#include "db/DirectStatements.h"
#include "db/LaunchTable.h"
#include "db/Statements.h"

namespace db {

namespace {
const char* const kUser = "SYSDBA";
const char* const kPassword = "quillstar";

// The account's user and password: the fixed ones without a user of the office's choosing.
std::string AccountUser(const ConnectionSettings& settings) {
  return settings.user.empty() ? std::string(kUser) : settings.user;
}
std::string AccountPassword(const ConnectionSettings& settings) {
  return settings.user.empty() ? std::string(kPassword) : settings.password;
}
// A user named without a password has none that could be sent: nothing reaches the server.
bool AccountUsable(const ConnectionSettings& settings) {
  return settings.user.empty() || !settings.password.empty();
}
// The name or password as a quoted text of CREATE DATABASE: between double quotes, a double
// quote inside doubled.
std::string CreationQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (char ch : text) {
    quoted += ch;
    if (ch == '"') quoted += ch;
  }
  return quoted + "\"";
}
}  // namespace

void CloseAndEndQuietly(DataModule::State& s) {
  try {
    s.query.Close();
  } catch (const std::exception&) {
  }
  try {
    s.transaction.MakeInactive();
  } catch (const std::exception&) {
  }
}

DataModule::DataModule() : state_(new State) {
  State* state = state_.get();
  state->transaction.SetBeforeEnd([state] { state->query.ReleaseQuietly(); });
  state->listing_transaction.SetBeforeEnd([state] { state->listing.ReleaseQuietly(); });
  state->connection.SetBrokenHandler([state] {
    state->query.ReleaseQuietly();
    state->transaction.Abandon();
    state->listing.ReleaseQuietly();
    state->listing_transaction.Abandon();
    state->registration.Abandon();
    state->connection.Abandon();
    state->reattach_pending = true;
    state->batch_active = false;
  });
}

DataModule::~DataModule() {
  DisconnectDatabase();
  // The hooks point into the state that is being torn down.
  state_->transaction.SetBeforeEnd(nullptr);
  state_->listing_transaction.SetBeforeEnd(nullptr);
  state_->connection.SetBrokenHandler(nullptr);
}

Query& DataModule::IBQuery1() { return state_->query; }
Transaction& DataModule::IBTransaction1() { return state_->transaction; }
Connection& DataModule::IBDatabase1() { return state_->connection; }

bool DataModule::Connected() const { return state_->connection.Connected(); }

int DataModule::CurrentDialect() const { return state_->connection.Dialect(); }

// ---- Connection and database creation ----

void DataModule::CreateDatabase(const ConnectionSettings& settings) {
  // Callers close the connection first; an open one is never replaced behind their back.
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(settings.path);
  s.connection.SetParams({"USER " + CreationQuoted(AccountUser(settings)),
                          "PASSWORD " + CreationQuoted(AccountPassword(settings)), "PAGE_SIZE 4096"});
  s.reattach_pending = false;
  if (!AccountUsable(settings)) return;
  try {
    s.connection.CreateDatabase();
  } catch (const std::exception&) {
  }
}

void DataModule::ConnectDatabase(const ConnectionSettings& settings) {
  if (Connected()) return;
  State& s = *state_;
  s.connection.SetDatabaseName(settings.path);
  // A server whose host does not answer keeps no window waiting for long: the launch check tries
  // to attach again from its ticks.
  s.connection.SetParams({"USER_NAME=" + AccountUser(settings), "PASSWORD=" + AccountPassword(settings),
                          "CONNECT_TIMEOUT=2"});
  s.reattach_pending = false;
  if (!AccountUsable(settings)) return;
  try {
    s.connection.Open();
  } catch (const std::exception&) {
    DisconnectDatabase();
  }
}

void DataModule::DisconnectDatabase() {
  State& s = *state_;
  s.reattach_pending = false;
  s.batch_active = false;
  CloseAndEndQuietly(s);
  // Whatever the server answers, the handles are let go and the connection counts as closed.
  s.query.ReleaseQuietly();
  s.transaction.Abandon();
  s.listing.ReleaseQuietly();
  s.listing_transaction.Abandon();
  s.registration.Abandon();
  try {
    s.connection.Close();
  } catch (const std::exception&) {
  }
  s.connection.Abandon();
}

// Attaches again after a broken connection was let go. True when the connection is open.
bool EnsureConnected(Connection& connection, bool& reattach_pending) {
  if (connection.Connected()) return true;
  if (!reattach_pending) return false;
  try {
    connection.Open();
    reattach_pending = false;
  } catch (const std::exception&) {
  }
  return connection.Connected();
}

}  // namespace db
