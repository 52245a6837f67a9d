// The storage facade: picks the table format from the path and forwards.
// Only dBASE/FoxPro tables exist so far; a Paradox path is refused with
// DBIERR_NOTSUPPORTED.
#include "storage/api/table_api.h"

#include "storage/api/codes.h"
#include "storage/dbase/dbf_table.h"
#include "storage/io/env.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

Status CheckFormat(const std::string& path) {
  std::string base = BaseName(path);
  auto dot = base.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : AsciiLower(base.substr(dot + 1));
  if (ext == "db") {
    return Status::Error(DBIERR_NOTSUPPORTED, "Paradox tables are not supported yet", path);
  }
  return Status::OK();
}

}  // namespace

Status Open(Env* env, const std::string& path, ShareMode mode, std::unique_ptr<OpenTable>* out) {
  if (env == nullptr) env = Env::Default();
  Status s = CheckFormat(path);
  if (!s.ok()) return s;
  std::unique_ptr<DbfTable> t;
  s = DbfTable::Open(env, path, mode, &t);
  if (!s.ok()) return s;
  *out = std::move(t);
  return Status::OK();
}

Status Describe(Env* env, const std::string& path, TableInfo* out) {
  std::unique_ptr<OpenTable> t;
  Status s = Open(env, path, ShareMode::kShared, &t);
  if (!s.ok()) return s;
  *out = t->Info();
  return Status::OK();
}

Status Pack(Env* env, const std::string& path, ProgressSink* progress, PackStats* stats) {
  if (env == nullptr) env = Env::Default();
  Status s = CheckFormat(path);
  if (!s.ok()) return s;
  std::unique_ptr<DbfTable> t;
  s = DbfTable::Open(env, path, ShareMode::kExclusive, &t, /*count_deleted=*/false);
  if (!s.ok()) return s;
  return t->Pack(progress, stats);
}

Status Restructure(Env* env, const std::string& path, const RestructureRequest& request,
                   ProgressSink* progress, RestructureStats* stats) {
  if (env == nullptr) env = Env::Default();
  Status s = CheckFormat(path);
  if (!s.ok()) return s;
  std::unique_ptr<DbfTable> t;
  s = DbfTable::Open(env, path, ShareMode::kExclusive, &t, /*count_deleted=*/false);
  if (!s.ok()) return s;
  return t->Restructure(request, progress, stats);
}

}  // namespace kx::storage
