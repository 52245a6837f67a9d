// File plumbing shared by the index writers and readers.
//
// IndexOutputFile creates the new file (it must not exist), and on Commit()
// writes any header bytes, fsyncs when asked and closes, reporting close's
// own error. If it is destroyed without a successful Commit() it closes and
// removes the partial file, so a failed build leaves nothing behind.
// IndexInputFile reads whole pages and turns a short read into an
// index-corrupt Status naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/dbase/index/index_types.h"
#include "storage/io/env.h"

namespace kx::storage {

class IndexOutputFile {
 public:
  IndexOutputFile(Env* env, std::string path) : env_(env), path_(std::move(path)) {}
  ~IndexOutputFile();
  IndexOutputFile(const IndexOutputFile&) = delete;
  IndexOutputFile& operator=(const IndexOutputFile&) = delete;

  Status Create(std::uint32_t mode);
  Status WriteAt(std::uint64_t pos, const void* data, std::size_t n);
  // Sets the file length (the writers end files on a page boundary).
  Status Truncate(std::uint64_t size);
  Status Commit(bool sync);

  Fd fd() const { return fd_.get(); }
  Env* env() const { return env_; }
  const std::string& path() const { return path_; }
  // "<path>.~lv" unless the options name a prefix.
  std::string TempPrefix(const IndexWriteOptions& options) const;

 private:
  Env* env_;
  std::string path_;
  ScopedFd fd_;
  bool committed_ = false;
};

class IndexInputFile {
 public:
  IndexInputFile(Env* env, std::string path) : env_(env), path_(std::move(path)) {}

  // Opens read-only and learns the size.
  Status Open();
  // Reads exactly n bytes at pos; anything past the end is corrupt.
  Status Read(std::uint64_t pos, void* buf, std::size_t n);
  std::uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  Status Corrupt(const std::string& what) const { return IndexCorrupt(path_, what); }

 private:
  Env* env_;
  std::string path_;
  ScopedFd fd_;
  std::uint64_t size_ = 0;
};

// Little-endian and big-endian field access for on-disk structures.
inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
inline std::uint32_t Get32BE(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}
inline void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put32BE(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

}  // namespace kx::storage
