// CDX writer: a complete FoxPro compound compact .cdx file built bottom-up.
//
// Layout (storage/doc/indexes.md, "CDX"): the directory header at 0, the
// directory's single leaf at 1024 (tag names, blank-padded to 10, sorted,
// each pointing at its tag header), then per tag in creation order a
// 1024-byte tag header and its tree, leaves first and root last, siblings
// linked. With more than 32 tags the directory is built as a tree after
// the last tag instead. Pointers are byte offsets, so files stop at 4 GiB.
#pragma once

#include <string>
#include <vector>

#include "storage/dbase/index/index_types.h"
#include "storage/dbase/index/sorted_key_source.h"
#include "storage/io/env.h"

namespace kx::storage {

struct CdxFileOptions {
  bool structural = true;  // the table's own .cdx (directory option 0x80)
};

struct CdxTagInput {
  IndexTagDef def;
  SortedKeySource* keys = nullptr;  // CDX encoding for def.key_type
};

// Writes `path` (which must not exist). INVALIDPARAM for no tags, a tag
// name empty, longer than 10 or repeated, expressions that do not fit the
// 512-byte expression area, a source whose key length does not match, or a
// file past 4 GiB. Env codes for I/O. On failure the partial file is
// removed.
Status WriteCdxFile(Env* env, const std::string& path, const CdxFileOptions& file_options,
                    const std::vector<CdxTagInput>& tags, const IndexWriteOptions& options);

// Writes a stand-alone compact .idx: one tag, its 1024-byte header at 0 (no
// compound bit) and its tree after it. Codes as WriteCdxFile.
Status WriteIdxFile(Env* env, const std::string& path, const CdxTagInput& tag,
                    const IndexWriteOptions& options);

}  // namespace kx::storage
