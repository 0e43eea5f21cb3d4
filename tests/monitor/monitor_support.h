// What the launch monitor's database tests share: reading BOOTJWW back, and the files the
// journal writes.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "monitor/JournalPlaces.h"
#include "monitor/LaunchRecord.h"
#include "tests/support/db_fixture.h"

namespace monitor_test {

enum Column { kN, kPname, kLFolder, kNFolder, kFileName, kBootDate, kBootTime, kFileDate, kFileTime, kFileSize };

using testsupport::ReadLaunchRows;

inline std::vector<std::string> Numbers(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> numbers;
  for (const auto& row : rows) numbers.push_back(row.at(kN));
  return numbers;
}

inline std::vector<std::string> FileNames(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> names;
  for (const auto& row : rows) names.push_back(row.at(kFileName));
  return names;
}

// The bytes of a file (empty when there is none), and a file made of exactly these bytes.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The journal or rejected file the check window keeps for `database` in place of the one at
// `no_database_path`, which it uses while no database is set.
inline std::string OfDatabase(const std::string& no_database_path, const testsupport::TestDatabase& database) {
  return monitor::DatabaseFilePath(no_database_path, database.ConnectionPath());
}

// A waiting launch of `file_name` under `user`, the other facts fixed.
inline monitor::PendingLaunch JournalLaunch(const std::string& file_name, const std::string& user) {
  monitor::PendingLaunch launch;
  launch.facts.pc_user_name = user;
  launch.facts.local_folder = "C:\\jww\\";
  launch.facts.network_folder = "C:\\jww\\";
  launch.facts.file_name = file_name;
  launch.facts.boot_date = "2026/12/08";
  launch.facts.boot_time = "01:02:03";
  launch.facts.file_date = "2026/12/01";
  launch.facts.file_time = "10:00:00";
  launch.facts.file_size = "1234";
  return launch;
}

}  // namespace monitor_test
