// ExternalSorter: sorts fixed-size records by their first compare_size bytes
// (memcmp) within a fixed memory budget.
//
// Records are copied into one flat arena; when the arena is full its records
// are sorted and written as a run (a RecordSpool) through the Env, and the
// arena is reused. Finish() sorts what is left; if runs were written, the
// runs are merged k ways (in several passes when there are more runs than
// the budget gives read buffers for). No allocation happens per record: the
// arena and the sort index grow geometrically up to the budget and are then
// reused. Equal records come out in no particular order, so callers make the
// compare prefix total (the index sorter appends the record number).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbase/index/record_spool.h"
#include "storage/io/env.h"

namespace kx::storage {

struct ExternalSortOptions {
  Env* env = nullptr;
  // Runs are "<prefix>.<n>"; the caller makes the prefix unique.
  std::string temp_path_prefix;
  std::size_t memory_budget = 16u << 20;
  // Test knob: most runs merged at once (0 = derived from the budget).
  std::size_t max_fan_in = 0;
  // Records the caller expects (0: unknown). When known, the arena and the
  // sort index are reserved once for that many (up to the budget), so they
  // never grow by copying, which would hold old and new buffers at once.
  std::uint64_t expected_records = 0;
};

class ExternalSorter {
 public:
  // REQUIRES: 0 < compare_size <= record_size.
  ExternalSorter(const ExternalSortOptions& options, std::size_t record_size,
                 std::size_t compare_size);
  ~ExternalSorter();  // removes any run files still present
  ExternalSorter(const ExternalSorter&) = delete;
  ExternalSorter& operator=(const ExternalSorter&) = delete;

  // Copies one record. May write a run (Env errors pass through).
  Status Add(const std::uint8_t* record);
  // Ends input and prepares the merged output.
  Status Finish();
  // The next record in order (valid until the next call), or *has = false.
  Status Next(const std::uint8_t** record, bool* has);

  std::uint64_t count() const { return count_; }
  std::size_t runs_written() const { return runs_written_; }
  std::size_t merge_passes() const { return merge_passes_; }

 private:
  struct Entry {
    std::uint64_t prefix;  // first 8 record bytes, big-endian
    std::uint32_t index;   // record slot in the arena
  };
  bool Less(const Entry& a, const Entry& b) const;
  void SortArena();
  Status SpillArena();
  std::unique_ptr<RecordSpool> NewRun();
  Status MergeInto(std::vector<std::unique_ptr<RecordSpool>>& inputs, RecordSpool* out);
  Status StartMerge(std::vector<std::unique_ptr<RecordSpool>> inputs);
  Status HeapNext(const std::uint8_t** record, bool* has);
  bool HeapLess(std::size_t a, std::size_t b) const;
  void SiftDown(std::size_t i);

  ExternalSortOptions options_;
  std::size_t record_size_;
  std::size_t compare_size_;
  std::size_t arena_capacity_;  // records per run
  std::size_t read_buffer_;     // bytes per merge input
  std::vector<std::uint8_t> arena_;
  std::vector<Entry> entries_;
  std::size_t next_entry_ = 0;  // in-memory output position
  std::vector<std::unique_ptr<RecordSpool>> runs_;
  std::uint64_t count_ = 0;
  std::size_t runs_written_ = 0;
  std::size_t merge_passes_ = 0;
  bool finished_ = false;
  // Final merge state: one current record per input, a heap of input indexes.
  std::vector<std::unique_ptr<RecordSpool>> inputs_;
  std::vector<const std::uint8_t*> heads_;
  std::vector<std::size_t> heap_;
  std::size_t pending_advance_ = SIZE_MAX;  // input whose head was last returned
};

}  // namespace kx::storage
