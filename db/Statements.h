// The statement texts of the program, composed as lines. Every piece is put in unchanged except
// where a text goes between apostrophes, which QuoteLiteral does. Nothing outside db/ writes a
// statement: callers pass the pieces these functions ask for.
#pragma once

#include <string>
#include <vector>

#include "db/LaunchTable.h"

namespace db {

// Text as a statement literal: between apostrophes, every apostrophe inside doubled.
std::string QuoteLiteral(const std::string& text);

// Statement lines joined, each followed by CR LF.
std::string JoinStatementLines(const std::vector<std::string>& lines);

std::vector<std::string> CreateDatabaseLines(const std::string& path,
                                             const std::vector<std::string>& parameter_lines);
// Names of the database's own tables (no views, no system tables), ascending.
extern const char* const kListTablesStatement;
// The number of the database's own tables named `table` in any letter case (0 or 1): one
// singleton answer instead of the listing.
std::vector<std::string> TableCountLines(const std::string& table);

// ---- The data operations' statements ----
std::vector<std::string> LaunchTableLines();
std::vector<std::string> InsertLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values);
std::vector<std::string> UpdateLines(const std::string& table, int count,
                                     const std::vector<std::string>& names,
                                     const std::vector<std::string>& values,
                                     const std::string& condition);
// `lines` (an UPDATE or DELETE of UpdateLines or DeleteLines) answering `column` of the row it
// changed.
std::vector<std::string> ReturningLines(std::vector<std::string> lines, const std::string& column);
std::vector<std::string> DeleteLines(const std::string& table, const std::string& condition);
std::vector<std::string> CountRowsLines(const std::string& table, const std::string& condition);
std::vector<std::string> CountFieldsLines(const std::string& table);
std::vector<std::string> SelectMaxLines(const std::string& table, const std::string& column,
                                        const std::string& condition);
// The highest registration number (NULL when the table holds none) and the number of the
// transaction that reads it, in one row (HIGHEST, TX), found by a bisection inside the server:
// each step asks the unique index for the first number at or above k (N >= k), so the cost
// follows the width of the INTEGER range, not the table. `seen` (above 0), a number seen before,
// is tried first as the lower bound. A singleton: execute-immediate with an answer sends, runs and answers
// it in one exchange.
std::vector<std::string> HighestNumberLines(const std::string& table, long long seen);
// The number of the transaction that reads it.
std::vector<std::string> CurrentTransactionLines();
std::vector<std::string> OpenSelectLines(const std::string& columns, const std::string& table,
                                         const std::string& condition, const std::string& order);

// Several statements sent to the server as one (one round trip, undone as a whole when refused).
std::vector<std::string> ExecuteBlockLines(const std::vector<std::vector<std::string>>& statements);

// The ten value literals of a launch row, as InsertRow takes them: the bare number, the texts
// quoted (or NULL when empty) and the bare size (or NULL).
std::vector<std::string> LaunchLiterals(long long number, const Launch& launch);

// ---- Conditions ----
// The launch row of a registration number.
std::string NumberCondition(long long number);
// Registration numbers from `lowest` up (answered through the unique index).
std::string NumberFromCondition(long long lowest);
// Numbers in `column` above `above` up to `up_to`, and all the others (below, above, none): the
// replacing import deletes a table a range at a time, each found through the number's index.
std::string NumberRangeCondition(const std::string& column, long long above, long long up_to);
std::string OutsideNumberRangeCondition(const std::string& column, long long above, long long up_to);
// A launch row by its ten value literals (as InsertRow takes them): columns 2 to 10 equal to
// their value, or NULL where the value is NULL, and the number too when `number` is above 0.
std::string LaunchLookupCondition(long long number, const std::vector<std::string>& values);
// The launch row at `number` with these values that the transaction of server number
// `transaction` wrote (its RDB$RECORD_VERSION, known to Firebird 3 and later): no other
// transaction can have made that record version.
std::string LaunchWrittenByCondition(long long number, long long transaction,
                                     const std::vector<std::string>& values);

// ---- The record list's page ----
// Every column of the launch table, filtered when `filter` is not empty, in `order`.
std::vector<std::string> PageStatementLines(const std::string& filter, const std::string& order);
// How many rows of the launch table the filter lets through (all when it is empty): one row,
// one column, counted on the server.
std::vector<std::string> PageCountLines(const std::string& filter);
// Ascending or descending by `column`; a date column sorts with its time column after it.
std::string PageOrder(LaunchColumn column, bool descending);
// `order` made total: the registration number (unique) decides among rows whose keys are equal,
// in the direction of the order's last key, so that no row can be on two pages or on none.
std::string TotalPageOrder(const std::string& order);
// Whether `order` is the registration number's own; `descending` tells its direction.
bool IsNumberOrder(const std::string& order, bool& descending);
// The rows at positions `first` to `first + count - 1` (1-based) of the filtered list in the
// total order of `order`, picked by the server (ROWS).
std::vector<std::string> PageRowsLines(const std::string& filter, const std::string& order, long long first,
                                       int count);
// In number order: the `count` rows whose numbers come next above `number` (`above`) or below
// it, found through the unique index, by number descending when `descending`.
std::vector<std::string> PageByKeyLines(const std::string& filter, long long number, bool above, int count,
                                        bool descending);
// The number and `column`'s value of every row the filter lets through, in the total order of
// `order`: what a filtered list needs to know its count and the positions of its rows.
std::vector<std::string> PageMatchLines(const std::string& filter, const std::string& order,
                                        LaunchColumn column);
// Every column of the rows of these numbers (in no particular order).
std::vector<std::string> PageRowsOfNumbersLines(const std::vector<long long>& numbers);
// The filter "`column` holds `text` anywhere", % and _ in the text keeping their pattern meaning
// (any run of characters, any one character). The server compares these columns byte by byte, so
// the condition is coarse: it keeps every row whose value matches PageFilterPattern(text) by
// character, and may keep others in which the text only matches from the second byte of a
// character; the caller drops those with cp932::MatchesLike. Apostrophes are doubled.
std::string PageFilter(LaunchColumn column, const std::string& text);
// The pattern a row's value must match by character (cp932::MatchesLike) to be shown.
std::string PageFilterPattern(const std::string& text);

// A statement text prepared for the server in parameter-scanning mode: every marker (":name"
// or "?name") outside quotes and comments becomes "?". Throws DatabaseError for a marker
// without a name or a quotation or comment left open.
struct ScannedStatement {
  std::string text;
  int parameter_count = 0;
};
ScannedStatement ScanParameters(const std::string& text);

}  // namespace db
