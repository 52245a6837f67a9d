// The engine result codes that storage returns, by the engine's numbers.
//
// storage/ may not include engine/ headers, so the few codes it needs are
// repeated here with the same names and values as engine/result_codes.h.
// Keep the two in step: a code added here must exist there.
#pragma once

#include <cstdint>

namespace kx::storage {

constexpr std::uint16_t DBIERR_NONE = 0;

constexpr std::uint16_t DBIERR_NOSUCHFILE = 0x2204;
constexpr std::uint16_t DBIERR_NOSUCHTABLE = 0x2205;
constexpr std::uint16_t DBIERR_NOMEMOFILE = 0x2209;
constexpr std::uint16_t DBIERR_NOSUCHINDEX = 0x220D;

constexpr std::uint16_t DBIERR_HEADERCORRUPT = 0x2301;
constexpr std::uint16_t DBIERR_FILECORRUPT = 0x2302;
constexpr std::uint16_t DBIERR_MEMOCORRUPT = 0x2303;
constexpr std::uint16_t DBIERR_INDEXCORRUPT = 0x2305;

constexpr std::uint16_t DBIERR_READERR = 0x2401;
constexpr std::uint16_t DBIERR_WRITEERR = 0x2402;
constexpr std::uint16_t DBIERR_OSACCESS = 0x2404;
constexpr std::uint16_t DBIERR_SYNCERR = 0x2405;
constexpr std::uint16_t DBIERR_RENAMEERR = 0x2406;
constexpr std::uint16_t DBIERR_HARDLINK = 0x2407;

constexpr std::uint16_t DBIERR_NOMEMORY = 0x2501;
constexpr std::uint16_t DBIERR_NODISKSPACE = 0x2503;
constexpr std::uint16_t DBIERR_RECTOOBIG = 0x2504;

constexpr std::uint16_t DBIERR_INVALIDPARAM = 0x2702;
constexpr std::uint16_t DBIERR_INVALIDOPTPARAM = 0x270A;
constexpr std::uint16_t DBIERR_INVALIDVALUE = 0x2712;
constexpr std::uint16_t DBIERR_INVALIDLANGDRV = 0x273B;  // 10043

constexpr std::uint16_t DBIERR_FILEBUSY = 0x2803;

constexpr std::uint16_t DBIERR_NOTSUPPORTED = 0x3001;
constexpr std::uint16_t DBIERR_INDEXNOTSUPPORTED = 0x3002;
constexpr std::uint16_t DBIERR_ENCRYPTED = 0x3003;
constexpr std::uint16_t DBIERR_CANNOTCONVERT = 0x3004;

}  // namespace kx::storage
