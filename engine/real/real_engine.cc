// RealEngine: forwards the engine calls to storage/ (see header).
#include "engine/real/real_engine.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <string>

#include "engine/dbi.h"
#include "engine/kx_ext.h"
#include "engine/real/progress_relay.h"
#include "storage/api/table_api.h"
#include "storage/core/lang/lang_driver.h"

namespace kx {
namespace {

struct Database {
  std::string dir;
  // Index files the application attached, by the table's resolved path.
  std::map<std::string, std::vector<std::string>> index_files;

  storage::OpenOptions OptionsFor(const std::string& path) const {
    storage::OpenOptions o;
    if (auto it = index_files.find(path); it != index_files.end()) o.index_files = it->second;
    return o;
  }
};

// Every cursor handle points at a CursorBase; its kind says which.
struct CursorBase {
  enum class Kind { kTable, kLangDrivers } kind;
  explicit CursorBase(Kind k) : kind(k) {}
  virtual ~CursorBase() = default;
};

struct Cursor : CursorBase {
  Cursor() : CursorBase(Kind::kTable) {}
  std::string path;
  std::unique_ptr<storage::OpenTable> table;
};

struct LangDriverCursor : CursorBase {
  LangDriverCursor() : CursorBase(Kind::kLangDrivers) {}
  std::size_t next = 0;
};

DBIResult Fail(const storage::Status& s) {
  return SetLastError(s.code(), s.message().c_str(), s.context(0).c_str(),
                      s.context(1).c_str(), s.context(2).c_str());
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasExtension(const std::string& name) {
  auto slash = name.find_last_of('/');
  auto dot = name.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// Finds `name` in `dir`, ignoring letter case; "" when there is none.
std::string FindFile(const std::string& dir, const std::string& name) {
  std::string exact = dir + "/" + name;
  struct stat st;
  if (::stat(exact.c_str(), &st) == 0) return exact;
  std::string found;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (::strcasecmp(e->d_name, name.c_str()) == 0) {
        found = dir + "/" + e->d_name;
        break;
      }
    }
    ::closedir(d);
  }
  return found;
}

class RealEngine : public Engine {
 public:
  DBIResult Init() override { return 0; }
  DBIResult Exit() override { return 0; }

  DBIResult OpenDatabase(const char* dir, hDBIDb* db) override {
    std::string d = dir && *dir ? dir : ".";
    if (!IsDirectory(d)) return SetLastError(DBIERR_INVALIDDIR, d.c_str());
    *db = reinterpret_cast<hDBIDb>(new Database{d});
    return 0;
  }

  DBIResult CloseDatabase(hDBIDb db) override {
    delete reinterpret_cast<Database*>(db);
    return 0;
  }

  DBIResult OpenTable(hDBIDb db, const char* name, const char* driver, const char*, const char*,
                      std::uint16_t, DBIOpenMode, DBIShareMode share, XLTMode, BOOL16, void*,
                      hDBICur* cursor) override {
    std::string path;
    if (DBIResult r = Resolve(db, name, driver, &path)) return r;
    auto c = std::make_unique<Cursor>();
    c->path = path;
    auto mode = share == dbiOPENEXCL ? storage::ShareMode::kExclusive : storage::ShareMode::kShared;
    storage::Status s =
        storage::Open(nullptr, path, mode, AsDatabase(db)->OptionsFor(path), &c->table);
    if (!s.ok()) return Fail(s);
    *cursor = reinterpret_cast<hDBICur>(static_cast<CursorBase*>(c.release()));
    return 0;
  }

  DBIResult CloseCursor(hDBICur cursor) override {
    delete reinterpret_cast<CursorBase*>(cursor);
    return 0;
  }

  DBIResult GetCursorProps(hDBICur cursor, CURProps* props) override {
    auto* c = AsCursor(cursor);
    if (!c) return SetLastError(DBIERR_INVALIDHNDL);
    const storage::TableInfo& info = c->table->Info();
    *props = CURProps{};
    std::string file = info.path.substr(info.path.find_last_of('/') + 1);
    CopyName(props->szName, file.c_str());
    props->iFNameSize = DBIMAXTBLNAMELEN + 1;
    CopyName(props->szTableType, info.driver_type.c_str());
    props->iFields = static_cast<std::uint16_t>(info.fields.size());
    props->iRecSize = info.record_length;
    props->iRecBufSize = info.record_length;
    props->iIndexes = static_cast<std::uint16_t>(info.index_files.size());
    props->bIndexed = info.index_files.empty() ? 0 : 1;
    props->bSoftDeletes = 1;
    props->iTblLevel = static_cast<std::uint16_t>(info.level);
    props->iBlockSize = static_cast<std::uint16_t>((info.memo_block_size + 1023) / 1024);
    CopyName(props->szLangDriver, info.lang_driver.c_str());
    return 0;
  }

  DBIResult GetRecordCount(hDBICur cursor, std::uint32_t* count) override {
    auto* c = AsCursor(cursor);
    if (!c) return SetLastError(DBIERR_INVALIDHNDL);
    *count = c->table->Info().record_count;
    return 0;
  }

  DBIResult DoRestructure(hDBIDb db, std::uint16_t, CRTblDesc* desc, const char*, const char*,
                          const char*, BOOL16 analyze_only) override {
    if (analyze_only) return SetLastError(DBIERR_NOTSUPPORTED, "analyze only");
    std::string path;
    if (DBIResult r = Resolve(db, desc->szTblName, desc->szTblType, &path)) return r;
    storage::RestructureRequest request;
    request.pack = desc->bPack != 0;
    if (desc->iOptParams) {
      if (!desc->pfldOptParams || !desc->pOptData)
        return SetLastError(DBIERR_INVALIDOPTPARAM, path.c_str());
      const FLDDesc& opt = desc->pfldOptParams[0];
      request.property.assign(opt.szName, strnlen(opt.szName, sizeof opt.szName));
      request.value = desc->pOptData + opt.iOffset;
    }
    if (request.property.empty() && !request.pack) return 0;  // nothing asked
    ProgressRelay relay;
    storage::RestructureStats stats;
    storage::Status s = storage::Restructure(nullptr, path, AsDatabase(db)->OptionsFor(path),
                                             request, &relay, &stats);
    return s.ok() ? 0 : Fail(s);
  }

  DBIResult PackTable(hDBIDb db, hDBICur cursor, const char* name, const char* driver,
                      BOOL16) override {
    if (cursor) {  // the cursor holds the table's lock: pack through it
      auto* c = AsCursor(cursor);
      if (!c) return SetLastError(DBIERR_INVALIDHNDL);
      ProgressRelay relay;
      storage::PackStats stats;
      storage::Status s = c->table->Pack(&relay, &stats);
      return s.ok() ? 0 : Fail(s);
    }
    std::string path;
    if (DBIResult r = Resolve(db, name, driver, &path)) return r;
    return Pack(path, AsDatabase(db)->OptionsFor(path));
  }

  DBIResult RegenIndexes(hDBICur cursor) override {
    auto* c = AsCursor(cursor);
    if (!c) return SetLastError(DBIERR_INVALIDHNDL);
    ProgressRelay relay;
    storage::RegenStats stats;
    storage::Status s = c->table->RegenIndexes(&relay, &stats);
    return s.ok() ? 0 : Fail(s);
  }

  DBIResult OpenLdList(hDBICur* cursor) override {
    *cursor = reinterpret_cast<hDBICur>(static_cast<CursorBase*>(new LangDriverCursor));
    return 0;
  }

  DBIResult GetNextRecord(hDBICur cursor, DBILockType, void* rec, void*) override {
    auto* base = reinterpret_cast<CursorBase*>(cursor);
    if (!base || base->kind != CursorBase::Kind::kLangDrivers || !rec)
      return SetLastError(DBIERR_INVALIDHNDL);
    auto* c = static_cast<LangDriverCursor*>(base);
    auto drivers = storage::ListedLangDrivers();
    if (c->next >= drivers.size()) return SetLastError(DBIERR_EOF);
    const storage::LangDriver& d = *drivers[c->next++];
    LDDesc out{};
    CopyName(out.szName, std::string(d.name).c_str());
    CopyName(out.szDesc, std::string(d.description).c_str());
    out.iCodePage = d.code_page;
    std::memcpy(rec, &out, sizeof out);
    return 0;
  }

  DBIResult SetIndexFiles(hDBIDb db, const char* table,
                          const std::vector<std::string>& files) override {
    std::string path;
    if (DBIResult r = Resolve(db, table, nullptr, &path)) return r;
    if (files.empty())
      AsDatabase(db)->index_files.erase(path);
    else
      AsDatabase(db)->index_files[path] = files;
    return 0;
  }

  DBIResult DescribeTable(hDBICur cursor, KxTableInfo* out) override {
    auto* c = AsCursor(cursor);
    if (!c) return SetLastError(DBIERR_INVALIDHNDL);
    const storage::TableInfo& info = c->table->Info();
    *out = KxTableInfo{};
    out->path = info.path;
    out->driver_type = info.driver_type;
    out->level = info.level;
    out->memo_block_size = info.memo_block_size;
    out->lang_driver = info.lang_driver;
    out->record_count = info.record_count;
    out->deleted_count = info.deleted_count;
    out->record_length = info.record_length;
    for (const auto& f : info.fields) out->fields.push_back({f.name, f.type, f.length, f.decimals});
    out->memo_file = info.memo_file;
    out->index_files = info.index_files;
    out->missing_index_files = info.missing_index_files;
    out->bytes = info.bytes;
    return 0;
  }

 private:
  static Database* AsDatabase(hDBIDb db) { return reinterpret_cast<Database*>(db); }

  static Cursor* AsCursor(hDBICur cursor) {
    auto* base = reinterpret_cast<CursorBase*>(cursor);
    if (!base || base->kind != CursorBase::Kind::kTable) return nullptr;
    return static_cast<Cursor*>(base);
  }

  DBIResult Resolve(hDBIDb db, const char* name, const char* driver, std::string* path) {
    if (!db) return SetLastError(DBIERR_INVALIDHNDL, "database");
    if (!name || !*name) return SetLastError(DBIERR_INVALIDPARAM, "table name");
    const std::string& dir = reinterpret_cast<Database*>(db)->dir;
    std::string n = name;
    if (!HasExtension(n)) n += ".dbf";
    if (n.find('/') != std::string::npos) {
      struct stat st;  // a path given as the name is taken as it stands
      *path = n;
      if (::stat(n.c_str(), &st) == 0) return 0;
      return SetLastError(DBIERR_NOSUCHTABLE, n.c_str());
    }
    *path = FindFile(dir, n);
    if (path->empty()) return SetLastError(DBIERR_NOSUCHTABLE, (dir + "/" + n).c_str());
    return 0;
  }

  DBIResult Pack(const std::string& path, const storage::OpenOptions& options) {
    ProgressRelay relay;
    storage::PackStats stats;
    storage::Status s = storage::Pack(nullptr, path, options, &relay, &stats);
    if (!s.ok()) return Fail(s);
    return 0;
  }
};

}  // namespace

std::unique_ptr<Engine> MakeRealEngine() { return std::make_unique<RealEngine>(); }

void UseRealEngine() {
  if (!CurrentEngine()) InstallEngine(MakeRealEngine());
}

}  // namespace kx
