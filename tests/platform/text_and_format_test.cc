// Conversions, Format and the bounded wsprintfA.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sys_utils.h"
#include "platform/windows_api.h"

namespace kx {
namespace {

TEST(StrToInt, AcceptsWholeNumbersOnly) {
  struct Case {
    const char* text;
    int value;
  };
  for (Case c : {Case{"7", 7}, Case{"07", 7}, Case{"  25", 25}, Case{"-7", -7}, Case{"+4096", 4096},
                 Case{"$10", 16}, Case{"0x1F", 31}, Case{"2147483647", 2147483647},
                 Case{"-2147483648", -2147483647 - 1}}) {
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
  for (const char* bad : {"", " ", "7 ", "seven", "1.5", "2147483648", "-", "$", "0x", "1e3"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << '"' << bad << '"';
  }
}

TEST(Conversions, IntToStrAndComparisons) {
  EXPECT_EQ(IntToStr(-32768), "-32768");
  EXPECT_EQ(AnsiCompareStr("DB437US0", "DB437US0"), 0);
  EXPECT_NE(AnsiCompareStr("db437us0", "DB437US0"), 0);
  EXPECT_LT(AnsiCompareStr("a", "b"), 0);
  EXPECT_NE(AnsiCompareStr(std::string("a\0b", 3), std::string("a\0c", 3)), 0);
  EXPECT_TRUE(SameText("Block Size", "BLOCK SIZE"));
  EXPECT_FALSE(SameText("LEVEL ", "LEVEL"));
}

TEST(Format, FillsConversionsAndRejectsMismatches) {
  EXPECT_EQ(Format("%s of %d", {"Table", 3}), "Table of 3");
  EXPECT_EQ(Format("[%5d|%-4s|%03d|%x|%%]", {42, "ab", 7, 255}), "[   42|ab  |007|ff|%]");
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
}

TEST(WsprintfA, NeverWritesPastItsBuffer) {
  struct Guarded {
    char text[8];
    char guard[8];
  } g;
  std::memset(&g, '#', sizeof g);
  EXPECT_EQ(wsprintfA(g.text, "Adding Index : %s", "LONGNAME"), 7);
  EXPECT_STREQ(g.text, "Adding ");
  EXPECT_EQ(std::string(g.guard, 8), std::string(8, '#'));

  char buf[128];
  EXPECT_EQ(wsprintfA(buf, "Rebuilding Index No. %d ", 12), 24);
  EXPECT_STREQ(buf, "Rebuilding Index No. 12 ");
  // A conversion without an argument is written as it stands, never read.
  wsprintfA(buf, "%s and %s", "one");
  EXPECT_STREQ(buf, "one and %s");
  wsprintfA(buf, "%d", "text");
  EXPECT_STREQ(buf, "0");
}

}  // namespace
}  // namespace kx
