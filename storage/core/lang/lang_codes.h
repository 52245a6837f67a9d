// Engine result codes of the language-driver layer that storage/api/codes.h
// does not carry yet; same names and values as engine/result_codes.h.
// When codes.h gains them, delete these and include codes.h instead.
#pragma once

#include <cstdint>

#include "storage/api/codes.h"

namespace kx::storage {

constexpr std::uint16_t DBIERR_INVALIDLANGDRV = 0x273B;  // 10043
constexpr std::uint16_t DBIERR_CANNOTCONVERT = 0x3004;

}  // namespace kx::storage
