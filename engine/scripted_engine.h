// ScriptedEngine: an Engine for tests that records every call and answers
// from a script instead of touching disk.
//
// Each call appends one line to calls() in the form
//   "DbiOpenTable CUST.DB excl"   (name, then the arguments that matter)
// and returns the result scripted for that call name (see Answer), 0 by
// default. Notifications queued with Notify* are delivered, in order, from
// inside the next DoRestructure, PackTable or RegenIndexes call, through the
// callback registrations of the engine layer, before that call returns.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/result_codes.h"

namespace kx {

class ScriptedEngine : public Engine {
 public:
  struct Notification {
    CBType type;
    std::vector<char> payload;  // CBPROGRESSDesc or RESTCbDesc bytes
  };

  ScriptedEngine();

  // Script ------------------------------------------------------------
  // The next call named `call` (e.g. "DbiPackTable") returns `code`; queued
  // answers are used first in, first out, then the call's default.
  void Answer(const std::string& call, DBIResult code);
  void SetDefault(const std::string& call, DBIResult code);
  // Properties returned by DbiGetCursorProps.
  CURProps& props() { return props_; }
  void SetTable(const char* name, const char* type, int level = 7, int block_kb = 2,
                const char* lang = "DBWINUS0");
  // Tables (by name, case-insensitive) that refuse an exclusive open as
  // another user would: DbiOpenTable(..., dbiOPENEXCL) returns 0x2803.
  void SetBusy(const std::string& table, bool busy);
  // Language drivers listed by DbiOpenLdList.
  std::vector<LDDesc>& lang_drivers() { return lang_drivers_; }
  // Notifications delivered from inside the next engine work call.
  void NotifyProgress(int percent, const char* message = "");
  void NotifyRestructure(std::uint32_t kind, const char* name, bool primary = false);
  // Runs inside the next engine work call, after the queued notifications.
  void DuringWork(std::function<void()> hook) { during_work_ = std::move(hook); }

  // What happened -----------------------------------------------------
  const std::vector<std::string>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // The last restructure description and its first optional parameter,
  // copied at the time of the call (pOptData copied as a text).
  const CRTblDesc& last_restructure() const { return last_desc_; }
  const FLDDesc& last_opt_param() const { return last_opt_; }
  const std::string& last_opt_data() const { return last_opt_data_; }
  int open_cursors() const { return open_cursors_; }

  // Engine ------------------------------------------------------------
  DBIResult Init() override;
  DBIResult Exit() override;
  DBIResult OpenDatabase(const char* dir, hDBIDb* db) override;
  DBIResult CloseDatabase(hDBIDb db) override;
  DBIResult OpenTable(hDBIDb db, const char* name, const char* driver, const char* index_name,
                      const char* tag_name, std::uint16_t index_id, DBIOpenMode open_mode,
                      DBIShareMode share_mode, XLTMode xlt, BOOL16 unidirectional,
                      void* opt_params, hDBICur* cursor) override;
  DBIResult CloseCursor(hDBICur cursor) override;
  DBIResult GetCursorProps(hDBICur cursor, CURProps* props) override;
  DBIResult GetRecordCount(hDBICur cursor, std::uint32_t* count) override;
  DBIResult DoRestructure(hDBIDb db, std::uint16_t count, CRTblDesc* desc, const char* save_as,
                          const char* keyviol, const char* problems,
                          BOOL16 analyze_only) override;
  DBIResult PackTable(hDBIDb db, hDBICur cursor, const char* name, const char* driver,
                      BOOL16 regen_indexes) override;
  DBIResult RegenIndexes(hDBICur cursor) override;
  DBIResult OpenLdList(hDBICur* cursor) override;
  DBIResult GetNextRecord(hDBICur cursor, DBILockType lock, void* rec, void* props) override;

 private:
  DBIResult Result(const std::string& call, const std::string& line);
  void DeliverNotifications();

  std::vector<std::string> calls_;
  std::map<std::string, std::deque<DBIResult>> answers_;
  std::map<std::string, DBIResult> defaults_;
  std::set<std::string> busy_;
  std::map<std::uintptr_t, std::pair<std::string, bool>> table_cursors_;  // -> table, exclusive
  CURProps props_{};
  std::vector<LDDesc> lang_drivers_;
  std::deque<Notification> notifications_;
  std::function<void()> during_work_;
  CRTblDesc last_desc_{};
  FLDDesc last_opt_{};
  std::string last_opt_data_;
  int open_cursors_ = 0;
  std::uintptr_t next_handle_ = 0x100;
  std::map<std::uintptr_t, std::size_t> ld_cursors_;  // cursor -> next LDDesc index
};

}  // namespace kx
