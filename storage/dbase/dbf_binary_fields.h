// The binary field encodings of level-7 tables: I and + (long, autoincrement),
// O (double) and @ (timestamp), to and from text.
//
// I/+: big-endian int32 with the sign bit inverted, so that bytes compare
// in numeric order. O: big-endian IEEE double, sign bit set for values >= 0
// and every bit inverted for negative ones (the same ordering trick).
// @: milliseconds since 0001-01-01 00:00 counting that day as day 1, as a
// double encoded like O. The @ reading follows one open-source reader;
// sources disagree (storage/doc/dbf_format.md, "Level 7 binary fields").
// All functions are pure; an all-zero field is the blank value.
#pragma once

#include <cstdint>
#include <string>

namespace kx::storage {

// Text to bytes; false when the text is no value of the type. Empty text
// gives the blank (all zero) field.
bool EncodeLongField(const std::string& text, std::uint8_t out[4]);
bool EncodeDoubleField(const std::string& text, std::uint8_t out[8]);
// "YYYYMMDDhhmmss" with optional ".mmm".
bool EncodeTimestampField(const std::string& text, std::uint8_t out[8]);

// Bytes to text: "" for a blank field. Doubles print with up to 17
// significant digits; timestamps as "YYYY-MM-DD hh:mm:ss.mmm".
std::string DecodeLongField(const std::uint8_t in[4]);
std::string DecodeDoubleField(const std::uint8_t in[8]);
std::string DecodeTimestampField(const std::uint8_t in[8]);

}  // namespace kx::storage
