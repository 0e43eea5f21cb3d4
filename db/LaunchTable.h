// The launch table: one row per drawing launch the launch check saw. Its name and its columns
// are written here only; every statement and every caller takes them from here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace db {

inline constexpr char kLaunchTableName[] = "BOOTJWW";

// The ten columns, in table order (the order of every whole row read or written).
enum class LaunchColumn {
  N,          // registration number, unique
  PNAME,      // PC user name
  L_FOLDER,   // folder as the launching PC saw it
  N_FOLDER,   // the same folder with a network drive expanded to its share
  FILE_NAME,
  BOOT_DATE,  // when the launch was seen
  BOOT_TIME,
  FILE_DATE,  // the drawing file's last write
  FILE_TIME,
  FILE_SIZE,
};
inline constexpr int kLaunchColumnCount = 10;
// The largest registration number the INTEGER column N holds.
constexpr long long kHighestRowNumber = 2147483647;

const char* LaunchColumnName(LaunchColumn column);
// The column's type as the creation statement declares it.
const char* LaunchColumnType(LaunchColumn column);
// The most bytes a text column holds (VARCHAR lengths count bytes: the database has no
// character set); 0 for the INTEGER columns.
std::size_t LaunchColumnBytes(LaunchColumn column);
// The ten names in table order, as InsertRow and UpdateRows take them.
const std::vector<std::string>& LaunchColumnNames();

}  // namespace db
