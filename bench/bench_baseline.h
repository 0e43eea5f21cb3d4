// The baseline: the same statements through the bare classic calls, nothing else.
#pragma once

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

[[noreturn]] void Fail(const ISC_STATUS* status, const char* what);

}  // namespace bench
