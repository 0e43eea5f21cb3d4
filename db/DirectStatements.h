// Statements run in one exchange each, without the shared statement: a statement without result
// sent with its text (execute-immediate), and a one-row SELECT of whole numbers answered by its
// execute call. The launch registration is made of these, so it costs the fewest round trips.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Transaction.h"

namespace db {

// Runs `lines` in `transaction`. Throws DatabaseError.
void ExecuteImmediate(Connection& connection, Transaction& transaction,
                      const std::vector<std::string>& lines);

// The first row of a SELECT whose columns are whole numbers, each read as a 64-bit integer
// (nullopt for NULL); no row gives no values. Throws DatabaseError.
std::vector<std::optional<long long>> ReadWholeNumbers(Connection& connection, Transaction& transaction,
                                                       const std::vector<std::string>& lines);

// The same for a singleton that answers one row of `columns` whole numbers (a SELECT, or an
// EXECUTE BLOCK that suspends once): sent, run and answered in one exchange (ReadTextsImmediate).
// NULL, and no row, give nullopt. Throws DatabaseError.
std::vector<std::optional<long long>> ReadWholeNumbersImmediate(Connection& connection, Transaction& transaction,
                                                                const std::vector<std::string>& lines, int columns);

// The row a singleton answers (a SELECT, or a statement changing at most one row with RETURNING)
// as `columns` value texts, each converted by the server to a text of at most 4000 bytes (numbers
// as their digits); NULL gives an empty text. Sent, run and answered in one exchange. `found`:
// a row came (a row whose values are all NULL counts as none). Throws DatabaseError.
std::vector<std::string> ReadTextsImmediate(Connection& connection, Transaction& transaction,
                                            const std::vector<std::string>& lines, int columns, bool& found);

}  // namespace db
