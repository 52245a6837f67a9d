// ScriptedEngine: records calls, answers from a script (see header).
#include "engine/scripted_engine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kx {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Text(const char* s) { return s ? std::string(s) : std::string("(null)"); }

}  // namespace

ScriptedEngine::ScriptedEngine() { SetTable("CUST.DB", "PARADOX"); }

void ScriptedEngine::Answer(const std::string& call, DBIResult code) {
  answers_[call].push_back(code);
}

void ScriptedEngine::SetDefault(const std::string& call, DBIResult code) { defaults_[call] = code; }

void ScriptedEngine::SetTable(const char* name, const char* type, int level, int block_kb,
                              const char* lang) {
  props_ = CURProps{};
  CopyName(props_.szName, name);
  CopyName(props_.szTableType, type);
  props_.iTblLevel = static_cast<std::uint16_t>(level);
  props_.iBlockSize = static_cast<std::uint16_t>(block_kb);
  CopyName(props_.szLangDriver, lang);
}

void ScriptedEngine::SetBusy(const std::string& table, bool busy) {
  if (busy)
    busy_.insert(Upper(table));
  else
    busy_.erase(Upper(table));
}

void ScriptedEngine::NotifyProgress(int percent, const char* message) {
  CBPROGRESSDesc d{};
  d.iPercentDone = static_cast<std::int16_t>(percent);
  CopyName(d.szMsg, message);
  const char* p = reinterpret_cast<const char*>(&d);
  notifications_.push_back({cbGENPROGRESS, std::vector<char>(p, p + sizeof d)});
}

void ScriptedEngine::NotifyRestructure(std::uint32_t kind, const char* name, bool primary) {
  RESTCbDesc d{};
  d.eRestrObjType = kind;
  switch (kind) {
    case restrNEWINDEX:
    case restrOLDINDEX:
      CopyName(d.uObjDesc.idxDesc.szName, name);
      d.uObjDesc.idxDesc.bPrimary = primary ? 1 : 0;
      break;
    case restrNEWSEC:
    case restrOLDSEC:
      CopyName(d.uObjDesc.secDesc.szPassword, name);
      break;
    default:
      CopyName(d.uObjDesc.fldDesc.szName, name);
  }
  const char* p = reinterpret_cast<const char*>(&d);
  notifications_.push_back({cbRESTRUCTURE, std::vector<char>(p, p + sizeof d)});
}

DBIResult ScriptedEngine::Result(const std::string& call, const std::string& line) {
  calls_.push_back(line);
  DBIResult code = 0;
  auto q = answers_.find(call);
  if (q != answers_.end() && !q->second.empty()) {
    code = q->second.front();
    q->second.pop_front();
  } else if (auto d = defaults_.find(call); d != defaults_.end()) {
    code = d->second;
  }
  if (code) SetLastError(code, call.c_str());
  return code;
}

void ScriptedEngine::DeliverNotifications() {
  while (!notifications_.empty()) {
    Notification n = std::move(notifications_.front());
    notifications_.pop_front();
    NotifyCallback(n.type, n.payload.data(), n.payload.size());
  }
  if (during_work_) {
    auto hook = std::move(during_work_);
    during_work_ = nullptr;
    hook();
  }
}

DBIResult ScriptedEngine::Init() { return Result("DbiInit", "DbiInit"); }
DBIResult ScriptedEngine::Exit() { return Result("DbiExit", "DbiExit"); }

DBIResult ScriptedEngine::OpenDatabase(const char* dir, hDBIDb* db) {
  DBIResult r = Result("DbiOpenDatabase", "DbiOpenDatabase " + Text(dir));
  if (r == 0) *db = reinterpret_cast<hDBIDb>(next_handle_++);
  return r;
}

DBIResult ScriptedEngine::CloseDatabase(hDBIDb) {
  return Result("DbiCloseDatabase", "DbiCloseDatabase");
}

DBIResult ScriptedEngine::OpenTable(hDBIDb, const char* name, const char*, const char*, const char*,
                                    std::uint16_t, DBIOpenMode open_mode, DBIShareMode share_mode,
                                    XLTMode, BOOL16, void*, hDBICur* cursor) {
  bool excl = share_mode == dbiOPENEXCL;
  std::string line = "DbiOpenTable " + Text(name) + (excl ? " excl" : " shared") +
                     (open_mode == dbiREADONLY ? " ro" : "");
  DBIResult r = Result("DbiOpenTable", line);
  if (r) return r;
  std::string key = Upper(Text(name));
  int held_excl = 0, held_any = 0;
  for (const auto& [h, c] : table_cursors_) {
    if (c.first != key) continue;
    held_any++;
    held_excl += c.second ? 1 : 0;
  }
  if ((excl && busy_.count(key)) || held_excl || (excl && held_any))
    return SetLastError(DBIERR_FILEBUSY, name);
  auto h = next_handle_++;
  table_cursors_[h] = {key, excl};
  *cursor = reinterpret_cast<hDBICur>(h);
  open_cursors_++;
  return 0;
}

DBIResult ScriptedEngine::CloseCursor(hDBICur cursor) {
  auto h = reinterpret_cast<std::uintptr_t>(cursor);
  if (ld_cursors_.erase(h)) return Result("DbiCloseCursor", "DbiCloseCursor ldlist");
  DBIResult r = Result("DbiCloseCursor", "DbiCloseCursor");
  if (table_cursors_.erase(h)) open_cursors_--;
  return r;
}

DBIResult ScriptedEngine::GetCursorProps(hDBICur, CURProps* props) {
  DBIResult r = Result("DbiGetCursorProps", "DbiGetCursorProps");
  if (r == 0) *props = props_;
  return r;
}

DBIResult ScriptedEngine::GetRecordCount(hDBICur, std::uint32_t* count) {
  DBIResult r = Result("DbiGetRecordCount", "DbiGetRecordCount");
  if (r == 0) *count = 0;
  return r;
}

DBIResult ScriptedEngine::DoRestructure(hDBIDb, std::uint16_t count, CRTblDesc* desc,
                                        const char*, const char*, const char*, BOOL16) {
  last_desc_ = *desc;
  last_opt_ = FLDDesc{};
  last_opt_data_.clear();
  if (desc->iOptParams && desc->pfldOptParams) last_opt_ = desc->pfldOptParams[0];
  if (desc->pOptData) last_opt_data_ = desc->pOptData;
  std::string line = "DbiDoRestructure " + std::string(desc->szTblName) + " " +
                     std::string(desc->szTblType) + " pack=" + std::to_string(desc->bPack) +
                     " opt=" + std::to_string(desc->iOptParams);
  if (desc->iOptParams && desc->pfldOptParams)
    line += " " + std::string(last_opt_.szName) + "=" + last_opt_data_;
  DeliverNotifications();
  return Result("DbiDoRestructure", line);
}

DBIResult ScriptedEngine::PackTable(hDBIDb, hDBICur, const char* name, const char* driver,
                                    BOOL16 regen) {
  std::string line =
      "DbiPackTable " + Text(name) + " " + Text(driver) + " regen=" + std::to_string(regen);
  DeliverNotifications();
  return Result("DbiPackTable", line);
}

DBIResult ScriptedEngine::RegenIndexes(hDBICur) {
  DeliverNotifications();
  return Result("DbiRegenIndexes", "DbiRegenIndexes");
}

DBIResult ScriptedEngine::OpenLdList(hDBICur* cursor) {
  DBIResult r = Result("DbiOpenLdList", "DbiOpenLdList");
  if (r) return r;
  auto h = next_handle_++;
  ld_cursors_[h] = 0;
  *cursor = reinterpret_cast<hDBICur>(h);
  return 0;
}

DBIResult ScriptedEngine::GetNextRecord(hDBICur cursor, DBILockType, void* rec, void*) {
  auto it = ld_cursors_.find(reinterpret_cast<std::uintptr_t>(cursor));
  if (it == ld_cursors_.end()) return SetLastError(DBIERR_INVALIDHNDL);
  calls_.push_back("DbiGetNextRecord");
  if (it->second >= lang_drivers_.size()) return SetLastError(DBIERR_EOF);
  std::memcpy(rec, &lang_drivers_[it->second++], sizeof(LDDesc));
  return 0;
}

}  // namespace kx
