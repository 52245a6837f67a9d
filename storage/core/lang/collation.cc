// Collation weights, sort keys and case maps (collation.h).
#include "storage/core/lang/collation.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "storage/core/lang/code_page.h"
#include "storage/core/lang/collation_tailoring.h"
#include "storage/core/lang/unicode_props.h"

namespace kx::storage {
namespace {

using lang_tables::UnicodeProps;

// Primary weight regions; every weight is >= 0x0100 so that the 0 separator
// byte of a sort key sorts before any primary weight.
constexpr std::uint16_t kAsciiBase = 0x0100;   // + byte * 16 (+ tailoring offset)
constexpr std::uint16_t kHighBytes = 0x0A00;   // + byte, for bytes 0x80-0xFF
constexpr std::uint16_t kScriptBase = 0x1000;  // + base letter, non-Latin letters
constexpr std::uint8_t kLowerCase = 1;
constexpr std::uint8_t kUpperCase = 2;

std::uint16_t AsciiSlot(char anchor, std::uint8_t offset) {
  auto upper = static_cast<std::uint16_t>(anchor - 'a' + 'A');
  return static_cast<std::uint16_t>(kAsciiBase + upper * 16 + offset);
}

const TailoredLetter* FindTailored(std::span<const TailoredLetter> tailoring, char32_t lower) {
  for (const TailoredLetter& t : tailoring) {
    if (t.letter == lower) return &t;
  }
  return nullptr;
}

// Turkish pairs dotless and dotted i differently from the rest.
char32_t TurkishLower(char32_t c) {
  if (c == U'I') return U'ı';
  if (c == U'İ') return U'i';
  return c;
}
char32_t TurkishUpper(char32_t c) {
  if (c == U'i') return U'İ';
  if (c == U'ı') return U'I';
  return c;
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

Collation::Collation(SortOrder order, std::uint16_t code_page)
    : order_(order), code_page_(code_page) {
  BuildCase();
  BuildWeights();
}

const Collation& Collation::For(const LangDriver& driver) {
  return For(driver.sort_order, driver.code_page);
}

const Collation& Collation::For(SortOrder order, std::uint16_t code_page) {
  static std::mutex mutex;
  static std::map<std::uint32_t, std::unique_ptr<Collation>> cache;
  std::uint32_t key = (std::uint32_t{static_cast<std::uint8_t>(order)} << 16) | code_page;
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<Collation>& slot = cache[key];
  if (!slot) slot = std::make_unique<Collation>(order, code_page);
  return *slot;
}

void Collation::BuildCase() {
  const CodePage* page = CodePage::Find(code_page_);
  const bool turkish = order_ == SortOrder::kTurkish;
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    upper_[b] = lower_[b] = byte;
    if (page == nullptr) {  // ASCII letters only
      if (b >= 'a' && b <= 'z') upper_[b] = static_cast<std::uint8_t>(b - 32);
      if (b >= 'A' && b <= 'Z') lower_[b] = static_cast<std::uint8_t>(b + 32);
      continue;
    }
    char32_t c = page->ToUnicode(byte);
    const UnicodeProps* props = FindUnicodeProps(c);
    if (props == nullptr || props->kind == lang_tables::kKindOther) continue;
    char32_t up = turkish && TurkishUpper(c) != c ? TurkishUpper(c) : props->upper;
    char32_t low = turkish && TurkishLower(c) != c ? TurkishLower(c) : props->lower;
    if (!page->FromUnicode(up, &upper_[b])) upper_[b] = byte;
    if (!page->FromUnicode(low, &lower_[b])) lower_[b] = byte;
  }
}

void Collation::BuildWeights() {
  if (binary()) return;
  const CodePage* page = CodePage::Find(code_page_);
  const bool turkish = order_ == SortOrder::kTurkish;
  std::span<const TailoredLetter> tailoring = TailoringOf(order_);
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    char32_t c = page != nullptr ? page->ToUnicode(byte) : (b < 0x80 ? b : kNoChar);
    const UnicodeProps* props = FindUnicodeProps(c);
    primary_[b] = b < 0x80 ? static_cast<std::uint16_t>(kAsciiBase + b * 16)
                           : static_cast<std::uint16_t>(kHighBytes + b);
    secondary_[b] = 1;
    tertiary_[b] = kLowerCase;
    if (props == nullptr || props->kind == lang_tables::kKindOther) continue;

    char32_t lower = turkish && TurkishLower(c) != c ? TurkishLower(c) : props->lower;
    const UnicodeProps* lower_props = FindUnicodeProps(lower);
    if (lower_props == nullptr) lower_props = props;
    tertiary_[b] = c != lower ? kUpperCase : kLowerCase;
    secondary_[b] = lower_props->accent;
    if (props->kind == lang_tables::kKindScript) {
      primary_[b] = static_cast<std::uint16_t>(kScriptBase + lower_props->base);
      continue;
    }
    TailoredLetter placement;
    if (const TailoredLetter* t = FindTailored(tailoring, lower)) {
      primary_[b] = AsciiSlot(t->anchor, t->offset);
    } else if (lower_props->base >= 'a' && lower_props->base <= 'z') {
      primary_[b] = AsciiSlot(static_cast<char>(lower_props->base), 0);
    } else if (DefaultPlacementOf(lower_props->base, &placement)) {
      primary_[b] = AsciiSlot(placement.anchor, placement.offset);
    } else {
      primary_[b] = AsciiSlot('z', 15);
    }
  }
}

std::size_t Collation::SortKeyLength(std::size_t length, Strength strength) const {
  if (binary()) return length;
  switch (strength) {
    case Strength::kPrimary: return 2 * length;
    case Strength::kSecondary: return 3 * length + 1;
    case Strength::kTertiary: break;
  }
  return 4 * length + 2;
}

std::size_t Collation::SortKey(std::span<const std::uint8_t> text, std::uint8_t* out,
                               Strength strength) const {
  std::uint8_t* p = out;
  if (binary()) {
    if (strength == Strength::kTertiary) {
      if (!text.empty()) std::memcpy(p, text.data(), text.size());
      return text.size();
    }
    for (std::uint8_t b : text) *p++ = upper_[b];
    return text.size();
  }
  for (std::uint8_t b : text) {
    *p++ = static_cast<std::uint8_t>(primary_[b] >> 8);
    *p++ = static_cast<std::uint8_t>(primary_[b] & 0xFF);
  }
  if (strength >= Strength::kSecondary) {
    *p++ = 0;
    for (std::uint8_t b : text) *p++ = secondary_[b];
  }
  if (strength >= Strength::kTertiary) {
    *p++ = 0;
    for (std::uint8_t b : text) *p++ = tertiary_[b];
  }
  return static_cast<std::size_t>(p - out);
}

int Collation::Compare(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                       Strength strength) const {
  const std::size_t n = std::min(a.size(), b.size());
  const int by_length = Sign(static_cast<int>(a.size() > b.size()) -
                             static_cast<int>(a.size() < b.size()));
  if (binary()) {
    if (strength == Strength::kTertiary) {
      int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
      return c != 0 ? Sign(c) : by_length;
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (upper_[a[i]] != upper_[b[i]]) return upper_[a[i]] < upper_[b[i]] ? -1 : 1;
    }
    return by_length;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (primary_[a[i]] != primary_[b[i]]) return primary_[a[i]] < primary_[b[i]] ? -1 : 1;
  }
  if (by_length != 0) return by_length;
  if (strength >= Strength::kSecondary) {
    for (std::size_t i = 0; i < n; ++i) {
      if (secondary_[a[i]] != secondary_[b[i]]) return secondary_[a[i]] < secondary_[b[i]] ? -1 : 1;
    }
  }
  if (strength >= Strength::kTertiary) {
    for (std::size_t i = 0; i < n; ++i) {
      if (tertiary_[a[i]] != tertiary_[b[i]]) return tertiary_[a[i]] < tertiary_[b[i]] ? -1 : 1;
    }
  }
  return 0;
}

void Collation::ToUpper(std::span<std::uint8_t> text) const {
  for (std::uint8_t& b : text) b = upper_[b];
}

void Collation::ToLower(std::span<std::uint8_t> text) const {
  for (std::uint8_t& b : text) b = lower_[b];
}

std::string_view SortOrderName(SortOrder order) {
  switch (order) {
    case SortOrder::kBinary: return "binary";
    case SortOrder::kGeneral: return "general";
    case SortOrder::kNordic: return "nordic";
    case SortOrder::kSwedFin: return "swedfin";
    case SortOrder::kSpanish: return "spanish";
    case SortOrder::kCzech: return "czech";
    case SortOrder::kSlovene: return "slovene";
    case SortOrder::kPolish: return "polish";
    case SortOrder::kHungarian: return "hungarian";
    case SortOrder::kTurkish: return "turkish";
    case SortOrder::kIcelandic: return "icelandic";
  }
  return "unknown";
}

}  // namespace kx::storage
