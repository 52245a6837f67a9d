// The engine's own extension calls, beyond the historic API: what the
// command-line tool needs to describe a table. Same rules as dbi.h: a
// result code, the last-error record on failure, no exceptions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/dbi_types.h"

namespace kx {

struct KxFieldInfo {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
};

struct KxTableInfo {
  std::string path;
  std::string driver_type;
  int level = 0;
  std::uint32_t memo_block_size = 0;  // bytes, 0 without a memo file
  std::string lang_driver;
  std::uint32_t record_count = 0;
  std::uint32_t deleted_count = 0;
  std::uint16_t record_length = 0;
  std::vector<KxFieldInfo> fields;
  std::string memo_file;
  std::vector<std::string> index_files;
  std::vector<std::string> missing_index_files;  // belong to the table but are absent
  std::uint64_t bytes = 0;
};

// Describes the table behind an open cursor.
DBIResult KxDescribeTable(hDBICur hCursor, KxTableInfo* info);

// Names index files (.ndx, .idx, .mdx, .cdx in the table's folder) that the
// application attaches to a table of the database besides those the table
// names itself. From then on opens, packs, restructures and regenerations of
// that table in this database keep them up to date. An empty list forgets
// them. A file that is not there is reported when the table is opened.
DBIResult KxSetIndexFiles(hDBIDb hDb, const char* pszTableName, const std::vector<std::string>& files);

}  // namespace kx
