// Conversions between record bytes, text, numbers and dates (see
// expr_values.h). The calendar arithmetic is the usual days-from-civil
// algorithm on the proleptic Gregorian calendar.
#include "storage/dbase/expr/expr_values.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kx::storage {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

constexpr double kJulianEpochOffset = 2440588;  // Julian day of 1970-01-01

long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

const double kFirstJulian = DaysFromCivil(1, 1, 1) + kJulianEpochOffset;
const double kLastJulian = DaysFromCivil(9999, 12, 31) + kJulianEpochOffset;

// Reads up to `max_digits` digits at p[*i]; -1 when there are none.
int ReadDigits(const unsigned char* p, int n, int* i, int max_digits, int* count) {
  int value = 0;
  *count = 0;
  while (*i < n && IsDigit(p[*i]) && *count < max_digits) {
    value = value * 10 + (p[*i] - '0');
    ++*i;
    ++*count;
  }
  return *count ? value : -1;
}

// Writes `count` decimal digits of v, zero padded on the left.
void PutDigits(int v, int count, unsigned char* out) {
  for (int i = count - 1; i >= 0; --i, v /= 10) out[i] = static_cast<unsigned char>('0' + v % 10);
}

}  // namespace

double FiniteOrZero(double value) { return std::isfinite(value) ? value : 0; }

double ParseNumberText(const unsigned char* p, int n) {
  int i = 0;
  while (i < n && p[i] == ' ') ++i;
  if (i < n && p[i] == '+') ++i;
  const int start = i;
  if (i < n && p[i] == '-') ++i;
  int digits = 0;
  while (i < n && IsDigit(p[i])) ++i, ++digits;
  if (i < n && p[i] == '.') {
    ++i;
    while (i < n && IsDigit(p[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  double value = 0;
  const char* first = reinterpret_cast<const char*>(p + start);
  const char* last = reinterpret_cast<const char*>(p + i);
  if (std::from_chars(first, last, value, std::chars_format::fixed).ec != std::errc()) return 0;
  return FiniteOrZero(value);
}

double DecodeNumericField(char type, const unsigned char* p, int n) {
  if ((type == 'I' || type == '+') && n == 4) {
    const std::uint32_t raw = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                              (std::uint32_t{p[2]} << 8) | p[3];
    return static_cast<std::int32_t>(raw ^ 0x80000000u);
  }
  if (type == 'O' && n == 8) {
    std::uint64_t raw = 0;
    for (int i = 0; i < 8; ++i) raw = (raw << 8) | p[i];
    // Stored so that memcmp sorts: non-negative values have the sign bit
    // set, negative ones are inverted whole.
    raw = (raw & (1ull << 63)) ? raw & ~(1ull << 63) : ~raw;
    return FiniteOrZero(std::bit_cast<double>(raw));
  }
  return ParseNumberText(p, n);
}

double JulianFromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return 0;
  if (day < 1 || day > DaysInMonth(year, month)) return 0;
  return static_cast<double>(DaysFromCivil(year, month, day)) + kJulianEpochOffset;
}

double NormalizeJulian(double julian) {
  if (!(julian >= kFirstJulian && julian <= kLastJulian)) return 0;
  return std::trunc(julian);
}

bool YmdFromJulian(double julian, int* year, int* month, int* day) {
  julian = NormalizeJulian(julian);
  if (julian == 0) return false;
  const long long z = static_cast<long long>(julian - kJulianEpochOffset) + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
  return true;
}

double ParseDtosText(const unsigned char* p, int n) {
  if (n < 8) return 0;
  for (int i = 0; i < 8; ++i) {
    if (!IsDigit(p[i])) return 0;
  }
  auto num = [p](int at, int len) {
    int v = 0;
    for (int i = at; i < at + len; ++i) v = v * 10 + (p[i] - '0');
    return v;
  };
  return JulianFromYmd(num(0, 4), num(4, 2), num(6, 2));
}

double ParseDtocText(const unsigned char* p, int n) {
  int i = 0;
  while (i < n && p[i] == ' ') ++i;
  int count = 0;
  const int month = ReadDigits(p, n, &i, 2, &count);
  if (month < 0 || i >= n || IsDigit(p[i])) return 0;
  ++i;
  const int day = ReadDigits(p, n, &i, 2, &count);
  if (day < 0 || i >= n || IsDigit(p[i])) return 0;
  ++i;
  int year = ReadDigits(p, n, &i, 4, &count);
  if (year < 0 || (i < n && IsDigit(p[i]))) return 0;
  while (i < n && p[i] == ' ') ++i;
  if (i != n) return 0;
  if (count <= 2) year += 1900;
  return JulianFromYmd(year, month, day);
}

void FormatDtos(double julian, unsigned char* out) {
  int y, m, d;
  if (!YmdFromJulian(julian, &y, &m, &d)) {
    std::memset(out, ' ', 8);
    return;
  }
  PutDigits(y, 4, out);
  PutDigits(m, 2, out + 4);
  PutDigits(d, 2, out + 6);
}

void FormatDtoc(double julian, unsigned char* out) {
  int y, m, d;
  if (!YmdFromJulian(julian, &y, &m, &d)) {
    std::memcpy(out, "  /  /  ", 8);
    return;
  }
  PutDigits(m, 2, out);
  out[2] = '/';
  PutDigits(d, 2, out + 3);
  out[5] = '/';
  PutDigits(y % 100, 2, out + 6);
}

namespace {

// The magnitude of `value` in decimal, rounded half away from zero to
// `decimals` places, as the digits without the point: integer digits
// (*int_digits of them, at least one), then exactly `decimals` fraction
// digits. Rounding works on the shortest text that reads back as the
// value, so 2.675 rounds to 2.68 as written, not as stored (2.67499...).
// REQUIRES: value finite, |value| < 1e20, 0 <= decimals <= 18.
int RoundedDigits(double value, int decimals, char* out, int* int_digits) {
  char text[64] = "0";
  int n = 1;
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-19) {  // smaller values round to 0 at any allowed places
    const auto r = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed);
    n = r.ec == std::errc() ? static_cast<int>(r.ptr - text) : 1;
  }
  const char* point = std::find(text, text + n, '.');
  const int whole = static_cast<int>(point - text);
  const char* fraction = point < text + n ? point + 1 : text + n;
  const int fraction_len = static_cast<int>(text + n - fraction);
  int len = 0;
  for (int i = 0; i < whole; ++i) out[len++] = text[i];
  for (int i = 0; i < decimals; ++i) out[len++] = i < fraction_len ? fraction[i] : '0';
  *int_digits = whole;
  if (decimals < fraction_len && fraction[decimals] >= '5') {
    int i = len - 1;
    while (i >= 0 && out[i] == '9') out[i--] = '0';
    if (i >= 0) {
      ++out[i];
    } else {
      std::memmove(out + 1, out, len++);
      out[0] = '1';
      ++*int_digits;
    }
  }
  return len;
}

}  // namespace

double RoundHalfAway(double value, int places) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e20) return FiniteOrZero(value);
  if (places < 0) {
    const double scale = std::pow(10.0, -places);
    return std::round(value / scale) * scale;
  }
  char digits[64];
  int int_digits = 0;
  const int len = RoundedDigits(value, std::min(places, 18), digits, &int_digits);
  // Put the point back and read the text again.
  char text[72];
  int n = 0;
  if (value < 0) text[n++] = '-';
  for (int i = 0; i < len; ++i) {
    if (i == int_digits) text[n++] = '.';
    text[n++] = digits[i];
  }
  double result = 0;
  std::from_chars(text, text + n, result, std::chars_format::fixed);
  return result;
}

void FormatStr(double value, int width, int decimals, unsigned char* out) {
  std::memset(out, '*', width);
  if (!std::isfinite(value) || std::fabs(value) >= 1e20) return;
  char digits[64];
  int int_digits = 0;
  const int len = RoundedDigits(value, decimals, digits, &int_digits);
  const bool negative = value < 0 && std::any_of(digits, digits + len, [](char c) { return c != '0'; });
  const int n = (negative ? 1 : 0) + len + (decimals > 0 ? 1 : 0);  // no "-0.00"
  if (n > width) return;
  unsigned char* p = out + width - n;
  std::memset(out, ' ', width - n);
  if (negative) *p++ = '-';
  for (int i = 0; i < len; ++i) {
    if (i == int_digits) *p++ = '.';
    *p++ = static_cast<unsigned char>(digits[i]);
  }
}

}  // namespace kx::storage
