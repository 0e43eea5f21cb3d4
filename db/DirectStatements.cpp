#include "db/DirectStatements.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "db/Statements.h"

namespace db {

void ExecuteImmediate(Connection& connection, Transaction& transaction,
                      const std::vector<std::string>& lines) {
  const ClientLibrary& api = connection.Api();
  const std::string text = JoinStatementLines(lines);
  ISC_STATUS_ARRAY status = {};
  if (api.execute_immediate(status, connection.Handle(), transaction.Handle(), StatementLength(text),
                            text.c_str(), static_cast<unsigned short>(connection.Dialect()), nullptr)) {
    connection.Fail(status, "execute immediate");
  }
}

std::vector<std::optional<long long>> ReadWholeNumbers(Connection& connection, Transaction& transaction,
                                                       const std::vector<std::string>& lines) {
  constexpr int kMostColumns = 8;
  const ClientLibrary& api = connection.Api();
  const std::string text = JoinStatementLines(lines);
  std::unique_ptr<XSQLDA, void (*)(void*)> output(
      static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(kMostColumns))), std::free);
  if (!output) throw std::bad_alloc();
  output->version = SQLDA_VERSION1;
  output->sqln = kMostColumns;

  ISC_STATUS_ARRAY status = {};
  isc_stmt_handle statement = 0;
  // The statement is dropped however this ends; the client sends the drop with the next request.
  struct Drop {
    const ClientLibrary& api;
    isc_stmt_handle& handle;
    ~Drop() {
      if (handle == 0) return;
      ISC_STATUS_ARRAY ignored = {};
      api.free_statement(ignored, &handle, DSQL_drop);
    }
  } drop{api, statement};
  if (api.alloc_statement2(status, connection.Handle(), &statement)) {
    statement = 0;
    connection.Fail(status, "allocate statement");
  }
  // Prepared with the output descriptor: the columns are described in the same exchange.
  if (api.prepare(status, transaction.Handle(), &statement, StatementLength(text), text.c_str(),
                  static_cast<unsigned short>(connection.Dialect()), output.get())) {
    connection.Fail(status, "prepare");
  }
  const int columns = output->sqld;
  if (columns > kMostColumns) throw DatabaseError("too many columns for a row of numbers");
  std::vector<ISC_INT64> values(static_cast<std::size_t>(columns), 0);
  std::vector<ISC_SHORT> nulls(static_cast<std::size_t>(columns), 0);
  for (int k = 0; k < columns; ++k) {
    XSQLVAR& var = output->sqlvar[k];
    var.sqltype = SQL_INT64 | 1;  // the client converts INTEGER and BIGINT alike
    var.sqlscale = 0;
    var.sqllen = sizeof(ISC_INT64);
    var.sqldata = reinterpret_cast<ISC_SCHAR*>(&values[k]);
    var.sqlind = &nulls[k];
  }
  // A singleton SELECT: the execute call brings the row back with it.
  const ISC_STATUS result =
      api.execute2(status, transaction.Handle(), &statement, SQLDA_VERSION1, nullptr, output.get());
  std::vector<std::optional<long long>> row;
  if (result == 100) return row;  // no row
  if (result != 0) connection.Fail(status, "read");
  for (int k = 0; k < columns; ++k) {
    row.push_back(nulls[k] < 0 ? std::nullopt : std::optional<long long>(values[k]));
  }
  return row;
}

std::vector<std::optional<long long>> ReadWholeNumbersImmediate(Connection& connection, Transaction& transaction,
                                                                const std::vector<std::string>& lines, int columns) {
  bool found = false;
  const std::vector<std::string> texts = ReadTextsImmediate(connection, transaction, lines, columns, found);
  std::vector<std::optional<long long>> row;
  for (const std::string& text : texts) {
    row.push_back(text.empty() ? std::nullopt : std::optional<long long>(std::strtoll(text.c_str(), nullptr, 10)));
  }
  return row;
}

std::vector<std::string> ReadTextsImmediate(Connection& connection, Transaction& transaction,
                                            const std::vector<std::string>& lines, int columns, bool& found) {
  constexpr int kWidth = 4000;
  const ClientLibrary& api = connection.Api();
  const std::string text = JoinStatementLines(lines);
  std::unique_ptr<XSQLDA, void (*)(void*)> output(static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(columns))),
                                                  std::free);
  if (!output) throw std::bad_alloc();
  output->version = SQLDA_VERSION1;
  output->sqln = static_cast<ISC_SHORT>(columns);
  output->sqld = static_cast<ISC_SHORT>(columns);
  // Each value as a VARCHAR of the connection's character set (none: the bytes as stored).
  const std::size_t stride = sizeof(ISC_SHORT) + kWidth;
  std::vector<char> buffer(stride * static_cast<std::size_t>(columns) + 8, 0);
  std::vector<ISC_SHORT> nulls(static_cast<std::size_t>(columns), -1);  // stay NULL without a row
  for (int k = 0; k < columns; ++k) {
    XSQLVAR& var = output->sqlvar[k];
    var.sqltype = SQL_VARYING | 1;
    var.sqllen = kWidth;
    var.sqldata = buffer.data() + stride * static_cast<std::size_t>(k);
    var.sqlind = &nulls[static_cast<std::size_t>(k)];
  }
  ISC_STATUS_ARRAY status = {};
  const ISC_STATUS result = api.exec_immed2(status, connection.Handle(), transaction.Handle(), StatementLength(text),
                                            text.c_str(), static_cast<unsigned short>(connection.Dialect()), nullptr,
                                            output.get());
  // No row: the server says it fetched past the end of the singleton's result.
  const bool none = result == 100 || (result != 0 && status[1] == isc_stream_eof);
  if (result != 0 && !none) connection.Fail(status, "read");
  std::vector<std::string> row(static_cast<std::size_t>(columns));
  found = false;
  for (int k = 0; k < columns; ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    if (none || nulls[i] < 0) continue;
    found = true;
    ISC_SHORT length;
    std::memcpy(&length, output->sqlvar[k].sqldata, sizeof length);
    const char* value = output->sqlvar[k].sqldata + sizeof length;
    // Up to the first zero byte, as every value text.
    const void* zero = std::memchr(value, 0, static_cast<std::size_t>(length));
    row[i].assign(value, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - value)
                              : static_cast<std::size_t>(length));
  }
  return row;
}

}  // namespace db
