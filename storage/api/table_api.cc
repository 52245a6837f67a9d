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

Status Open(Env* env, const std::string& path, ShareMode mode, const OpenOptions& options,
            std::unique_ptr<OpenTable>* out) {
  if (env == nullptr) env = Env::Default();
  Status s = CheckFormat(path);
  if (!s.ok()) return s;
  std::unique_ptr<DbfTable> t;
  s = DbfTable::Open(env, path, mode, &t, /*count_deleted=*/true, options);
  if (!s.ok()) return s;
  *out = std::move(t);
  return Status::OK();
}

Status Open(Env* env, const std::string& path, ShareMode mode, std::unique_ptr<OpenTable>* out) {
  return Open(env, path, mode, OpenOptions(), out);
}

Status Describe(Env* env, const std::string& path, const OpenOptions& options, TableInfo* out) {
  std::unique_ptr<OpenTable> t;
  Status s = Open(env, path, ShareMode::kShared, options, &t);
  if (!s.ok()) return s;
  *out = t->Info();
  return Status::OK();
}

Status Describe(Env* env, const std::string& path, TableInfo* out) {
  return Describe(env, path, OpenOptions(), out);
}

// Opens `path` exclusively for a rewrite (no deleted-record count: the
// rewrite reads every record anyway).
static Status OpenForRewrite(Env** env, const std::string& path, const OpenOptions& options,
                             std::unique_ptr<DbfTable>* out) {
  if (*env == nullptr) *env = Env::Default();
  Status s = CheckFormat(path);
  if (!s.ok()) return s;
  return DbfTable::Open(*env, path, ShareMode::kExclusive, out, /*count_deleted=*/false, options);
}

Status Pack(Env* env, const std::string& path, const OpenOptions& options,
            ProgressSink* progress, PackStats* stats) {
  std::unique_ptr<DbfTable> t;
  Status s = OpenForRewrite(&env, path, options, &t);
  if (!s.ok()) return s;
  return t->Pack(progress, stats);
}

Status Pack(Env* env, const std::string& path, ProgressSink* progress, PackStats* stats) {
  return Pack(env, path, OpenOptions(), progress, stats);
}

Status Restructure(Env* env, const std::string& path, const OpenOptions& options,
                   const RestructureRequest& request, ProgressSink* progress,
                   RestructureStats* stats) {
  std::unique_ptr<DbfTable> t;
  Status s = OpenForRewrite(&env, path, options, &t);
  if (!s.ok()) return s;
  return t->Restructure(request, progress, stats);
}

Status Restructure(Env* env, const std::string& path, const RestructureRequest& request,
                   ProgressSink* progress, RestructureStats* stats) {
  return Restructure(env, path, OpenOptions(), request, progress, stats);
}

Status RegenIndexes(Env* env, const std::string& path, const OpenOptions& options,
                    ProgressSink* progress, RegenStats* stats) {
  std::unique_ptr<DbfTable> t;
  Status s = OpenForRewrite(&env, path, options, &t);
  if (!s.ok()) return s;
  return t->RegenIndexes(progress, stats);
}

}  // namespace kx::storage
