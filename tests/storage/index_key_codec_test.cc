// Key encodings: MDX packed decimal bytes and order, ordered doubles and
// integers, Julian day numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "storage/dbase/index/index_key_codec.h"
#include "tests/storage/support/index_test_support.h"

namespace kx::storage {
namespace {

std::string Bcd(std::string_view text) {
  std::uint8_t out[kMdxBcdLength];
  EncodeMdxBcdFromText(text, out);
  return testing::Hex(std::string(reinterpret_cast<char*>(out), kMdxBcdLength));
}

TEST(MdxBcd, EncodesFieldTextDigitByDigit) {
  struct Case {
    const char* text;
    const char* hex;
  };
  const Case cases[] = {
      {"0", "340100000000000000000000"},
      {"      ", "340100000000000000000000"},
      {"  -0.00", "340100000000000000000000"},
      {"1", "350510000000000000000000"},
      {"100", "370510000000000000000000"},        // trailing zeros are not counted
      {"  -12.50", "368d12500000000000000000"},
      {"0.05", "330550000000000000000000"},       // a zero after the point lowers the exponent
      {".5", "340550000000000000000000"},
      {"+123.456", "371912345600000000000000"},
      {"12345678901234567891234", "4b5112345678901234567891"},  // 20 digits kept
      {"7abc", "350570000000000000000000"},       // parsing stops as VAL() does
  };
  for (const Case& c : cases) EXPECT_EQ(Bcd(c.text), c.hex) << c.text;
}

TEST(MdxBcd, FromADoubleMatchesTheTextForFifteenDigits) {
  for (const char* text : {"0.1", "123.456", "-7", "1e-5", "99999999.99", "-0.3", "123456789012345"}) {
    std::uint8_t a[kMdxBcdLength], b[kMdxBcdLength];
    std::string plain = text;
    if (plain == "1e-5") plain = "0.00001";
    EncodeMdxBcdFromText(plain, a);
    EncodeMdxBcdFromDouble(std::strtod(text, nullptr), b);
    EXPECT_EQ(0, std::memcmp(a, b, kMdxBcdLength)) << text;
    EXPECT_EQ(DecodeMdxBcd(a), std::strtod(text, nullptr)) << text;
  }
}

TEST(MdxBcd, SortKeysFollowNumericOrder) {
  const char* ascending[] = {"-1000", "-999.99", "-12.5", "-12.49", "-1", "-0.05", "-0.001", "0",
                             "0.001", "0.05", "0.5", "1", "9.99", "10", "10.01", "1e30x", "12345678"};
  std::vector<std::string> keys;
  for (const char* t : ascending) {
    std::uint8_t bcd[kMdxBcdLength], sort[kMdxBcdLength];
    EncodeMdxBcdFromText(std::string(t) == "1e30x" ? "11" : t, bcd);
    MdxBcdSortKey(bcd, sort);
    keys.emplace_back(reinterpret_cast<char*>(sort), kMdxBcdLength);
  }
  for (std::size_t i = 1; i < keys.size(); ++i) EXPECT_LT(keys[i - 1], keys[i]) << ascending[i];
}

TEST(OrderedKeys, DoublesAndIntegersCompareAsBytesInNumericOrder) {
  const double doubles[] = {-HUGE_VAL, -1e300, -2.5, -1, -1e-300, 0, 1e-300, 1, 2.5, 1e300, HUGE_VAL};
  std::string prev;
  for (double d : doubles) {
    std::uint8_t k[8];
    EncodeOrderedDouble(d, k);
    std::string key(reinterpret_cast<char*>(k), 8);
    if (!prev.empty()) {
      EXPECT_LT(prev, key) << d;
    }
    EXPECT_EQ(DecodeOrderedDouble(k), d);
    prev = key;
  }
  std::uint8_t neg_zero[8], zero[8];
  EncodeOrderedDouble(-0.0, neg_zero);
  EncodeOrderedDouble(0.0, zero);
  EXPECT_EQ(0, std::memcmp(neg_zero, zero, 8)) << "-0 and +0 are one key";
  EXPECT_EQ(testing::Hex(std::string(reinterpret_cast<char*>(zero), 8)), "8000000000000000");

  std::uint8_t one[4], minus[4];
  EncodeOrderedInt32(1, one);
  EncodeOrderedInt32(-1, minus);
  EXPECT_EQ(testing::Hex(std::string(reinterpret_cast<char*>(one), 4)), "80000001");
  EXPECT_LT(std::memcmp(minus, one, 4), 0);
  EXPECT_EQ(DecodeOrderedInt32(minus), -1);
}

TEST(JulianDay, MatchesTheDaysDbaseStores) {
  EXPECT_EQ(JulianDayNumber(1970, 1, 1), 2440588);
  EXPECT_EQ(JulianDayFromDbfDate("19970909"), 2450701);
  EXPECT_EQ(JulianDayFromDbfDate("20000229"), 2451604);
  EXPECT_EQ(JulianDayFromDbfDate("        "), 0);
  EXPECT_EQ(JulianDayFromDbfDate("1997-9-9"), 0);
}

}  // namespace
}  // namespace kx::storage
