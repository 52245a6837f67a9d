// PosixEnv: the Env over Linux system calls.
//
// errno is read here and nowhere else: ErrnoStatus turns it into a Status
// with the engine code for the operation ("fsync 'CUST.DBF.~pk': Input/output
// error", code DBIERR_SYNCERR; ENOSPC/EDQUOT always DBIERR_NODISKSPACE).
// Every descriptor is O_CLOEXEC; reads and writes loop over EINTR and short
// transfers; locks are open-file-description locks (F_OFD_SETLK), never
// blocking. Mutating calls pass through the crash-test kill points.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "storage/io/env.h"

namespace kx::storage {

// The Status for an errno value met by `op` on `path`.
Status ErrnoStatus(EnvOp op, const std::string& path, int err);

class PosixEnv : public Env {
 public:
  PosixEnv();  // configures the kill points from KX_TEST_KILL_AT

  Status Open(const std::string& path, bool writable, Fd* fd) override;
  Status Create(const std::string& path, std::uint32_t mode, Fd* fd) override;
  Status ReadAt(Fd fd, std::uint64_t off, void* buf, std::size_t n, std::size_t* got) override;
  Status WriteAt(Fd fd, std::uint64_t off, const void* buf, std::size_t n) override;
  Status Truncate(Fd fd, std::uint64_t size) override;
  Status Sync(Fd fd) override;
  void StartWriteback(Fd fd, std::uint64_t off, std::uint64_t n) override;
  Status Stat(Fd fd, FileStat* st) override;
  Status CopyOwnerAndMode(Fd fd, const FileStat& like) override;
  Status Lock(Fd fd, LockKind kind) override;
  Status Unlock(Fd fd) override;
  Status Close(Fd fd) override;
  Status StatPath(const std::string& path, FileStat* st) override;
  Status RealPath(const std::string& path, std::string* out) override;
  Status ListDir(const std::string& dir, std::vector<std::string>* names) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status Unlink(const std::string& path) override;
  Status SyncDir(const std::string& dir) override;
  void Today(int* year, int* month, int* day) override;

 private:
  std::string NameOf(Fd fd);
  Status Fail(EnvOp op, Fd fd, int err) { return ErrnoStatus(op, NameOf(fd), err); }

  std::mutex mu_;
  std::map<Fd, std::string> names_;  // for messages only
};

}  // namespace kx::storage
