// The baseline: the same statements through the bare classic calls, nothing else.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/ClientLibrary.h"

namespace bench {

class BareConnection {
 public:
  explicit BareConnection(const std::string& path);
  ~BareConnection();
  isc_db_handle* Handle() { return &handle_; }
  // Start, execute_immediate, commit.
  void ExecuteCommitted(const std::string& sql);
  // execute_immediate in `transaction`; `what` names the step when it fails.
  void Execute(isc_tr_handle* transaction, const std::string& sql, const char* what);
  void Start(isc_tr_handle* transaction);
  void Commit(isc_tr_handle* transaction);
  void Rollback(isc_tr_handle* transaction);

  // Prepare, execute, isc_dsql_fetch into an XSQLDA for every row. With `format` every value
  // becomes a text the way a reader needs it. Returns the number of rows.
  long long FetchAll(const std::string& sql, bool format);
  // The first column of the first row as text (SELECT MAX).
  std::string FetchFirstValue(const std::string& sql);

 private:
  isc_db_handle handle_ = 0;
};

// A SELECT run in a transaction of its own: started, prepared and executed on construction, its
// rows fetched one at a time into one XSQLDA row buffer; the statement is dropped and the
// transaction rolled back on destruction.
class BareCursor {
 public:
  BareCursor(BareConnection& connection, const std::string& sql);
  ~BareCursor();
  BareCursor(const BareCursor&) = delete;
  BareCursor& operator=(const BareCursor&) = delete;
  const XSQLDA& Row() const { return *sqlda_; }
  // isc_dsql_fetch: true with the next row in Row(), false after the last one.
  bool Fetch();

 private:
  BareConnection& connection_;
  isc_tr_handle transaction_ = 0;
  isc_stmt_handle statement_ = 0;
  std::unique_ptr<char[]> sqlda_memory_;
  std::vector<char> row_;
  std::vector<short> nulls_;
  XSQLDA* sqlda_ = nullptr;
};

[[noreturn]] void Fail(const ISC_STATUS* status, const char* what);

}  // namespace bench
