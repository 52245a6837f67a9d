// IndexOutputFile / IndexInputFile.
#include "storage/dbase/index/index_file_io.h"

namespace kx::storage {

IndexOutputFile::~IndexOutputFile() {
  if (!committed_ && fd_.valid()) {
    fd_.Reset();
    (void)env_->Unlink(path_);
  }
}

Status IndexOutputFile::Create(std::uint32_t mode) {
  Fd fd;
  Status s = env_->Create(path_, mode, &fd);
  if (!s.ok()) return s;
  fd_ = ScopedFd(env_, fd);
  return Status::OK();
}

Status IndexOutputFile::WriteAt(std::uint64_t pos, const void* data, std::size_t n) {
  return env_->WriteAt(fd_.get(), pos, data, n);
}

Status IndexOutputFile::Truncate(std::uint64_t size) { return env_->Truncate(fd_.get(), size); }

Status IndexOutputFile::Commit(bool sync) {
  if (sync) {
    Status s = env_->Sync(fd_.get());
    if (!s.ok()) return s;
  }
  Status s = fd_.Close();
  if (!s.ok()) {
    (void)env_->Unlink(path_);
    return s;
  }
  committed_ = true;
  return Status::OK();
}

std::string IndexOutputFile::TempPrefix(const IndexWriteOptions& options) const {
  return options.temp_path_prefix.empty() ? path_ + ".~lv" : options.temp_path_prefix;
}

Status IndexInputFile::Open() {
  Fd fd;
  Status s = env_->Open(path_, false, &fd);
  if (!s.ok()) return s;
  fd_ = ScopedFd(env_, fd);
  FileStat st;
  s = env_->Stat(fd, &st);
  if (!s.ok()) return s;
  size_ = st.size;
  return Status::OK();
}

Status IndexInputFile::Read(std::uint64_t pos, void* buf, std::size_t n) {
  if (pos > size_ || n > size_ - pos) {
    return Corrupt("a page at byte " + std::to_string(pos) + " lies past the end of the file");
  }
  std::size_t got = 0;
  Status s = env_->ReadAt(fd_.get(), pos, buf, n, &got);
  if (!s.ok()) return s;
  if (got != n) return Corrupt("short read at byte " + std::to_string(pos));
  return Status::OK();
}

}  // namespace kx::storage
