// RecordSpool: memory first, then a temporary file written and read in
// buffer-sized chunks.
#include "storage/dbase/index/record_spool.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"

namespace kx::storage {

RecordSpool::RecordSpool(Env* env, std::string path, std::size_t record_size,
                         std::size_t buffer_bytes)
    : env_(env),
      path_(std::move(path)),
      record_size_(record_size),
      capacity_(std::max<std::size_t>(1, buffer_bytes / record_size)) {}

RecordSpool::~RecordSpool() { (void)Discard(); }

Status RecordSpool::Flush() {
  if (buffered_ == 0) return Status::OK();
  if (!fd_.valid()) {
    // The path is this spool's own: a file there is a leftover of an
    // interrupted build and is replaced.
    Status s = env_->Unlink(path_);
    if (!s.ok() && s.code() != DBIERR_NOSUCHFILE) return s;
    Fd fd;
    s = env_->Create(path_, 0600, &fd);
    if (!s.ok()) return s;
    fd_ = ScopedFd(env_, fd);
  }
  std::size_t bytes = buffered_ * record_size_;
  Status s = env_->WriteAt(fd_.get(), file_bytes_, buffer_.data(), bytes);
  if (!s.ok()) return s;
  file_bytes_ += bytes;
  buffered_ = 0;
  return Status::OK();
}

Status RecordSpool::Append(const std::uint8_t* record) {
  if (reading_) return Status::Error(DBIERR_INVALIDPARAM, "spool appended after reading", path_);
  if (buffered_ == capacity_) {
    Status s = Flush();
    if (!s.ok()) return s;
  }
  // The buffer grows with the data so that small spools stay small.
  std::size_t need = (buffered_ + 1) * record_size_;
  if (buffer_.size() < need) {
    buffer_.resize(std::min(capacity_ * record_size_, std::max(need, buffer_.size() * 2)));
  }
  std::memcpy(buffer_.data() + buffered_ * record_size_, record, record_size_);
  ++buffered_;
  ++count_;
  return Status::OK();
}

Status RecordSpool::Persist() { return Flush(); }

Status RecordSpool::StartReading() {
  if (fd_.valid()) {
    Status s = Flush();
    if (!s.ok()) return s;
    std::vector<std::uint8_t>().swap(buffer_);  // reloaded on the first Read
  }
  reading_ = true;
  read_pos_ = 0;
  buffer_next_ = 0;
  read_left_ = count_;
  return Status::OK();
}

Status RecordSpool::Read(const std::uint8_t** record, bool* has) {
  if (read_left_ == 0) {
    *has = false;
    return Status::OK();
  }
  if (fd_.valid() && buffer_next_ == buffered_) {
    buffer_.resize(capacity_ * record_size_);
    std::uint64_t left_bytes = file_bytes_ - read_pos_;
    std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(left_bytes, capacity_ * record_size_));
    std::size_t got = 0;
    Status s = env_->ReadAt(fd_.get(), read_pos_, buffer_.data(), want, &got);
    if (!s.ok()) return s;
    if (got != want || got % record_size_ != 0) {
      return Status::Error(DBIERR_READERR, "sort spill file '" + path_ + "' ended early", path_);
    }
    read_pos_ += got;
    buffered_ = got / record_size_;
    buffer_next_ = 0;
  }
  *record = buffer_.data() + buffer_next_ * record_size_;
  ++buffer_next_;
  --read_left_;
  *has = true;
  return Status::OK();
}

Status RecordSpool::Discard() {
  Status result;
  if (fd_.valid()) {
    result = fd_.Close();
    Status s = env_->Unlink(path_);
    if (result.ok()) result = s;
  }
  std::vector<std::uint8_t>().swap(buffer_);
  buffered_ = 0;
  count_ = 0;
  file_bytes_ = 0;
  read_left_ = 0;
  return result;
}

}  // namespace kx::storage
