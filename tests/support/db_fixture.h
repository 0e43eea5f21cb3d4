// Helpers for the tests that run against a private Firebird server.
#pragma once

#include <string>
#include <vector>

#include "db/DataModule.h"

namespace testsupport {

// "localhost/PORT:" of the private server whose state folder is `state_dir`
// (by default the one the CTest fixture started, LUMADEX_FB_STATE).
std::string ServerAddress(const std::string& state_dir = LUMADEX_FB_STATE);

// A fresh folder under the temporary directory, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // With a trailing "/".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A database file name in a fresh folder, and the settings that reach it. The file is not
// created until CreateIn/Create.
class TestDatabase {
 public:
  explicit TestDatabase(const std::string& server_address = ServerAddress(),
                        const std::string& file_name = "T.FDB");
  // Sets ServerName, ServerFolder and DatabaseName to this database (for the windows that read
  // the settings).
  void UseSettings() const;
  // What ConnectDatabase and CreateDatabase are handed for this database.
  db::ConnectionSettings Settings() const { return {ConnectionPath()}; }
  // The full path as the client sees it: server address + folder + file name.
  std::string ConnectionPath() const { return server_ + folder_.Path() + file_name_; }
  const std::string& Server() const { return server_; }
  std::string Folder() const { return folder_.Path(); }
  const std::string& FileName() const { return file_name_; }

 private:
  std::string server_;
  TempFolder folder_;
  std::string file_name_;
};

// Settings pointed at `database` (UseSettings), the file created and the connection opened on it again with
// ConnectDatabase (as the program does after its settings dialog);
// with `launch_table` the table BOOTJWW exists as well. Fails the current test otherwise.
void CreateAndConnect(db::DataModule& data, const TestDatabase& database, bool launch_table);

// A second, independent attachment: another PC working on the same database.
class OtherPc {
 public:
  explicit OtherPc(const std::string& connection_path, int dialect = 3);
  ~OtherPc();
  OtherPc(const OtherPc&) = delete;
  OtherPc& operator=(const OtherPc&) = delete;
  bool Connected() const { return handle_ != 0; }
  // Runs one statement in a transaction of its own and commits it; false on any failure.
  bool Execute(const std::string& sql);

 private:
  unsigned int handle_ = 0;
  int dialect_;
};

// A Firebird server of its own for the tests that stop and restart it, so the shared one
// keeps serving tests that run at the same time. It keeps its port across restarts.
class PrivateServer {
 public:
  PrivateServer();
  // A secured server: SYSDBA's password is `sysdba_password`, not the program's fixed one, and
  // with `wire_crypt_required` it refuses connections that are not encrypted.
  PrivateServer(const std::string& sysdba_password, bool wire_crypt_required);
  ~PrivateServer();
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;
  bool Start();
  bool Stop();
  std::string Address() const { return ServerAddress(folder_.Path()); }
  std::string Folder() const { return folder_.Path(); }
  // Runs `script` with isql as `user` on `database` (a path on this server, empty: none, for a
  // script that creates one); what isql printed, with its exit status in `ok`.
  std::string Isql(const std::string& script, const std::string& user, const std::string& password,
                   const std::string& database, bool& ok) const;
  // The administrator's file (docs/server-setup.sql) run as SYSDBA on `database`, with Lumadex's
  // password put in; true when isql reported no error.
  bool RunServerSetup(const std::string& database, const std::string& sysdba_password,
                      const std::string& lumadex_password) const;

 private:
  TempFolder folder_;
  std::string sysdba_password_;
  bool wire_crypt_required_ = false;
};

// Runs `scripts/firebird-server COMMAND DIR`; true when it succeeded.
bool RunServerScript(const std::string& command, const std::string& state_dir);

// Lines of a statement, split at CR LF (the form the statement was sent in).
std::vector<std::string> SplitStatement(const std::string& text);

// Every row of BOOTJWW matching `condition`, by number; values as texts (NULL reads as "").
std::vector<std::vector<std::string>> ReadLaunchRows(db::DataModule& data,
                                                     const std::string& condition = "");

}  // namespace testsupport
