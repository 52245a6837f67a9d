// TableIndexes: the index files that belong to a .dbf table.
//
// A table owns:
//   * its production index, when header byte 28 says it has one: the .mdx
//     of the table's stem (dBASE) or its structural .cdx (FoxPro). A table
//     without a memo file has version byte 0x03 at levels 3, 4 and 25, so for
//     those the other kind is accepted when the expected one is absent;
//   * every .ndx or .idx its "<stem>.inf" lists in the [dBASE] section
//     ("NDX1=NAME.NDX" lines; keys starting with NDX, any case);
//   * every index file the application names when it opens the table.
// All of them sit in the table's folder (a rename commits them); names match
// in any letter case, as tables copied from DOS and Windows mix cases. A
// stem .mdx/.cdx whose flag is clear, or a stem .ndx no .inf lists, is not
// the table's. An index that belongs but is absent is listed in `missing`:
// opening and describing still work, but a rewrite or a regeneration
// refuses with DBIERR_NOSUCHINDEX (0x220D) rather than leave it stale.
#pragma once

#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/index/index_types.h"
#include "storage/io/env.h"

namespace kx::storage {

struct TableIndexFile {
  std::string path;  // full path as the folder spells it
  IndexFormat format = IndexFormat::kNdx;
  bool production = false;  // the table's .mdx / structural .cdx (byte 28)
  bool stand_alone_idx = false;  // a FoxPro single-tag .idx (read and written as CDX nodes)
};

struct TableIndexes {
  std::vector<TableIndexFile> files;  // present, in discovery order
  std::vector<std::string> missing;   // belong to the table but absent (full paths)

  std::vector<std::string> paths() const;
  const TableIndexFile* production() const;
};

// Finds the index files of `data_path` (resolved) among `dir_entries` (its
// folder). `named` are the application's index files: absolute, or relative
// to the table's folder. Codes: DBIERR_NOSUCHINDEX for a named file that
// does not exist (context 1 names it), DBIERR_INVALIDPARAM for a named file
// outside the table's folder or of an unknown kind, Env codes reading the
// .inf.
Status FindTableIndexes(Env* env, const std::string& data_path,
                        const std::vector<std::string>& dir_entries, const DbfHeader& header,
                        const std::vector<std::string>& named, TableIndexes* out);

// The format of an index file by its extension (ndx, mdx, cdx, idx; any
// case); false for anything else.
bool IndexFormatOfPath(const std::string& path, IndexFormat* format, bool* stand_alone_idx);

// The refusal of a rewrite or regeneration when an index is missing:
// DBIERR_NOSUCHINDEX naming the file (context 1). OK when none is.
Status CheckNoIndexMissing(const TableIndexes& indexes, const std::string& table_path,
                           const std::string& what);

// Whether a rename can replace every index file: one with other hard links
// is DBIERR_HARDLINK (0x2407), one that is a symbolic link
// DBIERR_NOTSUPPORTED (the rename would replace the link, not its target).
Status CheckIndexFilesReplaceable(Env* env, const TableIndexes& indexes,
                                  const std::string& table_path);

}  // namespace kx::storage
