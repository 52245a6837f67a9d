// OutputStream: buffered, sequential writing of a new file through the Env,
// keeping the CRC-32 of everything appended.
//
// Appends go to a large buffer and reach the file in big writes starting at
// `start`; bytes before `start` (a header written last) are the caller's
// business: WriteHeader puts them at offset 0 and folds them into the CRC,
// so crc() is the checksum of the whole file in file order. Every
// kWritebackChunk bytes written, the stream asks the Env to start writing
// them back (Env::StartWriteback), so that the disk works while the
// rewrite goes on and the caller's final Sync has only the tail left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "storage/io/env.h"

namespace kx::storage {

class OutputStream {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;
  static constexpr std::uint64_t kWritebackChunk = std::uint64_t{4} << 20;

  OutputStream(Env* env, Fd fd, std::uint64_t start);

  Status Append(const void* data, std::size_t n);
  Status AppendFill(std::uint8_t byte, std::size_t n);
  Status Flush();
  // Writes `n` header bytes at offset 0. REQUIRES: n == start.
  Status WriteHeader(const void* data, std::size_t n);

  std::uint64_t end() const { return start_ + appended_; }  // file size so far
  std::uint32_t crc() const;

 private:
  Env* env_;
  Fd fd_;
  std::uint64_t start_;
  std::uint64_t appended_ = 0;  // bytes appended (buffered or written)
  std::uint64_t flushed_ = 0;
  std::uint64_t written_back_ = 0;  // bytes handed to StartWriteback
  std::uint32_t body_crc_ = 0;
  std::uint32_t header_crc_ = 0;
  bool header_written_ = false;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t used_ = 0;
};

}  // namespace kx::storage
