// TkxSorvelU on the scripted engine and the virtual platform: the operation
// protocol (timelines, windows, reports), the data set link and the form
// text of the component.
#include <gtest/gtest.h>

#include <stdexcept>

#include "component/kx_sorvel.h"
#include "platform/application.h"
#include "platform/form_stream.h"
#include "progress/tkx_progress.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

// Notes each Chk call with the number of windows alive at that moment.
class RecordingSorvel : public TkxSorvelU {
 public:
  using TkxSorvelU::TkxSorvelU;
  DBIResult Chk(DBIResult Code) override {
    checked.push_back({Code, Screen->FormCount()});
    return TkxSorvelU::Chk(Code);
  }
  std::vector<std::pair<DBIResult, int>> checked;
};

class SorvelTest : public UiTest {
 protected:
  SorvelTest() {
    kx_.FName = "kxSorvelU1";
    kx_.DataSet = table_;
    engine_->DuringWork([this] { platform_->Note("engine work"); });
  }
  std::vector<std::string> Log() { return platform_->log(); }

  RecordingSorvel kx_{nullptr};
};

TEST_F(SorvelTest, VisibleQuickPackShowsWaitsRunsWaitsAndFrees) {
  kx_.VisiMode = true;
  EXPECT_EQ(kx_.QuickPack(), 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "t=0 create kxProgress",
                       "t=0 show kxProgress",
                       "t=0 sleep 100",
                       "t=100 engine work",
                       "t=100 sleep 20",
                       "t=120 sleep 1000",
                       "t=1120 hide kxProgress",
                       "t=1120 destroy kxProgress",
                   }));
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_TRUE(kx_.checked.empty());
}

TEST_F(SorvelTest, HiddenQuickPackShowsNothingAndTakesNoFixedWaits) {
  for (const char* type : {"PARADOX", "DBASE"}) {
    engine_->SetTable("CUST.DB", type);
    engine_->Answer(SameText(type, "DBASE") ? "DbiPackTable" : "DbiDoRestructure", DBIERR_WRITEERR);
    platform_->ClearLog();
    EXPECT_EQ(kx_.QuickPack(), DBIERR_WRITEERR) << type;
    for (const std::string& event : Log()) EXPECT_EQ(event.find("show"), std::string::npos) << event;
    EXPECT_EQ(Screen->FormCount(), 0);
  }
  // Only the other road's own 20 ms pause remains.
  EXPECT_EQ(platform_->sleeps(), std::vector<std::uint32_t>{20});
}

TEST_F(SorvelTest, VisibleAndHiddenModesReturnTheSameResult) {
  for (bool visible : {false, true}) {
    engine_->Answer("DbiDoRestructure", DBIERR_NODISKSPACE);
    kx_.VisiMode = visible;
    EXPECT_EQ(kx_.QuickPack(), DBIERR_NODISKSPACE);
  }
}

class AQuery : public TBDEDataSet {
 public:
  using TBDEDataSet::TBDEDataSet;
  const char* ClassName() const override { return "TQuery"; }
};
class MyTable : public TTable {
 public:
  using TTable::TTable;
  const char* ClassName() const override { return "TMyTable"; }
};

TEST_F(SorvelTest, OperationsOnAnythingButATableDoNothing) {
  AQuery query(nullptr);
  MyTable derived(nullptr);
  kx_.VisiMode = true;
  kx_.ShowResult = true;
  for (TBDEDataSet* data_set : {static_cast<TBDEDataSet*>(&query), static_cast<TBDEDataSet*>(&derived),
                                static_cast<TBDEDataSet*>(nullptr)}) {
    kx_.DataSet = data_set;
    EXPECT_EQ(kx_.QuickPack(), 0);
    EXPECT_EQ(kx_.GenIndexs(), 0);
    EXPECT_EQ(kx_.AlterTblProp("x", "LEVEL"), 0);  // not even converted
  }
  EXPECT_TRUE(engine_->calls().empty());
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(platform_->boxes().empty());
  EXPECT_EQ(kx_.checked.size(), 6u);  // QuickPack and GenIndexs still report their 0
}

TEST_F(SorvelTest, ShowResultReportsAFailureAfterTheWindowIsGone) {
  kx_.ShowResult = true;
  kx_.VisiMode = true;
  EXPECT_EQ(kx_.QuickPack(), 0);
  EXPECT_TRUE(platform_->boxes().empty());

  platform_->ClearLog();
  engine_->Answer("DbiDoRestructure", DBIERR_NODISKSPACE);
  EXPECT_EQ(kx_.QuickPack(), DBIERR_NODISKSPACE);
  ASSERT_EQ(platform_->boxes().size(), 1u);
  EXPECT_EQ(platform_->boxes()[0].caption, "BDE Error");
  EXPECT_EQ(Log().back().substr(0, 20), "t=2240 box BDE Error");
  EXPECT_EQ(Log()[Log().size() - 2], "t=2240 destroy kxProgress");
  EXPECT_EQ(kx_.checked.back(), std::make_pair(DBIERR_NODISKSPACE, 0));
}

TEST_F(SorvelTest, TwoCallsUseTwoFreshWindows) {
  engine_->SetTable("CUST.DB", "DBASE");
  std::vector<std::string> counters;
  for (int call = 0; call < 2; ++call) {
    engine_->NotifyProgress(0);
    engine_->DuringWork([&] {
      ASSERT_EQ(Screen->FormCount(), 1);
      counters.push_back(static_cast<TkxProgress*>(Screen->Forms(0))->Label1->FCaption);
    });
    kx_.QuickPack();
  }
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_EQ(counters, std::vector<std::string>(2, "Rebuilding Index No. 1 "));
}

TEST_F(SorvelTest, ErrorsLeavingARunStillFreeTheWindowAndPutTheTableBack) {
  table_->Open();
  Screen->Cursor = crArrow;
  kx_.VisiMode = true;
  engine_->DuringWork([] { throw std::runtime_error("failed inside the engine work"); });
  EXPECT_THROW(kx_.QuickPack(), std::runtime_error);
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_TRUE(table_->FActive);
  EXPECT_FALSE(table_->FExclusive);
  EXPECT_EQ(Screen->Cursor, crArrow);

  engine_->ClearCalls();
  EXPECT_THROW(kx_.AlterTblProp("", "LANGDRIVER"), ERangeError);
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_TRUE(engine_->calls().empty());
  EXPECT_TRUE(kx_.FPropKnown);
  EXPECT_TRUE(kx_.FValueValid);
}

TEST_F(SorvelTest, ForgetsADataSetThatIsDestroyed) {
  auto* other = new TTable(nullptr);
  kx_.DataSet = other;
  delete table_;  // no longer linked: must not touch the component
  table_ = nullptr;
  EXPECT_EQ(kx_.FDataSet, other);
  delete other;
  EXPECT_EQ(kx_.FDataSet, nullptr);
  EXPECT_EQ(kx_.QuickPack(), 0);
  EXPECT_TRUE(engine_->calls().empty());
}

TEST_F(SorvelTest, DestroyingTheComponentLeavesTheTableAlone) {
  table_->Exclusive = true;
  table_->Open();
  auto* kx = new TkxSorvelU(nullptr);
  kx->DataSet = table_;
  engine_->ClearCalls();
  delete kx;
  EXPECT_TRUE(table_->FActive);
  EXPECT_TRUE(table_->FExclusive);
  EXPECT_TRUE(engine_->calls().empty());
}

TEST_F(SorvelTest, GenIndexsShowsItsTextBeforeTheRun) {
  kx_.VisiMode = true;
  std::string during;
  engine_->DuringWork([&] { during = static_cast<TkxProgress*>(Screen->Forms(0))->Label1->FCaption; });
  EXPECT_EQ(kx_.GenIndexs(), 0);
  EXPECT_EQ(during, "Rebuilding Indecies ...");
  EXPECT_EQ(platform_->sleeps(), (std::vector<std::uint32_t>{100, 1000}));
  std::vector<std::string> calls = engine_->calls();
  EXPECT_EQ(calls[calls.size() - 2], "DbiRegenIndexes");
  EXPECT_EQ(calls.back(), "DbiCloseCursor");  // closed again, as it was
}

struct AlterCase {
  const char* value;
  const char* prop;
  bool known, valid;  // flags afterwards; the run is made when both hold
};

TEST_F(SorvelTest, AlterTblPropChecksNameAndValueBeforeAnyWindow) {
  kx_.ShowResult = true;
  for (AlterCase c : {AlterCase{"7", "level", true, true}, AlterCase{"07", "LEVEL", true, true},
                      AlterCase{"25", "Level", true, true}, AlterCase{"6", "LEVEL", true, false},
                      AlterCase{"-7", "LEVEL", true, false}, AlterCase{"4096", "BLOCK SIZE", true, true},
                      AlterCase{"16384", "block size", true, true}, AlterCase{"32768", "BLOCK SIZE", true, false},
                      AlterCase{"ANSIINTL", "LANGDRIVER", true, true}, AlterCase{"7", "LEVEL ", false, false},
                      AlterCase{"7", "TYPE", false, false}}) {
    SCOPED_TRACE(std::string(c.prop) + "=" + c.value);
    engine_->ClearCalls();
    EXPECT_EQ(kx_.AlterTblProp(c.value, c.prop), 0);
    EXPECT_EQ(kx_.FPropKnown, c.known);
    EXPECT_EQ(kx_.FValueValid, c.valid);
    if (c.known && c.valid) {
      EXPECT_EQ(engine_->last_opt_param().szName, std::string(c.prop));
      EXPECT_EQ(engine_->last_opt_data(), c.value);
      EXPECT_EQ(engine_->last_restructure().bPack, 0);
    } else {
      EXPECT_TRUE(engine_->calls().empty());
    }
  }
  EXPECT_THROW(kx_.AlterTblProp("seven", "LEVEL"), EConvertError);
  EXPECT_TRUE(kx_.FPropKnown);
  EXPECT_FALSE(kx_.FValueValid);
  EXPECT_EQ(Screen->FormCount(), 0);
  engine_->Answer("DbiDoRestructure", DBIERR_INVALIDLANGDRV);
  EXPECT_EQ(kx_.AlterTblProp("BAD", "LANGDRIVER"), DBIERR_INVALIDLANGDRV);
  EXPECT_TRUE(kx_.checked.empty());  // its callers report, not it
}

TEST_F(SorvelTest, VisibleAlterTblPropPumpsWaitsRunsAndWaits) {
  kx_.VisiMode = true;
  platform_->LogPumps(true);
  EXPECT_EQ(kx_.AlterTblProp("7", "LEVEL"), 0);
  std::vector<std::string> log = Log();
  std::vector<std::string> head(log.begin(), log.begin() + 5);
  EXPECT_EQ(head, (std::vector<std::string>{"t=0 pump", "t=0 create kxProgress", "t=0 show kxProgress",
                                            "t=0 pump", "t=0 sleep 300"}));
  EXPECT_EQ(platform_->sleeps(), (std::vector<std::uint32_t>{300, 20, 100}));
}

TEST_F(SorvelTest, WritesOnlyWhatDiffersFromTheDefaults) {
  EXPECT_EQ(WriteComponentText(kx_), "object kxSorvelU1: TkxSorvelU\n  DataSet = Table1\nend\n");
  kx_.DataSet = nullptr;
  EXPECT_EQ(WriteComponentText(kx_), "object kxSorvelU1: TkxSorvelU\nend\n");
  kx_.VisiMode = true;
  kx_.ShowResult = true;
  kx_.About = "(About)";
  EXPECT_EQ(WriteComponentText(kx_),
            "object kxSorvelU1: TkxSorvelU\n  About = '(About)'\n  VisiMode = True\n  ShowResult = True\nend\n");
}

TEST_F(SorvelTest, ReadsItsPropertiesBackFromFormText) {
  TComponent owner(nullptr);
  auto* table = new TTable(&owner);
  table->FName = "Table2";
  auto* kx = new TkxSorvelU(&owner);
  ReadComponentResource(*kx, "object kx2: TkxSorvelU\n  DataSet = Table2\n  ShowResult = True\nend\n");
  EXPECT_EQ(kx->FDataSet, table);
  EXPECT_TRUE(kx->FShowResult);
  EXPECT_FALSE(kx->FVisiMode);
  delete table;
  EXPECT_EQ(kx->FDataSet, nullptr);
}

}  // namespace
}  // namespace kx
