// Lookups over the language-driver catalogue (lang_driver.h). The catalogue
// holds about a hundred entries, so lookups scan it; the listed order is built
// once, on first use, and kept for the life of the process.
#include <algorithm>
#include <string>
#include <vector>

#include "storage/api/codes.h"
#include "storage/core/lang/lang_driver.h"

namespace kx::storage {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool NameBefore(const LangDriver* a, const LangDriver* b) {
  return std::lexicographical_compare(
      a->name.begin(), a->name.end(), b->name.begin(), b->name.end(),
      [](char x, char y) { return FoldAscii(x) < FoldAscii(y); });
}

bool IsDbaseLevel(int level) { return level == 3 || level == 4 || level == 5 || level == 7; }

}  // namespace

std::span<const LangDriver* const> ListedLangDrivers() {
  static const std::vector<const LangDriver*> listed = [] {
    std::vector<const LangDriver*> all;
    for (const LangDriver& d : AllLangDrivers()) all.push_back(&d);
    std::stable_sort(all.begin(), all.end(), NameBefore);
    return all;
  }();
  return listed;
}

const LangDriver* FindLangDriverByName(std::string_view name) {
  for (const LangDriver& d : AllLangDrivers()) {
    if (SameName(d.name, name)) return &d;
  }
  return nullptr;
}

const LangDriver* FindLangDriverByLdid(std::uint8_t ldid) {
  if (ldid == 0) return nullptr;
  for (const LangDriver& d : AllLangDrivers()) {
    if (d.family == LangFamily::kDbase && d.ldid == ldid) return &d;
  }
  return nullptr;
}

const LangDriver* FindLangDriverByFoxProMark(std::uint8_t mark) {
  if (mark == 0) return nullptr;
  for (const LangDriver& d : AllLangDrivers()) {
    if (d.family == LangFamily::kFoxPro && d.ldid == mark) return &d;
  }
  std::uint16_t code_page = CodePageOfFoxProMark(mark);
  if (code_page == 0) return nullptr;
  if (const LangDriver* d = DefaultLangDriverFor(code_page, LangFamily::kDbase)) return d;
  return DefaultLangDriverFor(code_page, LangFamily::kFoxPro);
}

const LangDriver* FindLangDriverByParadoxSortId(std::uint8_t id, std::uint16_t code_page) {
  const LangDriver* any_code_page = nullptr;
  for (const LangDriver& d : AllLangDrivers()) {
    if (d.paradox_sort_id != id) continue;
    if (code_page == 0 || d.code_page == code_page) return &d;
    if (any_code_page == nullptr) any_code_page = &d;
  }
  return any_code_page;
}

const LangDriver* DefaultLangDriverFor(std::uint16_t code_page, LangFamily family) {
  for (const LangDriver& d : AllLangDrivers()) {
    if (d.family == family && d.code_page == code_page && d.default_for_code_page) return &d;
  }
  return nullptr;
}

const LangDriver& DefaultDbaseLangDriver() {
  static const LangDriver* driver = FindLangDriverByName("DBWINUS0");
  return *driver;
}

Status CheckLangDriverForDbaseLevel(int level, const LangDriver& driver) {
  if (!IsDbaseLevel(level) && level != 25) {
    return Status::Error(DBIERR_INVALIDPARAM,
                         "language driver: no dBASE table level " + std::to_string(level));
  }
  bool ok = driver.family == LangFamily::kDbase;
  if (level == 25) {
    ok = (ok || driver.family == LangFamily::kFoxPro) &&
         FoxProMarkOfCodePage(driver.code_page) != 0;
  }
  if (ok) return Status::OK();
  return Status::Error(DBIERR_INVALIDLANGDRV,
                       "language driver '" + std::string(driver.name) +
                           "' cannot be used by a table of level " + std::to_string(level),
                       std::string(driver.name));
}

std::uint8_t DbaseHeaderLangByte(int level, const LangDriver& driver) {
  if (IsDbaseLevel(level)) {
    return driver.family == LangFamily::kDbase ? driver.ldid : 0;
  }
  if (level != 25) return 0;
  if (driver.family == LangFamily::kFoxPro) return driver.ldid;
  return FoxProMarkOfCodePage(driver.code_page);
}

const LangDriver* LangDriverFromDbaseHeader(int level, std::uint8_t byte29,
                                            std::string_view level7_name) {
  if (level == 7 && !level7_name.empty()) {
    if (const LangDriver* d = FindLangDriverByName(level7_name)) return d;
  }
  if (level == 25) {
    if (const LangDriver* d = FindLangDriverByFoxProMark(byte29)) return d;
    return FindLangDriverByLdid(byte29);
  }
  if (const LangDriver* d = FindLangDriverByLdid(byte29)) return d;
  return FindLangDriverByFoxProMark(byte29);
}

}  // namespace kx::storage
