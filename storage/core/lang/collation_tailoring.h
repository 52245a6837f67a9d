// Alphabet tailorings of the dictionary sort orders: letters that a language
// sorts as letters of their own, and where. Internal to storage/core/lang.
#pragma once

#include <cstdint>
#include <span>

#include "storage/core/lang/lang_driver.h"

namespace kx::storage {

// A lower-case letter that sorts at `offset` (1-15) after the ASCII letter
// `anchor`, or with it (offset 0) where the letter belongs to another base.
struct TailoredLetter {
  char16_t letter;
  char anchor;
  std::uint8_t offset;
};

// The tailoring of `order` (empty for kBinary and kGeneral).
std::span<const TailoredLetter> TailoringOf(SortOrder order);

// Placement of a Latin letter whose base is no ASCII letter (thorn), used
// when the order's tailoring does not place it. False for unknown letters.
bool DefaultPlacementOf(char16_t letter, TailoredLetter* placement);

}  // namespace kx::storage
