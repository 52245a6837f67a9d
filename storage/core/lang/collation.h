// Collation: the order in which a language driver sorts character keys, as
// sort keys that compare with memcmp, plus the driver's UPPER/LOWER.
//
// A binary collation orders bytes as they are; its sort key is the text
// itself. A dictionary collation (every other SortOrder) compares in three
// levels: first the letters regardless of case and accent (punctuation and
// digits in code order among them, as ASCII places them; letters of other
// scripts after Latin ones; other bytes from 0x80 up in code order after
// ASCII), then accents, then case with lower case first. So
// "a" < "A" < "b" < "B" and "e" < "é" < "f". The sort key is the primary
// weights (2 bytes each), a 0 byte, the secondary weights (1 byte each), a
// 0 byte and the tertiary weights (1 byte each); a key for a lower strength
// stops after that level. Keys of texts of the same length compare level by
// level; a shorter text whose weights are a prefix sorts first.
//
// Weights come from each byte's character in the driver's code page
// (code_page.h), its base letter and accent (decomposition) and the tailoring
// of the sort order (collation_tailoring.h). For a code page without a table
// only ASCII letters fold; other bytes keep code order.
// storage/doc/language_drivers.md says where this may differ from the old
// engine. Collations are cached for the process; all calls are const and
// thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "storage/core/lang/lang_driver.h"

namespace kx::storage {

enum class Strength : std::uint8_t {
  kPrimary = 1,    // letters only: case and accents ignored
  kSecondary = 2,  // and accents: case ignored
  kTertiary = 3,   // and case: the full order
};

class Collation {
 public:
  static const Collation& For(const LangDriver& driver);
  static const Collation& For(SortOrder order, std::uint16_t code_page);

  SortOrder sort_order() const { return order_; }
  std::uint16_t code_page() const { return code_page_; }
  bool binary() const { return order_ == SortOrder::kBinary; }

  // The length of the sort key of a text of `length` bytes.
  std::size_t SortKeyLength(std::size_t length, Strength strength = Strength::kTertiary) const;
  // Writes the sort key of `text` to `out` (SortKeyLength bytes, owned by the
  // caller) and returns its length. For a binary collation a strength below
  // kTertiary compares case-insensitively: the key is the upper-cased text.
  std::size_t SortKey(std::span<const std::uint8_t> text, std::uint8_t* out,
                      Strength strength = Strength::kTertiary) const;
  // <0, 0, >0 as the sort keys of `a` and `b` compare; builds no key.
  int Compare(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
              Strength strength = Strength::kTertiary) const;

  // UPPER() and LOWER() of the driver: a letter whose other case exists in
  // the code page becomes it; every other byte stays.
  std::uint8_t Upper(std::uint8_t byte) const { return upper_[byte]; }
  std::uint8_t Lower(std::uint8_t byte) const { return lower_[byte]; }
  void ToUpper(std::span<std::uint8_t> text) const;
  void ToLower(std::span<std::uint8_t> text) const;

  Collation(SortOrder order, std::uint16_t code_page);

 private:
  void BuildWeights();
  void BuildCase();

  SortOrder order_;
  std::uint16_t code_page_;
  std::array<std::uint16_t, 256> primary_{};
  std::array<std::uint8_t, 256> secondary_{};
  std::array<std::uint8_t, 256> tertiary_{};
  std::array<std::uint8_t, 256> upper_{};
  std::array<std::uint8_t, 256> lower_{};
};

// "binary", "general", "nordic", ... for messages and listings.
std::string_view SortOrderName(SortOrder order);

}  // namespace kx::storage
