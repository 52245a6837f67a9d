// The language-driver catalogue as data. Names, descriptions, LDIDs and code
// pages of the dBASE drivers, the FoxPro driver ids and the Paradox sort-order
// bytes follow storage/doc/language_drivers.md, which gives their sources and
// the values that are uncertain. Sort orders are this engine's choice for each
// driver (see the same document for how they are built).
#include "storage/core/lang/lang_driver.h"

namespace kx::storage {
namespace {

using F = LangFamily;
using S = SortOrder;
constexpr std::int16_t kNone = kNoParadoxSortId;
constexpr bool kDefault = true;

constexpr LangDriver kDrivers[] = {
    // dBASE drivers, by LDID.
    {"DB865DA0", "dBASE DAN cp865", 865, F::kDbase, S::kNordic, 0x08, kNone, kDefault},
    {"DB437NL0", "dBASE NLD cp437", 437, F::kDbase, S::kGeneral, 0x09, kNone, false},
    {"DB850NL0", "dBASE NLD cp850", 850, F::kDbase, S::kGeneral, 0x0A, kNone, false},
    {"DB437FI0", "dBASE FIN cp437", 437, F::kDbase, S::kSwedFin, 0x0B, kNone, false},
    {"DB437FR0", "dBASE FRA cp437", 437, F::kDbase, S::kGeneral, 0x0D, kNone, false},
    {"DB850FR0", "dBASE FRA cp850", 850, F::kDbase, S::kGeneral, 0x0E, kNone, false},
    {"DB437DE0", "dBASE DEU cp437", 437, F::kDbase, S::kGeneral, 0x0F, kNone, false},
    {"DB850DE0", "dBASE DEU cp850", 850, F::kDbase, S::kGeneral, 0x10, kNone, false},
    {"DB437IT0", "dBASE ITA cp437", 437, F::kDbase, S::kGeneral, 0x11, kNone, false},
    {"DB850IT1", "dBASE ITA cp850", 850, F::kDbase, S::kGeneral, 0x12, kNone, false},
    {"DB932JP0", "dBASE JPN cp932", 932, F::kDbase, S::kBinary, 0x13, kNone, kDefault},
    {"DB850ES0", "dBASE ESP cp850", 850, F::kDbase, S::kSpanish, 0x14, kNone, false},
    {"DB437SV0", "dBASE SVE cp437", 437, F::kDbase, S::kSwedFin, 0x15, kNone, false},
    {"DB850SV1", "dBASE SVE cp850", 850, F::kDbase, S::kSwedFin, 0x16, kNone, false},
    {"DB865NO0", "dBASE NOR cp865", 865, F::kDbase, S::kNordic, 0x17, kNone, false},
    {"DB437ES1", "dBASE ESP cp437", 437, F::kDbase, S::kSpanish, 0x18, kNone, false},
    {"DB437UK0", "dBASE ENG cp437", 437, F::kDbase, S::kGeneral, 0x19, kNone, false},
    {"DB850UK0", "dBASE ENG cp850", 850, F::kDbase, S::kGeneral, 0x1A, kNone, false},
    {"DB437US0", "dBASE ENU cp437", 437, F::kDbase, S::kGeneral, 0x1B, kNone, kDefault},
    {"DB863CF1", "dBASE FRC cp863", 863, F::kDbase, S::kGeneral, 0x1C, kNone, kDefault},
    {"DB850CF0", "dBASE FRC cp850", 850, F::kDbase, S::kGeneral, 0x1D, kNone, false},
    {"DB852CZ0", "dBASE CSY cp852", 852, F::kDbase, S::kCzech, 0x1F, kNone, kDefault},
    {"DB867CZ0", "dBASE CSY cp867", 867, F::kDbase, S::kCzech, 0x20, kNone, kDefault},
    {"db852hdc", "dBASE HUN cp852", 852, F::kDbase, S::kHungarian, 0x22, kNone, false},
    {"db852po0", "dBASE PLK cp852", 852, F::kDbase, S::kPolish, 0x23, kNone, false},
    {"DB860PT0", "dBASE PTG cp860", 860, F::kDbase, S::kGeneral, 0x24, kNone, kDefault},
    {"DB850PT0", "dBASE PTB cp850", 850, F::kDbase, S::kGeneral, 0x25, kNone, false},
    {"db866ru0", "dBASE RUS cp866", 866, F::kDbase, S::kGeneral, 0x26, kNone, kDefault},
    {"DB850US0", "dBASE ENU cp850", 850, F::kDbase, S::kGeneral, 0x37, kNone, kDefault},
    {"DB936CN0", "dBASE CHS cp936", 936, F::kDbase, S::kBinary, 0x4D, kNone, kDefault},
    {"DB949KO0", "dBASE KOR cp949", 949, F::kDbase, S::kBinary, 0x4E, kNone, kDefault},
    {"DB950TW0", "dBASE CHT cp950", 950, F::kDbase, S::kBinary, 0x4F, kNone, kDefault},
    {"db874th0", "dBASE THA cp874", 874, F::kDbase, S::kGeneral, 0x50, kNone, kDefault},
    {"DB932JP1", "dBASE JPN Dic932", 932, F::kDbase, S::kBinary, 0x56, kNone, false},
    {"DBWINUS0", "'ascii' ANSI", 1252, F::kDbase, S::kBinary, 0x57, 76, kDefault},
    {"DBWINWE0", "'WEurope' ANSI", 1252, F::kDbase, S::kGeneral, 0x58, 64, false},
    {"DBWINES0", "'Spanish' ANSI", 1252, F::kDbase, S::kSpanish, 0x59, 60, false},
    {"dbHebrew", "Hebrew dBASE", 862, F::kDbase, S::kGeneral, 0x85, kNone, kDefault},
    {"db437gr0", "dBASE ELL GR437", 737, F::kDbase, S::kGeneral, 0x86, kNone, kDefault},
    {"db852sl0", "dBASE SLO cp852", 852, F::kDbase, S::kSlovene, 0x87, kNone, false},
    {"DB857TR0", "dBASE TRK cp857", 857, F::kDbase, S::kTurkish, 0x88, kNone, kDefault},
    {"BGDB868", "dBASE BUL 868", 868, F::kDbase, S::kGeneral, 0x8E, kNone, kDefault},

    // FoxPro drivers; `ldid` is the id FoxPro tables carry for them.
    {"FOXDE437", "FoxPro German 437", 437, F::kFoxPro, S::kGeneral, 0x5E, kNone, kDefault},
    {"FOXNO437", "FoxPro Nordic 437", 437, F::kFoxPro, S::kNordic, 0x5F, kNone, false},
    {"FOXNO850", "FoxPro Nordic 850", 850, F::kFoxPro, S::kNordic, 0x60, kNone, kDefault},
    {"FOXDEWIN", "FoxPro German 1252", 1252, F::kFoxPro, S::kGeneral, 0x61, kNone, kDefault},
    {"FOXNOWIN", "FoxPro Nordic 1252", 1252, F::kFoxPro, S::kNordic, 0x62, kNone, false},
    {"FOXCZ895", "FoxPro Czech 895", 895, F::kFoxPro, S::kCzech, 0x68, kNone, kDefault},
    {"FOXCZWIN", "FoxPro Czech 1250", 1250, F::kFoxPro, S::kCzech, 0x9B, kNone, kDefault},

    // Paradox DOS drivers.
    {"ascii", "Paradox 'ascii'", 437, F::kParadox, S::kBinary, 0, 0, kDefault},
    {"intl", "Paradox 'intl'", 437, F::kParadox, S::kGeneral, 0, 183, false},
    {"intl850", "Paradox 'intl' 850", 850, F::kParadox, S::kGeneral, 0, 84, kDefault},
    {"nordan", "Paradox 'nordan'", 865, F::kParadox, S::kNordic, 0, 130, kDefault},
    {"nordan40", "Paradox 'nordan40'", 865, F::kParadox, S::kNordic, 0, 230, false},
    {"swedfin", "Paradox 'swedfin'", 437, F::kParadox, S::kSwedFin, 0, 240, false},
    {"SPANISH", "Paradox ESP 437", 437, F::kParadox, S::kSpanish, 0, 22, false},
    {"iceland", "Paradox ISL 861", 861, F::kParadox, S::kIcelandic, 0, 208, kDefault},
    {"turk", "Paradox 'turk'", 857, F::kParadox, S::kTurkish, 0, 198, kDefault},
    {"cyrr", "Paradox Cyrr 866", 866, F::kParadox, S::kGeneral, 0, 192, kDefault},
    {"czech", "Paradox Czech 852", 852, F::kParadox, S::kCzech, 0, 13, kDefault},
    {"polish", "Paradox Polish 852", 852, F::kParadox, S::kPolish, 0, 143, false},
    {"hun852dc", "Paradox Hun 852 DC", 852, F::kParadox, S::kHungarian, 0, 177, false},
    {"slovene", "Paradox Slovene 852", 852, F::kParadox, S::kSlovene, 0, 252, false},
    {"grcp437", "Paradox Greek GR437", 737, F::kParadox, S::kGeneral, 0, 74, kDefault},
    {"hebrew", "Paradox 'hebrew'", 862, F::kParadox, S::kGeneral, 0, 125, kDefault},
    {"china", "Paradox 'china' 936", 936, F::kParadox, S::kBinary, 0, 3, kDefault},

    // Paradox ANSI drivers.
    {"ANSIINTL", "Pdox ANSI Intl", 1252, F::kParadox, S::kGeneral, 0, 98, kDefault},
    {"ANSII850", "Pdox ANSI Intl850", 1252, F::kParadox, S::kGeneral, 0, 17, false},
    {"ANSINOR4", "Pdox ANSI Nordan4", 1252, F::kParadox, S::kNordic, 0, 78, false},
    {"ANSISWFN", "Pdox ANSI Swedfin", 1252, F::kParadox, S::kSwedFin, 0, 105, false},
    {"ANSISPAN", "Pdox ANSI Spanish", 1252, F::kParadox, S::kSpanish, 0, 93, false},
    {"ancyrr", "Pdox ANSI Cyrillic", 1251, F::kParadox, S::kGeneral, 0, 143, kDefault},
    {"anczech", "Pdox ANSI Czech", 1250, F::kParadox, S::kCzech, 0, 220, kDefault},
    {"anpolish", "Pdox ANSI Polish", 1250, F::kParadox, S::kPolish, 0, 94, false},
    {"ansislov", "Pdox ANSI Slovene", 1250, F::kParadox, S::kSlovene, 0, 111, false},
    {"anhundc", "Pdox ANSI Hun. DC", 1250, F::kParadox, S::kHungarian, 0, 225, false},
    {"angreek1", "Pdox ANSI Greek", 1253, F::kParadox, S::kGeneral, 0, 14, kDefault},
    {"ANTURK", "Pdox ANSI Turkish", 1254, F::kParadox, S::kTurkish, 0, 213, kDefault},
    {"ANHEBREW", "Paradox ANSI Hebrew", 1255, F::kParadox, S::kGeneral, 0, 76, kDefault},

    // Latin-1 drivers (sort-order bytes unknown) and ROMAN8.
    {"BLLT1DA0", "DAN Latin-1", 1252, F::kParadox, S::kNordic, 0, kNone, false},
    {"BLLT1DE0", "DEU Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1UK0", "ENG Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1US0", "ENU Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1ES0", "ESP Latin-1", 1252, F::kParadox, S::kSpanish, 0, kNone, false},
    {"BLLT1FI0", "FIN Latin-1", 1252, F::kParadox, S::kSwedFin, 0, kNone, false},
    {"BLLT1FR0", "FRA Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1CA0", "FRC Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1IS0", "ISL Latin-1", 1252, F::kParadox, S::kIcelandic, 0, kNone, false},
    {"BLLT1IT0", "ITA Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1NL0", "NLD Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1NO0", "NOR Latin-1", 1252, F::kParadox, S::kNordic, 0, kNone, false},
    {"BLLT1PT0", "PTG Latin-1", 1252, F::kParadox, S::kGeneral, 0, kNone, false},
    {"BLLT1SV0", "SVE Latin-1", 1252, F::kParadox, S::kSwedFin, 0, kNone, false},
    {"BLROM800", "ROMAN8", 0, F::kParadox, S::kBinary, 0, 20, false},
};

struct MarkCodePage {
  std::uint8_t mark;
  std::uint16_t code_page;
};

// FoxPro code-page marks. 0x65/0x66 follow the readers in use today
// (866 and 865); see language_drivers.md for the disagreement.
constexpr MarkCodePage kFoxProMarks[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252},  {0x04, 10000}, {0x64, 852},
    {0x65, 866},   {0x66, 865},   {0x67, 861},   {0x68, 895},   {0x69, 620},
    {0x6A, 737},   {0x6B, 857},   {0x78, 950},   {0x79, 949},   {0x7A, 936},
    {0x7B, 932},   {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},  {0x96, 10007},
    {0x97, 10029}, {0x98, 10006}, {0xC8, 1250},  {0xC9, 1251},  {0xCA, 1254},
    {0xCB, 1253},
};

}  // namespace

std::span<const LangDriver> AllLangDrivers() { return kDrivers; }

std::uint16_t CodePageOfFoxProMark(std::uint8_t mark) {
  for (const MarkCodePage& m : kFoxProMarks) {
    if (m.mark == mark) return m.code_page;
  }
  return 0;
}

std::uint8_t FoxProMarkOfCodePage(std::uint16_t code_page) {
  if (code_page == 867) code_page = 895;  // the same Kamenicky table
  for (const MarkCodePage& m : kFoxProMarks) {
    if (m.code_page == code_page) return m.mark;
  }
  return 0;
}

}  // namespace kx::storage
