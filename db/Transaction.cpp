#include "db/Transaction.h"

namespace db {

void Transaction::StartTransaction(const std::string& parameters) {
  if (InTransaction()) throw DatabaseError("a transaction is active already");
  if (!connection_.Connected()) {
    throw DatabaseError("the connection is closed", 0, 0, FailureKind::Connection);
  }
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  // One entry of the teb: attachment and parameter buffer (none: the server's default).
  struct {
    isc_db_handle* database;
    int length;
    const char* buffer;
  } entry = {connection_.Handle(), static_cast<int>(parameters.size()),
             parameters.empty() ? nullptr : parameters.data()};
  if (api.start_multiple(status, &handle_, 1, &entry)) {
    handle_ = 0;
    connection_.Fail(status, "start transaction");
  }
}

void Transaction::End(bool commit) {
  if (!InTransaction()) throw DatabaseError("no transaction is active");
  if (before_end_) before_end_();
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  const ISC_STATUS failed = commit ? api.commit_transaction(status, &handle_)
                                   : api.rollback_transaction(status, &handle_);
  if (failed) {
    DatabaseError error = StatusError(status, commit ? "commit" : "rollback");
    // A transaction whose connection is gone cannot be ended any more; a failed rollback
    // leaves nothing to keep either. A failed commit stays for the caller to roll back.
    if (error.Kind() == FailureKind::Connection || !commit) Abandon();
    connection_.Fail(status, commit ? "commit" : "rollback");
  }
  handle_ = 0;
}

void Transaction::Commit() { End(true); }

void Transaction::Rollback() { End(false); }

void Transaction::MakeInactive() {
  if (InTransaction()) Rollback();
}

void Transaction::Abandon() {
  if (handle_ == 0) return;
  if (before_end_) {
    try {
      before_end_();
    } catch (...) {
    }
  }
  if (const ClientLibrary* api = LoadClientLibrary()) {
    ISC_STATUS_ARRAY status = {};
    api->rollback_transaction(status, &handle_);
  }
  handle_ = 0;
}

}  // namespace db
