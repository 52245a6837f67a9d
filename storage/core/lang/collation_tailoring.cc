// Alphabet tailorings (collation_tailoring.h). Each follows the alphabet of
// its language as published in ordinary dictionaries and spelling rules;
// digraphs (Czech ch, Hungarian cs/gy/sz, traditional Spanish ch/ll) are not
// modelled. storage/doc/language_drivers.md discusses the differences this
// may leave against the old engine's tables.
#include "storage/core/lang/collation_tailoring.h"

namespace kx::storage {
namespace {

constexpr TailoredLetter kNordic[] = {
    {u'æ', 'z', 1}, {u'ä', 'z', 1}, {u'ø', 'z', 2}, {u'ö', 'z', 2}, {u'å', 'z', 3},
    {u'ü', 'y', 0},
};
constexpr TailoredLetter kSwedFin[] = {
    {u'å', 'z', 1}, {u'ä', 'z', 2}, {u'æ', 'z', 2}, {u'ö', 'z', 3}, {u'ø', 'z', 3},
    {u'ü', 'y', 0},
};
constexpr TailoredLetter kSpanish[] = {{u'ñ', 'n', 1}};
constexpr TailoredLetter kCzech[] = {
    {u'č', 'c', 1}, {u'ř', 'r', 1}, {u'š', 's', 1}, {u'ž', 'z', 1},
};
constexpr TailoredLetter kSlovene[] = {{u'č', 'c', 1}, {u'š', 's', 1}, {u'ž', 'z', 1}};
constexpr TailoredLetter kPolish[] = {
    {u'ą', 'a', 1}, {u'ć', 'c', 1}, {u'ę', 'e', 1}, {u'ł', 'l', 1}, {u'ń', 'n', 1},
    {u'ó', 'o', 1}, {u'ś', 's', 1}, {u'ź', 'z', 1}, {u'ż', 'z', 2},
};
constexpr TailoredLetter kHungarian[] = {
    {u'ö', 'o', 1}, {u'ő', 'o', 1}, {u'ü', 'u', 1}, {u'ű', 'u', 1},
};
// Dotless i sorts just before i (after every h).
constexpr TailoredLetter kTurkish[] = {
    {u'ç', 'c', 1}, {u'ğ', 'g', 1}, {u'ı', 'h', 15}, {u'ö', 'o', 1}, {u'ş', 's', 1},
    {u'ü', 'u', 1},
};
constexpr TailoredLetter kIcelandic[] = {
    {u'á', 'a', 1}, {u'ð', 'd', 1}, {u'é', 'e', 1}, {u'í', 'i', 1}, {u'ó', 'o', 1},
    {u'ú', 'u', 1}, {u'ý', 'y', 1}, {u'þ', 'z', 1}, {u'æ', 'z', 2}, {u'ö', 'z', 3},
    {u'ø', 'z', 3},
};

}  // namespace

std::span<const TailoredLetter> TailoringOf(SortOrder order) {
  switch (order) {
    case SortOrder::kNordic: return kNordic;
    case SortOrder::kSwedFin: return kSwedFin;
    case SortOrder::kSpanish: return kSpanish;
    case SortOrder::kCzech: return kCzech;
    case SortOrder::kSlovene: return kSlovene;
    case SortOrder::kPolish: return kPolish;
    case SortOrder::kHungarian: return kHungarian;
    case SortOrder::kTurkish: return kTurkish;
    case SortOrder::kIcelandic: return kIcelandic;
    case SortOrder::kBinary:
    case SortOrder::kGeneral: break;
  }
  return {};
}

bool DefaultPlacementOf(char16_t letter, TailoredLetter* placement) {
  if (letter == u'þ') {
    *placement = {letter, 'z', 4};
    return true;
  }
  return false;
}

}  // namespace kx::storage
