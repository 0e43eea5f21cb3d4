#include "db/RowReader.h"

#include <optional>

#include "db/Connection.h"
#include "db/DirectStatements.h"
#include "db/Transaction.h"

namespace db {

RowReader::RowReader(DataModule& data) : data_(data), query_(data.IBQuery1()) {}

RowReader::~RowReader() { Close(); }

void RowReader::Open(const std::vector<std::string>& lines, bool new_transaction) {
  if (new_transaction) data_.CloseQuery();
  query_.SetParamCheck(true);
  query_.SetLines(lines);
  query_.SetUniDirectional(true);  // walked forward once: the cache keeps only the current row
  query_.Open();
}

void RowReader::Close() {
  try {
    query_.Close();
  } catch (const std::exception&) {
  }
}

void ReadRows(DataModule& data, const std::vector<std::string>& lines,
              const std::function<void(RowReader&)>& walk, bool new_transaction) {
  RowReader reader(data);
  reader.Open(lines, new_transaction);
  walk(reader);
}

long long ReadCount(DataModule& data, const std::vector<std::string>& lines) {
  Connection& connection = data.IBDatabase1();
  Transaction& transaction = data.IBTransaction1();
  if (!connection.Connected()) connection.Open();  // as a read on the shared statement would
  if (!transaction.InTransaction()) transaction.StartTransaction();
  const std::vector<std::optional<long long>> row = ReadWholeNumbersImmediate(connection, transaction, lines, 1);
  return row.empty() || !row[0] ? 0 : *row[0];
}

LaunchTableState ReadRowsRecovering(DataModule& data, const std::vector<std::string>& lines,
                                    const std::function<void(RowReader&)>& walk, bool create_when_missing) {
  return data.RunRecovering([&] { ReadRows(data, lines, walk); }, create_when_missing);
}

}  // namespace db
