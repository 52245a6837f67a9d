// The pickers: what they list and preselect, what the user's choice does,
// and the ways out that apply nothing.
#include <gtest/gtest.h>

#include "component/kx_sorvel.h"
#include "platform/application.h"
#include "progress/tkx_progress.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

// Notes AlterTblProp calls and what the picker window showed.
class PickerSorvel : public TkxSorvelU {
 public:
  using TkxSorvelU::TkxSorvelU;
  DBIResult AlterTblProp(const char* Value, const char* PropName) override {
    altered.push_back(std::string(PropName) + "=" + Value);
    windows_at_alter = Screen->FormCount();
    return TkxSorvelU::AlterTblProp(Value, PropName);
  }
  std::vector<std::string> altered;
  int windows_at_alter = -1;
};

class PickerTest : public UiTest {
 protected:
  PickerTest() {
    kx_.DataSet = table_;
    engine_->SetTable("CUST.DB", "PARADOX", 4, 32, "DBWINUS0");
    // What the picker shows when its modal display starts.
    platform_->OnPump([this] {
      auto* w = Screen->ActiveForm() ? dynamic_cast<TkxProgress*>(Screen->ActiveForm()) : nullptr;
      if (!w || !w->Modal() || !prompt_.empty()) return;
      prompt_ = w->Label3->FCaption;
      entries_ = w->cmbLang->Items->CommaText();
      selected_ = w->cmbLang->FText;
      label_on_top_ = w->Label3->FAlign == alTop && w->Label3->FAlignment == taCenter;
    });
  }
  ~PickerTest() override { platform_->OnPump(nullptr); }

  PickerSorvel kx_{nullptr};
  std::string prompt_, entries_, selected_;
  bool label_on_top_ = false;
};

TEST_F(PickerTest, LevelPickerAppliesATypedLevel) {
  platform_->TypeAt(500, "7");
  EXPECT_EQ(kx_.AlterTblLevel(), 0);
  EXPECT_EQ(prompt_, "Select Table Level for : CUST.DB");
  EXPECT_EQ(entries_, "3,4,5,7,25");
  EXPECT_EQ(selected_, "4");
  EXPECT_EQ(kx_.altered, std::vector<std::string>{"LEVEL=7"});
  EXPECT_EQ(kx_.windows_at_alter, 0);  // the picker is gone before the change runs
  EXPECT_EQ(kx_.FNewValue, "7");
  EXPECT_TRUE(table_->FActive);  // opened by the picker, left open
}

TEST_F(PickerTest, ChoosingTheCurrentValueChangesNothing) {
  platform_->SelectAt(200, 1);  // "4"
  EXPECT_EQ(kx_.AlterTblLevel(), 0);
  EXPECT_TRUE(kx_.FUnchanged);
  EXPECT_TRUE(kx_.altered.empty());
  EXPECT_EQ(platform_->sleeps(), (std::vector<std::uint32_t>{100, 1000}));
}

TEST_F(PickerTest, BlockSizePickerListsALargerCurrentSizeThatCannotBeApplied) {
  platform_->SelectAt(200, 5);
  EXPECT_EQ(kx_.AlterBlockSze(), 0);
  EXPECT_EQ(entries_, "1024,2048,4096,8192,16384,32768");
  EXPECT_EQ(selected_, "32768");
  EXPECT_TRUE(kx_.altered.empty());

  engine_->SetTable("CUST.DB", "PARADOX", 4, 2);
  prompt_.clear();
  platform_->SelectAt(platform_->NowMs() + 200, 2);
  engine_->Answer("DbiDoRestructure", DBIERR_NOTSUPPORTED);
  kx_.ShowResult = true;
  EXPECT_EQ(kx_.AlterBlockSze(), DBIERR_NOTSUPPORTED);
  EXPECT_EQ(selected_, "2048");
  EXPECT_EQ(kx_.altered.back(), "BLOCK SIZE=4096");
  EXPECT_EQ(platform_->boxes().size(), 1u);
}

TEST_F(PickerTest, BlockSizeOfDbaseTablesIsRefusedWithoutAWindow) {
  for (const char* type : {"DBASE", "dBASE"}) {
    engine_->SetTable("CUST.DB", type);
    EXPECT_EQ(kx_.AlterBlockSze(), DBIERR_NOTSUPPORTED);
  }
  EXPECT_TRUE(platform_->log().empty());
  EXPECT_TRUE(table_->FActive);
}

TEST_F(PickerTest, LanguageDriverPickerListsTheEnginesDrivers) {
  for (const char* name : {"ascii", "DBWINUS0", "ANSIINTL"}) {
    LDDesc d{};
    CopyName(d.szName, name);
    engine_->lang_drivers().push_back(d);
  }
  platform_->SelectAt(200, 2);
  EXPECT_EQ(kx_.AlterLangDrv(), 0);
  EXPECT_EQ(prompt_, "Select A new Language Driver ...");
  EXPECT_TRUE(label_on_top_);
  EXPECT_EQ(entries_, "ascii,DBWINUS0,ANSIINTL");
  EXPECT_EQ(selected_, "DBWINUS0");
  EXPECT_EQ(kx_.altered, std::vector<std::string>{"LANGDRIVER=ANSIINTL"});
}

TEST_F(PickerTest, WaysOutWithoutAChoiceApplyNoEarlierValue) {
  kx_.FNewValue = "16384";  // left from another picker
  EXPECT_EQ(kx_.AlterTblLevel(), 0);  // nobody chooses: the display ends with mrCancel
  engine_->Answer("DbiGetCursorProps", DBIERR_INVALIDHNDL);
  EXPECT_EQ(kx_.AlterBlockSze(), DBIERR_INVALIDHNDL);
  EXPECT_TRUE(kx_.altered.empty());
  EXPECT_EQ(kx_.FNewValue, "16384");
}

TEST_F(PickerTest, NonTablesGetNothing) {
  kx_.DataSet = nullptr;
  EXPECT_EQ(kx_.AlterLangDrv(), 0);
  EXPECT_EQ(kx_.AlterTblLevel(), 0);
  EXPECT_EQ(kx_.AlterBlockSze(), 0);
  EXPECT_TRUE(engine_->calls().empty());
  EXPECT_TRUE(platform_->log().empty());
}

}  // namespace
}  // namespace kx
