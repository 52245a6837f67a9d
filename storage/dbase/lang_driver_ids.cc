// Language driver id tables: see lang_driver_ids.h.
#include "storage/dbase/lang_driver_ids.h"

namespace kx::storage {
namespace {

struct IdName {
  std::uint8_t id;
  const char* name;
};

constexpr IdName kDbase[] = {
    {0x08, "DB865DA0"}, {0x09, "DB437NL0"}, {0x0A, "DB850NL0"}, {0x0B, "DB437FI0"},
    {0x0D, "DB437FR0"}, {0x0E, "DB850FR0"}, {0x0F, "DB437DE0"}, {0x10, "DB850DE0"},
    {0x11, "DB437IT0"}, {0x12, "DB850IT1"}, {0x13, "DB932JP0"}, {0x14, "DB850ES0"},
    {0x15, "DB437SV0"}, {0x16, "DB850SV1"}, {0x17, "DB865NO0"}, {0x18, "DB437ES1"},
    {0x19, "DB437UK0"}, {0x1A, "DB850UK0"}, {0x1B, "DB437US0"}, {0x1C, "DB863CF1"},
    {0x1D, "DB850CF0"}, {0x1F, "DB852CZ0"}, {0x20, "DB867CZ0"}, {0x22, "db852hdc"},
    {0x23, "db852po0"}, {0x24, "DB860PT0"}, {0x25, "DB850PT0"}, {0x26, "db866ru0"},
    {0x37, "DB850US0"}, {0x4D, "DB936CN0"}, {0x4E, "DB949KO0"}, {0x4F, "DB950TW0"},
    {0x50, "db874th0"}, {0x56, "DB932JP1"}, {0x57, "DBWINUS0"}, {0x58, "DBWINWE0"},
    {0x59, "DBWINES0"}, {0x85, "dbHebrew"}, {0x86, "db437gr0"}, {0x87, "db852sl0"},
    {0x88, "DB857TR0"}, {0x8E, "BGDB868"},
};

constexpr IdName kFoxPro[] = {
    {0x01, "DB437US0"}, {0x02, "DB850US0"}, {0x03, "DBWINUS0"}, {0x5E, "FOXDE437"},
    {0x5F, "FOXNO437"}, {0x60, "FOXNO850"}, {0x61, "FOXDEWIN"}, {0x62, "FOXNOWIN"},
    {0x68, "FOXCZ895"}, {0x9B, "FOXCZWIN"},
};

template <std::size_t N>
const char* Find(const IdName (&table)[N], std::uint8_t id) {
  for (const IdName& e : table) {
    if (e.id == id) return e.name;
  }
  return nullptr;
}

}  // namespace

const char* DbaseDriverName(std::uint8_t ldid) { return Find(kDbase, ldid); }
const char* FoxProDriverName(std::uint8_t mark) { return Find(kFoxPro, mark); }

}  // namespace kx::storage
