// TableWriter: creates a new dBASE/FoxPro table and appends records to it.
//
// For tests, the demo, the benchmark and tools/gentable. It writes a fresh
// table in one pass (data and memo through large buffers) and is not a
// crash-safe update path: the files are created with O_EXCL (an existing
// table is never overwritten, DBIERR_WRITEERR/EEXIST) and are complete only
// after Finish, which syncs them and their directory. Every level (3, 4, 5,
// 7, 25) with every field type the level has (storage/doc/dbf_format.md,
// "Levels").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/api/table_api.h"

namespace kx::storage {

struct TableLayout {
  int level = 4;                      // 3, 4, 5, 7 or 25 (FoxPro 2.x)
  // Types of the level: C N F D L M at every level but F at 3; B G at 5
  // and 7; G P at 25; I + O @ at 7. Fixed widths (D 8, L 1, memos 10,
  // I/+ 4, O/@ 8) are filled in; C 1-254, N/F 1-20 (N 1-19 at level 3).
  std::vector<FieldInfo> fields;
  std::uint32_t memo_block_size = 0;  // 0: 512 (dBASE), 64 (FoxPro); level 3 is always 512
  // The language driver, by catalogue name; empty: DBWINUS0 (at level 3
  // recorded as 0, as engine-made tables have it). Level 7 records the name
  // too. A driver the level cannot take is DBIERR_INVALIDLANGDRV.
  std::string lang_driver;
  int ldid = -1;                      // >= 0: byte 29 exactly as given, overriding lang_driver
};

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // Appends one record. values[i] is field i's text:
  //   C left-aligned and blank-padded; N/F right-aligned; D "YYYYMMDD" (or
  //   empty); L one letter; M, B, G, P the memo's bytes (empty: no memo);
  //   I and + a decimal integer; O a decimal number; @ "YYYYMMDDhhmmss" with
  //   optional ".mmm". Empty I, +, O, @ values are written as zero bytes.
  // A value wider than its field or not of its type is DBIERR_INVALIDPARAM.
  // `deleted` writes the '*' flag.
  virtual Status Append(const std::vector<std::string>& values, bool deleted) = 0;
  // Writes the header (with the next value of + fields), the 0x1A end mark
  // and the memo header; syncs.
  virtual Status Finish() = 0;
};

// Creates `path` (a .dbf; the memo file beside it when a field is a memo).
// Invalid layouts (unknown level, type not allowed at the level, bad length,
// name too long for the level) are DBIERR_INVALIDPARAM.
Status CreateTable(Env* env, const std::string& path, const TableLayout& layout,
                   std::unique_ptr<TableWriter>* out);

}  // namespace kx::storage
