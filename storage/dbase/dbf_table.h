// DbfTable: an open dBASE/FoxPro table (the OpenTable of .dbf files).
//
// Holds the lock on the data file (io/table_lock.h) for its whole life and
// the memo file open for reading. Load checks what every later read relies
// on: a sound header, a file long enough for its record count (trailing
// bytes past the count are ignored, as other readers do), a memo file with a
// sound header. Load also finds the table's index files (table_indexes.h);
// it does not open them. Records are streamed through a fixed buffer.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "storage/api/table_api.h"
#include "storage/dbase/dbf_family.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/memo_file.h"
#include "storage/dbase/table_indexes.h"
#include "storage/io/table_lock.h"

namespace kx::storage {

class DbfTable : public OpenTable {
 public:
  // `count_deleted` false skips the scan that fills Info().deleted_count
  // (a pack reads every record anyway). options.index_files are the
  // application's index files.
  static Status Open(Env* env, const std::string& path, ShareMode mode,
                     std::unique_ptr<DbfTable>* out, bool count_deleted = true,
                     const OpenOptions& options = OpenOptions());

  const TableInfo& Info() const override { return info_; }
  Status Pack(ProgressSink* progress, PackStats* stats) override;
  Status Restructure(const RestructureRequest& request, ProgressSink* progress,
                     RestructureStats* stats) override;
  Status RegenIndexes(ProgressSink* progress, RegenStats* stats) override;

  // Calls fn(record number from 1, record bytes incl. the flag) -> Status
  // for every record in order; stops at the first failing Status.
  template <class Fn>
  Status ForEachRecord(Fn&& fn);
  // Reads up to `max` whole records from record `first` (0-based) into
  // buf; *n is how many. A file ending inside them is DBIERR_FILECORRUPT.
  Status ReadRecords(std::uint32_t first, std::uint32_t max, std::uint8_t* buf, std::uint32_t* n);
  // The memo a pointer field names; *present false for a blank pointer.
  Status ReadMemoField(const std::uint8_t* record, const DbfField& field, bool* present,
                       std::string* contents);

  Env* env() const { return env_; }
  const DbfHeader& header() const { return header_; }
  const DbfFamily& family() const { return family_; }
  TableLock* lock() { return &lock_; }
  MemoSource* memo() { return family_.memo_path.empty() ? nullptr : &memo_; }
  std::uint64_t memo_size() const { return memo_.size(); }
  const TableIndexes& indexes() const { return indexes_; }

  // Reloads header, memo and info after the files were replaced;
  // `known_deleted` >= 0 is taken as the deleted count instead of a scan,
  // -2 leaves it unknown (0).
  Status Load(long known_deleted = -1);

 private:
  explicit DbfTable(Env* env) : env_(env) {}

  Env* env_;
  TableLock lock_;
  DbfHeader header_;
  DbfFamily family_;
  std::vector<std::string> named_indexes_;  // OpenOptions::index_files
  TableIndexes indexes_;
  ScopedFd memo_fd_;
  MemoSource memo_;
  TableInfo info_;
};

template <class Fn>
Status DbfTable::ForEachRecord(Fn&& fn) {
  const std::size_t reclen = header_.record_length;
  const std::uint32_t per_chunk = static_cast<std::uint32_t>(
      std::max<std::size_t>(1, (std::size_t{1} << 20) / reclen));
  std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[per_chunk * reclen]);
  for (std::uint32_t done = 0; done < header_.record_count;) {
    std::uint32_t n = 0;
    Status s = ReadRecords(done, per_chunk, buf.get(), &n);
    if (!s.ok()) return s;
    for (std::uint32_t i = 0; i < n; ++i) {
      s = fn(done + i + 1, buf.get() + std::size_t{i} * reclen);
      if (!s.ok()) return s;
    }
    done += n;
  }
  return Status::OK();
}

// Parses the memo pointer of `field` in `record`: *block = 0 when blank.
// Anything but blanks around decimal digits is DBIERR_MEMOCORRUPT.
Status ParseMemoPointer(const std::uint8_t* record, const DbfField& field, std::uint32_t* block);
// Writes `block` into the field as right-aligned digits, blank-padded.
void FormatMemoPointer(std::uint32_t block, const DbfField& field, std::uint8_t* record);

}  // namespace kx::storage
