// RecordSpool: an append-then-read sequence of fixed-size records that stays
// in memory up to a buffer size and continues in a temporary file beyond it.
//
// Used for the sorter's runs and for the (key, page) lists between index
// tree levels. The file, if one was needed, is created through the Env at the
// path given (mode 0600; a file already there, left by an interrupted build,
// is replaced) and removed by Discard() or the destructor. Records are read back once, in append order. Memory use is the
// buffer (rounded down to whole records, at least one record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/io/env.h"

namespace kx::storage {

class RecordSpool {
 public:
  RecordSpool(Env* env, std::string path, std::size_t record_size, std::size_t buffer_bytes);
  ~RecordSpool();
  RecordSpool(const RecordSpool&) = delete;
  RecordSpool& operator=(const RecordSpool&) = delete;

  // Copies record_size bytes. Fails with the Env's code when the spill
  // file cannot be created or written.
  Status Append(const std::uint8_t* record);
  // Writes what the buffer holds to the file, creating it if need be, so
  // that the records no longer take memory once reading starts.
  Status Persist();
  // Ends appending; the next Read returns the first record.
  Status StartReading();
  // *record points to the next record (valid until the next call), or
  // *has is false at the end.
  Status Read(const std::uint8_t** record, bool* has);

  std::uint64_t count() const { return count_; }
  std::size_t record_size() const { return record_size_; }
  bool spilled() const { return fd_.valid(); }
  // Closes and removes the file; the spool is empty afterwards.
  Status Discard();

 private:
  Status Flush();

  Env* env_;
  std::string path_;
  std::size_t record_size_;
  std::size_t capacity_;  // records the buffer holds
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0;   // records in buffer_
  std::uint64_t count_ = 0;
  std::uint64_t file_bytes_ = 0;
  ScopedFd fd_;
  bool reading_ = false;
  std::uint64_t read_pos_ = 0;      // next file offset to load
  std::size_t buffer_next_ = 0;     // next record in buffer_ when reading
  std::uint64_t read_left_ = 0;     // records not yet returned
};

}  // namespace kx::storage
