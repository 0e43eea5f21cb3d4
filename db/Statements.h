// The statement texts of the program, composed as lines. Every piece is put in unchanged except
// where a text goes between apostrophes, which QuoteLiteral does.
#pragma once

#include <string>
#include <vector>

namespace db {

std::vector<std::string> CreateDatabaseLines(const std::string& path,
                                             const std::vector<std::string>& parameter_lines);
// Names of the database's own tables (no views, no system tables), ascending.
extern const char* const kListTablesStatement;
std::vector<std::string> LaunchTableLines();
std::vector<std::string> InsertLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values);
std::vector<std::string> UpdateLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values,
                                     const std::string& condition);
std::vector<std::string> DeleteLines(const std::string& table, const std::string& condition);
std::vector<std::string> CountRowsLines(const std::string& table, const std::string& condition);
std::vector<std::string> CountFieldsLines(const std::string& table);
std::vector<std::string> SelectMaxLines(const std::string& table, const std::string& column,
                                        const std::string& condition);
std::vector<std::string> OpenSelectLines(const std::string& columns, const std::string& table,
                                         const std::string& condition, const std::string& order);

// A statement text prepared for the server in parameter-scanning mode: every marker (":name"
// or "?name") outside quotes and comments becomes "?". Throws DatabaseError for a marker
// without a name or a quotation or comment left open.
struct ScannedStatement {
  std::string text;
  int parameter_count = 0;
};
ScannedStatement ScanParameters(const std::string& text);

}  // namespace db
