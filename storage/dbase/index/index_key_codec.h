// Stored key encodings of the index formats (storage/doc/indexes.md, "Keys").
//
//  * NDX numeric and date keys, MDX date keys: IEEE double, little-endian;
//    dates are Julian day numbers.
//  * MDX numeric keys: 12-byte packed decimal (MdxBcd*), made from the
//    field's text where possible so that 0.1 stays 0.1.
//  * CDX numeric and date keys: the double big-endian with its sign bit
//    flipped (or all bits inverted when negative), so memcmp orders them;
//    CDX integer keys likewise as 32-bit big-endian.
// Every Encode writes exactly the stated number of bytes; none allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kx::storage {

void PutDoubleLE(double value, std::uint8_t out[8]);
double GetDoubleLE(const std::uint8_t in[8]);

// memcmp order equals numeric order; -0.0 is stored as +0.0.
void EncodeOrderedDouble(double value, std::uint8_t out[8]);
double DecodeOrderedDouble(const std::uint8_t in[8]);
void EncodeOrderedInt32(std::int32_t value, std::uint8_t out[4]);
std::int32_t DecodeOrderedInt32(const std::uint8_t in[4]);

constexpr std::size_t kMdxBcdLength = 12;
// From numeric field text ("  -12.50", ".5", blanks = zero). Parsing stops
// at the first character that is not part of a plain decimal number, as
// VAL() does. Digits beyond the twentieth significant one are dropped.
void EncodeMdxBcdFromText(std::string_view text, std::uint8_t out[kMdxBcdLength]);
// From a double, through its 15 significant decimal digits.
void EncodeMdxBcdFromDouble(double value, std::uint8_t out[kMdxBcdLength]);
double DecodeMdxBcd(const std::uint8_t in[kMdxBcdLength]);
// A 12-byte key whose memcmp order is the numeric order of the BCD value
// (sign class, then magnitude; negatives reversed).
void MdxBcdSortKey(const std::uint8_t bcd[kMdxBcdLength], std::uint8_t out[kMdxBcdLength]);

// VAL()-style parse of numeric field text; blanks give 0.
double ParseNumericText(std::string_view text);

// Julian day number of a proleptic Gregorian date (1970-01-01 = 2440588).
double JulianDayNumber(int year, int month, int day);
// Julian day of a .dbf date field "YYYYMMDD"; blank or malformed gives 0,
// the value an empty date has in an index.
double JulianDayFromDbfDate(std::string_view yyyymmdd);

}  // namespace kx::storage
