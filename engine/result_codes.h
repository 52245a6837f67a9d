// The engine's result codes and their texts, in one table.
//
// A code is a category (high byte) plus a detail (low byte). Codes that the
// component names keep their historic numbers; the others are our own in the
// same scheme. ResultText never returns null.
#pragma once

#include <cstdint>

namespace kx {

constexpr std::uint16_t ERRBASE_NONE = 0x0000;
constexpr std::uint16_t ERRBASE_NOTFOUND = 0x2200;
constexpr std::uint16_t ERRBASE_CORRUPT = 0x2300;
constexpr std::uint16_t ERRBASE_IO = 0x2400;
constexpr std::uint16_t ERRBASE_LIMIT = 0x2500;
constexpr std::uint16_t ERRBASE_INTEGRITY = 0x2600;
constexpr std::uint16_t ERRBASE_INVALIDREQ = 0x2700;
constexpr std::uint16_t ERRBASE_LOCKCONFLICT = 0x2800;
constexpr std::uint16_t ERRBASE_SEC = 0x2900;
constexpr std::uint16_t ERRBASE_IC = 0x2A00;
constexpr std::uint16_t ERRBASE_CAPABILITY = 0x3000;

constexpr std::uint16_t DBIERR_NONE = 0;

constexpr std::uint16_t DBIERR_EOF = 0x2202;
constexpr std::uint16_t DBIERR_NOSUCHFILE = 0x2204;
constexpr std::uint16_t DBIERR_NOSUCHTABLE = 0x2205;
constexpr std::uint16_t DBIERR_NOSUCHINDEX = 0x220D;
constexpr std::uint16_t DBIERR_INVALIDDIR = 0x2208;
constexpr std::uint16_t DBIERR_NOMEMOFILE = 0x2209;

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
constexpr std::uint16_t DBIERR_INVALIDHNDL = 0x2706;
constexpr std::uint16_t DBIERR_INVALIDOPTPARAM = 0x270A;
constexpr std::uint16_t DBIERR_INVALIDTBLTYPE = 0x270E;
constexpr std::uint16_t DBIERR_NAMETOOLONG = 0x2710;
constexpr std::uint16_t DBIERR_INVALIDVALUE = 0x2712;
constexpr std::uint16_t DBIERR_INVALIDLANGDRV = 0x273B;  // 10043

constexpr std::uint16_t DBIERR_FILEBUSY = 0x2803;        // 10243
constexpr std::uint16_t DBIERR_NOTINITIALIZED = 0x2A06;  // 10758

constexpr std::uint16_t DBIERR_NOTSUPPORTED = 0x3001;    // 12289
constexpr std::uint16_t DBIERR_INDEXNOTSUPPORTED = 0x3002;
constexpr std::uint16_t DBIERR_ENCRYPTED = 0x3003;
constexpr std::uint16_t DBIERR_CANNOTCONVERT = 0x3004;

struct ResultCodeInfo {
  std::uint16_t code;
  const char* name;  // e.g. "DBIERR_FILEBUSY"
  const char* text;  // e.g. "Table is busy."
};

// The text of a code; for an unknown code a generic text naming its category.
const char* ResultText(std::uint16_t code);
// The symbolic name, or null for a code not in the table.
const char* ResultName(std::uint16_t code);
// Every code in the table, for listing and tests. *count receives the size.
const ResultCodeInfo* AllResultCodes(std::size_t* count);

}  // namespace kx
