// Declarations of the generated character tables (code_page_tables.cc and
// unicode_props.cc, written by gen/gen_lang_tables.py). Internal to
// storage/core/lang; other code uses code_page.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx::storage::lang_tables {

// A code-page byte with no character.
constexpr char16_t kUndefinedChar = 0xFFFF;

struct CodePageTable {
  std::uint16_t code_page;
  const char* title;
  const char16_t* to_unicode;  // 256 entries
};

enum CharKind : std::uint8_t { kKindOther = 0, kKindLatin = 1, kKindScript = 2 };

// One character that some code page holds. Letters carry their case partners
// (themselves when the partner is not a single character) and the base letter
// and accent class that dictionary orders compare; accent 1 means none.
struct UnicodeProps {
  char16_t code_point;
  char16_t upper;
  char16_t lower;
  char16_t base;  // lower-case base letter; 0 for non-letters
  std::uint8_t accent;
  std::uint8_t kind;  // CharKind
};

extern const CodePageTable kCodePageTables[];
extern const std::size_t kCodePageTableCount;
extern const UnicodeProps kUnicodeProps[];  // sorted by code_point
extern const std::size_t kUnicodePropsCount;

}  // namespace kx::storage::lang_tables
