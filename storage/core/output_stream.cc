// OutputStream: see output_stream.h.
#include "storage/core/output_stream.h"

#include <cstring>

#include "storage/io/crc32.h"

namespace kx::storage {

OutputStream::OutputStream(Env* env, Fd fd, std::uint64_t start)
    : env_(env), fd_(fd), start_(start), buf_(new std::uint8_t[kBufferSize]) {}

Status OutputStream::Append(const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (n > 0) {
    std::size_t take = std::min(n, kBufferSize - used_);
    std::memcpy(buf_.get() + used_, p, take);
    used_ += take;
    appended_ += take;
    p += take;
    n -= take;
    if (used_ == kBufferSize) {
      Status s = Flush();
      if (!s.ok()) return s;
    }
  }
  return Status::OK();
}

Status OutputStream::AppendFill(std::uint8_t byte, std::size_t n) {
  while (n > 0) {
    std::size_t take = std::min(n, kBufferSize - used_);
    std::memset(buf_.get() + used_, byte, take);
    used_ += take;
    appended_ += take;
    n -= take;
    if (used_ == kBufferSize) {
      Status s = Flush();
      if (!s.ok()) return s;
    }
  }
  return Status::OK();
}

Status OutputStream::Flush() {
  if (used_ == 0) return Status::OK();
  body_crc_ = Crc32Update(body_crc_, buf_.get(), used_);
  Status s = env_->WriteAt(fd_, start_ + flushed_, buf_.get(), used_);
  if (!s.ok()) return s;
  flushed_ += used_;
  used_ = 0;
  if (flushed_ - written_back_ >= kWritebackChunk) {
    env_->StartWriteback(fd_, start_ + written_back_, flushed_ - written_back_);
    written_back_ = flushed_;
  }
  return Status::OK();
}

Status OutputStream::WriteHeader(const void* data, std::size_t n) {
  header_crc_ = Crc32Update(0, data, n);
  header_written_ = true;
  return env_->WriteAt(fd_, 0, data, n);
}

std::uint32_t OutputStream::crc() const {
  // REQUIRES: flushed. The body follows the header in the file.
  return header_written_ ? Crc32Combine(header_crc_, body_crc_, flushed_) : body_crc_;
}

}  // namespace kx::storage
