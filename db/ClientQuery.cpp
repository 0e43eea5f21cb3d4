#include "db/ClientQuery.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/DirectStatements.h"
#include "db/Statements.h"
#include "db/ValueFormat.h"

namespace db {
namespace {

constexpr std::uint16_t kNullLength = 0xFFFF;
constexpr std::size_t kBlockSize = 256 * 1024;

XSQLDA* NewDescriptor(int count) {
  XSQLDA* sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(count)));
  if (sqlda == nullptr) throw std::bad_alloc();
  sqlda->version = SQLDA_VERSION1;
  sqlda->sqln = static_cast<ISC_SHORT>(count);
  return sqlda;
}

template <typename T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

}  // namespace

ClientQuery::ClientQuery(Connection& connection, Transaction& transaction)
    : connection_(connection), transaction_(transaction) {}

ClientQuery::~ClientQuery() { ReleaseQuietly(); }

void ClientQuery::SetLines(const std::vector<std::string>& lines) {
  Release();
  lines_ = lines;
}

void ClientQuery::ConnectOnDemand() {
  if (!connection_.Connected()) connection_.Open();
}

void ClientQuery::Prepare() {
  if (prepared_) return;
  const ClientLibrary& api = connection_.Api();
  ConnectOnDemand();
  const std::string joined = JoinStatementLines(lines_);
  if (param_check_) {
    ScannedStatement scanned = ScanParameters(joined);
    sent_text_ = std::move(scanned.text);
    parameter_count_ = scanned.parameter_count;
  } else {
    sent_text_ = joined;
    parameter_count_ = 0;
  }
  ISC_STATUS_ARRAY status = {};
  if (handle_ == 0 && api.alloc_statement2(status, connection_.Handle(), &handle_)) {
    handle_ = 0;
    connection_.Fail(status, "allocate statement");
  }
  const unsigned short dialect = static_cast<unsigned short>(connection_.Dialect());
  if (api.prepare(status, transaction_.Handle(), &handle_, StatementLength(sent_text_),
                  sent_text_.c_str(), dialect, nullptr)) {
    connection_.Fail(status, "prepare");
  }
  const char items[] = {isc_info_sql_stmt_type};
  char answer[32] = {};
  if (api.sql_info(status, &handle_, sizeof(items), items, sizeof(answer), answer)) {
    connection_.Fail(status, "statement info");
  }
  statement_type_ = 0;
  if (answer[0] == isc_info_sql_stmt_type) {
    const short length = static_cast<short>(api.vax_integer(answer + 1, 2));
    statement_type_ = static_cast<int>(api.vax_integer(answer + 3, length));
  }
  // Every parameter is bound as NULL: the program never gives one a value.
  input_.reset();
  if (parameter_count_ > 0) {
    input_ = std::unique_ptr<XSQLDA, void (*)(void*)>(NewDescriptor(parameter_count_), std::free);
    input_->sqld = static_cast<ISC_SHORT>(parameter_count_);
    input_nulls_.assign(static_cast<std::size_t>(parameter_count_), -1);
    for (int i = 0; i < parameter_count_; ++i) {
      XSQLVAR& var = input_->sqlvar[i];
      var.sqltype = SQL_TEXT + 1;
      var.sqllen = 1;
      var.sqldata = input_dummy_;
      var.sqlind = &input_nulls_[static_cast<std::size_t>(i)];
    }
  }
  columns_.clear();
  output_.reset();
  if (statement_type_ == isc_info_sql_stmt_select ||
      statement_type_ == isc_info_sql_stmt_select_for_upd) {
    Describe();
  }
  prepared_ = true;
}

long long ClientQuery::ImmediateInteger(const std::vector<std::string>& lines) {
  Release();
  lines_ = lines;
  sent_text_ = JoinStatementLines(lines_);
  const ClientLibrary& api = connection_.Api();
  std::unique_ptr<XSQLDA, void (*)(void*)> answer(NewDescriptor(1), std::free);
  ISC_INT64 value = 0;
  short null_flag = 0;
  answer->sqld = 1;
  answer->sqlvar[0].sqltype = SQL_INT64 + 1;
  answer->sqlvar[0].sqllen = sizeof value;
  answer->sqlvar[0].sqldata = reinterpret_cast<ISC_SCHAR*>(&value);
  answer->sqlvar[0].sqlind = &null_flag;
  ISC_STATUS_ARRAY status = {};
  if (api.exec_immed2(status, connection_.Handle(), transaction_.Handle(), StatementLength(sent_text_),
                      sent_text_.c_str(), static_cast<unsigned short>(connection_.Dialect()), nullptr,
                      answer.get())) {
    connection_.Fail(status, "singleton select");
  }
  return null_flag < 0 ? 0 : static_cast<long long>(value);
}

void ClientQuery::ExecuteImmediate(const std::vector<std::string>& lines) {
  Release();
  lines_ = lines;
  sent_text_ = JoinStatementLines(lines_);
  db::ExecuteImmediate(connection_, transaction_, lines_);
}

void ClientQuery::Describe() {
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  int capacity = 32;
  for (;;) {
    output_ = std::unique_ptr<XSQLDA, void (*)(void*)>(NewDescriptor(capacity), std::free);
    if (api.describe(status, &handle_, SQLDA_VERSION1, output_.get())) {
      connection_.Fail(status, "describe");
    }
    if (output_->sqld <= capacity) break;
    capacity = output_->sqld;
  }
  const int count = output_->sqld;
  // One buffer for a whole fetched row, each value aligned for its type.
  std::size_t size = 0;
  std::vector<std::size_t> offsets(static_cast<std::size_t>(count));
  std::vector<std::size_t> null_offsets(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    XSQLVAR& var = output_->sqlvar[i];
    Column column;
    column.name.assign(var.aliasname, static_cast<std::size_t>(var.aliasname_length));
    if (column.name.empty()) column.name.assign(var.sqlname, static_cast<std::size_t>(var.sqlname_length));
    column.type = static_cast<short>(var.sqltype & ~1);
    column.scale = var.sqlscale;
    column.length = var.sqllen;
    column.subtype = var.sqlsubtype;
    columns_.push_back(column);
    std::size_t bytes = static_cast<std::size_t>(var.sqllen) + (column.type == SQL_VARYING ? 2 : 0);
    size = (size + 7) & ~static_cast<std::size_t>(7);
    offsets[static_cast<std::size_t>(i)] = size;
    size += bytes;
    size = (size + 1) & ~static_cast<std::size_t>(1);
    null_offsets[static_cast<std::size_t>(i)] = size;
    size += sizeof(short);
  }
  row_buffer_.assign(size + 8, 0);
  for (int i = 0; i < count; ++i) {
    XSQLVAR& var = output_->sqlvar[i];
    var.sqldata = row_buffer_.data() + offsets[static_cast<std::size_t>(i)];
    var.sqlind = reinterpret_cast<short*>(row_buffer_.data() + null_offsets[static_cast<std::size_t>(i)]);
  }
}

void ClientQuery::ExecSQL() {
  if (open_) Close();
  ConnectOnDemand();
  Prepare();
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  rows_affected_ = 0;
  if (api.execute(status, transaction_.Handle(), &handle_, SQLDA_VERSION1, input_.get())) {
    connection_.Fail(status, "execute");
  }
  if (statement_type_ != isc_info_sql_stmt_update && statement_type_ != isc_info_sql_stmt_delete) {
    return;
  }
  const char items[] = {isc_info_sql_records};
  char answer[128] = {};
  if (api.sql_info(status, &handle_, sizeof(items), items, sizeof(answer), answer)) {
    connection_.Fail(status, "record counts");
  }
  if (answer[0] != isc_info_sql_records) return;
  const char* p = answer + 3;
  const char* end = answer + sizeof(answer);
  while (p + 3 <= end && *p != isc_info_end) {
    const char item = *p;
    const short length = static_cast<short>(api.vax_integer(p + 1, 2));
    if (length < 0 || p + 3 + length > end) break;
    const long long value = api.vax_integer(p + 3, length);
    if (item == isc_info_req_update_count || item == isc_info_req_delete_count) {
      rows_affected_ += value;
    }
    p += 3 + length;
  }
}

void ClientQuery::Open() {
  if (open_) Close();
  result_unidirectional_ = unidirectional_;
  unidirectional_ = false;
  ConnectOnDemand();
  if (!transaction_.InTransaction()) transaction_.StartTransaction();
  Prepare();
  if (output_ == nullptr) throw DatabaseError("the statement returns no rows");
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  if (api.execute2(status, transaction_.Handle(), &handle_, SQLDA_VERSION1, input_.get(), nullptr)) {
    connection_.Fail(status, "open");
  }
  // No cursor name is set: no statement refers to one (WHERE CURRENT OF), and naming costs a
  // round trip per result.
  open_ = true;
  server_done_ = false;
  ClearCache();
  try {
    First();
  } catch (...) {
    // A result whose first fetch failed is not left half open.
    ReleaseQuietly();
    throw;
  }
}

void ClientQuery::ClearCache() {
  blocks_.clear();
  row_count_ = 0;
  passed_ = 0;
  current_ = -1;
  current_position_ = Position();
  last_position_ = Position();
  eof_ = true;
}

bool ClientQuery::FetchRow(bool keep) {
  if (server_done_) return false;
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  const ISC_STATUS result = api.fetch(status, &handle_, SQLDA_VERSION1, output_.get());
  if (result == 100) {
    server_done_ = true;
    return false;
  }
  if (result != 0) connection_.Fail(status, "fetch");
  if (keep) StoreFetchedRow();
  return true;
}

void ClientQuery::StoreFetchedRow() {
  if (result_unidirectional_ && row_count_ > 0) {
    // The rows behind are never visited again: the cache is reused for the new row.
    passed_ += static_cast<long long>(row_count_);
    blocks_.resize(1);
    blocks_[0].used = 0;
    row_count_ = 0;
    current_ = -1;
    current_position_ = Position();
  }
  // Packed row: 4-byte length of what follows, then per column a 2-byte length (0xFFFF for
  // NULL) and the value's bytes.
  std::size_t size = 4;
  const int count = output_->sqld;
  for (int i = 0; i < count; ++i) {
    const XSQLVAR& var = output_->sqlvar[i];
    size += 2;
    if ((var.sqltype & 1) && *var.sqlind < 0) continue;
    size += columns_[static_cast<std::size_t>(i)].type == SQL_VARYING
                ? static_cast<std::size_t>(Load<short>(var.sqldata))
                : static_cast<std::size_t>(var.sqllen);
  }
  if (blocks_.empty() || blocks_.back().size - blocks_.back().used < size) {
    // An empty cache whose one block is too small for this row: the row must start at the
    // first block, where the first row is looked for.
    if (row_count_ == 0) blocks_.clear();
    Block block;
    block.size = size > kBlockSize ? size : kBlockSize;
    block.data.reset(new char[block.size]);
    blocks_.push_back(std::move(block));
  }
  Block& block = blocks_.back();
  char* out = block.data.get() + block.used;
  const std::uint32_t body = static_cast<std::uint32_t>(size - 4);
  std::memcpy(out, &body, 4);
  char* p = out + 4;
  for (int i = 0; i < count; ++i) {
    const XSQLVAR& var = output_->sqlvar[i];
    std::uint16_t length;
    const char* data = var.sqldata;
    if ((var.sqltype & 1) && *var.sqlind < 0) {
      length = kNullLength;
    } else if (columns_[static_cast<std::size_t>(i)].type == SQL_VARYING) {
      length = static_cast<std::uint16_t>(Load<short>(var.sqldata));
      data += 2;
    } else {
      length = static_cast<std::uint16_t>(var.sqllen);
    }
    std::memcpy(p, &length, 2);
    p += 2;
    if (length != kNullLength) {
      std::memcpy(p, data, length);
      p += length;
    }
  }
  last_position_ = Position{blocks_.size() - 1, block.used};
  block.used += size;
  ++row_count_;
}

const char* ClientQuery::RowAt(const Position& position) const {
  return blocks_[position.block].data.get() + position.offset;
}

ClientQuery::Position ClientQuery::After(const Position& position) const {
  std::uint32_t body;
  std::memcpy(&body, RowAt(position), 4);
  Position next{position.block, position.offset + 4 + body};
  if (next.offset >= blocks_[next.block].used) {
    ++next.block;
    next.offset = 0;
  }
  return next;
}

void ClientQuery::First() {
  if (!open_) throw DatabaseError("no result is open");
  if (passed_ > 0) throw DatabaseError("a uni-directional result cannot go back to its first row");
  if (row_count_ == 0) FetchRow(true);
  if (row_count_ == 0) {
    current_ = -1;
    eof_ = true;
    return;
  }
  current_ = 0;
  current_position_ = Position();
  eof_ = false;
}

void ClientQuery::MoveBy(int count) {
  if (!open_) throw DatabaseError("no result is open");
  for (int step = 0; step < count && !eof_; ++step) {
    if (current_ + 1 < static_cast<long long>(row_count_) || FetchRow(true)) {
      current_position_ = current_ < 0 ? Position() : After(current_position_);
      ++current_;
    } else {
      eof_ = true;
    }
  }
}

void ClientQuery::Last() {
  if (!open_) throw DatabaseError("no result is open");
  while (FetchRow(true)) {
  }
  if (row_count_ > 0) {
    current_ = static_cast<long long>(row_count_) - 1;
    current_position_ = last_position_;
  }
  eof_ = true;
}

long long ClientQuery::CountToEnd() {
  if (!open_) throw DatabaseError("no result is open");
  long long count = static_cast<long long>(row_count_);
  while (FetchRow(false)) ++count;
  eof_ = true;
  return count;
}

std::string ClientQuery::FieldName(int column) const {
  if (column < 0 || column >= FieldCount()) throw DatabaseError("no such column");
  return columns_[static_cast<std::size_t>(column)].name;
}

FieldType ClientQuery::GetFieldType(int column) const {
  if (column < 0 || column >= FieldCount()) throw DatabaseError("no such column");
  const Column& c = columns_[static_cast<std::size_t>(column)];
  if (c.type == SQL_TEXT || c.type == SQL_VARYING) return FieldType::String;
  if (c.type == SQL_LONG && c.scale == 0) return FieldType::Integer;
  return FieldType::Other;
}

const char* ClientQuery::ValueAt(int column, std::uint16_t& length) const {
  const char* p = RowAt(current_position_) + 4;
  for (int i = 0;; ++i) {
    std::memcpy(&length, p, 2);
    p += 2;
    if (i == column) return p;
    if (length != kNullLength) p += length;
  }
}

std::string ClientQuery::ValueText(int column) const {
  if (!open_) throw DatabaseError("no result is open");
  if (column < 0 || column >= FieldCount()) throw DatabaseError("no such column");
  if (current_ < 0) return std::string();
  std::uint16_t length;
  const char* data = ValueAt(column, length);
  if (length == kNullLength) return std::string();
  const Column& c = columns_[static_cast<std::size_t>(column)];
  return FormatValue(c.type, c.scale, data, length);
}

void ClientQuery::ReadRow(std::vector<std::string>& values) const {
  const std::size_t count = columns_.size();
  if (values.size() < count) values.resize(count);
  if (current_ < 0) {
    for (std::size_t i = 0; i < count; ++i) values[i].clear();
    return;
  }
  const char* p = RowAt(current_position_) + 4;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t length;
    std::memcpy(&length, p, 2);
    p += 2;
    if (length == kNullLength) {
      values[i].clear();
      continue;
    }
    const Column& c = columns_[i];
    if (c.type == SQL_VARYING || c.type == SQL_TEXT) {
      const void* zero = std::memchr(p, 0, length);
      values[i].assign(p, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - p) : length);
    } else {
      values[i] = FormatValue(c.type, c.scale, p, length);
    }
    p += length;
  }
}

void ClientQuery::Close() {
  if (!open_) return;
  open_ = false;
  ClearCache();
  const ClientLibrary& api = connection_.Api();
  ISC_STATUS_ARRAY status = {};
  if (handle_ != 0 && api.free_statement(status, &handle_, DSQL_close)) {
    connection_.Fail(status, "close");
  }
}

void ClientQuery::Release() {
  Close();
  if (handle_ != 0) {
    const ClientLibrary& api = connection_.Api();
    ISC_STATUS_ARRAY status = {};
    if (api.free_statement(status, &handle_, DSQL_drop)) {
      handle_ = 0;
      prepared_ = false;
      connection_.Fail(status, "release statement");
    }
  }
  handle_ = 0;
  prepared_ = false;
}

void ClientQuery::ReleaseQuietly() {
  open_ = false;
  ClearCache();
  if (handle_ != 0) {
    if (const ClientLibrary* api = LoadClientLibrary()) {
      ISC_STATUS_ARRAY status = {};
      api->free_statement(status, &handle_, DSQL_drop);
    }
  }
  handle_ = 0;
  prepared_ = false;
}

}  // namespace db
