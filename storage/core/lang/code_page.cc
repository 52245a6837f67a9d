// CodePage over the generated tables (code_page.h).
#include "storage/core/lang/code_page.h"

#include <algorithm>
#include <vector>

#include "storage/core/lang/generated_tables.h"
#include "storage/core/lang/unicode_props.h"

namespace kx::storage {

using lang_tables::kUndefinedChar;

CodePage::CodePage(std::uint16_t number, const char* title, const char16_t* to_unicode)
    : number_(number), title_(title), to_unicode_(to_unicode) {
  for (int b = 0; b < 256; ++b) {
    if (to_unicode_[b] != kUndefinedChar) {
      by_char_[defined_++] = {to_unicode_[b], static_cast<std::uint8_t>(b)};
    }
  }
  std::sort(by_char_.begin(), by_char_.begin() + defined_);
}

const CodePage* CodePage::Find(std::uint16_t number) {
  static const std::vector<CodePage> all = [] {
    std::vector<CodePage> pages;
    for (std::size_t i = 0; i < lang_tables::kCodePageTableCount; ++i) {
      const lang_tables::CodePageTable& t = lang_tables::kCodePageTables[i];
      pages.emplace_back(t.code_page, t.title, t.to_unicode);
    }
    return pages;
  }();
  for (const CodePage& page : all) {
    if (page.number_ == number) return &page;
  }
  return nullptr;
}

bool CodePage::IsMultiByte(std::uint16_t number) {
  return number == 932 || number == 936 || number == 949 || number == 950;
}

char32_t CodePage::ToUnicode(std::uint8_t byte) const {
  char16_t c = to_unicode_[byte];
  return c == kUndefinedChar ? kNoChar : c;
}

bool CodePage::FromUnicode(char32_t ch, std::uint8_t* byte) const {
  if (ch >= kUndefinedChar) return false;
  auto end = by_char_.begin() + defined_;
  auto it = std::lower_bound(by_char_.begin(), end, std::make_pair(static_cast<char16_t>(ch),
                                                                   std::uint8_t{0}));
  if (it == end || it->first != ch) return false;
  *byte = it->second;
  return true;
}

const lang_tables::UnicodeProps* FindUnicodeProps(char32_t ch) {
  const lang_tables::UnicodeProps* begin = lang_tables::kUnicodeProps;
  const lang_tables::UnicodeProps* end = begin + lang_tables::kUnicodePropsCount;
  auto it = std::lower_bound(begin, end, ch, [](const lang_tables::UnicodeProps& p, char32_t c) {
    return p.code_point < c;
  });
  return (it != end && it->code_point == ch) ? it : nullptr;
}

}  // namespace kx::storage
