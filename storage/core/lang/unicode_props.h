// Lookup of the generated character properties (generated_tables.h): case
// partners, base letter and accent class of every character that a code
// page of code_page.h holds. Internal to storage/core/lang.
#pragma once

#include "storage/core/lang/generated_tables.h"

namespace kx::storage {

// The properties of `ch`, or null when no code page table holds it.
const lang_tables::UnicodeProps* FindUnicodeProps(char32_t ch);

}  // namespace kx::storage
