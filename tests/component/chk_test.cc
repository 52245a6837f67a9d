// Chk: the engine's own words for a result code, in one message box.
#include <gtest/gtest.h>

#include "component/kx_sorvel.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

class ChkTest : public UiTest {
 protected:
  std::string OnlyBox() {
    EXPECT_EQ(platform_->boxes().size(), 1u);
    if (platform_->boxes().empty()) return {};
    EXPECT_EQ(platform_->boxes()[0].caption, "BDE Error");
    EXPECT_EQ(platform_->boxes()[0].type, MB_OK);
    return platform_->boxes()[0].text;
  }
  TkxSorvelU kx_{nullptr};
};

TEST_F(ChkTest, SuccessShowsNothing) {
  EXPECT_EQ(kx_.Chk(0), 0);
  EXPECT_TRUE(platform_->boxes().empty());
  EXPECT_TRUE(engine_->calls().empty());
}

TEST_F(ChkTest, NotInitialisedInitialisesAndReportsOnlyWhatThatGives) {
  EXPECT_EQ(kx_.Chk(DBIERR_NOTINITIALIZED), 0);
  EXPECT_TRUE(platform_->boxes().empty());
  EXPECT_EQ(engine_->calls(), std::vector<std::string>{"DbiInit"});

  engine_->Answer("DbiInit", DBIERR_NOMEMORY);
  EXPECT_EQ(kx_.Chk(DBIERR_NOTINITIALIZED), DBIERR_NOMEMORY);
  EXPECT_EQ(OnlyBox(), std::string("  ERROR ") + ResultText(DBIERR_NOMEMORY) + "\r\n    DbiInit");
}

TEST_F(ChkTest, MatchingDetailsAddOneLinePerContext) {
  struct Case {
    const char *c1, *c2, *c3, *c4;
    const char* lines;
  };
  for (Case c : {Case{"", "", "", "", ""}, Case{"A", "", "", "", "\r\n    A"},
                 Case{"A", "", "C", "", "\r\n    A\r\n    C"},
                 Case{"A", "B", "C", "D", "\r\n    A\r\n    B\r\n    C\r\n    D"}}) {
    VirtualPlatform& p = *platform_;
    std::size_t before = p.boxes().size();
    SetLastError(DBIERR_FILEBUSY, c.c1, c.c2, c.c3, c.c4);
    EXPECT_EQ(kx_.Chk(DBIERR_FILEBUSY), DBIERR_FILEBUSY);
    ASSERT_EQ(p.boxes().size(), before + 1);
    EXPECT_EQ(p.boxes().back().text, std::string("  ERROR ") + ResultText(DBIERR_FILEBUSY) + c.lines);
  }
}

TEST_F(ChkTest, DetailsOfAnotherCodeAreNeverShown) {
  SetLastError(DBIERR_FILEBUSY, "CUST.DB");
  EXPECT_EQ(kx_.Chk(DBIERR_INVALIDLANGDRV), DBIERR_INVALIDLANGDRV);
  EXPECT_EQ(OnlyBox(), std::string("  ERROR ") + ResultText(DBIERR_INVALIDLANGDRV));
}

TEST_F(ChkTest, FourLongestContextsAllReachTheBox) {
  std::string c(DBIMAXMSGLEN, 'c');
  SetLastError(DBIERR_WRITEERR, c.c_str(), c.c_str(), c.c_str(), c.c_str());
  kx_.Chk(DBIERR_WRITEERR);
  std::string line = "\r\n    " + c;
  EXPECT_EQ(OnlyBox(), std::string("  ERROR ") + ResultText(DBIERR_WRITEERR) + line + line + line + line);
}

}  // namespace
}  // namespace kx
