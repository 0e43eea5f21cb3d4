#include "db/LaunchTable.h"

namespace db {
namespace {

struct ColumnDefinition {
  const char* name;
  const char* type;
  std::size_t bytes;  // the VARCHAR length of the type; 0 for INTEGER
};

// Indexed by LaunchColumn.
const ColumnDefinition kColumns[kLaunchColumnCount] = {
    {"N", "INTEGER NOT NULL UNIQUE", 0},
    {"PNAME", "VARCHAR(16)", 16},
    {"L_FOLDER", "VARCHAR(255)", 255},
    {"N_FOLDER", "VARCHAR(255)", 255},
    {"FILE_NAME", "VARCHAR(255)", 255},
    {"BOOT_DATE", "VARCHAR(10)", 10},
    {"BOOT_TIME", "VARCHAR(8)", 8},
    {"FILE_DATE", "VARCHAR(10)", 10},
    {"FILE_TIME", "VARCHAR(8)", 8},
    {"FILE_SIZE", "INTEGER", 0},
};
static_assert(static_cast<int>(LaunchColumn::FILE_SIZE) + 1 == kLaunchColumnCount,
              "one definition per column");

}  // namespace

const char* LaunchColumnName(LaunchColumn column) {
  return kColumns[static_cast<int>(column)].name;
}

const char* LaunchColumnType(LaunchColumn column) {
  return kColumns[static_cast<int>(column)].type;
}

std::size_t LaunchColumnBytes(LaunchColumn column) {
  return kColumns[static_cast<int>(column)].bytes;
}

const std::vector<std::string>& LaunchColumnNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const ColumnDefinition& column : kColumns) list.push_back(column.name);
    return list;
  }();
  return names;
}

}  // namespace db
