// Test fixture for the window and the component: a scripted engine that also
// notes which progress handlers are registered at each engine call, the
// virtual platform, and a TTable "CUST.DB" in "/data" (a Paradox table
// unless a test says otherwise).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/dbi.h"
#include "engine/engine.h"
#include "engine/scripted_engine.h"
#include "platform/application.h"
#include "platform/db_tables.h"
#include "platform/virtual_platform.h"

namespace kx {

// Notes "[gen]"/"[rest]" on the calls made while handlers are registered,
// e.g. "DbiCloseCursor [gen rest]".
class SpyEngine : public ScriptedEngine {
 public:
  std::vector<std::string> Calls() const {
    std::vector<std::string> out = calls();
    for (auto& [index, note] : notes_) {
      if (index < out.size()) out[index] += note;
    }
    return out;
  }
  DBIResult OpenTable(hDBIDb db, const char* name, const char* driver, const char* index_name,
                      const char* tag_name, std::uint16_t index_id, DBIOpenMode open_mode,
                      DBIShareMode share_mode, XLTMode xlt, BOOL16 unidirectional, void* opt_params,
                      hDBICur* cursor) override {
    DBIResult r = ScriptedEngine::OpenTable(db, name, driver, index_name, tag_name, index_id, open_mode,
                                            share_mode, xlt, unidirectional, opt_params, cursor);
    Mark();
    return r;
  }
  DBIResult CloseCursor(hDBICur cursor) override {
    DBIResult r = ScriptedEngine::CloseCursor(cursor);
    Mark();
    return r;
  }
  DBIResult DoRestructure(hDBIDb db, std::uint16_t n, CRTblDesc* d, const char* a, const char* b,
                          const char* c, BOOL16 e) override {
    DBIResult r = ScriptedEngine::DoRestructure(db, n, d, a, b, c, e);
    Mark();
    return r;
  }
  DBIResult PackTable(hDBIDb db, hDBICur cur, const char* name, const char* drv, BOOL16 regen) override {
    DBIResult r = ScriptedEngine::PackTable(db, cur, name, drv, regen);
    Mark();
    return r;
  }

 private:
  static bool Registered(CBType type) {
    std::uintptr_t data = 0;
    std::uint16_t len = 0;
    void* buf = nullptr;
    pfDBICallBack fn = nullptr;
    DbiGetCallBack(nullptr, type, &data, &len, &buf, &fn);
    return fn != nullptr;
  }
  void Mark() {
    std::string note;
    if (Registered(cbGENPROGRESS)) note += "gen";
    if (Registered(cbRESTRUCTURE)) note += note.empty() ? "rest" : " rest";
    if (!note.empty()) notes_.emplace_back(calls().size() - 1, " [" + note + "]");
  }
  std::vector<std::pair<std::size_t, std::string>> notes_;
};

class UiTest : public ::testing::Test {
 protected:
  UiTest() {
    auto engine = std::make_unique<SpyEngine>();
    engine_ = engine.get();
    previous_engine_ = InstallEngine(std::move(engine));
    ClearLastError();
    table_ = new TTable(nullptr);
    table_->FName = "Table1";
    table_->DatabaseName = "/data";
    table_->TableName = "CUST.DB";
  }
  ~UiTest() override {
    delete table_;
    InstallEngine(std::move(previous_engine_));
  }

  // The engine calls since the last ClearCalls, with registration notes.
  std::vector<std::string> Calls() const { return engine_->Calls(); }

  ScopedVirtualPlatform platform_;
  SpyEngine* engine_;
  TTable* table_;

 private:
  std::unique_ptr<Engine> previous_engine_;
};

}  // namespace kx
