// IBDatabase1: the one attachment of the program, its path, parameter lines and SQL dialect.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/ClientLibrary.h"

namespace db {

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void SetDatabaseName(const std::string& path) { path_ = path; path_set_ = true; }
  const std::string& DatabaseName() const { return path_; }
  void SetParams(const std::vector<std::string>& lines) { params_ = lines; }
  const std::vector<std::string>& Params() const { return params_; }

  bool Connected() const { return handle_ != 0; }
  // The SQL dialect of every statement: 3 until a database of a lower one is attached.
  int Dialect() const { return dialect_; }

  // CREATE DATABASE at the path with the parameter lines; on success the connection is open.
  void CreateDatabase();
  // Attaches with the path and parameter lines, then reads the database's dialect. Throws.
  void Open();
  // Detaches. The handle is released also when the server does not answer. Throws on failure.
  void Close();
  // Lets go of the attachment without caring whether the server hears about it.
  void Abandon();

  isc_db_handle* Handle() { return &handle_; }
  const ClientLibrary& Api() const { return RequireClientLibrary(); }
  // Attachments and creations sent to the server so far (tests check that nothing was sent).
  long AttachCount() const { return attach_count_; }
  // The text of the last CREATE DATABASE statement.
  const std::string& LastCreateStatement() const { return last_create_statement_; }

  // Turns a failed call's status vector into an exception. When it says the connection is
  // gone, the broken handler releases every handle first, so the next operation can attach
  // again.
  [[noreturn]] void Fail(const ISC_STATUS* status, const std::string& what);
  void SetBrokenHandler(std::function<void()> handler) { broken_handler_ = std::move(handler); }

  // The database parameter buffer built from parameter lines (name=value).
  static std::string BuildParameterBuffer(const std::vector<std::string>& lines);

 private:
  void ReadDialect();

  std::string path_;
  bool path_set_ = false;
  std::vector<std::string> params_;
  isc_db_handle handle_ = 0;
  int dialect_ = 3;
  long attach_count_ = 0;
  std::string last_create_statement_;
  std::function<void()> broken_handler_;
  bool releasing_ = false;
};

}  // namespace db
