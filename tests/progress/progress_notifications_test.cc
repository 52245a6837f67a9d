// The two notification handlers: texts, the index counter, the bar, and
// fields that do not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/application.h"
#include "progress/tkx_progress.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

class NotificationTest : public UiTest {
 protected:
  NotificationTest() : w_(new TkxProgress(nullptr)) {}

  CBRType Progress(int percent, const char* message = "") {
    CBPROGRESSDesc d{};
    d.iPercentDone = static_cast<std::int16_t>(percent);
    CopyName(d.szMsg, message);
    return w_->GenProgressCallback(&d);
  }
  std::string Restructure(std::uint32_t kind, const std::string& name, bool primary = false) {
    RESTCbDesc d{};
    d.eRestrObjType = kind;
    if (kind == restrNEWINDEX || kind == restrOLDINDEX) {
      CopyName(d.uObjDesc.idxDesc.szName, name.c_str());
      d.uObjDesc.idxDesc.bPrimary = primary;
    } else if (kind == restrNEWSEC || kind == restrOLDSEC) {
      CopyName(d.uObjDesc.secDesc.szPassword, name.c_str());
    } else {
      CopyName(d.uObjDesc.fldDesc.szName, name.c_str());
    }
    EXPECT_EQ(w_->RestructureCallback(&d), cbrUSEDEF);
    return w_->Label2->FCaption;
  }

  std::unique_ptr<TkxProgress> w_;
};

TEST_F(NotificationTest, PhaseStartsCountIndexesUnlessRestructuring) {
  w_->prgBar->Position = 40;
  EXPECT_EQ(Progress(0), cbrUSEDEF);
  EXPECT_EQ(w_->Label1->FCaption, "Rebuilding Index No. 1 ");
  EXPECT_EQ(w_->prgBar->FPosition, 0);
  EXPECT_TRUE(w_->prgBar->FVisible);
  Progress(0);
  EXPECT_EQ(w_->Label1->FCaption, "Rebuilding Index No. 2 ");
  EXPECT_EQ(w_->FIndexNo, 3);

  w_->FRestructuring = true;
  w_->prgBar->Position = 70;
  Progress(0);
  EXPECT_EQ(w_->Label1->FCaption, "Rebuilding Index No. 2 ");
  EXPECT_EQ(w_->FIndexNo, 3);
  EXPECT_EQ(w_->prgBar->FPosition, 0);
}

TEST_F(NotificationTest, PercentagesMoveTheBar) {
  for (int percent : {1, 55, 100}) {
    Progress(percent);
    EXPECT_EQ(w_->prgBar->FPosition, percent);
  }
  EXPECT_FALSE(w_->prgBar->FVisible);
}

TEST_F(NotificationTest, MessageAloneFillsTheBarOnlyInVisibleMode) {
  Progress(-1, "Sorting records");
  EXPECT_EQ(w_->Label2->FCaption, "Sorting records");
  EXPECT_TRUE(w_->prgBar->FVisible);
  EXPECT_EQ(w_->prgBar->FPosition, 0);
  EXPECT_TRUE(platform_->sleeps().empty());

  w_->FVisiMode = true;
  Progress(-1, "Writing");
  EXPECT_EQ(w_->prgBar->FPosition, 100);
  EXPECT_EQ(platform_->sleeps(), std::vector<std::uint32_t>(10, 50));

  Progress(95);
  Progress(-1, "again");  // stops at the maximum, no wrap-around
  EXPECT_EQ(w_->prgBar->FPosition, 100);
  EXPECT_EQ(platform_->sleeps().size(), 11u);
  Progress(-1, "full");
  EXPECT_EQ(platform_->sleeps().size(), 11u);
}

TEST_F(NotificationTest, RestructureKindsHaveTheirTexts) {
  struct Case {
    std::uint32_t kind;
    const char* name;
    bool primary;
    const char* text;
  };
  for (Case c : {Case{0, "X", false, " Processing ... "}, Case{1, "CITY", false, "Adding Field : CITY"},
                 Case{2, "ZIP", false, "Dropping Field : ZIP"}, Case{3, "BYNAME", false, "Adding Index : BYNAME"},
                 Case{3, "BYNAME", true, "Adding Primary Index ... "},
                 Case{4, "BYCITY", false, "Removeing Index : BYCITY"},
                 Case{4, "BYCITY", true, "Removeing Primary Index ... "}, Case{5, "X", false, " Processing ... "},
                 Case{6, "X", false, " Processing ... "}, Case{7, "X", false, " Processing ... "},
                 Case{8, "CUSTORD", false, "CUSTORD"}, Case{9, "secret", false, "secret"},
                 Case{10, "secret", false, "secret"}, Case{11, "X", false, "Creating temporary Table"},
                 Case{12, "X", false, " Processing ... "}, Case{0xFFFFFFFFu, "X", false, " Processing ... "}}) {
    EXPECT_EQ(Restructure(c.kind, c.name, c.primary), c.text) << c.kind;
  }
}

TEST_F(NotificationTest, LongNamesAreCutToTheTextsStorage) {
  std::string name(DBIMAXTBLNAMELEN, 'N');
  std::string text = Restructure(restrNEWINDEX, name);
  EXPECT_EQ(text.size(), static_cast<std::size_t>(DBIMAXMSGLEN));
  EXPECT_EQ(text, ("Adding Index : " + name).substr(0, DBIMAXMSGLEN));

  // A message field without its terminator is read up to its end only.
  CBPROGRESSDesc d{};
  d.iPercentDone = -1;
  std::memset(d.szMsg, 'M', sizeof d.szMsg);
  w_->GenProgressCallback(&d);
  EXPECT_EQ(w_->Label2->FCaption, std::string(DBIMAXMSGLEN, 'M'));
}

TEST_F(NotificationTest, RunsRegisterChainedHandlersAndRestoreThePreviousOnes) {
  static int previous_calls;
  previous_calls = 0;
  CBPROGRESSDesc previous_buffer{};
  auto previous = [](CBType, std::uintptr_t, void*) -> CBRType {
    ++previous_calls;
    return cbrUSEDEF;
  };
  DbiRegisterCallBack(nullptr, cbGENPROGRESS, 77, sizeof previous_buffer, &previous_buffer, previous);
  table_->TableName = "CUST.DBF";
  engine_->SetTable("CUST.DBF", "DBASE");
  engine_->NotifyProgress(0);
  engine_->NotifyProgress(-1, "Packing records");
  engine_->NotifyRestructure(restrNEWTABLE, "");
  w_->FDataSet = table_;
  EXPECT_EQ(w_->RunRestructure("0", "0", true), 0);
  EXPECT_EQ(w_->Label1->FCaption, "Packing Complete ... ");
  EXPECT_EQ(w_->FIndexNo, 2);  // the dBASE road counts phase starts
  EXPECT_EQ(w_->Label2->FCaption, "Creating temporary Table");
  EXPECT_EQ(previous_calls, 2);
  EXPECT_STREQ(previous_buffer.szMsg, "Packing records");

  std::uintptr_t data = 0;
  std::uint16_t len = 0;
  void* buf = nullptr;
  pfDBICallBack fn = nullptr;
  DbiGetCallBack(nullptr, cbGENPROGRESS, &data, &len, &buf, &fn);
  EXPECT_EQ(data, 77u);
  EXPECT_EQ(buf, &previous_buffer);
  DbiRegisterCallBack(nullptr, cbGENPROGRESS, 0, 0, nullptr, nullptr);
}

TEST_F(NotificationTest, LanguageDriverListKeepsTheEnginesOrderAndReplacesOldEntries) {
  for (const char* name : {"DBWINUS0", "ascii", "DBWINUS0"}) {
    LDDesc d{};
    CopyName(d.szName, name);
    engine_->lang_drivers().push_back(d);
  }
  TStringList list;
  list.Add("old");
  w_->LoadLangDrivers(&list);
  w_->LoadLangDrivers(&list);
  EXPECT_EQ(list.CommaText(), "DBWINUS0,ascii,DBWINUS0");

  engine_->Answer("DbiOpenLdList", DBIERR_NOTINITIALIZED);
  w_->LoadLangDrivers(&list);
  EXPECT_EQ(list.Count(), 0);

  engine_->Answer("DbiCloseCursor", DBIERR_INVALIDHNDL);  // raised by Check, caught
  w_->LoadLangDrivers(&list);
  EXPECT_EQ(list.Count(), 3);
}

}  // namespace
}  // namespace kx
