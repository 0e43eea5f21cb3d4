// What the launch monitor's database tests share: reading BOOTJWW back, and the files the
// journal writes.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "db/DataModule.h"

namespace monitor_test {

enum Column { kN, kPname, kLFolder, kNFolder, kFileName, kBootDate, kBootTime, kFileDate, kFileTime, kFileSize };

// Every row of BOOTJWW matching `condition`, by number; values as texts (NULL reads as "").
inline std::vector<std::vector<std::string>> ReadLaunchRows(db::DataModule& data,
                                                           const std::string& condition = "") {
  std::vector<std::vector<std::string>> rows;
  int count = data.OpenSelect("*", "BOOTJWW", condition, "N");
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

}  // namespace monitor_test
