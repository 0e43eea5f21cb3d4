#include "bench/bench_common.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "db/DataModule.h"
#include "db/LaunchTable.h"

namespace bench {

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<long long> ParseSizes(const std::string& list) {
  std::vector<long long> values;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    if (comma > start) values.push_back(std::atoll(list.substr(start, comma - start).c_str()));
    start = comma + 1;
  }
  return values;
}

std::string ServerAddress(const std::string& state_dir) {
  std::ifstream file(state_dir + "/port");
  std::string port;
  file >> port;
  return port.empty() ? std::string() : "localhost/" + port + ":";
}

bool ConnectTo(db::DataModule& data, const std::string& server, const std::string& folder,
               const std::string& file_name) {
  data.ConnectDatabase({server + folder + file_name});
  return data.Connected();
}

const std::vector<std::string>& LaunchColumns() { return db::LaunchColumnNames(); }

bool CreateScratchDatabase(db::DataModule& data, const std::string& server, const std::string& folder,
                           const std::string& file_name, bool reconnect) {
  std::remove((folder + file_name).c_str());
  const db::ConnectionSettings settings{server + folder + file_name};
  data.CreateDatabase(settings);
  if (reconnect) {
    data.DisconnectDatabase();
    data.ConnectDatabase(settings);
  }
  return data.Connected() && data.CreateLaunchTable() &&
         data.ExecuteScript({"CREATE TABLE BASELINE (", "  N INTEGER NOT NULL UNIQUE,",
                             "  PNAME VARCHAR(16), L_FOLDER VARCHAR(255), N_FOLDER VARCHAR(255),",
                             "  FILE_NAME VARCHAR(255), BOOT_DATE VARCHAR(10), BOOT_TIME VARCHAR(8),",
                             "  FILE_DATE VARCHAR(10), FILE_TIME VARCHAR(8), FILE_SIZE INTEGER);"});
}

std::string Printed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace bench
