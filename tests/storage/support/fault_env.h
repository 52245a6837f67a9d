// FaultEnv: an Env wrapper that counts every call and fails chosen ones.
//
// A fault is "the n-th call (counting every call, or only calls of one
// kind) fails with errno e", once (transient) or from then on for every
// call (persistent). The error is built by the POSIX Env's own errno
// mapping, so codes and messages are the ones a real failure gives. The log
// of calls lets a test find where the commit point fell; a sync that failed
// is remembered so that any later sync or rename of that file is counted
// as a retry (a failed fsync must be abandoned, never retried).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "storage/io/env.h"

namespace kx::storage::testing {

struct EnvCall {
  EnvOp op;
  std::string path;
};

class FaultEnv : public Env {
 public:
  explicit FaultEnv(Env* base) : base_(base) {}

  // Fails the n-th call (1-based) with errno `err`; 0 disarms.
  void FailAt(std::uint64_t n, int err, bool persistent) {
    fail_at_ = n;
    err_ = err;
    persistent_ = persistent;
  }
  void Disarm() { fail_at_ = 0; }
  void ResetLog() {
    calls_.clear();
    injected_ = 0;
    sync_retries_ = 0;
    failed_syncs_.clear();
  }
  const std::vector<EnvCall>& calls() const { return calls_; }
  std::uint64_t injected() const { return injected_; }
  std::uint64_t sync_retries() const { return sync_retries_; }

  Status Open(const std::string& path, bool writable, Fd* fd) override;
  Status Create(const std::string& path, std::uint32_t mode, Fd* fd) override;
  Status ReadAt(Fd fd, std::uint64_t off, void* buf, std::size_t n, std::size_t* got) override;
  Status WriteAt(Fd fd, std::uint64_t off, const void* buf, std::size_t n) override;
  Status Truncate(Fd fd, std::uint64_t size) override;
  Status Sync(Fd fd) override;
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
  void Today(int* year, int* month, int* day) override { base_->Today(year, month, day); }

 private:
  // Logs the call; true (and *s set) when it must fail.
  bool Inject(EnvOp op, const std::string& path, Status* s);
  std::string PathOf(Fd fd) const;

  Env* base_;
  std::uint64_t fail_at_ = 0;
  int err_ = 0;
  bool persistent_ = false;
  std::vector<EnvCall> calls_;
  std::uint64_t injected_ = 0;
  std::uint64_t sync_retries_ = 0;
  std::map<Fd, std::string> paths_;
  std::map<std::string, bool> failed_syncs_;
};

}  // namespace kx::storage::testing
