// Transliteration between code pages: round trips of every shared
// character, the first byte that cannot be held, and code pages without a
// character table.
#include <gtest/gtest.h>

#include <vector>

#include "storage/core/lang/code_page.h"
#include "storage/api/codes.h"
#include "storage/core/lang/transliteration.h"

namespace kx::storage {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST(Transliteration, EveryCharacterThat437And1252ShareRoundTrips) {
  const CodePage* cp437 = CodePage::Find(437);
  const CodePage* cp1252 = CodePage::Find(1252);
  ASSERT_NE(cp437, nullptr);
  ASSERT_NE(cp1252, nullptr);
  const Transliteration& there = Transliteration::Between(437, 1252);
  const Transliteration& back = Transliteration::Between(1252, 437);
  int shared = 0;
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    std::uint8_t in_1252 = 0;
    bool held = cp1252->FromUnicode(cp437->ToUnicode(byte), &in_1252);
    ASSERT_EQ(there.Converts(byte), held) << b;
    if (!held) continue;
    ++shared;
    std::vector<std::uint8_t> text = {byte};
    ASSERT_TRUE(there.Apply(text, nullptr)) << b;
    EXPECT_EQ(text[0], in_1252);
    ASSERT_TRUE(back.Apply(text, nullptr)) << b;
    EXPECT_EQ(text[0], byte);
    if (b < 0x20 || b == 0x7F) {
      EXPECT_EQ(in_1252, byte);  // control bytes stay
    }
  }
  EXPECT_GT(shared, 128 + 50);  // ASCII and most accented letters
  EXPECT_FALSE(there.total());
  EXPECT_TRUE(Transliteration::Between(1252, 1252).total());
}

TEST(Transliteration, ReportsTheFirstByteTheTargetCannotHold) {
  // "é x ░ é" in cp437: é converts, the shade character has no cp1252 byte.
  std::vector<std::uint8_t> text = Bytes({0x82, 'x', 0xB0, 0x82});
  TranscodeFailure failure;
  Status s = Transcode(437, 1252, text, &failure);
  EXPECT_EQ(s.code(), DBIERR_CANNOTCONVERT);
  EXPECT_EQ(failure.offset, 2u);
  EXPECT_EQ(failure.byte, 0xB0);
  EXPECT_EQ(failure.character, U'\u2591');
  EXPECT_NE(s.message().find("U+2591"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("offset 2"), std::string::npos) << s.message();
  EXPECT_EQ(text, Bytes({0xE9, 'x', 0xB0, 0x82}));  // converted up to the failure only

  // Into a separate buffer, and from a byte the source leaves undefined.
  std::vector<std::uint8_t> in = Bytes({'a', 0x81}), out(2);
  EXPECT_FALSE(Transliteration::Between(1252, 437).Apply(in, out.data(), &failure));
  EXPECT_EQ(failure.offset, 1u);
  EXPECT_EQ(failure.character, kNoChar);
  Status undefined = Transliteration::Between(1252, 437).FailureStatus(failure);
  EXPECT_NE(undefined.message().find("no character of code page 1252"), std::string::npos)
      << undefined.message();
}

// Long text goes eight ASCII bytes at a time: an accented byte or a failing
// one at any position of a word is still converted or reported at its
// offset, as one byte at a time would.
TEST(Transliteration, LongTextMatchesByteAtATimeAtEveryAlignment) {
  const Transliteration& map = Transliteration::Between(437, 1252);
  for (std::size_t at = 0; at < 24; ++at) {
    std::vector<std::uint8_t> text(40, 'a');
    text[at] = 0x82;  // é
    std::vector<std::uint8_t> expect = text;
    expect[at] = 0xE9;
    std::vector<std::uint8_t> out(text.size());
    ASSERT_TRUE(map.Apply(text, out.data(), nullptr)) << at;
    EXPECT_EQ(out, expect) << at;

    text[at] = 0xB0;  // no cp1252 byte
    TranscodeFailure failure;
    EXPECT_FALSE(map.Apply(text, &failure)) << at;
    EXPECT_EQ(failure.offset, at);
  }
}

TEST(Transliteration, CodePagesWithoutTablesPassAsciiOnly) {
  std::vector<std::uint8_t> ascii = Bytes({'A', 'b', ' ', '1', 0x0D});
  EXPECT_TRUE(Transcode(932, 1252, ascii).ok());
  EXPECT_TRUE(Transcode(1252, 868, ascii).ok());
  EXPECT_EQ(ascii, Bytes({'A', 'b', ' ', '1', 0x0D}));

  std::vector<std::uint8_t> kanji = Bytes({'A', 0x82, 0xA0});
  TranscodeFailure failure;
  Status s = Transcode(932, 1252, kanji, &failure);
  EXPECT_EQ(s.code(), DBIERR_CANNOTCONVERT);
  EXPECT_EQ(failure.offset, 1u);
  EXPECT_NE(s.message().find("multi-byte"), std::string::npos) << s.message();
  EXPECT_TRUE(Transcode(932, 932, kanji).ok());  // same code page: untouched
  EXPECT_EQ(kanji, Bytes({'A', 0x82, 0xA0}));

  EXPECT_FALSE(CanTransliterate(437, 932));
  EXPECT_FALSE(CanTransliterate(868, 866));
  EXPECT_TRUE(CanTransliterate(932, 932));
  EXPECT_TRUE(CanTransliterate(867, 852));
}

TEST(Transliteration, KamenickyUnderBothNumbersMapsCzechLetters) {
  // č ř š ž Ů in Kamenický, and where cp852 and cp1250 hold them.
  const std::vector<std::uint8_t> kamenicky = Bytes({0x87, 0xA9, 0xA8, 0x91, 0xA6});
  std::vector<std::uint8_t> text = kamenicky;
  ASSERT_TRUE(Transcode(867, 852, text).ok());
  EXPECT_EQ(text, Bytes({0x9F, 0xFD, 0xE7, 0xA7, 0xDE}));
  text = kamenicky;
  ASSERT_TRUE(Transcode(895, 1250, text).ok());
  EXPECT_EQ(text, Bytes({0xE8, 0xF8, 0x9A, 0x9E, 0xD9}));
}

}  // namespace
}  // namespace kx::storage
