// TTable, Check, EDBEngineError and TBDECallback over the scripted engine.
#include <gtest/gtest.h>

#include <memory>

#include "engine/dbi.h"
#include "engine/engine.h"
#include "engine/scripted_engine.h"
#include "platform/bde_callback.h"
#include "platform/db_errors.h"
#include "platform/db_tables.h"

namespace kx {
namespace {

class DataAccessTest : public ::testing::Test {
 protected:
  DataAccessTest() {
    auto engine = std::make_unique<ScriptedEngine>();
    engine_ = engine.get();
    previous_ = InstallEngine(std::move(engine));
    ClearLastError();
  }
  ~DataAccessTest() override { InstallEngine(std::move(previous_)); }
  ScriptedEngine* engine_;
  std::unique_ptr<Engine> previous_;
};

TEST_F(DataAccessTest, TableOpensSharedOrExclusiveAndKeepsItsDatabase) {
  TTable table(nullptr);
  table.DatabaseName = "/data";
  table.TableName = "CUST.DB";
  EXPECT_TRUE(table.ClassNameIs("ttable"));
  table.Open();
  EXPECT_TRUE(table.FActive);
  EXPECT_NE(table.Handle(), nullptr);
  EXPECT_THROW(table.Exclusive = true, EDatabaseError);
  table.Close();
  EXPECT_EQ(table.Handle(), nullptr);
  table.Exclusive = true;
  table.Active = true;
  EXPECT_EQ(engine_->calls(), (std::vector<std::string>{"DbiInit", "DbiOpenDatabase /data",
                                                        "DbiOpenTable CUST.DB shared", "DbiCloseCursor",
                                                        "DbiInit", "DbiOpenTable CUST.DB excl"}));
}

TEST_F(DataAccessTest, FailedOpenRaisesTheEnginesCodeAndWordsWithNothingOpen) {
  TTable table(nullptr);
  table.DatabaseName = "/data";
  table.TableName = "CUST.DB";
  table.Exclusive = true;
  engine_->SetBusy("cust.db", true);
  try {
    table.Open();
    FAIL() << "opened a busy table";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), DBIERR_FILEBUSY);
    EXPECT_EQ(e.EngineMessage(), ResultText(DBIERR_FILEBUSY));
    EXPECT_EQ(e.Contexts(), std::vector<std::string>{"CUST.DB"});
  }
  EXPECT_FALSE(table.FActive);
  EXPECT_EQ(engine_->open_cursors(), 0);
}

TEST_F(DataAccessTest, CheckUsesTheCodesOwnTextWhenTheLastErrorIsAnothers) {
  EXPECT_NO_THROW(Check(0));
  SetLastError(DBIERR_FILEBUSY, "stale");
  try {
    Check(DBIERR_NOSUCHTABLE);
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.Message(), ResultText(DBIERR_NOSUCHTABLE));
    EXPECT_TRUE(e.Contexts().empty());
  }
}

struct Seen {
  static std::vector<std::string> log;
  static CBRType Earlier(CBType, std::uintptr_t data, void* info) {
    log.push_back("earlier " + std::to_string(static_cast<CBPROGRESSDesc*>(info)->iPercentDone));
    return cbrUSEDEF;
  }
};
std::vector<std::string> Seen::log;

TEST_F(DataAccessTest, ChainedCallbacksPassNotificationsOnAndRestoreTheEarlierOne) {
  Seen::log.clear();
  CBPROGRESSDesc earlier_buf{}, buf{};
  DbiRegisterCallBack(nullptr, cbGENPROGRESS, 5, sizeof earlier_buf, &earlier_buf, &Seen::Earlier);
  {
    TBDECallback cb(nullptr, nullptr, cbGENPROGRESS, &buf, sizeof buf,
                    [](void* info) {
                      Seen::log.push_back("mine " + std::to_string(static_cast<CBPROGRESSDesc*>(info)->iPercentDone));
                      return cbrUSEDEF;
                    },
                    true);
    CBPROGRESSDesc d{};
    d.iPercentDone = 40;
    NotifyCallback(cbGENPROGRESS, &d, sizeof d);
  }
  EXPECT_EQ(Seen::log, (std::vector<std::string>{"mine 40", "earlier 40"}));
  std::uintptr_t data = 0;
  std::uint16_t len = 0;
  void* b = nullptr;
  pfDBICallBack fn = nullptr;
  DbiGetCallBack(nullptr, cbGENPROGRESS, &data, &len, &b, &fn);
  EXPECT_EQ(fn, &Seen::Earlier);
  EXPECT_EQ(data, 5u);
  DbiRegisterCallBack(nullptr, cbGENPROGRESS, 0, 0, nullptr, nullptr);

  {
    TBDECallback unchained(nullptr, nullptr, cbGENPROGRESS, &buf, sizeof buf, [](void*) { return cbrUSEDEF; }, false);
  }
  DbiGetCallBack(nullptr, cbGENPROGRESS, &data, &len, &b, &fn);
  EXPECT_EQ(fn, nullptr);
}

}  // namespace
}  // namespace kx
