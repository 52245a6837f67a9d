// Language drivers: the engine's catalogue of named drivers, each a code page
// plus a sort order, and the ids under which table headers record them.
//
// The catalogue is fixed data (lang_driver_table.cc) and lives for the whole
// process; every pointer returned here points into it and is never freed.
// Names compare case-insensitively ("db852po0" and "DB852PO0" are the same
// driver). dBASE tables of levels 4/5/7 record a driver by its LDID byte,
// level 7 also by name; FoxPro tables (level 25) by a code-page mark or a
// FoxPro driver id; Paradox tables by a sort-order byte, a code page and the
// name. storage/doc/language_drivers.md lists the drivers and their sources.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "storage/api/status.h"

namespace kx::storage {

enum class LangFamily : std::uint8_t { kDbase, kFoxPro, kParadox };

// How a driver orders character keys (collation.h builds them).
enum class SortOrder : std::uint8_t {
  kBinary,     // byte order
  kGeneral,    // dictionary order: letters case-insensitive, accents second
  kNordic,     // Danish/Norwegian: ae, o-stroke, a-ring after z
  kSwedFin,    // Swedish/Finnish: a-ring, a-diaeresis, o-diaeresis after z
  kSpanish,    // n-tilde after n
  kCzech,      // c, r, s, z with caron after their base letters
  kSlovene,    // c, s, z with caron after their base letters
  kPolish,     // the nine Polish letters after their base letters
  kHungarian,  // o/u with diaeresis or double acute after o/u
  kTurkish,    // Turkish alphabet, dotless i, Turkish case mapping
  kIcelandic,  // Icelandic alphabet
};

constexpr std::int16_t kNoParadoxSortId = -1;

struct LangDriver {
  std::string_view name;         // symbolic name as the engine lists it
  std::string_view description;  // display name, e.g. "dBASE ENU cp437"
  std::uint16_t code_page;       // 0 when the driver has no DOS/Windows code page
  LangFamily family;
  SortOrder sort_order;
  // dBASE LDID (header byte 29 of levels 4/5/7) for dBASE drivers; the
  // driver id that FoxPro tables carry in byte 29 for FoxPro drivers; else 0.
  std::uint8_t ldid;
  std::int16_t paradox_sort_id;  // Paradox header byte 0x29, or kNoParadoxSortId
  bool default_for_code_page;    // the family's choice for its code page
};

// Every driver, in the order the engine lists them (by name, ignoring case).
std::span<const LangDriver* const> ListedLangDrivers();
std::span<const LangDriver> AllLangDrivers();

// Lookups; each returns null when nothing matches.
const LangDriver* FindLangDriverByName(std::string_view name);
const LangDriver* FindLangDriverByLdid(std::uint8_t ldid);  // dBASE family only
// The driver that a FoxPro byte 29 stands for: a FoxPro driver id, else the
// default dBASE, then FoxPro, driver of the mark's code page (0x03 gives
// DBWINUS0, 0xC8 gives FOXCZWIN).
const LangDriver* FindLangDriverByFoxProMark(std::uint8_t mark);
// A Paradox sort-order byte; `code_page` (0 = any) settles ids that several
// drivers share.
const LangDriver* FindLangDriverByParadoxSortId(std::uint8_t id, std::uint16_t code_page);
// The family's default driver for a code page.
const LangDriver* DefaultLangDriverFor(std::uint16_t code_page, LangFamily family);
// The driver a dBASE table without a recorded driver takes ("DBWINUS0").
const LangDriver& DefaultDbaseLangDriver();

// FoxPro code-page marks: the code page of a mark (0 if not a mark) and the
// mark of a code page (0 if FoxPro has none).
std::uint16_t CodePageOfFoxProMark(std::uint8_t mark);
std::uint8_t FoxProMarkOfCodePage(std::uint16_t code_page);

// Whether a dBASE-family table of `level` (3, 4, 5, 7, 25) may take `driver`:
// levels 3-7 take dBASE drivers, level 25 dBASE and FoxPro drivers whose code
// page has a FoxPro mark. DBIERR_INVALIDLANGDRV otherwise (context 1 = the
// driver's name); DBIERR_INVALIDPARAM for an unknown level.
Status CheckLangDriverForDbaseLevel(int level, const LangDriver& driver);

// Byte 29 of a dBASE-family header of `level` for `driver` (which must pass
// CheckLangDriverForDbaseLevel): the LDID for levels 3-7, the FoxPro driver id
// or code-page mark for 25. Level 3 reserves the byte; writing the LDID there
// keeps a driver change on record (other writers do the same, and readers
// honour it), where a 0 would make the converted data be read as DBWINUS0.
std::uint8_t DbaseHeaderLangByte(int level, const LangDriver& driver);

// The driver a dBASE-family header records: the level-7 name when known, else
// byte 29 read as the level uses it, with the other reading as a fallback
// (writers in the wild put FoxPro marks in dBASE tables and the reverse).
// Null when neither names a driver (level 3 with byte 0 among them).
const LangDriver* LangDriverFromDbaseHeader(int level, std::uint8_t byte29,
                                            std::string_view level7_name);

}  // namespace kx::storage
