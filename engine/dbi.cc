// The Dbi* free functions: forward to the installed Engine and keep what
// belongs to the API itself (last-error record, callback registrations).
#include "engine/dbi.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/engine.h"
#include "engine/kx_ext.h"

namespace kx {
namespace {

std::unique_ptr<Engine>& Installed() {
  static std::unique_ptr<Engine> engine;
  return engine;
}

thread_local DBIErrInfo g_last_error{};

struct Registration {
  std::uintptr_t client_data = 0;
  std::uint16_t buf_len = 0;
  void* buf = nullptr;
  pfDBICallBack fn = nullptr;
};

Registration& Slot(CBType type) {
  static Registration slots[64];
  return slots[static_cast<unsigned>(type) % 64];
}

DBIResult NoEngine() { return SetLastError(DBIERR_NOTINITIALIZED); }

}  // namespace

std::unique_ptr<Engine> InstallEngine(std::unique_ptr<Engine> engine) {
  std::swap(Installed(), engine);
  return engine;
}

Engine* CurrentEngine() { return Installed().get(); }

DBIResult SetLastError(DBIResult code, const char* c1, const char* c2, const char* c3,
                       const char* c4) {
  g_last_error = DBIErrInfo{};
  g_last_error.iError = code;
  CopyName(g_last_error.szErrCode, ResultText(code));
  CopyName(g_last_error.szContext1, c1);
  CopyName(g_last_error.szContext2, c2);
  CopyName(g_last_error.szContext3, c3);
  CopyName(g_last_error.szContext4, c4);
  return code;
}

void ClearLastError() { g_last_error = DBIErrInfo{}; }

CBRType NotifyCallback(CBType type, const void* info, std::size_t size) {
  Registration& r = Slot(type);
  if (!r.fn) return cbrUSEDEF;
  if (r.buf && r.buf_len) {
    std::memset(r.buf, 0, r.buf_len);
    std::memcpy(r.buf, info, std::min<std::size_t>(size, r.buf_len));
  }
  return r.fn(type, r.client_data, r.buf);
}

#define KX_FORWARD(call)               \
  Engine* e = CurrentEngine();         \
  if (!e) return NoEngine();           \
  return e->call

DBIResult DbiInit(void*) { KX_FORWARD(Init()); }
DBIResult DbiExit() { KX_FORWARD(Exit()); }

DBIResult DbiOpenDatabase(const char* dir, hDBIDb* db) {
  if (!db) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(OpenDatabase(dir, db));
}

DBIResult DbiCloseDatabase(hDBIDb* db) {
  if (!db || !*db) return SetLastError(DBIERR_INVALIDHNDL);
  Engine* e = CurrentEngine();
  if (!e) return NoEngine();
  DBIResult r = e->CloseDatabase(*db);
  if (r == 0) *db = nullptr;
  return r;
}

DBIResult DbiOpenTable(hDBIDb db, const char* name, const char* driver, const char* index_name,
                       const char* tag_name, std::uint16_t index_id, DBIOpenMode open_mode,
                       DBIShareMode share_mode, XLTMode xlt, BOOL16 unidirectional,
                       void* opt_params, hDBICur* cursor) {
  if (!cursor || !name) return SetLastError(DBIERR_INVALIDPARAM);
  *cursor = nullptr;
  KX_FORWARD(OpenTable(db, name, driver, index_name, tag_name, index_id, open_mode, share_mode,
                       xlt, unidirectional, opt_params, cursor));
}

DBIResult DbiCloseCursor(hDBICur* cursor) {
  if (!cursor || !*cursor) return SetLastError(DBIERR_INVALIDHNDL);
  Engine* e = CurrentEngine();
  if (!e) return NoEngine();
  DBIResult r = e->CloseCursor(*cursor);
  if (r == 0) *cursor = nullptr;
  return r;
}

DBIResult DbiGetCursorProps(hDBICur cursor, CURProps* props) {
  if (!props) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(GetCursorProps(cursor, props));
}

DBIResult DbiGetRecordCount(hDBICur cursor, std::uint32_t* count) {
  if (!count) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(GetRecordCount(cursor, count));
}

DBIResult DbiDoRestructure(hDBIDb db, std::uint16_t count, CRTblDesc* desc, const char* save_as,
                           const char* keyviol, const char* problems, BOOL16 analyze_only) {
  if (!desc || count != 1) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(DoRestructure(db, count, desc, save_as, keyviol, problems, analyze_only));
}

DBIResult DbiPackTable(hDBIDb db, hDBICur cursor, const char* name, const char* driver,
                       BOOL16 regen) {
  if (!cursor && !name) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(PackTable(db, cursor, name, driver, regen));
}

DBIResult DbiRegenIndexes(hDBICur cursor) { KX_FORWARD(RegenIndexes(cursor)); }

DBIResult DbiOpenLdList(hDBICur* cursor) {
  if (!cursor) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(OpenLdList(cursor));
}

DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, void* rec, void* props) {
  KX_FORWARD(GetNextRecord(cursor, lock, rec, props));
}

DBIResult Engine::DescribeTable(hDBICur, KxTableInfo*) {
  return SetLastError(DBIERR_NOTSUPPORTED, "KxDescribeTable");
}

DBIResult KxDescribeTable(hDBICur cursor, KxTableInfo* info) {
  if (!info) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(DescribeTable(cursor, info));
}

DBIResult Engine::SetIndexFiles(hDBIDb, const char*, const std::vector<std::string>&) {
  return SetLastError(DBIERR_NOTSUPPORTED, "KxSetIndexFiles");
}

DBIResult KxSetIndexFiles(hDBIDb db, const char* table, const std::vector<std::string>& files) {
  if (!table) return SetLastError(DBIERR_INVALIDPARAM);
  KX_FORWARD(SetIndexFiles(db, table, files));
}

DBIResult DbiGetErrorInfo(BOOL16, DBIErrInfo* info) {
  if (!info) return DBIERR_INVALIDPARAM;
  *info = g_last_error;
  return DBIERR_NONE;
}

DBIResult DbiGetErrorString(DBIResult code, char* text) {
  if (!text) return DBIERR_INVALIDPARAM;
  const char* s = ResultText(code);
  std::size_t n = std::min<std::size_t>(std::strlen(s), DBIMAXMSGLEN);
  std::memcpy(text, s, n);
  text[n] = '\0';
  return DBIERR_NONE;
}

DBIResult DbiRegisterCallBack(hDBICur, CBType type, std::uintptr_t client_data,
                              std::uint16_t buf_len, void* buf, pfDBICallBack fn) {
  Registration& r = Slot(type);
  r = fn ? Registration{client_data, buf_len, buf, fn} : Registration{};
  return DBIERR_NONE;
}

DBIResult DbiGetCallBack(hDBICur, CBType type, std::uintptr_t* client_data,
                         std::uint16_t* buf_len, void** buf, pfDBICallBack* fn) {
  const Registration& r = Slot(type);
  if (client_data) *client_data = r.client_data;
  if (buf_len) *buf_len = r.buf_len;
  if (buf) *buf = r.buf;
  if (fn) *fn = r.fn;
  return DBIERR_NONE;
}

}  // namespace kx
