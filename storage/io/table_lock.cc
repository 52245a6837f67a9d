// TableLock: see table_lock.h.
#include "storage/io/table_lock.h"

#include "storage/api/codes.h"
#include "storage/io/family_commit.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

constexpr int kMaxAttempts = 16;

Status NoSuchTable(const std::string& path) {
  return Status::Error(DBIERR_NOSUCHTABLE, "table '" + BaseName(path) + "' not found", path);
}

bool HasIntent(const std::vector<std::string>& entries, const std::string& data_path) {
  const std::string stem = TableStem(data_path);
  for (const std::string& n : entries) {
    if (IsIntentOf(stem, n)) return true;
  }
  return false;
}

}  // namespace

void TableLock::Release() {
  if (fd_ != kNoFd) (void)env_->Close(fd_);
  fd_ = kNoFd;
}

void TableLock::Adopt(Fd fd, const FileStat& st, std::vector<std::string> dir_entries) {
  Release();
  fd_ = fd;
  stat_ = st;
  kind_ = LockKind::kExclusive;
  dir_entries_ = std::move(dir_entries);
}

Status TableLock::Acquire(Env* env, const std::string& path, LockKind kind) {
  Release();
  env_ = env;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string resolved;
    Status s = env->RealPath(path, &resolved);
    if (s.code() == DBIERR_NOSUCHFILE) return NoSuchTable(path);
    if (!s.ok()) return s;
    bool retry = false;
    s = TryOnce(resolved, kind, &retry);
    if (!s.ok() || !retry) return s;
  }
  return Status::Error(DBIERR_FILEBUSY, "table '" + BaseName(path) + "' keeps changing", path);
}

Status TableLock::TryOnce(const std::string& resolved, LockKind kind, bool* retry) {
  *retry = false;
  Fd fd;
  bool writable = true;
  Status s = env_->Open(resolved, true, &fd);
  if (s.code() == DBIERR_OSACCESS && kind == LockKind::kShared) {
    writable = false;
    s = env_->Open(resolved, false, &fd);
  }
  if (s.code() == DBIERR_NOSUCHFILE) {
    *retry = true;  // renamed away between resolving and opening
    return Status::OK();
  }
  if (!s.ok()) return s;
  ScopedFd guard(env_, fd);

  bool exclusive = false;
  if (writable) {
    s = env_->Lock(fd, LockKind::kExclusive);
    exclusive = s.ok();
    if (!s.ok() && (s.code() != DBIERR_FILEBUSY || kind == LockKind::kExclusive)) return s;
  }
  if (!exclusive) {
    s = env_->Lock(fd, LockKind::kShared);
    if (!s.ok()) return s;
  }

  FileStat fd_st, path_st;
  s = env_->Stat(fd, &fd_st);
  if (!s.ok()) return s;
  s = env_->StatPath(resolved, &path_st);
  if (s.code() == DBIERR_NOSUCHFILE || (s.ok() && (fd_st.dev != path_st.dev ||
                                                    fd_st.ino != path_st.ino))) {
    *retry = true;  // locked an inode a pack has since replaced
    return Status::OK();
  }
  if (!s.ok()) return s;
  if (!fd_st.is_regular) {
    return Status::Error(DBIERR_NOSUCHTABLE, "'" + BaseName(resolved) + "' is not a file", resolved);
  }

  std::vector<std::string> entries;
  s = env_->ListDir(DirName(resolved), &entries);
  if (!s.ok()) return s;
  if (exclusive) {
    bool changed = false;
    s = RecoverFamily(env_, resolved, entries, &changed);
    if (!s.ok()) return s;
    if (changed) {
      *retry = true;  // members may have been replaced: start over
      return Status::OK();
    }
    if (kind == LockKind::kShared) {
      s = env_->Lock(fd, LockKind::kShared);  // atomic conversion, same description
      if (!s.ok()) return s;
    }
  } else if (!writable && HasIntent(entries, resolved)) {
    return Status::Error(DBIERR_OSACCESS,
                         "table '" + BaseName(resolved) + "' needs recovery but is read-only",
                         resolved);
  }
  fd_ = guard.Release();
  path_ = resolved;
  stat_ = fd_st;
  kind_ = kind;
  dir_entries_ = std::move(entries);
  return Status::OK();
}

}  // namespace kx::storage
