#include "tests/support/db_fixture.h"

#include "db/LaunchTable.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/UnitV.h"
#include "db/ClientLibrary.h"

namespace testsupport {

std::string ServerAddress(const std::string& state_dir) {
  std::string dir = state_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::ifstream file(dir + "port");
  std::string port;
  file >> port;
  return "localhost/" + port + ":";
}

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumadex-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary folder";
  }
  path_ = std::string(buffer.data()) + "/";
}

TempFolder::~TempFolder() {
  if (path_.size() > 6) {
    const std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) {
      // Nothing more to do; a leftover temporary folder harms nobody.
    }
  }
}

TestDatabase::TestDatabase(const std::string& server_address, const std::string& file_name)
    : server_(server_address), file_name_(file_name) {}

void TestDatabase::UseSettings() const {
  ResetSettingsToDefaults();
  ServerName = server_;
  ServerFolder = folder_.Path();
  DatabaseName = file_name_;
}

void CreateAndConnect(db::DataModule& data, const TestDatabase& database, bool launch_table) {
  database.UseSettings();
  data.CreateDatabase(database.Settings());
  ASSERT_TRUE(data.Connected()) << "cannot create " << database.ConnectionPath();
  // As the program does after its settings dialog: connect again with the connection lines.
  data.DisconnectDatabase();
  data.ConnectDatabase(database.Settings());
  ASSERT_TRUE(data.Connected()) << "cannot connect to " << database.ConnectionPath();
  if (launch_table) {
    ASSERT_TRUE(data.CreateLaunchTable());
  }
}

OtherPc::OtherPc(const std::string& connection_path, int dialect) : dialect_(dialect) {
  const db::ClientLibrary& api = db::RequireClientLibrary();
  ISC_STATUS_ARRAY status = {};
  const std::string dpb = std::string("\x01\x1c\x06SYSDBA\x1d\x09quillstar", 20);
  isc_db_handle handle = 0;
  if (api.attach_database(status, static_cast<short>(connection_path.size()),
                          connection_path.c_str(), &handle, static_cast<short>(dpb.size()),
                          dpb.data()) == 0) {
    handle_ = handle;
  }
}

OtherPc::~OtherPc() {
  if (handle_ == 0) return;
  ISC_STATUS_ARRAY status = {};
  isc_db_handle handle = handle_;
  db::RequireClientLibrary().detach_database(status, &handle);
}

bool OtherPc::Execute(const std::string& sql) {
  if (handle_ == 0) return false;
  const db::ClientLibrary& api = db::RequireClientLibrary();
  ISC_STATUS_ARRAY status = {};
  isc_db_handle handle = handle_;
  isc_tr_handle transaction = 0;
  struct {
    isc_db_handle* database;
    int length;
    const char* buffer;
  } entry = {&handle, 0, nullptr};
  if (api.start_multiple(status, &transaction, 1, &entry)) return false;
  if (api.execute_immediate(status, &handle, &transaction, 0, sql.c_str(),
                            static_cast<unsigned short>(dialect_), nullptr)) {
    api.rollback_transaction(status, &transaction);
    return false;
  }
  return api.commit_transaction(status, &transaction) == 0;
}

bool RunServerScript(const std::string& command, const std::string& state_dir) {
  const std::string line = std::string("'") + LUMADEX_SOURCE_DIR + "/scripts/firebird-server' " +
                           command + " '" + state_dir + "' >/dev/null";
  return std::system(line.c_str()) == 0;
}

PrivateServer::PrivateServer() {}

PrivateServer::PrivateServer(const std::string& sysdba_password, bool wire_crypt_required)
    : sysdba_password_(sysdba_password), wire_crypt_required_(wire_crypt_required) {}

PrivateServer::~PrivateServer() { Stop(); }

bool PrivateServer::Start() {
  // Read by the script on the instance's first start only.
  if (!sysdba_password_.empty()) setenv("LUMADEX_FB_SYSDBA_PASSWORD", sysdba_password_.c_str(), 1);
  if (wire_crypt_required_) setenv("LUMADEX_FB_WIRECRYPT", "Required", 1);
  const bool started = RunServerScript("start", folder_.Path());
  unsetenv("LUMADEX_FB_SYSDBA_PASSWORD");
  unsetenv("LUMADEX_FB_WIRECRYPT");
  return started;
}

std::string PrivateServer::Isql(const std::string& script, const std::string& user, const std::string& password,
                                const std::string& database, bool& ok) const {
  const std::string script_path = folder_.Path() + "isql-input.sql";
  const std::string output_path = folder_.Path() + "isql-output.txt";
  {
    std::ofstream out(script_path, std::ios::binary | std::ios::trunc);
    out << script;
  }
  std::string line = "isql-fb -q -b";
  if (!user.empty()) line += " -user '" + user + "' -password '" + password + "'";
  line += " -i '" + script_path + "'";
  if (!database.empty()) line += " '" + Address() + database + "'";
  line += " >'" + output_path + "' 2>&1";
  ok = std::system(line.c_str()) == 0;
  std::ifstream in(output_path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool PrivateServer::RunServerSetup(const std::string& database, const std::string& sysdba_password,
                                   const std::string& lumadex_password) const {
  std::ifstream in(std::string(LUMADEX_SOURCE_DIR) + "/docs/server-setup.sql", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string script = text.str();
  const std::string placeholder = "CHANGE_THIS_PASSWORD";
  const std::size_t at = script.find(placeholder);
  if (at == std::string::npos || script.find(placeholder, at + 1) != std::string::npos) {
    ADD_FAILURE() << "the placeholder is not there once";
    return false;
  }
  script.replace(at, placeholder.size(), lumadex_password);
  bool ok = false;
  const std::string output = Isql(script, "SYSDBA", sysdba_password, database, ok);
  if (!ok) ADD_FAILURE() << output;
  return ok;
}

bool PrivateServer::Stop() { return RunServerScript("stop", folder_.Path()); }

std::vector<std::string> SplitStatement(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::vector<std::string>> ReadLaunchRows(db::DataModule& data,
                                                     const std::string& condition) {
  std::vector<std::vector<std::string>> rows;
  int count = data.OpenSelect("*", db::kLaunchTableName, condition, "N");
  std::vector<std::string> values;
  for (int row = 0; row < count; ++row) {
    if (row == 0) {
      data.ReadFirstRow(values);
    } else {
      data.ReadNextRow(values);
    }
    rows.push_back(values);
  }
  data.CloseSelect();
  data.CloseQuery();
  return rows;
}

}  // namespace testsupport
