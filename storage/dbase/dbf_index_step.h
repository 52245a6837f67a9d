// The index step of a table rewrite (pack or restructure): the one place
// where the new family's index files are to be rebuilt.
//
// A rewrite calls CheckIndexesCanFollow before it writes anything, and
// RebuildFamilyIndexes once the new data and memo temps are complete,
// synced and closed, just before the commit. Today no index can be rebuilt
// yet, so CheckIndexesCanFollow refuses every table that has index files
// (or the production-index flag) with DBIERR_INDEXNOTSUPPORTED (0x3002) and
// RebuildFamilyIndexes has nothing to do.
//
// To plug index rebuilding in (storage/dbase/index/): let the check accept
// the tables whose indexes can be rebuilt, and in RebuildFamilyIndexes read
// the records from `input.data_temp` (header input.new_header), write each
// index as "<index>.~pk" beside it (file_names.h: TempPathFor), sync and
// close it, record its temp in `temps` (removed on failure) and append a
// StagedMember (size, CRC) to `staged` before the removals already there;
// index files the new level does not keep (.mdx at level 25, .cdx at 3-7)
// are appended as removals (StagedMember with an empty temp path). If the
// new header must change (byte 28, descriptor index flags), rewrite those
// bytes of the data temp, sync it again and update its StagedMember's CRC.
// The collation is input.new_header.driver's (collation.h).
#pragma once

#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/dbase/dbf_header.h"
#include "storage/io/family_commit.h"

namespace kx::storage {

class DbfTable;

struct IndexStepInput {
  const DbfTable* old_table = nullptr;  // open, locked, on the old family
  const DbfHeader* new_header = nullptr;
  std::string data_temp;                // the complete new data file
  std::string memo_temp;                // the complete new memo file, or empty
};

// Before anything is written: whether the table's indexes can follow the
// rewrite. DBIERR_INDEXNOTSUPPORTED for now whenever there are any.
Status CheckIndexesCanFollow(const DbfTable& table, const std::string& what);

// After the data and memo temps are complete: rebuilds the indexes of the
// new family into temps and stages them.
Status RebuildFamilyIndexes(const IndexStepInput& input, std::vector<std::string>* temps,
                            std::vector<StagedMember>* staged);

}  // namespace kx::storage
