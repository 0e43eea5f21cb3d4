// IBTransaction1: the one transaction that statements run in, bound to the one connection.
#pragma once

#include <functional>
#include <string>

#include "db/Connection.h"

namespace db {

class Transaction {
 public:
  explicit Transaction(Connection& connection) : connection_(connection) {}
  ~Transaction() { Abandon(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool InTransaction() const { return handle_ != 0; }
  // isc_start_multiple with an empty parameter buffer: snapshot, wait, read-write; or with the
  // given parameter buffer.
  void StartTransaction(const std::string& parameters = std::string());
  // Both close the result and release the statement first.
  void Commit();
  void Rollback();
  // Rolls back when active, else nothing.
  void MakeInactive();
  // Lets go of the handle without caring whether the server hears about it.
  void Abandon();

  isc_tr_handle* Handle() { return &handle_; }
  // Called before the transaction ends: the statement closes its result and is released.
  void SetBeforeEnd(std::function<void()> hook) { before_end_ = std::move(hook); }

 private:
  void End(bool commit);

  Connection& connection_;
  isc_tr_handle handle_ = 0;
  std::function<void()> before_end_;
};

}  // namespace db
