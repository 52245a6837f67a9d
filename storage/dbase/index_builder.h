// BuildIndexTemps: every planned index file of a table rebuilt from one
// sequential pass over its data file, each written to a temp ready for the
// family commit.
//
// The pass reads the records in large chunks and, for every tag, evaluates
// FOR and key and hands the key to the tag's TagKeySorter; deleted records
// are indexed like the others (dBASE and FoxPro keep them in their indexes;
// a pack has removed them already). The sorters share one memory budget
// (kIndexSortBudget, split evenly, spilling sorted runs as scratch files of
// the table), so memory stays bounded whatever the table's size. Then each
// file is written by its format's writer to its temp: "<index>.~pk", or a
// scratch name "T.~pk.<n>" for an index named apart from the table; each
// temp is synced and closed, and its size and CRC-32C recorded for the
// commit. Every temp and scratch file is removed when a step fails, and
// recovery (file_names.h) removes them after a crash.
//
// Progress: one phase per tag, in plan order ("Rebuilding index NAME of
// FILE"), with whole percents. The first phase also covers the pass over the
// records (its first half); each tag's phase covers writing its keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/table_api.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/index_plan.h"
#include "storage/io/env.h"
#include "storage/io/family_commit.h"

namespace kx::storage {

// What all sorters of one rebuild may hold together; the peak of the whole
// process stays well below 64 MiB with it.
constexpr std::size_t kIndexSortBudget = 32u << 20;

struct IndexBuildJob {
  Env* env = nullptr;
  std::string table_path;          // final data path: names temps and scratch files
  const DbfHeader* header = nullptr;  // the records' layout
  Fd data_fd = kNoFd;              // the data file to read, from byte 0
  std::uint64_t data_size = 0;     // its size in bytes
  // When not null, the CRC-32C of the data file as it will be once its
  // header is replaced by these bytes (same length) is computed on the way.
  const std::vector<std::uint8_t>* new_header = nullptr;
  ProgressSink* progress = nullptr;
  std::uint32_t file_mode = 0644;  // for index files that had none before
  std::size_t memory_budget = kIndexSortBudget;
};

struct IndexBuildResult {
  std::vector<StagedMember> staged;  // one per planned file, in plan order
  std::uint32_t data_crc = 0;        // when job.new_header was given
  std::uint64_t keys = 0;            // keys written, all tags
};

// Tests: every later rebuild in this process gives each tag's sorter
// exactly `bytes` (so that small tables spill sorted runs); 0 restores the
// shared budget.
void SetIndexSortBudgetForTesting(std::size_t bytes);

// REQUIRES: the plan made for job.header. Appends every temp it creates to
// `temps` (the caller removes them if it fails later). Codes: Env codes,
// DBIERR_FILECORRUPT when the data file is shorter than its records, the
// writers' codes.
Status BuildIndexTemps(const IndexBuildJob& job, IndexPlan* plan, std::vector<std::string>* temps,
                       IndexBuildResult* out);

}  // namespace kx::storage
