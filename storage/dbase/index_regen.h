// RegenDbfIndexes: the index regeneration of an open .dbf table
// (RegenIndexes in storage/api/table_api.h).
//
// Steps: refuse what cannot be rebuilt (an index that belongs but is absent,
// a linked index file, definitions that cannot be read or evaluated);
// plan the files (index_plan.h) against the table's own header; one pass
// over the records and a temp per file (index_builder.h); commit the temps
// as one family (io/family_commit.h), whose intent names only the index
// files: data and memo are never touched. Any failure before the commit
// point removes the temps and leaves every file as it was.
#pragma once

#include "storage/api/table_api.h"

namespace kx::storage {

class DbfTable;

// REQUIRES: `table` open exclusively; `stats` not null. On success the
// table is reloaded (Info() counts the new index bytes), still locked.
Status RegenDbfIndexes(DbfTable* table, ProgressSink* progress, RegenStats* stats);

}  // namespace kx::storage
