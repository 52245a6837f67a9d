// The language-driver catalogue: lookups by name, LDID, FoxPro mark and
// Paradox sort byte; which drivers a dBASE table level takes; header bytes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "storage/core/lang/code_page.h"
#include "storage/api/codes.h"
#include "storage/core/lang/lang_driver.h"

namespace kx::storage {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

TEST(LangCatalogue, FindsDriversByNameIgnoringCase) {
  struct Case {
    const char* query;
    const char* name;  // null: not found
    std::uint16_t code_page;
    std::uint8_t ldid;
  };
  const Case cases[] = {
      {"DB437US0", "DB437US0", 437, 0x1B}, {"DBWINUS0", "DBWINUS0", 1252, 0x57},
      {"dbwinus0", "DBWINUS0", 1252, 0x57}, {"DB852PO0", "db852po0", 852, 0x23},
      {"DB867CZ0", "DB867CZ0", 867, 0x20}, {"db437gr0", "db437gr0", 737, 0x86},
      {"ascii", "ascii", 437, 0},          {"ANSIINTL", "ANSIINTL", 1252, 0},
      {"FOXDE437", "FOXDE437", 437, 0x5E}, {"NOSUCH00", nullptr, 0, 0},
      {"", nullptr, 0, 0},                 {"DB437US", nullptr, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    const LangDriver* d = FindLangDriverByName(c.query);
    if (c.name == nullptr) {
      EXPECT_EQ(d, nullptr);
      continue;
    }
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->name, c.name);
    EXPECT_EQ(d->code_page, c.code_page);
    EXPECT_EQ(d->ldid, c.ldid);
  }
}

TEST(LangCatalogue, NamesAndLdidsAreUniqueAndEveryDriverIsListedInNameOrder) {
  std::set<std::string> names;
  std::set<int> ldids;
  for (const LangDriver& d : AllLangDrivers()) {
    EXPECT_TRUE(names.insert(Lower(d.name)).second) << d.name;
    EXPECT_FALSE(d.description.empty()) << d.name;
    if (d.family == LangFamily::kDbase) {
      EXPECT_TRUE(ldids.insert(d.ldid).second) << d.name;
      EXPECT_EQ(FindLangDriverByLdid(d.ldid), &d);
    }
    // A single-byte code page without a table would silently lose data.
    bool tableless_ok = d.code_page == 0 || d.code_page == 868 || CodePage::IsMultiByte(d.code_page);
    EXPECT_TRUE(CodePage::Find(d.code_page) != nullptr || tableless_ok) << d.name;
  }
  auto listed = ListedLangDrivers();
  ASSERT_EQ(listed.size(), AllLangDrivers().size());
  for (std::size_t i = 1; i < listed.size(); ++i) {
    EXPECT_LT(Lower(listed[i - 1]->name), Lower(listed[i]->name));
  }
  EXPECT_EQ(FindLangDriverByLdid(0x00), nullptr);
  EXPECT_EQ(FindLangDriverByLdid(0x0C), nullptr);
}

TEST(LangCatalogue, FoxProMarksAndDriverIds) {
  struct Case {
    std::uint8_t mark;
    const char* name;  // null: no driver
  };
  const Case cases[] = {
      {0x01, "DB437US0"}, {0x02, "DB850US0"}, {0x03, "DBWINUS0"}, {0x5E, "FOXDE437"},
      {0x68, "FOXCZ895"}, {0x64, "DB852CZ0"}, {0x65, "db866ru0"}, {0x66, "DB865DA0"},
      {0xC8, "FOXCZWIN"}, {0x7D, nullptr},    {0x00, nullptr},    {0x57, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mark);
    const LangDriver* d = FindLangDriverByFoxProMark(c.mark);
    if (c.name == nullptr) {
      EXPECT_EQ(d, nullptr);
    } else {
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->name, c.name);
    }
  }
  EXPECT_EQ(CodePageOfFoxProMark(0x7D), 1255);
  EXPECT_EQ(FoxProMarkOfCodePage(867), 0x68);
  EXPECT_EQ(FoxProMarkOfCodePage(863), 0);
}

TEST(LangCatalogue, ParadoxSortBytesSettleSharedIdsByCodePage) {
  EXPECT_EQ(FindLangDriverByParadoxSortId(0xB7, 437)->name, "intl");
  EXPECT_EQ(FindLangDriverByParadoxSortId(143, 1251)->name, "ancyrr");
  EXPECT_EQ(FindLangDriverByParadoxSortId(143, 852)->name, "polish");
  EXPECT_EQ(FindLangDriverByParadoxSortId(0, 850)->name, "ascii");  // ascii tables use 437 or 850
  EXPECT_EQ(FindLangDriverByParadoxSortId(0x62, 0)->name, "ANSIINTL");
  EXPECT_EQ(FindLangDriverByParadoxSortId(250, 0), nullptr);
  EXPECT_EQ(DefaultLangDriverFor(1252, LangFamily::kParadox)->name, "ANSIINTL");
  EXPECT_EQ(DefaultLangDriverFor(1252, LangFamily::kDbase)->name, "DBWINUS0");
  EXPECT_EQ(DefaultDbaseLangDriver().name, "DBWINUS0");
}

TEST(LangCatalogue, DbaseLevelsTakeOnlyTheirFamilysDrivers) {
  struct Case {
    int level;
    const char* name;
    std::uint16_t code;
    std::uint8_t header_byte;
  };
  const Case cases[] = {
      {4, "DB437US0", DBIERR_NONE, 0x1B},       {7, "db852po0", DBIERR_NONE, 0x23},
      {3, "DB850US0", DBIERR_NONE, 0x37},       {25, "DBWINUS0", DBIERR_NONE, 0x03},
      {25, "FOXDE437", DBIERR_NONE, 0x5E},      {25, "DB867CZ0", DBIERR_NONE, 0x68},
      {4, "ascii", DBIERR_INVALIDLANGDRV, 0},   {5, "ANSIINTL", DBIERR_INVALIDLANGDRV, 0},
      {4, "FOXDE437", DBIERR_INVALIDLANGDRV, 0}, {25, "DB863CF1", DBIERR_INVALIDLANGDRV, 0},
      {25, "ancyrr", DBIERR_INVALIDLANGDRV, 0}, {6, "DB437US0", DBIERR_INVALIDPARAM, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " level " + std::to_string(c.level));
    const LangDriver* d = FindLangDriverByName(c.name);
    ASSERT_NE(d, nullptr);
    Status s = CheckLangDriverForDbaseLevel(c.level, *d);
    EXPECT_EQ(s.code(), c.code) << s.message();
    if (s.ok()) {
      EXPECT_EQ(DbaseHeaderLangByte(c.level, *d), c.header_byte);
    }
    if (c.code == DBIERR_INVALIDLANGDRV) {
      EXPECT_EQ(s.context(0), c.name);
    }
  }
}

TEST(LangCatalogue, ReadsTheDriverFromADbaseHeader) {
  auto name_of = [](int level, std::uint8_t byte29, std::string_view level7_name) {
    const LangDriver* d = LangDriverFromDbaseHeader(level, byte29, level7_name);
    return d == nullptr ? std::string("-") : std::string(d->name);
  };
  EXPECT_EQ(name_of(7, 0x1B, "DBWINUS0"), "DBWINUS0");  // the level-7 name wins
  EXPECT_EQ(name_of(7, 0x1B, "UNKNOWN0"), "DB437US0");
  EXPECT_EQ(name_of(4, 0x57, ""), "DBWINUS0");
  EXPECT_EQ(name_of(4, 0x03, ""), "DBWINUS0");  // a FoxPro mark in a dBASE table
  EXPECT_EQ(name_of(25, 0x03, ""), "DBWINUS0");
  EXPECT_EQ(name_of(25, 0x57, ""), "DBWINUS0");  // an LDID in a FoxPro table
  EXPECT_EQ(name_of(3, 0x00, ""), "-");
  EXPECT_EQ(name_of(3, 0x01, ""), "DB437US0");  // python-dbf marks its dBASE III tables so
  EXPECT_EQ(name_of(4, 0xFF, ""), "-");
}

}  // namespace
}  // namespace kx::storage
