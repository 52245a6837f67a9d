// MDX writer: a complete multiple-tag .mdx file built bottom-up.
//
// Layout (storage/doc/indexes.md, "MDX"): pages 0-3 hold the file header and
// the 48-slot tag table (slot 0 is the table's own entry, tags use 1..47,
// threaded as a binary search tree by name in creation order); then one tag
// header per tag (a 1024-byte header takes two 512-byte blocks when blocks
// are that small); then each tag's tree, leaves first and root last. All
// pointers are 512-byte page numbers; a node is one block.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "storage/dbase/index/index_types.h"
#include "storage/dbase/index/sorted_key_source.h"
#include "storage/io/env.h"

namespace kx::storage {

struct MdxFileOptions {
  std::string table_name;          // base name of the .dbf, stored upper-cased (max 16)
  bool production = true;          // header byte 24
  std::size_t block_bytes = 1024;  // a multiple of 512, 512..16384
};

struct MdxTagInput {
  IndexTagDef def;
  SortedKeySource* keys = nullptr;  // MDX encoding for def.key_type
};

// Writes `path` (which must not exist). INVALIDPARAM for a bad block size,
// 0 or more than 47 tags, a tag name empty, longer than 10 or repeated, an
// expression longer than 220 bytes, or a source whose key length does not
// match; INDEXNOTSUPPORTED for logical or integer keys. Env codes for I/O.
// On failure the partial file is removed.
Status WriteMdxFile(Env* env, const std::string& path, const MdxFileOptions& file_options,
                    const std::vector<MdxTagInput>& tags, const IndexWriteOptions& options);

}  // namespace kx::storage
