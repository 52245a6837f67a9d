// The engine API layer: forwarding, the last-error record, callbacks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/dbi.h"
#include "engine/engine.h"
#include "engine/scripted_engine.h"

namespace kx {
namespace {

class DbiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto e = std::make_unique<ScriptedEngine>();
    engine_ = e.get();
    previous_ = InstallEngine(std::move(e));
    ClearLastError();
  }
  void TearDown() override { InstallEngine(std::move(previous_)); }

  ScriptedEngine* engine_ = nullptr;
  std::unique_ptr<Engine> previous_;
};

TEST(DbiNoEngine, EveryCallAnswersNotInitialized) {
  auto previous = InstallEngine(nullptr);
  hDBIDb db = nullptr;
  EXPECT_EQ(DbiOpenDatabase(".", &db), DBIERR_NOTINITIALIZED);
  EXPECT_EQ(DbiInit(nullptr), 10758);
  DBIErrInfo info;
  EXPECT_EQ(DbiGetErrorInfo(1, &info), 0);
  EXPECT_EQ(info.iError, DBIERR_NOTINITIALIZED);
  InstallEngine(std::move(previous));
}

TEST_F(DbiTest, FailureFillsErrorRecordWithContextsCutToFit) {
  std::string long_context(500, 'x');
  SetLastError(DBIERR_FILEBUSY, "/data/CUST.DBF", long_context.c_str());
  DBIErrInfo info;
  ASSERT_EQ(DbiGetErrorInfo(1, &info), 0);
  EXPECT_EQ(info.iError, 0x2803);
  EXPECT_STREQ(info.szErrCode, "Table is busy.");
  EXPECT_STREQ(info.szContext1, "/data/CUST.DBF");
  EXPECT_EQ(std::strlen(info.szContext2), 127u);
  EXPECT_STREQ(info.szContext3, "");
}

TEST_F(DbiTest, ErrorStringHasATextForNamedCodesAndCategoriesForOthers) {
  char text[DBIMAXMSGLEN + 1];
  struct Case {
    DBIResult code;
    const char* text;
  } cases[] = {
      {0x273B, "Invalid language driver."},
      {0x2803, "Table is busy."},
      {0x2A06, "Engine not initialized."},
      {0x3001, "Capability not supported."},
      {0x24FF, "Input/output error."},
      {0xFFFF, "Unknown error."},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(DbiGetErrorString(c.code, text), 0);
    EXPECT_STREQ(text, c.text) << c.code;
  }
}

TEST_F(DbiTest, ScriptedAnswersComeInOrderThenTheDefault) {
  engine_->Answer("DbiPackTable", 0x2401);
  engine_->SetDefault("DbiPackTable", 0x2402);
  hDBIDb db = nullptr;
  ASSERT_EQ(DbiOpenDatabase("/tmp", &db), 0);
  EXPECT_EQ(DbiPackTable(db, nullptr, "T.DBF", "DBASE", 1), 0x2401);
  EXPECT_EQ(DbiPackTable(db, nullptr, "T.DBF", "DBASE", 1), 0x2402);
  ASSERT_EQ(engine_->calls().size(), 3u);
  EXPECT_EQ(engine_->calls()[1], "DbiPackTable T.DBF DBASE regen=1");
}

TEST_F(DbiTest, ExclusiveOpenIsRefusedWhileTheTableIsHeld) {
  hDBIDb db = nullptr;
  ASSERT_EQ(DbiOpenDatabase("/tmp", &db), 0);
  hDBICur shared = nullptr, excl = nullptr;
  ASSERT_EQ(DbiOpenTable(db, "T.DB", nullptr, nullptr, nullptr, 0, dbiREADWRITE, dbiOPENSHARED,
                         xltFIELD, 0, nullptr, &shared), 0);
  EXPECT_EQ(DbiOpenTable(db, "t.db", nullptr, nullptr, nullptr, 0, dbiREADWRITE, dbiOPENEXCL,
                         xltFIELD, 0, nullptr, &excl), DBIERR_FILEBUSY);
  EXPECT_EQ(excl, nullptr);
  ASSERT_EQ(DbiCloseCursor(&shared), 0);
  EXPECT_EQ(shared, nullptr);
  EXPECT_EQ(DbiOpenTable(db, "T.DB", nullptr, nullptr, nullptr, 0, dbiREADWRITE, dbiOPENEXCL,
                         xltFIELD, 0, nullptr, &excl), 0);
}

struct Received {
  int calls = 0;
  std::uintptr_t client = 0;
};

CBRType Record(CBType, std::uintptr_t client, void*) {
  reinterpret_cast<Received*>(client)->calls++;
  return cbrUSEDEF;
}

TEST_F(DbiTest, NotificationIsCopiedIntoTheRegisteredBufferCutToItsSize) {
  Received got;
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  ASSERT_EQ(DbiRegisterCallBack(nullptr, cbGENPROGRESS, reinterpret_cast<std::uintptr_t>(&got),
                                sizeof buf, buf, &Record), 0);
  CBPROGRESSDesc d{};
  d.iPercentDone = -1;
  CopyName(d.szMsg, "a message longer than the buffer");
  EXPECT_EQ(NotifyCallback(cbGENPROGRESS, &d, sizeof d), cbrUSEDEF);
  EXPECT_EQ(got.calls, 1);
  EXPECT_EQ(std::memcmp(buf + 2, "a messa", 6), 0);
  EXPECT_EQ(NotifyCallback(cbRESTRUCTURE, &d, sizeof d), cbrUSEDEF);  // nobody registered
  EXPECT_EQ(got.calls, 1);

  pfDBICallBack fn = nullptr;
  ASSERT_EQ(DbiGetCallBack(nullptr, cbGENPROGRESS, nullptr, nullptr, nullptr, &fn), 0);
  EXPECT_EQ(fn, &Record);
  ASSERT_EQ(DbiRegisterCallBack(nullptr, cbGENPROGRESS, 0, 0, nullptr, nullptr), 0);
  NotifyCallback(cbGENPROGRESS, &d, sizeof d);
  EXPECT_EQ(got.calls, 1);
}

}  // namespace
}  // namespace kx
