// PackDbfTable: the pack of an open .dbf table (levels 3, 4, 5, 7, 25).
//
// A pack is the rewrite (dbf_rewriter.h) that changes nothing but drops the
// deleted records: the live records stream in order into "<table>.~pk",
// their memos into a fresh "<memo>.~pk" of the same kind and block size
// (pointers rewritten), the header keeps every byte but the count, the date
// and the transaction byte (the level-7 properties area included), and both
// files are committed crash-safely (io/family_commit.h). Refuses before
// writing anything: a table with index files (DBIERR_INDEXNOTSUPPORTED), a
// hard-linked member (DBIERR_HARDLINK). A corrupt memo found while copying
// abandons the temps: the table is never rewritten from corrupt data.
#pragma once

#include "storage/api/table_api.h"

namespace kx::storage {

class DbfTable;

// REQUIRES: `table` open exclusively. On success the table is reloaded on
// the new files, still locked.
Status PackDbfTable(DbfTable* table, ProgressSink* progress, PackStats* stats);

// The restructure of an open table (Restructure in table_api.h).
// REQUIRES: `table` open exclusively.
Status RestructureDbfTable(DbfTable* table, const RestructureRequest& request,
                           ProgressSink* progress, RestructureStats* stats);

}  // namespace kx::storage
