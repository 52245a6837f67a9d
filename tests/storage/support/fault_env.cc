// FaultEnv: see fault_env.h.
#include "tests/storage/support/fault_env.h"

#include "storage/io/posix_env.h"

namespace kx::storage::testing {

bool FaultEnv::Inject(EnvOp op, const std::string& path, Status* s) {
  calls_.push_back({op, path});
  std::uint64_t n = calls_.size();
  if (fail_at_ == 0 || n < fail_at_ || (n > fail_at_ && !persistent_)) return false;
  ++injected_;
  *s = ErrnoStatus(op, path, err_);
  return true;
}

std::string FaultEnv::PathOf(Fd fd) const {
  auto it = paths_.find(fd);
  return it == paths_.end() ? std::string() : it->second;
}

Status FaultEnv::Open(const std::string& path, bool writable, Fd* fd) {
  Status s;
  if (Inject(EnvOp::kOpen, path, &s)) return s;
  s = base_->Open(path, writable, fd);
  if (s.ok()) paths_[*fd] = path;
  return s;
}

Status FaultEnv::Create(const std::string& path, std::uint32_t mode, Fd* fd) {
  Status s;
  if (Inject(EnvOp::kCreate, path, &s)) return s;
  s = base_->Create(path, mode, fd);
  if (s.ok()) paths_[*fd] = path;
  return s;
}

Status FaultEnv::ReadAt(Fd fd, std::uint64_t off, void* buf, std::size_t n, std::size_t* got) {
  Status s;
  if (Inject(EnvOp::kRead, PathOf(fd), &s)) return s;
  return base_->ReadAt(fd, off, buf, n, got);
}

Status FaultEnv::WriteAt(Fd fd, std::uint64_t off, const void* buf, std::size_t n) {
  Status s;
  if (Inject(EnvOp::kWrite, PathOf(fd), &s)) return s;
  return base_->WriteAt(fd, off, buf, n);
}

Status FaultEnv::Truncate(Fd fd, std::uint64_t size) {
  Status s;
  if (Inject(EnvOp::kTruncate, PathOf(fd), &s)) return s;
  return base_->Truncate(fd, size);
}

Status FaultEnv::Sync(Fd fd) {
  const std::string path = PathOf(fd);
  if (failed_syncs_.count(path)) ++sync_retries_;
  Status s;
  if (!Inject(EnvOp::kSync, path, &s)) s = base_->Sync(fd);
  if (!s.ok()) failed_syncs_[path] = true;
  return s;
}

Status FaultEnv::Stat(Fd fd, FileStat* st) {
  Status s;
  if (Inject(EnvOp::kStat, PathOf(fd), &s)) return s;
  return base_->Stat(fd, st);
}

Status FaultEnv::CopyOwnerAndMode(Fd fd, const FileStat& like) {
  Status s;
  if (Inject(EnvOp::kChmod, PathOf(fd), &s)) return s;
  return base_->CopyOwnerAndMode(fd, like);
}

Status FaultEnv::Lock(Fd fd, LockKind kind) {
  Status s;
  if (Inject(EnvOp::kLock, PathOf(fd), &s)) return s;
  return base_->Lock(fd, kind);
}

Status FaultEnv::Unlock(Fd fd) {
  Status s;
  if (Inject(EnvOp::kUnlock, PathOf(fd), &s)) return s;
  return base_->Unlock(fd);
}

Status FaultEnv::Close(Fd fd) {
  const std::string path = PathOf(fd);
  paths_.erase(fd);
  Status s = base_->Close(fd);  // the descriptor goes whatever is injected
  Status injected;
  if (Inject(EnvOp::kClose, path, &injected)) return injected;
  return s;
}

Status FaultEnv::StatPath(const std::string& path, FileStat* st) {
  Status s;
  if (Inject(EnvOp::kStatPath, path, &s)) return s;
  return base_->StatPath(path, st);
}

Status FaultEnv::RealPath(const std::string& path, std::string* out) {
  Status s;
  if (Inject(EnvOp::kRealPath, path, &s)) return s;
  return base_->RealPath(path, out);
}

Status FaultEnv::ListDir(const std::string& dir, std::vector<std::string>* names) {
  Status s;
  if (Inject(EnvOp::kListDir, dir, &s)) return s;
  return base_->ListDir(dir, names);
}

Status FaultEnv::Rename(const std::string& from, const std::string& to) {
  if (failed_syncs_.count(from)) ++sync_retries_;  // an unsynced file must not be published
  Status s;
  if (Inject(EnvOp::kRename, from, &s)) return s;
  return base_->Rename(from, to);
}

Status FaultEnv::Unlink(const std::string& path) {
  Status s;
  if (Inject(EnvOp::kUnlink, path, &s)) return s;
  return base_->Unlink(path);
}

Status FaultEnv::SyncDir(const std::string& dir) {
  Status s;
  if (Inject(EnvOp::kDirSync, dir, &s)) return s;
  return base_->SyncDir(dir);
}

}  // namespace kx::storage::testing
