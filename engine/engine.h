// The one seam behind the engine API.
//
// The Dbi* free functions (dbi.h) validate nothing themselves: they forward
// to the installed Engine, except DbiGetErrorInfo/DbiGetErrorString and the
// callback registrations, which this layer keeps for every engine. The real
// engine is storage-backed (real_engine.h); tests install a ScriptedEngine
// (scripted_engine.h). An Engine reports failures by returning the code and
// calling SetLastError with its context.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/dbi_types.h"

namespace kx {

struct KxTableInfo;

class Engine {
 public:
  virtual ~Engine() = default;

  virtual DBIResult Init() = 0;
  virtual DBIResult Exit() = 0;
  virtual DBIResult OpenDatabase(const char* dir, hDBIDb* db) = 0;
  virtual DBIResult CloseDatabase(hDBIDb db) = 0;
  virtual DBIResult OpenTable(hDBIDb db, const char* name, const char* driver,
                              const char* index_name, const char* tag_name, std::uint16_t index_id,
                              DBIOpenMode open_mode, DBIShareMode share_mode, XLTMode xlt,
                              BOOL16 unidirectional, void* opt_params, hDBICur* cursor) = 0;
  virtual DBIResult CloseCursor(hDBICur cursor) = 0;
  virtual DBIResult GetCursorProps(hDBICur cursor, CURProps* props) = 0;
  virtual DBIResult GetRecordCount(hDBICur cursor, std::uint32_t* count) = 0;
  virtual DBIResult DoRestructure(hDBIDb db, std::uint16_t count, CRTblDesc* desc,
                                  const char* save_as, const char* keyviol,
                                  const char* problems, BOOL16 analyze_only) = 0;
  virtual DBIResult PackTable(hDBIDb db, hDBICur cursor, const char* name, const char* driver,
                              BOOL16 regen_indexes) = 0;
  virtual DBIResult RegenIndexes(hDBICur cursor) = 0;
  virtual DBIResult OpenLdList(hDBICur* cursor) = 0;
  virtual DBIResult GetNextRecord(hDBICur cursor, DBILockType lock, void* rec, void* props) = 0;
  // Extension (kx_ext.h); engines without it answer DBIERR_NOTSUPPORTED.
  virtual DBIResult DescribeTable(hDBICur cursor, KxTableInfo* info);
  virtual DBIResult SetIndexFiles(hDBIDb db, const char* table,
                                  const std::vector<std::string>& files);
};

// Installs the engine that the Dbi* calls forward to and returns the one it
// replaces. The engine layer owns it. Without an installed engine the calls
// return DBIERR_NOTINITIALIZED.
std::unique_ptr<Engine> InstallEngine(std::unique_ptr<Engine> engine);
Engine* CurrentEngine();

// Records a failure for DbiGetErrorInfo. Contexts may be null.
DBIResult SetLastError(DBIResult code, const char* context1 = nullptr,
                       const char* context2 = nullptr, const char* context3 = nullptr,
                       const char* context4 = nullptr);
void ClearLastError();

// Delivers one notification to the registration of its type, if any: copies
// `info` into the registered buffer (cut to the buffer's size) and calls the
// callback. Returns the callback's answer, or cbrUSEDEF when none is set.
CBRType NotifyCallback(CBType type, const void* info, std::size_t size);

}  // namespace kx
