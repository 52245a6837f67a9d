// Key encodings: doubles, ordered doubles and integers, MDX packed decimal.
//
// MDX packed decimal, 12 bytes: byte 0 = 0x34 + decimal exponent (digits
// before the point; each zero right after the point when there are none
// subtracts one); byte 1 = sign (0x80) | digit count << 2 | 0x01; bytes
// 2..11 = significant digits, two per byte, high nibble first, trailing
// zeros not counted. Zero is 0x34 0x01 and ten zero bytes.
#include "storage/dbase/index/index_key_codec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kx::storage {
namespace {

constexpr int kBcdMaxDigits = 20;
constexpr int kBcdBias = 0x34;

std::uint64_t DoubleBits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return bits;
}

double BitsDouble(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

// `digits` holds `count` significant digits (ASCII, first non-zero).
void PackBcd(bool negative, const char* digits, int count, int exponent,
             std::uint8_t out[kMdxBcdLength]) {
  while (count > 0 && digits[count - 1] == '0') --count;
  std::memset(out, 0, kMdxBcdLength);
  if (count == 0) {
    out[0] = kBcdBias;
    out[1] = 0x01;
    return;
  }
  int biased = kBcdBias + exponent;
  out[0] = static_cast<std::uint8_t>(biased < 0 ? 0 : biased > 255 ? 255 : biased);
  out[1] = static_cast<std::uint8_t>((negative ? 0x80 : 0) | (count << 2) | 0x01);
  for (int i = 0; i < count; ++i) {
    std::uint8_t nibble = static_cast<std::uint8_t>(digits[i] - '0');
    out[2 + i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(nibble << 4) : nibble;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void PutDoubleLE(double value, std::uint8_t out[8]) {
  std::uint64_t bits = DoubleBits(value);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double GetDoubleLE(const std::uint8_t in[8]) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | in[i];
  return BitsDouble(bits);
}

void EncodeOrderedDouble(double value, std::uint8_t out[8]) {
  if (value == 0.0) value = 0.0;  // folds -0.0
  std::uint64_t bits = DoubleBits(value);
  bits = (bits >> 63) ? ~bits : bits ^ (std::uint64_t{1} << 63);
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
}

double DecodeOrderedDouble(const std::uint8_t in[8]) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | in[i];
  bits = (bits >> 63) ? bits ^ (std::uint64_t{1} << 63) : ~bits;
  return BitsDouble(bits);
}

void EncodeOrderedInt32(std::int32_t value, std::uint8_t out[4]) {
  std::uint32_t bits = static_cast<std::uint32_t>(value) ^ 0x80000000u;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(bits >> (24 - 8 * i));
}

std::int32_t DecodeOrderedInt32(const std::uint8_t in[4]) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = (bits << 8) | in[i];
  return static_cast<std::int32_t>(bits ^ 0x80000000u);
}

void EncodeMdxBcdFromText(std::string_view text, std::uint8_t out[kMdxBcdLength]) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  char digits[kBcdMaxDigits];
  int count = 0;
  int exponent = 0;
  bool significant = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (!significant && text[i] == '0') continue;
    significant = true;
    ++exponent;
    if (count < kBcdMaxDigits) digits[count++] = text[i];
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      if (!significant && text[i] == '0') {
        --exponent;
        continue;
      }
      significant = true;
      if (count < kBcdMaxDigits) digits[count++] = text[i];
    }
  }
  PackBcd(negative, digits, count, exponent, out);
}

void EncodeMdxBcdFromDouble(double value, std::uint8_t out[kMdxBcdLength]) {
  if (!std::isfinite(value) || value == 0.0) {
    PackBcd(false, "", 0, 0, out);
    return;
  }
  // 15 significant digits: every decimal of up to 15 digits survives the
  // trip through a double unchanged, so a value read from "99999999.99"
  // does not come back as ...98999999.
  char text[40];
  std::snprintf(text, sizeof text, "%.14e", std::fabs(value));  // d.dddddddddddddde±XX
  char digits[15];
  digits[0] = text[0];
  std::memcpy(digits + 1, text + 2, 14);
  int exponent = std::atoi(std::strchr(text, 'e') + 1) + 1;
  PackBcd(value < 0, digits, 15, exponent, out);
}

double DecodeMdxBcd(const std::uint8_t in[kMdxBcdLength]) {
  int count = (in[1] >> 2) & 0x1F;
  if (count > kBcdMaxDigits) count = kBcdMaxDigits;
  if (count == 0) return 0.0;
  char text[48];
  int n = 0;
  if (in[1] & 0x80) text[n++] = '-';
  text[n++] = '0';
  text[n++] = '.';
  for (int i = 0; i < count; ++i) {
    std::uint8_t byte = in[2 + i / 2];
    text[n++] = static_cast<char>('0' + ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) % 10);
  }
  std::snprintf(text + n, sizeof text - n, "e%d", in[0] - kBcdBias);
  return std::strtod(text, nullptr);
}

void MdxBcdSortKey(const std::uint8_t bcd[kMdxBcdLength], std::uint8_t out[kMdxBcdLength]) {
  int count = (bcd[1] >> 2) & 0x1F;
  if (count > kBcdMaxDigits) count = kBcdMaxDigits;
  std::memset(out, 0, kMdxBcdLength);
  bool nonzero = false;
  for (int i = 0; i < count; ++i) {
    std::uint8_t nibble = (i % 2 == 0) ? bcd[2 + i / 2] >> 4 : bcd[2 + i / 2] & 0x0F;
    nonzero |= nibble != 0;
    out[2 + i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(nibble << 4) : nibble;
  }
  if (!nonzero) {
    std::memset(out, 0, kMdxBcdLength);
    out[0] = 1;  // zero sorts between the negatives (0) and the positives (2)
    return;
  }
  bool negative = bcd[1] & 0x80;
  out[0] = negative ? 0 : 2;
  out[1] = bcd[0];
  if (negative) {
    for (std::size_t i = 1; i < kMdxBcdLength; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
  }
}

double ParseNumericText(std::string_view text) {
  char buf[64];
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) buf[n++] = text[i++];
  bool point = false;
  for (; i < text.size() && n + 1 < sizeof buf; ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (!IsDigit(c)) {
      break;
    }
    buf[n++] = c;
  }
  buf[n] = '\0';
  return std::strtod(buf, nullptr);
}

double JulianDayNumber(int year, int month, int day) {
  long a = (14 - month) / 12;
  long y = year + 4800L - a;
  long m = month + 12L * a - 3;
  return static_cast<double>(day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045);
}

double JulianDayFromDbfDate(std::string_view yyyymmdd) {
  if (yyyymmdd.size() < 8) return 0;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (!IsDigit(yyyymmdd[i])) return 0;
    v[i] = yyyymmdd[i] - '0';
  }
  int year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  int month = v[4] * 10 + v[5];
  int day = v[6] * 10 + v[7];
  if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
  return JulianDayNumber(year, month, day);
}

}  // namespace kx::storage
