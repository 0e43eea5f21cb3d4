// The text of one value of a fetched row, as the program shows, compares and exports it.
#pragma once

#include <cstddef>
#include <string>

namespace db {

// `type` is the column's sqltype without the nullable bit, `scale` its decimal scale, `data` the
// value as the client library wrote it (never NULL here; for VARYING without its length word).
// Texts end at their first zero byte; numbers are plain decimals with the scale applied; dates
// are yyyy-mm-dd and times hh:mm:ss; BLOB, ARRAY and the like have no text here.
std::string FormatValue(short type, short scale, const char* data, std::size_t length);

}  // namespace db
