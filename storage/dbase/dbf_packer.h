// PackDbfTable: the pack of an open .dbf table (levels 3, 4, 7, 25).
//
// Streams the live records (flag other than '*') in order into
// "<table>.~pk", copies their memos into a fresh "<memo>.~pk" of the same
// kind and block size (rewriting the pointers), writes the header with the
// new count and today's date (every other header byte verbatim, the level-7
// properties area included), ends with 0x1A, and commits both files
// crash-safely (io/family_commit.h). Refuses before writing anything: a
// table with index files (DBIERR_INDEXNOTSUPPORTED), a hard-linked member
// (DBIERR_HARDLINK). A corrupt memo found while copying abandons the temps:
// the table is never rewritten from corrupt data.
#pragma once

#include "storage/api/table_api.h"

namespace kx::storage {

class DbfTable;

// REQUIRES: `table` open exclusively. On success the table is reloaded on
// the new files, still locked.
Status PackDbfTable(DbfTable* table, ProgressSink* progress, PackStats* stats);

}  // namespace kx::storage
