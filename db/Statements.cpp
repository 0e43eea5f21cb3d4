#include "db/Statements.h"

#include <cctype>

#include "db/DatabaseError.h"
#include "platform/cp932.h"

namespace db {

const char* const kListTablesStatement =
    "Select RDB$RELATION_NAME from RDB$RELATIONS  where RDB$VIEW_BLR is NULL and "
    "RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME";

std::vector<std::string> TableCountLines(const std::string& table) {
  return {"SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$VIEW_BLR IS NULL AND RDB$SYSTEM_FLAG = 0",
          "  AND UPPER(RDB$RELATION_NAME) = " + QuoteLiteral(cp932::UpperAscii(table))};
}

std::string QuoteLiteral(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '\'';
  // Apostrophe (0x27) is never a trail byte in Shift-JIS, so a plain byte scan is exact.
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  return quoted;
}

std::string JoinStatementLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> CreateDatabaseLines(const std::string& path,
                                             const std::vector<std::string>& parameter_lines) {
  std::vector<std::string> lines = parameter_lines;
  const std::string head = "CREATE DATABASE " + QuoteLiteral(path) + " ";
  if (lines.empty()) {
    lines.push_back(head);
  } else {
    lines[0] = head + lines[0];
  }
  return lines;
}

std::vector<std::string> LaunchTableLines() {
  std::vector<std::string> lines{std::string("CREATE TABLE ") + kLaunchTableName + " ("};
  for (int i = 0; i < kLaunchColumnCount; ++i) {
    const LaunchColumn column = static_cast<LaunchColumn>(i);
    lines.push_back(std::string("  ") + LaunchColumnName(column) + " " + LaunchColumnType(column) +
                    (i < kLaunchColumnCount - 1 ? "," : ""));
  }
  lines.push_back("  );");
  return lines;
}

namespace {
// Entry i of a caller's list, or an empty text when the list is shorter than promised.
const std::string& Entry(const std::vector<std::string>& list, int i) {
  static const std::string empty;
  return i < static_cast<int>(list.size()) ? list[i] : empty;
}
}  // namespace

std::vector<std::string> InsertLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values) {
  std::vector<std::string> lines;
  lines.push_back("INSERT INTO " + table + " (");
  for (int i = 0; i < count; ++i) lines.push_back("   " + Entry(names, i) + (i < count - 1 ? "," : ""));
  lines.push_back("   ) ");
  lines.push_back("   VALUES (");
  for (int i = 0; i < count; ++i) lines.push_back("   " + Entry(values, i) + (i < count - 1 ? "," : ""));
  lines.push_back("   );");
  return lines;
}

std::vector<std::string> UpdateLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values,
                                     const std::string& condition) {
  std::vector<std::string> lines;
  lines.push_back("UPDATE " + table + " SET ");
  for (int i = 0; i < count; ++i) {
    lines.push_back("   " + Entry(names, i) + "=" + Entry(values, i) + (i < count - 1 ? "," : ""));
  }
  if (!condition.empty()) lines.push_back("   WHERE " + condition);
  lines.push_back("   ;");
  return lines;
}

std::vector<std::string> ReturningLines(std::vector<std::string> lines, const std::string& column) {
  std::string& last = lines.back();
  const std::size_t end = last.rfind(';');
  // Before the closing ";", which each of them has after a blank.
  last.insert(end == std::string::npos ? last.size() : end, "RETURNING " + column + " ");
  return lines;
}

std::vector<std::string> DeleteLines(const std::string& table, const std::string& condition) {
  const std::string where = condition.empty() ? "" : "WHERE " + condition + " ";
  return {"DELETE FROM " + table + " " + where + ";"};
}

std::vector<std::string> CountRowsLines(const std::string& table, const std::string& condition) {
  std::vector<std::string> lines{"SELECT * ", "   FROM " + table + " "};
  if (!condition.empty()) lines.push_back("   WHERE " + condition + " ");
  lines.push_back("   ;");
  return lines;
}

std::vector<std::string> CountFieldsLines(const std::string& table) {
  return {"SELECT * ", "   FROM " + table + " ;"};
}

std::vector<std::string> SelectMaxLines(const std::string& table, const std::string& column,
                                        const std::string& condition) {
  std::vector<std::string> lines{"SELECT MAX(" + column + ") ", "   FROM " + table + " "};
  if (!condition.empty()) lines.push_back("   WHERE " + condition + " ");
  lines.push_back("   ;");
  return lines;
}

std::vector<std::string> HighestNumberLines(const std::string& table, long long seen) {
  const std::string number = LaunchColumnName(LaunchColumn::N);
  // The lowest number at or above k, found by walking the unique index from k: one index lookup
  // whatever the table's size (a range condition alone would gather the whole range first).
  auto first_from = [&](const std::string& k) {
    return "SELECT FIRST 1 " + number + " FROM " + table + " WHERE " + number + " >= :" + k + " ORDER BY " + number +
           " INTO :FOUND;";
  };
  const std::string lowest = "-2147483648";
  std::vector<std::string> lines{
      "EXECUTE BLOCK RETURNS (HIGHEST BIGINT, TX BIGINT) AS",
      "DECLARE VARIABLE LO BIGINT = " + (seen > 0 ? std::to_string(seen) : lowest) + ";",
      "DECLARE VARIABLE HI BIGINT = 2147483647;",
      "DECLARE VARIABLE MID BIGINT;",
      "DECLARE VARIABLE FOUND BIGINT;",
      "BEGIN",
      "  TX = CURRENT_TRANSACTION;",
      "  " + first_from("LO"),
  };
  if (seen > 0) {
    // Nothing left at or above the number seen: rows were deleted below it; from the bottom.
    lines.push_back("  IF (FOUND IS NULL) THEN");
    lines.push_back("  BEGIN");
    lines.push_back("    LO = " + lowest + ";");
    lines.push_back("    " + first_from("LO"));
    lines.push_back("  END");
  }
  // LO is a number that exists (none: no row); each step halves what lies above it.
  lines.push_back("  LO = FOUND;");
  lines.push_back("  IF (LO IS NOT NULL) THEN");
  lines.push_back("    WHILE (LO < HI) DO");
  lines.push_back("    BEGIN");
  lines.push_back("      MID = LO + (HI - LO + 1) / 2;");
  lines.push_back("      FOUND = NULL;");
  lines.push_back("      " + first_from("MID"));
  lines.push_back("      IF (FOUND IS NULL) THEN HI = MID - 1; ELSE LO = FOUND;");
  lines.push_back("    END");
  lines.push_back("  HIGHEST = LO;");
  lines.push_back("  SUSPEND;");
  lines.push_back("END");
  return lines;
}

std::vector<std::string> CurrentTransactionLines() {
  return {"SELECT CURRENT_TRANSACTION ", "   FROM RDB$DATABASE ", "   ;"};
}

std::vector<std::string> OpenSelectLines(const std::string& columns, const std::string& table,
                                         const std::string& condition, const std::string& order) {
  std::vector<std::string> lines{"SELECT " + columns + " ", "   FROM " + table + " "};
  if (!condition.empty()) lines.push_back("   WHERE " + condition + " ");
  if (!order.empty()) lines.push_back("   ORDER BY " + order + " ");
  lines.push_back("   ;");
  return lines;
}

std::vector<std::string> ExecuteBlockLines(const std::vector<std::vector<std::string>>& statements) {
  std::vector<std::string> lines{"EXECUTE BLOCK AS", "BEGIN"};
  for (const std::vector<std::string>& statement : statements) {
    lines.insert(lines.end(), statement.begin(), statement.end());
  }
  lines.push_back("END");
  return lines;
}

namespace {
std::string TextLiteral(const std::string& text) {
  return text.empty() ? std::string("NULL") : QuoteLiteral(text);
}
}  // namespace

std::vector<std::string> LaunchLiterals(long long number, const Launch& launch) {
  return {std::to_string(number),
          TextLiteral(launch.pc_user_name),
          TextLiteral(launch.local_folder),
          TextLiteral(launch.network_folder),
          TextLiteral(launch.file_name),
          TextLiteral(launch.boot_date),
          TextLiteral(launch.boot_time),
          TextLiteral(launch.file_date),
          TextLiteral(launch.file_time),
          launch.file_size.empty() ? std::string("NULL") : launch.file_size};
}

// ---- Conditions ----

std::string NumberCondition(long long number) {
  return std::string(LaunchColumnName(LaunchColumn::N)) + "=" + std::to_string(number);
}

std::string NumberFromCondition(long long lowest) {
  return std::string(LaunchColumnName(LaunchColumn::N)) + " >= " + std::to_string(lowest);
}

std::string NumberRangeCondition(const std::string& column, long long above, long long up_to) {
  return column + " > " + std::to_string(above) + " AND " + column + " <= " + std::to_string(up_to);
}

std::string OutsideNumberRangeCondition(const std::string& column, long long above, long long up_to) {
  return column + " <= " + std::to_string(above) + " OR " + column + " > " + std::to_string(up_to) + " OR " +
         column + " IS NULL";
}

std::string LaunchLookupCondition(long long number, const std::vector<std::string>& values) {
  std::string condition;
  if (number > 0) condition = NumberCondition(number);
  for (int i = 1; i < kLaunchColumnCount; ++i) {
    const std::string name = LaunchColumnName(static_cast<LaunchColumn>(i));
    const std::string& value = Entry(values, i);
    if (!condition.empty()) condition += " AND ";
    condition += value == "NULL" ? name + " IS NULL" : name + "=" + value;
  }
  return condition;
}

std::string LaunchWrittenByCondition(long long number, long long transaction,
                                     const std::vector<std::string>& values) {
  return NumberCondition(number) + " AND RDB$RECORD_VERSION=" + std::to_string(transaction) + " AND " +
         LaunchLookupCondition(0, values);
}

// ---- The record list's page ----

std::vector<std::string> PageStatementLines(const std::string& filter, const std::string& order) {
  std::vector<std::string> lines{std::string("SELECT * FROM ") + kLaunchTableName};
  if (!filter.empty()) lines.push_back("  WHERE " + filter);
  lines.push_back("  ORDER BY " + order + ";");
  return lines;
}

std::vector<std::string> PageCountLines(const std::string& filter) {
  std::vector<std::string> lines{std::string("SELECT COUNT(*) FROM ") + kLaunchTableName};
  if (!filter.empty()) lines.push_back("  WHERE " + filter);
  lines.back() += ";";
  return lines;
}

std::string PageOrder(LaunchColumn column, bool descending) {
  const char* const direction = descending ? " DESC" : "";
  std::string order = std::string(LaunchColumnName(column)) + direction;
  // Dates and times are texts: the date decides first, the time among launches of one day.
  if (column == LaunchColumn::BOOT_DATE || column == LaunchColumn::FILE_DATE) {
    const LaunchColumn time = column == LaunchColumn::BOOT_DATE ? LaunchColumn::BOOT_TIME
                                                                 : LaunchColumn::FILE_TIME;
    order += std::string(",") + LaunchColumnName(time) + direction;
  }
  return order;
}

std::string TotalPageOrder(const std::string& order) {
  bool descending = false;
  if (IsNumberOrder(order, descending)) return order;
  const std::string number = LaunchColumnName(LaunchColumn::N);
  const std::string desc = " DESC";
  const bool last_descending = order.size() >= desc.size() && order.compare(order.size() - desc.size(), desc.size(), desc) == 0;
  return order + "," + number + (last_descending ? desc : "");
}

bool IsNumberOrder(const std::string& order, bool& descending) {
  const std::string number = LaunchColumnName(LaunchColumn::N);
  descending = order == number + " DESC";
  return order == number || descending;
}

namespace {
// "SELECT * FROM BOOTJWW", the filter and `extra` joined by AND in one WHERE line when either is there.
std::vector<std::string> PageSelect(const std::string& columns, const std::string& filter, const std::string& extra) {
  std::vector<std::string> lines{"SELECT " + columns + " FROM " + kLaunchTableName};
  std::string condition;
  if (!filter.empty()) condition = extra.empty() ? filter : "(" + filter + ")";
  if (!extra.empty()) condition += (condition.empty() ? "" : " AND ") + extra;
  if (!condition.empty()) lines.push_back("  WHERE " + condition);
  return lines;
}
}  // namespace

std::vector<std::string> PageRowsLines(const std::string& filter, const std::string& order, long long first,
                                       int count) {
  std::vector<std::string> lines = PageSelect("*", filter, "");
  lines.push_back("  ORDER BY " + TotalPageOrder(order));
  lines.push_back("  ROWS " + std::to_string(first) + " TO " + std::to_string(first + count - 1) + ";");
  return lines;
}

std::vector<std::string> PageByKeyLines(const std::string& filter, long long number, bool above, int count,
                                        bool descending) {
  const std::string n = LaunchColumnName(LaunchColumn::N);
  // The nearest numbers first, as the index walks them; turned round by the server when the page
  // shows them the other way.
  std::vector<std::string> lines = PageSelect("*", filter, n + (above ? " > " : " < ") + std::to_string(number));
  lines.push_back("  ORDER BY " + n + (above ? "" : " DESC"));
  lines.push_back("  ROWS " + std::to_string(count));
  if (above != descending) {
    lines.back() += ";";
    return lines;
  }
  lines.front() = "SELECT * FROM (" + lines.front();
  lines.back() += ") AS PAGE";
  lines.push_back("  ORDER BY " + n + (descending ? " DESC;" : ";"));
  return lines;
}

std::vector<std::string> PageMatchLines(const std::string& filter, const std::string& order, LaunchColumn column) {
  std::vector<std::string> lines =
      PageSelect(std::string(LaunchColumnName(LaunchColumn::N)) + ", " + LaunchColumnName(column), filter, "");
  lines.push_back("  ORDER BY " + TotalPageOrder(order) + ";");
  return lines;
}

std::vector<std::string> PageRowsOfNumbersLines(const std::vector<long long>& numbers) {
  std::string list;
  for (long long number : numbers) list += (list.empty() ? "" : ",") + std::to_string(number);
  std::vector<std::string> lines = PageSelect("*", "", std::string(LaunchColumnName(LaunchColumn::N)) + " IN (" + list + ")");
  lines.back() += ";";
  return lines;
}

namespace {
// Escape character of the filter's LIKE: never the second byte of a double-byte character, so
// besides the escaped 0x5F second bytes only a "!" typed as a character of its own needs it.
constexpr char kLikeEscape = '!';
}  // namespace

std::string PageFilter(LaunchColumn column, const std::string& text) {
  // A second byte 0x5F is the server's one-byte wildcard: escape it so the character stays
  // itself. The typed "_" is one character, one or two bytes: "_%" on the server.
  bool escaping = false;
  for (std::size_t pos = 0; pos < text.size(); pos += cp932::CharWidth(text, pos)) {
    if (cp932::CharWidth(text, pos) == 2 && text[pos + 1] == '_') escaping = true;
  }
  std::string pattern = "%";
  for (std::size_t pos = 0; pos < text.size(); pos += cp932::CharWidth(text, pos)) {
    if (cp932::CharWidth(text, pos) == 2) {
      pattern += text[pos];
      if (text[pos + 1] == '_') pattern += kLikeEscape;
      pattern += text[pos + 1];
    } else if (text[pos] == '_') {
      pattern += "_%";
    } else {
      if (escaping && text[pos] == kLikeEscape) pattern += kLikeEscape;
      pattern += text[pos];
    }
  }
  pattern += '%';
  std::string condition = std::string(LaunchColumnName(column)) + " LIKE " + QuoteLiteral(pattern);
  if (escaping) condition += " ESCAPE " + QuoteLiteral(std::string(1, kLikeEscape));
  return condition;
}

std::string PageFilterPattern(const std::string& text) { return "%" + text + "%"; }

// ---- The summary window's statement ----

namespace {
bool IsNameCharacter(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$';
}
}  // namespace

ScannedStatement ScanParameters(const std::string& text) {
  ScannedStatement result;
  result.text.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      // Quoted text runs to the matching mark; a doubled mark stands for itself, which the
      // plain close-and-reopen below handles.
      const std::size_t close = text.find(c, i + 1);
      if (close == std::string::npos) throw DatabaseError("quoted text is not closed");
      result.text.append(text, i, close + 1 - i);
      i = close + 1;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      const std::size_t close = text.find("*/", i + 2);
      if (close == std::string::npos) throw DatabaseError("comment is not closed");
      result.text.append(text, i, close + 2 - i);
      i = close + 2;
    } else if (c == ':' || c == '?') {
      std::size_t end = i + 1;
      while (end < n && IsNameCharacter(text[end])) ++end;
      if (end == i + 1) throw DatabaseError("parameter marker without a name");
      result.text += '?';
      ++result.parameter_count;
      i = end;
    } else {
      result.text += c;
      ++i;
    }
  }
  return result;
}

}  // namespace db
