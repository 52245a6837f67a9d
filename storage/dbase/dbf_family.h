// DbfFamily: the member files that belong to a .dbf table.
//
// Members sit beside the data file and share its stem; their extensions
// match in any case (CUST.DBF with cust.dbt). The memo file is ".dbt" (or
// ".fpt" for FoxPro). Index files are found by table_indexes.h.
#pragma once

#include <string>
#include <vector>

#include "storage/dbase/dbf_header.h"
#include "storage/io/env.h"

namespace kx::storage {

struct DbfFamily {
  std::string memo_path;                 // empty when the table has no memo file
  std::vector<std::string> index_paths;  // full paths (table_indexes.h fills them)
};

// Finds the members of `data_path` among `dir_entries` (its directory).
// A memo kind with no memo file gives DBIERR_NOMEMOFILE.
Status FindDbfFamily(Env* env, const std::string& data_path,
                     const std::vector<std::string>& dir_entries, MemoKind memo_kind,
                     DbfFamily* out);

}  // namespace kx::storage
