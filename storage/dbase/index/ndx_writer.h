// NDX writer: a complete single-key .ndx file built bottom-up.
//
// Layout as dBASE's own bulk build leaves it: 512-byte pages, page 0 the
// header, full leaves from page 1 in key order, then each interior level,
// the root written last (storage/doc/indexes.md, "NDX"). An empty source
// gives one empty leaf as the root. Character, numeric and date tags only;
// NDX has no descending order and no FOR clause.
#pragma once

#include <string>

#include "storage/dbase/index/index_types.h"
#include "storage/dbase/index/sorted_key_source.h"
#include "storage/io/env.h"

namespace kx::storage {

// Writes `path` (which must not exist) from the keys of `keys`, whose
// encoding must be NDX's for def.key_type. Returns Env codes for I/O
// failures, INVALIDPARAM for a tag NDX cannot hold (expression longer than
// 487 bytes, a FOR clause) and INDEXNOTSUPPORTED for logical, integer or
// descending keys. On failure the partial file is removed.
Status WriteNdxFile(Env* env, const std::string& path, const IndexTagDef& def,
                    SortedKeySource* keys, const IndexWriteOptions& options);

}  // namespace kx::storage
