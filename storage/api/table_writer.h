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

// One index to add to an existing table.
struct IndexSpec {
  std::string tag;             // tag name, 1-10 letters, digits or _; for an .ndx/.idx unused
  std::string key_expression;  // storage/doc/expressions.md
  std::string for_expression;  // empty: every record; not for an .ndx
  bool unique = false;         // the first record of each key only
  bool descending = false;     // not for an .ndx
  // Empty: a tag of the table's production index (.mdx at levels 3-7, a
  // structural .cdx at 25), created or extended. Otherwise the name of a new
  // .ndx (or FoxPro .idx) file in the table's folder, which the table's
  // .inf then lists (an "NDXn=NAME" line, the .inf created if need be).
  std::string file;
};

// Builds the index from the table's records (TableWriter::Finish done) and
// attaches it. A production index is rebuilt whole with the new tag added;
// its file is committed crash-safely, then header byte 28 and the
// descriptors' index flags are set in place (a crash between the two leaves
// an index file the table does not claim, which the next AddIndex
// replaces). Takes the exclusive lock (busy: 0x2803). Codes:
// DBIERR_INVALIDPARAM for a bad tag name, a tag name already in the
// production index, an expression that does not compile (the message says
// where), an existing index file named in `file`, or a file name that is no
// .ndx/.idx; DBIERR_INDEXNOTSUPPORTED for a key the format cannot hold (a
// logical key in an .mdx, a character key longer than 100 bytes, 240 in a
// .cdx); DBIERR_NOSUCHINDEX when an index the table already claims is
// absent; Env codes. `progress` may be null (phases as for RegenIndexes).
Status AddIndex(Env* env, const std::string& table_path, const IndexSpec& spec,
                ProgressSink* progress = nullptr);

}  // namespace kx::storage
