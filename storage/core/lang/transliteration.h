// Transliteration: converting character data from one code page to another,
// byte by byte, through a 256-entry map built once per pair of code pages.
//
// A byte converts when its character (by the source code page) exists in the
// target code page. Bytes 0x00-0x7F convert to themselves whatever the code
// pages (all of the catalogue's are ASCII-compatible), so plain ASCII data
// passes even to or from code pages without a table here (multi-byte ones,
// 620, 868); any other byte of those does not convert. Converting between
// equal code pages changes nothing and never fails.
//
// Maps are cached for the life of the process and may be shared between
// threads; Apply is const and keeps no state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "storage/api/status.h"
#include "storage/core/lang/code_page.h"

namespace kx::storage {

// The first byte that did not convert.
struct TranscodeFailure {
  std::size_t offset = 0;
  std::uint8_t byte = 0;
  // Its character by the source code page; kNoChar when the source has none
  // (an undefined byte, or a code page without a table).
  char32_t character = kNoChar;
};

class Transliteration {
 public:
  // The map from `from_code_page` to `to_code_page`.
  static const Transliteration& Between(std::uint16_t from_code_page, std::uint16_t to_code_page);

  std::uint16_t from() const { return from_; }
  std::uint16_t to() const { return to_; }
  bool identity() const { return from_ == to_; }
  // True when every byte converts, so Apply cannot fail.
  bool total() const { return total_; }
  bool Converts(std::uint8_t byte) const { return converts_[byte]; }

  // Converts `bytes` in place. On failure returns false and fills `*failure`
  // (may be null); the bytes before the failing one are converted, the rest
  // are unchanged, so callers that must leave data untouched work on a copy.
  bool Apply(std::span<std::uint8_t> bytes, TranscodeFailure* failure) const;
  // The same from `in` into `out`, which holds at least in.size() bytes and
  // may be in.data() itself.
  bool Apply(std::span<const std::uint8_t> in, std::uint8_t* out, TranscodeFailure* failure) const;

  // DBIERR_CANNOTCONVERT saying which character could not be converted and
  // why, e.g. "cannot convert U+00E9 'é' at offset 3 from code page 437 to
  // code page 866". Callers add the record and field as context.
  Status FailureStatus(const TranscodeFailure& failure) const;

  Transliteration(std::uint16_t from_code_page, std::uint16_t to_code_page);

 private:
  std::uint16_t from_;
  std::uint16_t to_;
  bool total_ = true;
  std::array<std::uint8_t, 256> map_{};
  std::array<bool, 256> converts_{};
};

// One-shot form of Transliteration::Between(...).Apply(bytes, ...), returning
// FailureStatus on failure.
Status Transcode(std::uint16_t from_code_page, std::uint16_t to_code_page,
                 std::span<std::uint8_t> bytes, TranscodeFailure* failure = nullptr);

// True when data of every byte value may convert between the two code pages,
// i.e. they are equal or both have tables (single-byte with a known table).
bool CanTransliterate(std::uint16_t from_code_page, std::uint16_t to_code_page);

}  // namespace kx::storage
