// The index step of a table rewrite (pack or restructure): the one place
// where the new family's index files are rebuilt.
//
// A rewrite calls CheckIndexesCanFollow before it writes anything, and
// RebuildFamilyIndexes once the new data and memo temps are complete,
// synced and closed, just before the commit. The check refuses a table
// with an index that belongs to it but is absent (DBIERR_NOSUCHINDEX), a
// linked index file, or index definitions that cannot be read or evaluated
// against the table (the rebuild would fail). RebuildFamilyIndexes plans
// every index of the table for the new header (index_plan.h: the production
// index follows the level, character tags sort by the new driver), reads
// the new data temp once and writes each index to its temp
// (index_builder.h), appends them to `staged` and `temps`, and appends a
// removal for a production index whose format the new level drops. When
// the new header must say so (byte 28, descriptor index flags), it rewrites
// those bytes of the data temp, syncs it and updates its StagedMember's
// CRC (computed during the same pass). Any failure leaves the caller to
// remove the temps, as for its own.
#pragma once

#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/api/table_api.h"
#include "storage/dbase/dbf_header.h"
#include "storage/io/family_commit.h"

namespace kx::storage {

class DbfTable;

struct IndexStepInput {
  const DbfTable* old_table = nullptr;  // open, locked, on the old family
  const DbfHeader* new_header = nullptr;  // as written at the start of the data temp
  std::string data_temp;                // the complete new data file
  std::string memo_temp;                // the complete new memo file, or empty
  ProgressSink* progress = nullptr;     // a phase per index tag
};

// Before anything is written: whether the table's indexes can follow the
// rewrite. `what` ("pack", "restructure") words the refusal.
Status CheckIndexesCanFollow(const DbfTable& table, const std::string& what);

// After the data and memo temps are complete: rebuilds the indexes of the
// new family into temps and stages them (replacements, then removals).
Status RebuildFamilyIndexes(const IndexStepInput& input, std::vector<std::string>* temps,
                            std::vector<StagedMember>* staged);

}  // namespace kx::storage
