// CodePage: a single-byte code page as a table from byte to Unicode, with the
// reverse lookup.
//
// Tables exist for the single-byte code pages the language drivers use, with
// Kamenicky under both of its numbers (867 and 895). Multi-byte code pages
// (932, 936, 949, 950) and single-byte ones without a dependable public table
// (620 Mazovia, 868, ROMAN8's 0) have none: Find returns null for them.
// Instances are built once, on first use, and live for the whole process, so
// the pointers may be kept and shared between threads.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

namespace kx::storage {

// The character of a byte that has none.
constexpr char32_t kNoChar = 0xFFFFFFFF;

class CodePage {
 public:
  // The code page `number`, or null when there is no table for it.
  static const CodePage* Find(std::uint16_t number);
  static bool IsMultiByte(std::uint16_t number);

  std::uint16_t number() const { return number_; }
  std::string_view title() const { return title_; }
  // The character `byte` stands for, or kNoChar when the code page leaves
  // the byte undefined. Bytes 0x00-0x7F are ASCII in every table.
  char32_t ToUnicode(std::uint8_t byte) const;
  // The byte that holds `ch`; false when the code page has none.
  bool FromUnicode(char32_t ch, std::uint8_t* byte) const;

  CodePage(std::uint16_t number, const char* title, const char16_t* to_unicode);

 private:
  std::uint16_t number_;
  std::string_view title_;
  const char16_t* to_unicode_;
  std::array<std::pair<char16_t, std::uint8_t>, 256> by_char_;  // sorted; first defined_ used
  int defined_ = 0;
};

}  // namespace kx::storage
