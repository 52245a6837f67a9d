// Env: the one seam through which storage reaches the operating system.
//
// Every file operation, sync, directory sync, rename, unlink, lock and the
// clock go through an Env, so that tests can swap in a fault-injecting one
// (tests/storage/support/fault_env.h) and the POSIX one can host the crash
// test kill points. Files are plain descriptors (Fd) owned by the caller and
// released with Close; ScopedFd closes on scope exit for error paths.
//
// Every call returns a Status that already carries an engine code and a
// message naming the operation and the file. Calls never retry a failed
// sync; writes and reads loop over short transfers and EINTR themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/status.h"

namespace kx::storage {

using Fd = int;
constexpr Fd kNoFd = -1;

struct FileStat {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  std::uint64_t size = 0;
  std::uint32_t mode = 0;  // permission bits only (07777)
  std::uint32_t nlink = 0;
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  bool is_regular = false;
};

enum class LockKind { kShared, kExclusive };

// The kinds of call an Env makes; fault injection and counters use them.
enum class EnvOp {
  kOpen, kCreate, kRead, kWrite, kTruncate, kSync, kClose, kStat, kChmod,
  kLock, kUnlock, kStatPath, kRealPath, kListDir, kRename, kUnlink, kDirSync,
  kCount
};
const char* EnvOpName(EnvOp op);
// True for the calls that change the file system (the crash kill points).
bool IsMutating(EnvOp op);

class Env {
 public:
  virtual ~Env() = default;

  // The process-wide POSIX Env (never destroyed).
  static Env* Default();

  // Opens an existing file for reading, or reading and writing.
  // ENOENT gives DBIERR_NOSUCHFILE.
  virtual Status Open(const std::string& path, bool writable, Fd* fd) = 0;
  // Creates a new file read-write; fails if it exists (O_EXCL). `mode` is
  // applied exactly (umask does not narrow it).
  virtual Status Create(const std::string& path, std::uint32_t mode, Fd* fd) = 0;
  // Reads up to n bytes at off; *got < n only at end of file.
  virtual Status ReadAt(Fd fd, std::uint64_t off, void* buf, std::size_t n, std::size_t* got) = 0;
  // Writes all n bytes at off.
  virtual Status WriteAt(Fd fd, std::uint64_t off, const void* buf, std::size_t n) = 0;
  virtual Status Truncate(Fd fd, std::uint64_t size) = 0;
  // fsync. A failure means the file's contents are unknown: never retry.
  virtual Status Sync(Fd fd) = 0;
  // Starts writing bytes [off, off + n) of a file being written back to
  // disk without waiting, so that the Sync that must follow finds less to
  // do. A hint: it changes no contents and makes nothing durable, and a
  // failed write-back is reported by that Sync, so it returns nothing.
  // Default: nothing.
  virtual void StartWriteback(Fd fd, std::uint64_t off, std::uint64_t n) {}
  virtual Status Stat(Fd fd, FileStat* st) = 0;
  // Gives the file the permission bits and, where allowed, owner of `like`.
  virtual Status CopyOwnerAndMode(Fd fd, const FileStat& like) = 0;
  // Open-file-description lock on the whole file, never blocking. A
  // conflicting lock gives DBIERR_FILEBUSY. Exclusive needs a writable fd.
  virtual Status Lock(Fd fd, LockKind kind) = 0;
  virtual Status Unlock(Fd fd) = 0;
  // Closes and reports close's own error (which can carry a delayed
  // write error). The fd is gone whatever the result.
  virtual Status Close(Fd fd) = 0;

  // Follows symlinks. ENOENT gives DBIERR_NOSUCHFILE.
  virtual Status StatPath(const std::string& path, FileStat* st) = 0;
  virtual Status RealPath(const std::string& path, std::string* out) = 0;
  // Names of the entries of dir (no "." or "..").
  virtual Status ListDir(const std::string& dir, std::vector<std::string>* names) = 0;
  // Atomic within one directory (one file system).
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  virtual Status Unlink(const std::string& path) = 0;
  // fsync of a directory, making creates, renames and unlinks in it durable.
  virtual Status SyncDir(const std::string& dir) = 0;

  // Today's local date (the date written into headers).
  virtual void Today(int* year, int* month, int* day) = 0;
};

// Closes its fd on destruction, ignoring the result; call Close() where the
// result matters (files that were written).
class ScopedFd {
 public:
  ScopedFd() = default;
  ScopedFd(Env* env, Fd fd) : env_(env), fd_(fd) {}
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  ScopedFd(ScopedFd&& o) noexcept : env_(o.env_), fd_(o.Release()) {}
  ScopedFd& operator=(ScopedFd&& o) noexcept {
    if (this != &o) {
      Reset();
      env_ = o.env_;
      fd_ = o.Release();
    }
    return *this;
  }
  ~ScopedFd() { Reset(); }

  Fd get() const { return fd_; }
  bool valid() const { return fd_ != kNoFd; }
  Fd Release() {
    Fd fd = fd_;
    fd_ = kNoFd;
    return fd;
  }
  void Reset() {
    if (fd_ != kNoFd) (void)env_->Close(fd_);
    fd_ = kNoFd;
  }
  Status Close() {
    Fd fd = Release();
    return fd == kNoFd ? Status::OK() : env_->Close(fd);
  }

 private:
  Env* env_ = nullptr;
  Fd fd_ = kNoFd;
};

// Path helpers (no I/O).
std::string DirName(const std::string& path);   // "." for a bare name
std::string BaseName(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);

}  // namespace kx::storage
