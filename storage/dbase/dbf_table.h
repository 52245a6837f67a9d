// DbfTable: an open dBASE/FoxPro table (the OpenTable of .dbf files).
//
// Holds the lock on the data file (io/table_lock.h) for its whole life and
// the memo file open for reading. Load checks what every later read relies
// on: a sound header, a file long enough for its record count (trailing
// bytes past the count are ignored, as other readers do), a memo file with a
// sound header. Records are streamed through a fixed buffer.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "storage/api/table_api.h"
#include "storage/dbase/dbf_family.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/memo_file.h"
#include "storage/io/table_lock.h"

namespace kx::storage {

class DbfTable : public OpenTable {
 public:
  static Status Open(Env* env, const std::string& path, ShareMode mode,
                     std::unique_ptr<DbfTable>* out);

  const TableInfo& Info() const override { return info_; }
  Status Pack(ProgressSink* progress, PackStats* stats) override;

  // Calls fn(record number from 1, record bytes incl. the flag) for every
  // record in order; stops at the first failing Status.
  using RecordFn = std::function<Status(std::uint32_t recno, const std::uint8_t* record)>;
  Status ForEachRecord(const RecordFn& fn);
  // The memo a pointer field names; *present false for a blank pointer.
  Status ReadMemoField(const std::uint8_t* record, const DbfField& field, bool* present,
                       std::string* contents);

  Env* env() const { return env_; }
  const DbfHeader& header() const { return header_; }
  const DbfFamily& family() const { return family_; }
  TableLock* lock() { return &lock_; }
  MemoSource* memo() { return family_.memo_path.empty() ? nullptr : &memo_; }
  std::uint64_t memo_size() const { return memo_.size(); }

  // Reloads header, memo and info after the files were replaced.
  Status Load();

 private:
  explicit DbfTable(Env* env) : env_(env) {}

  Env* env_;
  TableLock lock_;
  DbfHeader header_;
  DbfFamily family_;
  ScopedFd memo_fd_;
  MemoSource memo_;
  TableInfo info_;
};

// Parses the memo pointer of `field` in `record`: *block = 0 when blank.
// Anything but blanks around decimal digits is DBIERR_MEMOCORRUPT.
Status ParseMemoPointer(const std::uint8_t* record, const DbfField& field, std::uint32_t* block);
// Writes `block` into the field as right-aligned digits, blank-padded.
void FormatMemoPointer(std::uint32_t block, const DbfField& field, std::uint8_t* record);

}  // namespace kx::storage
