// RunRestructure on the scripted engine: both roads, the table's state
// before and after, the arguments' edge cases and the ways a run can fail.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/application.h"
#include "progress/tkx_progress.h"
#include "tests/progress/support/ui_fixture.h"

namespace kx {
namespace {

class RunRestructureTest : public UiTest {
 protected:
  RunRestructureTest() : window_(new TkxProgress(nullptr)) {
    window_->FDataSet = table_;
    // What Label1 shows at each pump, once per change.
    platform_->OnPump([this] {
      if (shown_.empty() || shown_.back() != window_->Label1->FCaption) shown_.push_back(window_->Label1->FCaption);
    });
  }
  ~RunRestructureTest() override { platform_->OnPump(nullptr); }

  void UseDbaseTable(const char* type = "DBASE") {
    engine_->SetTable("CUST.DBF", type);
    table_->TableName = "CUST.DBF";
  }

  std::unique_ptr<TkxProgress> window_;
  std::vector<std::string> shown_;
};

TEST_F(RunRestructureTest, PacksOtherTablesByOneRestructureWithHandlersRegistered) {
  EXPECT_EQ(window_->RunRestructure("0", "0", true), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "DbiInit",
                         "DbiOpenDatabase /data",
                         "DbiOpenTable CUST.DB excl",
                         "DbiGetCursorProps",
                         "DbiCloseCursor",
                         "DbiOpenTable CUST.DB excl",
                         "DbiCloseCursor [gen rest]",
                         "DbiDoRestructure CUST.DB PARADOX pack=1 opt=0 [gen rest]",
                     }));
  EXPECT_TRUE(window_->FRestructuring);
  EXPECT_EQ(platform_->sleeps(), std::vector<std::uint32_t>{20});
  EXPECT_EQ(engine_->open_cursors(), 0);
}

TEST_F(RunRestructureTest, PacksDbaseTablesWithThePackCall) {
  UseDbaseTable();
  window_->FRestructuring = true;
  EXPECT_EQ(window_->RunRestructure("0", "0", true), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "DbiInit",
                         "DbiOpenDatabase /data",
                         "DbiOpenTable CUST.DBF excl",
                         "DbiGetCursorProps",
                         "DbiCloseCursor",
                         "DbiOpenTable CUST.DBF excl",
                         "DbiCloseCursor [gen rest]",
                         "DbiPackTable CUST.DBF DBASE regen=1 [gen rest]",
                     }));
  EXPECT_FALSE(window_->FRestructuring);
  EXPECT_TRUE(platform_->sleeps().empty());
}

struct RoadCase {
  const char* type;
  const char* value;
  const char* prop;
  bool pack;
  const char* work_call;  // what reaches the engine
  DBIResult engine_result;
  std::vector<std::string> shown;  // Label1 at the pumps, once per change
};

class RoadTest : public RunRestructureTest, public ::testing::WithParamInterface<RoadCase> {};

TEST_P(RoadTest, ShowsTheRoadsTextsAndReturnsTheEnginesCode) {
  const RoadCase& c = GetParam();
  engine_->SetTable("CUST.DB", c.type);
  std::string call = std::string(c.work_call).substr(0, std::string(c.work_call).find(' '));
  if (c.engine_result) engine_->Answer(call, c.engine_result);

  EXPECT_EQ(window_->RunRestructure(c.value, c.prop, c.pack), c.engine_result);
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(calls.back(), std::string(c.work_call) + " [gen rest]");
  EXPECT_EQ(shown_, c.shown);
  EXPECT_EQ(window_->Label1->FCaption, c.shown.back());
}

INSTANTIATE_TEST_SUITE_P(
    BothRoads, RoadTest,
    ::testing::Values(
        RoadCase{"DBASE", "0", "0", true, "DbiPackTable CUST.DB DBASE regen=1", 0,
                 {"", "Packing ... ", "Packing Complete ... "}},
        RoadCase{"DBASE", "0", "0", true, "DbiPackTable CUST.DB DBASE regen=1", DBIERR_WRITEERR,
                 {"", "Packing ... ", "Packing Failed ... "}},
        RoadCase{"dBase", "7", "LEVEL", false, "DbiDoRestructure CUST.DB dBase pack=0 opt=1 LEVEL=7", 0,
                 {"", "Applying Changes ... ", "Complete ... "}},
        RoadCase{"DBASE", "XYZ", "LANGDRIVER", false,
                 "DbiDoRestructure CUST.DB DBASE pack=0 opt=1 LANGDRIVER=XYZ", DBIERR_INVALIDLANGDRV,
                 {"", "Applying Changes ... ", "InValid Language Driver ... "}},
        RoadCase{"DBASE", "4096", "BLOCK SIZE", false,
                 "DbiDoRestructure CUST.DB DBASE pack=0 opt=1 BLOCK SIZE=4096", DBIERR_NOTSUPPORTED,
                 {"", "Applying Changes ... "}},
        RoadCase{"PARADOX", "0", "0", true, "DbiDoRestructure CUST.DB PARADOX pack=1 opt=0", 0,
                 {"", "Packing ... ", "Complete ... "}},
        RoadCase{"PARADOX", "0", "0", true, "DbiDoRestructure CUST.DB PARADOX pack=1 opt=0",
                 DBIERR_INVALIDLANGDRV, {"", "Packing ... "}},
        RoadCase{"PARADOX", "ANSIINTL", "LANGDRIVER", false,
                 "DbiDoRestructure CUST.DB PARADOX pack=0 opt=1 LANGDRIVER=ANSIINTL", 0,
                 {"", "Applying Changes ... ", "Complete ... "}},
        RoadCase{"PARADOX", "ANSIINTL", "LANGDRIVER", false,
                 "DbiDoRestructure CUST.DB PARADOX pack=0 opt=1 LANGDRIVER=ANSIINTL", DBIERR_INVALIDLANGDRV,
                 {"", "Applying Changes ... "}}));

TEST_F(RunRestructureTest, DbaseRoadWithoutPropertyOrPackCallsNoEngineWork) {
  UseDbaseTable();
  EXPECT_EQ(window_->RunRestructure("", "0", false), 0);
  EXPECT_EQ(Calls().back(), "DbiCloseCursor [gen rest]");
  EXPECT_EQ(window_->Label1->FCaption, "");
}

struct StateCase {
  bool exclusive, active;      // before
  bool busy;                   // another user holds the table
  DBIResult result;
  bool after_exclusive, after_active;
};

class TableStateTest : public RunRestructureTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(TableStateTest, PutsTheTableBackAsItWas) {
  const StateCase& c = GetParam();
  table_->Exclusive = c.exclusive;
  if (c.active) table_->Open();
  engine_->SetBusy("CUST.DB", c.busy);
  Screen->Cursor = crArrow;
  std::vector<TCursor> cursor_during_work;
  engine_->DuringWork([&] { cursor_during_work.push_back(Screen->Cursor); });

  EXPECT_EQ(window_->RunRestructure("0", "0", true), c.result);
  EXPECT_EQ(table_->FExclusive, c.after_exclusive);
  EXPECT_EQ(table_->FActive, c.after_active);
  EXPECT_EQ(Screen->Cursor, crArrow);
  if (c.busy) {
    EXPECT_EQ(window_->Label1->FCaption, "");
  } else {
    EXPECT_EQ(cursor_during_work, std::vector<TCursor>{crHourGlass});
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStartingState, TableStateTest,
    ::testing::Values(StateCase{false, false, false, 0, false, false},
                      StateCase{false, true, false, 0, false, true},
                      StateCase{true, false, false, 0, true, false},
                      // Reopened: the run's own Close must not leave the application's table closed.
                      StateCase{true, true, false, 0, true, true},
                      StateCase{false, false, true, DBIERR_FILEBUSY, false, false},
                      StateCase{false, true, true, DBIERR_FILEBUSY, false, true},
                      StateCase{true, false, true, DBIERR_FILEBUSY, true, false}));

TEST_F(RunRestructureTest, ReopensAPreviouslyOpenTableAfresh) {
  table_->Open();
  hDBICur before = table_->Handle();
  window_->RunRestructure("0", "0", true);
  EXPECT_TRUE(table_->FActive);
  EXPECT_NE(table_->Handle(), before);
  EXPECT_EQ(Calls().back(), "DbiOpenTable CUST.DB shared");
}

class NotATable : public TTable {
 public:
  using TTable::TTable;
  const char* ClassName() const override { return "TMyTable"; }
};

class AQuery : public TBDEDataSet {
 public:
  using TBDEDataSet::TBDEDataSet;
  const char* ClassName() const override { return "TQuery"; }
};

TEST_F(RunRestructureTest, LeavesEverythingButTableClassesAlone) {
  NotATable derived(nullptr);
  AQuery query(nullptr);
  for (TBDEDataSet* data_set : {static_cast<TBDEDataSet*>(&derived), static_cast<TBDEDataSet*>(&query),
                                static_cast<TBDEDataSet*>(nullptr)}) {
    window_->FDataSet = data_set;
    window_->Label1->Caption = "before";
    Screen->Cursor = crArrow;
    EXPECT_EQ(window_->RunRestructure("7", "LEVEL", false), 0);
    EXPECT_EQ(window_->RunRestructure("", "LEVEL", false), 0);  // no range error either
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(Screen->Cursor, crArrow);
    EXPECT_EQ(window_->Label1->FCaption, "before");
  }
}

TEST_F(RunRestructureTest, TellsPropertyNamesFromTheNoPropertyMarkerExactly) {
  struct Case {
    const char* prop;
    bool named;
  };
  for (Case c : {Case{"0", false}, Case{"0 ", true}, Case{"O", true}, Case{"00", true}}) {
    window_->RunRestructure("7", c.prop, false);
    EXPECT_EQ(engine_->last_restructure().iOptParams, c.named ? 1 : 0) << c.prop;
    if (c.named) {
      EXPECT_STREQ(engine_->last_opt_param().szName, c.prop);
      EXPECT_EQ(engine_->last_opt_data(), "7");
    } else {
      EXPECT_EQ(engine_->last_restructure().pOptData, nullptr);
    }
  }
  // With the marker the value is not looked at, even when empty.
  EXPECT_EQ(window_->RunRestructure("", "0", true), 0);
}

TEST_F(RunRestructureTest, DescribesTheOptionalParameterWithLengthFourWhateverTheValue) {
  for (const char* value : {"7", "DB437US0"}) {
    ASSERT_EQ(window_->RunRestructure(value, "LANGDRIVER", false), 0);
    const FLDDesc& option = engine_->last_opt_param();
    EXPECT_EQ(option.iLen, 4);
    EXPECT_EQ(option.iOffset, 0);
    EXPECT_EQ(engine_->last_opt_data(), value);
    EXPECT_EQ(engine_->last_restructure().bPack, 0);
  }
}

TEST_F(RunRestructureTest, RefusesAnEmptyValueForAPropertyBeforeTouchingTheTable) {
  table_->Open();
  engine_->ClearCalls();
  Screen->Cursor = crArrow;
  EXPECT_THROW(window_->RunRestructure("", "LANGDRIVER", false), ERangeError);
  EXPECT_TRUE(engine_->calls().empty());
  EXPECT_TRUE(table_->FActive);
  EXPECT_FALSE(table_->FExclusive);
  EXPECT_EQ(Screen->Cursor, crArrow);
}

TEST_F(RunRestructureTest, RefusesPropertyNamesLongerThanTheDescriptorHolds) {
  std::string longest(DBIMAXNAMELEN, 'P');
  EXPECT_EQ(window_->RunRestructure("7", longest, false), 0);
  EXPECT_EQ(engine_->last_opt_param().szName, longest);

  std::size_t calls_before = engine_->calls().size();
  EXPECT_EQ(window_->RunRestructure("7", longest + "P", false), DBIERR_NAMETOOLONG);
  EXPECT_EQ(engine_->calls().size(), calls_before);
  DBIErrInfo info{};
  DbiGetErrorInfo(1, &info);
  EXPECT_EQ(info.iError, DBIERR_NAMETOOLONG);
}

TEST_F(RunRestructureTest, CheckOpenFailureRegistersNothingAndWritesNoText) {
  table_->Open();
  engine_->Answer("DbiOpenTable", 0);  // the run's own open of the table
  engine_->Answer("DbiOpenTable", DBIERR_NOSUCHTABLE);
  window_->FRestructuring = true;
  window_->Label1->Caption = "caller";
  EXPECT_EQ(window_->RunRestructure("0", "0", true), DBIERR_NOSUCHTABLE);
  for (const std::string& call : Calls()) EXPECT_EQ(call.find('['), std::string::npos) << call;
  EXPECT_TRUE(window_->FRestructuring);
  EXPECT_EQ(window_->Label1->FCaption, "caller");
  EXPECT_TRUE(table_->FActive);
  EXPECT_FALSE(table_->FExclusive);
}

TEST_F(RunRestructureTest, CursorPropsFailureEndsTheRunWithTheTablePutBack) {
  engine_->Answer("DbiGetCursorProps", DBIERR_INVALIDHNDL);
  EXPECT_EQ(window_->RunRestructure("0", "0", true), DBIERR_INVALIDHNDL);
  EXPECT_EQ(Calls().back(), "DbiCloseCursor");
  EXPECT_FALSE(table_->FActive);
  EXPECT_FALSE(table_->FExclusive);
}

TEST_F(RunRestructureTest, AnErrorEscapingTheEngineWorkStillPutsEverythingBack) {
  table_->Open();
  Screen->Cursor = crArrow;
  engine_->DuringWork([] { throw std::runtime_error("handler failed"); });
  EXPECT_THROW(window_->RunRestructure("0", "0", true), std::runtime_error);
  EXPECT_TRUE(table_->FActive);
  EXPECT_FALSE(table_->FExclusive);
  EXPECT_EQ(Screen->Cursor, crArrow);
  pfDBICallBack fn = nullptr;
  std::uintptr_t data = 0;
  std::uint16_t len = 0;
  void* buf = nullptr;
  for (CBType type : {cbGENPROGRESS, cbRESTRUCTURE}) {
    DbiGetCallBack(nullptr, type, &data, &len, &buf, &fn);
    EXPECT_EQ(fn, nullptr);
  }
  EXPECT_EQ(engine_->open_cursors(), 1);  // the application's table, reopened
}

}  // namespace
}  // namespace kx
