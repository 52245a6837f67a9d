// RewriteDbfTable: the one pipeline by which a .dbf table's family is
// rewritten, for a pack and for every restructure.
//
// Steps (storage/doc/pack_protocol.md gives the commit protocol):
//   1. refuse what must not be rewritten: index files that cannot follow
//      (dbf_index_step.h), hard-linked members;
//   2. create "<member>.~pk" temps with the members' mode and owner;
//   3. stream the records in order through a fixed buffer, dropping deleted
//      ones when packing, converting each as the plan says (character
//      transliteration, numeric text checks, memos copied into the new memo
//      file, pointers renumbered), then the header with the new count and
//      today's date, then 0x1A; sync and close each temp;
//   4. the index step (RebuildFamilyIndexes) - the hook for index rebuilds;
//   5. lock the new data temp and commit the family (io/family_commit.h),
//      removing a memo file whose name changed; adopt the new data file's
//      lock and reload the table.
// Any failure before the commit point removes the temps and leaves the old
// files untouched. No allocation happens per record: record and memo
// buffers are allocated once per rewrite.
#pragma once

#include "storage/api/table_api.h"
#include "storage/dbase/restructure_plan.h"

namespace kx::storage {

class DbfTable;

// REQUIRES: `table` open exclusively; `plan` made for it by
// PlanDbfRestructure. `packing` selects the pack's wording and progress (no
// restructure steps). On success the table is reloaded on the new files,
// still locked. `stats` must not be null.
Status RewriteDbfTable(DbfTable* table, const DbfRestructurePlan& plan, bool packing,
                       ProgressSink* progress, RestructureStats* stats);

}  // namespace kx::storage
