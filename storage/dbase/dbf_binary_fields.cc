// Level-7 binary field encodings: see dbf_binary_fields.h.
#include "storage/dbase/dbf_binary_fields.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "storage/core/byte_order.h"

namespace kx::storage {
namespace {

constexpr double kMsPerDay = 86400000.0;

bool AllZero(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

void PutOrderedDouble(double v, std::uint8_t out[8]) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, 8);
  bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
}

double GetOrderedDouble(const std::uint8_t in[8]) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | in[i];
  bits = (bits >> 63) != 0 ? bits & ~(std::uint64_t{1} << 63) : ~bits;
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

// Days from 0001-01-01 (day 0) in the proleptic Gregorian calendar.
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  const long era = y / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 306;  // 0001-01-01 is day 0
}

void CivilFromDays(long z, long* y, long* m, long* d) {
  z += 306;
  const long era = z / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

bool Digits(const std::string& t, std::size_t at, int n, long* out) {
  if (at + n > t.size()) return false;
  long v = 0;
  for (int i = 0; i < n; ++i) {
    char c = t[at + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

}  // namespace

bool EncodeLongField(const std::string& text, std::uint8_t out[4]) {
  std::memset(out, 0, 4);
  if (text.empty()) return true;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  PutBe32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) ^ 0x80000000u);
  return true;
}

bool EncodeDoubleField(const std::string& text, std::uint8_t out[8]) {
  std::memset(out, 0, 8);
  if (text.empty()) return true;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  if (v == 0.0) v = 0.0;  // -0 orders as 0
  PutOrderedDouble(v, out);
  return true;
}

bool EncodeTimestampField(const std::string& text, std::uint8_t out[8]) {
  std::memset(out, 0, 8);
  if (text.empty()) return true;
  long y, mo, d, h, mi, s, ms = 0;
  if (!Digits(text, 0, 4, &y) || !Digits(text, 4, 2, &mo) || !Digits(text, 6, 2, &d) ||
      !Digits(text, 8, 2, &h) || !Digits(text, 10, 2, &mi) || !Digits(text, 12, 2, &s)) {
    return false;
  }
  if (text.size() != 14 && (text.size() != 18 || text[14] != '.' || !Digits(text, 15, 3, &ms))) {
    return false;
  }
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  const double days = static_cast<double>(DaysFromCivil(y, mo, d) + 1);
  PutOrderedDouble(days * kMsPerDay + ((h * 60 + mi) * 60 + s) * 1000.0 + ms, out);
  return true;
}

std::string DecodeLongField(const std::uint8_t in[4]) {
  if (AllZero(in, 4)) return "";
  return std::to_string(static_cast<std::int32_t>(GetBe32(in) ^ 0x80000000u));
}

std::string DecodeDoubleField(const std::uint8_t in[8]) {
  if (AllZero(in, 8)) return "";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", GetOrderedDouble(in));
  return text;
}

std::string DecodeTimestampField(const std::uint8_t in[8]) {
  if (AllZero(in, 8)) return "";
  const double v = GetOrderedDouble(in);
  if (!std::isfinite(v) || v < kMsPerDay || v > 4e17) return "?";
  const long long total = std::llround(v);
  const long days = static_cast<long>(total / 86400000LL) - 1;
  long ms = static_cast<long>(total % 86400000LL);
  long y, m, d;
  CivilFromDays(days, &y, &m, &d);
  char text[64];
  std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld %02ld:%02ld:%02ld.%03ld", y, m, d,
                ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return text;
}

}  // namespace kx::storage
