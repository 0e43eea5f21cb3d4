#include "db/ValueFormat.h"

#include <ibase.h>

#include <cstdio>
#include <cstring>

namespace db {
namespace {

template <typename T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

std::string ScaledInteger(long long value, short scale) {
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  if (scale < 0) {
    const std::size_t places = static_cast<std::size_t>(-scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    digits.insert(digits.size() - places, ".");
  } else if (scale > 0) {
    digits.append(static_cast<std::size_t>(scale), '0');
  }
  return value < 0 ? "-" + digits : digits;
}

std::string DateText(int days_since_1858_11_17) {
  // Modified Julian Day to a civil date.
  long long jd = days_since_1858_11_17 + 2400001LL;
  long long a = jd + 32044;
  long long b = (4 * a + 3) / 146097;
  long long c = a - 146097 * b / 4;
  long long d = (4 * c + 3) / 1461;
  long long e = c - 1461 * d / 4;
  long long m = (5 * e + 2) / 153;
  int day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  int month = static_cast<int>(m + 3 - 12 * (m / 10));
  long long year = 100 * b + d - 4800 + m / 10;
  char text[32];
  std::snprintf(text, sizeof(text), "%04lld-%02d-%02d", year, month, day);
  return text;
}

std::string TimeText(unsigned int ten_thousandths) {
  unsigned int seconds = ten_thousandths / 10000;
  char text[32];
  std::snprintf(text, sizeof(text), "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

}  // namespace

std::string FormatValue(short type, short scale, const char* data, std::size_t length) {
  switch (type) {
    case SQL_VARYING:
    case SQL_TEXT: {
      const void* zero = std::memchr(data, 0, length);
      return std::string(data, zero ? static_cast<const char*>(zero) - data : length);
    }
    case SQL_SHORT:
      return ScaledInteger(Load<short>(data), scale);
    case SQL_LONG:
      return ScaledInteger(Load<ISC_LONG>(data), scale);
    case SQL_INT64:
      return ScaledInteger(Load<ISC_INT64>(data), scale);
    case SQL_FLOAT: {
      char text[64];
      std::snprintf(text, sizeof(text), "%.7g", static_cast<double>(Load<float>(data)));
      return text;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      char text[64];
      std::snprintf(text, sizeof(text), "%.15g", Load<double>(data));
      return text;
    }
    case SQL_TYPE_DATE:
      return DateText(Load<ISC_DATE>(data));
    case SQL_TYPE_TIME:
      return TimeText(Load<ISC_TIME>(data));
    case SQL_TIMESTAMP:
      return DateText(Load<ISC_DATE>(data)) + " " + TimeText(Load<ISC_TIME>(data + sizeof(ISC_DATE)));
    case SQL_BOOLEAN:
      return data[0] ? "TRUE" : "FALSE";
    default:
      return std::string();  // BLOB, ARRAY and the like have no text here
  }
}

}  // namespace db
