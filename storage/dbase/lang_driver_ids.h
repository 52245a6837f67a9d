// Language driver ids of dBASE headers (byte 29) and FoxPro code-page marks,
// and the engine driver names they stand for (storage/doc/dbf_format.md).
#pragma once

#include <cstdint>
#include <string>

namespace kx::storage {

// The driver name for a dBASE LDID, or null when the id is not one.
const char* DbaseDriverName(std::uint8_t ldid);
// The driver name for a FoxPro code-page mark, or null.
const char* FoxProDriverName(std::uint8_t mark);

}  // namespace kx::storage
