// TableLock: open a table's data file under an OFD lock, recovering first.
//
// The lock is on the data file itself (no sidecar file in users' folders).
// Because a pack renames a new data file over the old one, a lock on an
// open descriptor can outlive the name: after locking, the descriptor's
// (st_dev, st_ino) is compared with the path's and the open is retried on a
// mismatch. A packer keeps the new data file locked until its commit is
// complete, so a newcomer never reads an unfinished family.
//
// Every open first tries the exclusive lock; holding it, it runs recovery
// (family_commit.h) and then, for a shared open, converts the lock to
// shared. When the exclusive lock is refused, a shared open takes the shared
// lock: some other holder opened first and recovered. Members (memo,
// indexes) are opened by the caller only after Acquire returns.
#pragma once

#include <string>
#include <vector>

#include "storage/io/env.h"

namespace kx::storage {

class TableLock {
 public:
  TableLock() = default;
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  ~TableLock() { Release(); }

  // `path` may be a symlink; path() is the resolved data file. Codes:
  // DBIERR_NOSUCHTABLE, DBIERR_FILEBUSY, DBIERR_OSACCESS (no write access
  // where recovery is needed), recovery's codes, Env codes.
  Status Acquire(Env* env, const std::string& path, LockKind kind);
  void Release();

  // Swaps the locked descriptor for `fd`, which must already hold an
  // exclusive lock on the file now at path() (a pack's new data file);
  // `dir_entries` is the directory as the commit left it.
  void Adopt(Fd fd, const FileStat& st, std::vector<std::string> dir_entries);

  Fd fd() const { return fd_; }
  const std::string& path() const { return path_; }
  const FileStat& stat() const { return stat_; }
  LockKind kind() const { return kind_; }
  // The table's directory as listed while the lock was taken.
  const std::vector<std::string>& dir_entries() const { return dir_entries_; }

 private:
  Status TryOnce(const std::string& resolved, LockKind kind, bool* retry);

  Env* env_ = nullptr;
  Fd fd_ = kNoFd;
  std::string path_;
  FileStat stat_;
  LockKind kind_ = LockKind::kShared;
  std::vector<std::string> dir_entries_;
};

}  // namespace kx::storage
