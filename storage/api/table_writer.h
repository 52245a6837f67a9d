// TableWriter: creates a new dBASE/FoxPro table and appends records to it.
//
// For tests, the demo, the benchmark and tools/gentable. It writes a fresh
// table in one pass (data and memo through large buffers) and is not a
// crash-safe update path: the files are created with O_EXCL (an existing
// table is never overwritten, DBIERR_WRITEERR/EEXIST) and are complete only
// after Finish, which syncs them and their directory. Levels 3, 4 and 25.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/api/table_api.h"

namespace kx::storage {

struct TableLayout {
  int level = 4;                      // 3, 4 or 25 (FoxPro 2.x)
  std::vector<FieldInfo> fields;      // types C N F D L M; M gets length 10
  std::uint32_t memo_block_size = 0;  // 0: 512 (dBASE), 64 (FoxPro); level 3 is always 512
  int ldid = -1;                      // byte 29; -1: 0 at level 3, 0x57 at 4, 0x03 at 25
};

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // Appends one record. values[i] is field i's text: C left-aligned and
  // blank-padded, N/F right-aligned, D "YYYYMMDD" (or empty), L one letter,
  // M the memo's contents (empty: no memo). A value wider than its field
  // is DBIERR_INVALIDPARAM. `deleted` writes the '*' flag.
  virtual Status Append(const std::vector<std::string>& values, bool deleted) = 0;
  // Writes the header, the 0x1A end mark and the memo header; syncs.
  virtual Status Finish() = 0;
};

// Creates `path` (a .dbf; the memo file beside it when a field is M).
// Invalid layouts (unknown level, type not allowed at the level, bad length,
// name longer than 10) are DBIERR_INVALIDPARAM.
Status CreateTable(Env* env, const std::string& path, const TableLayout& layout,
                   std::unique_ptr<TableWriter>* out);

}  // namespace kx::storage
