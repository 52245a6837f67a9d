// Collations: dictionary and binary orders on small word lists, sort keys
// that agree with Compare, strengths, and UPPER/LOWER per code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "storage/core/lang/code_page.h"
#include "storage/core/lang/collation.h"
#include "storage/core/lang/lang_driver.h"

namespace kx::storage {
namespace {

using Text = std::vector<std::uint8_t>;

// UTF-8 words in a code page's bytes; the test fails on a character the code
// page lacks.
Text Encode(std::uint16_t code_page, std::string_view utf8) {
  const CodePage* page = CodePage::Find(code_page);
  Text out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    i += extra + 1;
    std::uint8_t byte = 0;
    EXPECT_TRUE(page != nullptr && page->FromUnicode(c, &byte)) << utf8 << " in " << code_page;
    out.push_back(byte);
  }
  return out;
}

const Collation& Of(const char* driver) { return Collation::For(*FindLangDriverByName(driver)); }

// Checks that `words` (UTF-8, in the expected order) sort strictly in that
// order by Compare and by memcmp of their sort keys.
void ExpectOrder(const char* driver, std::vector<std::string_view> words) {
  SCOPED_TRACE(driver);
  const Collation& collation = Of(driver);
  std::vector<Text> texts, keys;
  for (std::string_view w : words) {
    texts.push_back(Encode(collation.code_page(), w));
    Text key(collation.SortKeyLength(texts.back().size()));
    key.resize(collation.SortKey(texts.back(), key.data()));
    keys.push_back(key);
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    for (std::size_t j = 0; j < words.size(); ++j) {
      int expected = (i > j) - (i < j);
      EXPECT_EQ(collation.Compare(texts[i], texts[j]), expected) << words[i] << " vs " << words[j];
      int by_key = std::lexicographical_compare(keys[i].begin(), keys[i].end(), keys[j].begin(),
                                                keys[j].end())
                       ? -1
                       : (keys[i] == keys[j] ? 0 : 1);
      EXPECT_EQ(by_key, expected) << "keys of " << words[i] << " vs " << words[j];
    }
  }
}

TEST(Collation, DictionaryOrderFoldsCaseAndAccentsWithLowerCaseFirst) {
  ExpectOrder("DB437US0", {"10", "9", "a", "A", "á", "Ab", "b", "B", "e", "E", "é", "É", "ef",
                           "ñ", "zoo", "Zoo", "[x"});
  ExpectOrder("DB850DE0", {"Apfel", "Äpfel", "Arm", "Straße", "Strasse", "Strauß"});
  ExpectOrder("DBWINWE0", {"cote", "coté", "côte", "côté", "Côté"});
}

TEST(Collation, LanguagesPlaceTheirOwnLetters) {
  ExpectOrder("DB865DA0", {"zebra", "æble", "Æble", "øl", "åben"});
  ExpectOrder("DB437SV0", {"zon", "åt", "ärm", "öl"});
  ExpectOrder("DB850ES0", {"nube", "ñu", "obra"});
  ExpectOrder("DB852CZ0", {"cz", "čas", "d", "rz", "řeka", "s"});
  ExpectOrder("db852po0", {"lz", "łódź", "m", "zz", "źle", "żaba"});
  ExpectOrder("DB857TR0", {"hz", "ılık", "Irmak", "iz", "İzmir", "j"});
  ExpectOrder("db866ru0", {"елка", "ёлка", "жук", "ия", "йод", "як"});
}

TEST(Collation, BinaryDriversKeepByteOrder) {
  ExpectOrder("DBWINUS0", {"B", "Z", "a", "b", "z", "É", "é"});
  ExpectOrder("ascii", {"Zoo", "apple", "é"});
  const Collation& binary = Of("DBWINUS0");
  EXPECT_EQ(binary.SortKeyLength(7), 7u);
  Text a = Encode(1252, "abc"), upper = Encode(1252, "ABC");
  EXPECT_EQ(binary.Compare(a, upper, Strength::kSecondary), 0);  // case-insensitive index
}

TEST(Collation, LowerStrengthsIgnoreCaseThenAccents) {
  const Collation& c = Of("DB437US0");
  Text abc = Encode(437, "abc"), upper = Encode(437, "ABC"), accented = Encode(437, "ábc");
  EXPECT_EQ(c.Compare(abc, upper, Strength::kSecondary), 0);
  EXPECT_LT(c.Compare(abc, accented, Strength::kSecondary), 0);
  EXPECT_EQ(c.Compare(upper, accented, Strength::kPrimary), 0);
  Text key(c.SortKeyLength(3, Strength::kPrimary));
  EXPECT_EQ(c.SortKey(abc, key.data(), Strength::kPrimary), 6u);
}

TEST(Collation, UpperAndLowerFollowTheCodePage) {
  struct Case {
    const char* driver;
    std::string_view lower, upper;
  };
  const Case cases[] = {
      {"DB437US0", "aéäçñ", "AÉÄÇÑ"},
      {"DBWINUS0", "aéàÿœš", "AÉÀŸŒŠ"},
      {"db866ru0", "жёя", "ЖЁЯ"},
      {"DB857TR0", "iı", "İI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.driver);
    const Collation& collation = Of(c.driver);
    Text text = Encode(collation.code_page(), c.lower);
    collation.ToUpper(text);
    EXPECT_EQ(text, Encode(collation.code_page(), c.upper));
    collation.ToLower(text);
    EXPECT_EQ(text, Encode(collation.code_page(), c.lower));
  }
  // Letters whose other case the code page lacks stay as they are.
  const Collation& cp437 = Of("DB437US0");
  EXPECT_EQ(cp437.Upper(Encode(437, "à")[0]), Encode(437, "à")[0]);
  EXPECT_EQ(cp437.Upper(Encode(437, "ß")[0]), Encode(437, "ß")[0]);
  EXPECT_EQ(cp437.Upper(Encode(437, "½")[0]), Encode(437, "½")[0]);
  // Without a character table only ASCII letters change case.
  const Collation& bulgarian = Of("BGDB868");
  EXPECT_EQ(bulgarian.Upper('q'), 'Q');
  EXPECT_EQ(bulgarian.Upper(0xA0), 0xA0);
  EXPECT_EQ(bulgarian.Compare(Text{'q'}, Text{'Q'}, Strength::kSecondary), 0);
}

}  // namespace
}  // namespace kx::storage
