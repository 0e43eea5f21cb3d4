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

// What a row of the table says about one launch: every column but N, which is given when the
// row is stored. An empty text stands for NULL.
struct Launch {
  std::string pc_user_name;
  std::string local_folder;    // already cleaned of apostrophes and control characters
  std::string network_folder;  // the same
  std::string file_name;       // the same
  std::string boot_date;       // when the launch was seen, "yyyy/mm/dd"
  std::string boot_time;       // "hh:mm:ss"
  std::string file_date;       // the file's last-write date; empty when unknown
  std::string file_time;       // the file's last-write time (even seconds); empty when unknown
  std::string file_size;       // decimal; empty when the file is missing or 2 GiB or larger
};

}  // namespace db
