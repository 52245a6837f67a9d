// IndexPlan: the index files a table will have after a rebuild, with every
// tag's key and FOR expression compiled against the record layout they
// will be evaluated on.
//
// PlanTableIndexes reads only the definitions of the existing files (file
// header, tag table, tag headers): a damaged tree does not matter, it is
// what a rebuild replaces. A file whose definitions cannot be read gives
// its reader's code (DBIERR_INDEXCORRUPT for a damaged header). Files keep
// their names and formats, except the production index, which follows the
// table's level (storage/doc/index_maintenance.md, "Level changes"): an
// .mdx at dBASE levels 3 to 7, a structural .cdx at level 25; the file of
// the other format is then removed in the same commit. Character tags of
// .ndx and .mdx files sort by the table's language driver, .cdx and .idx
// tags in machine (binary) order, which is what their headers declare. A
// file without tags indexes nothing and is left out of the plan (a
// production one then loses its claim: HeaderBytesForPlan clears byte 28).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/core/lang/collation.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/expr/key_expr.h"
#include "storage/dbase/index/index_types.h"
#include "storage/dbase/table_indexes.h"
#include "storage/io/env.h"

namespace kx::storage {

struct PlannedTag {
  IndexTagDef def;                  // key type and length from the compiled key
  std::unique_ptr<KeyExpr> key;
  std::unique_ptr<KeyExpr> filter;  // null without FOR
  int number_field = -1;  // MDX numeric tag on one N/F field: that field (keys from its text)
};

struct PlannedIndexFile {
  std::string source_path;  // the existing file it rebuilds; empty for a new one
  std::string final_path;
  IndexFormat format = IndexFormat::kMdx;
  bool production = false;
  bool stand_alone_idx = false;
  std::size_t mdx_block_bytes = 1024;
  std::vector<PlannedTag> tags;
};

struct IndexPlan {
  std::vector<PlannedIndexFile> files;
  std::vector<std::string> removed;  // existing files the new family drops
  const Collation* collation = nullptr;  // the table's driver, for .ndx/.mdx character keys

  std::size_t tag_count() const;
  const PlannedIndexFile* production() const;
};

// Plans the rebuild of `indexes` (which must have nothing missing) of a
// table of header `source` whose records will have the layout and driver of
// `target` (the same header for a pack or a regeneration); `table_path` is
// the data file's final path. The production index changes format only
// when the level changes. Refusals, before anything is
// written: a key or FOR expression that does not compile against the
// fields, or a tag the target format cannot hold (a logical key in an .mdx,
// more than 47 tags, a key too long), are DBIERR_INDEXNOTSUPPORTED naming
// file and tag (context 1 the index file).
Status PlanTableIndexes(Env* env, const TableIndexes& indexes, const std::string& table_path,
                        const DbfHeader& source, const DbfHeader& target, IndexPlan* out);

// Compiles one tag for `format` against `header`'s fields: fills the key
// type and length of def. `def.name`, expressions, unique and descending
// are taken as given. DBIERR_INVALIDPARAM for an expression that does not
// compile, DBIERR_INDEXNOTSUPPORTED for a key the format cannot hold.
Status PlanTag(const IndexTagDef& def, IndexFormat format, const DbfHeader& header,
               PlannedTag* out);

// The collation a table of `header` sorts .ndx/.mdx character keys by: its
// driver's, DBWINUS0's (binary) when none is recorded or known.
const Collation& TableCollation(const DbfHeader& header);

// The data file's header bytes as the plan needs them: byte 28 bit 0 set
// exactly when a production index is planned and, when it is an .mdx, each
// descriptor's production-index flag (byte 31; 37 at level 7) set for the
// fields that are the whole key of one of its tags and cleared for the
// others. Equal to header.raw when nothing needs to change.
std::vector<std::uint8_t> HeaderBytesForPlan(const DbfHeader& header, const IndexPlan& plan);

// "T.MDX" / "t.cdx": the production index name of `table_path` in `format`,
// its extension in the letter case of the data file's.
std::string ProductionIndexPath(const std::string& table_path, IndexFormat format);

}  // namespace kx::storage
