// The index oracle: whether every index file of a table agrees with the
// table's records, checked from the outside through the index readers.
//
// For every tag of every index file that belongs to the table: each key in
// walk order is exactly the stored encoding of its record's key (evaluated
// from the record by the tag's own expression), keys are in index order
// (the table driver's collation for .ndx/.mdx character keys, bytes for
// .cdx, numbers numerically, record numbers ascending among equal keys,
// reversed for descending .mdx tags), and the tag holds exactly the records
// that pass its FOR condition (for a unique tag: the first record of each
// key). Deleted records are indexed like live ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"

namespace kx::storage::testing {

struct IndexCheck {
  int files = 0;
  int tags = 0;
  std::uint64_t keys = 0;
  std::string problem;  // the first disagreement; empty when all agree
  bool ok() const { return problem.empty(); }
};

// Opens the table shared (running recovery) with `options` and checks it.
IndexCheck CheckTableIndexes(const std::string& table_path, const OpenOptions& options = {});

// Every (tag name, key bytes, recno) of every index file of the table, in
// file, tag and walk order: equal lists mean the same indexes.
std::vector<std::string> IndexWalks(const std::string& table_path,
                                    const OpenOptions& options = {});

// Indexes of every kind over a table made by MakeTable: a production index
// (.mdx, or .cdx at level 25) with a character tag on UPPER(NAME), a numeric
// tag on QTY, a descending date tag, a tag with a FOR condition and a unique
// tag; with `ndx`, also BYQTY.NDX on STR(QTY,8)+NAME listed in the .inf.
std::vector<IndexSpec> TestIndexes(bool ndx);
Status AddIndexes(const std::string& table_path, const std::vector<IndexSpec>& specs);

}  // namespace kx::storage::testing
