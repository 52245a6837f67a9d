// DbfRestructurePlan: what a restructure of an open .dbf table will write,
// decided and checked before any file is touched.
//
// PlanDbfRestructure reads the request (property name, value, pack switch),
// checks it against the table and works out the new header, the new memo
// file (kind, block size, name, the old one it replaces) and what happens to
// each field of every record. Every refusal that the request or the table's
// structure makes certain is returned here, so the rewrite that follows can
// only fail on data (a value or character that does not convert, corrupt
// memos) or I/O. Fields map one to one and keep their widths and offsets;
// only the record length may shrink, when the old records carried bytes
// past their last field. The rules are documented at Restructure in
// storage/api/table_api.h and in storage/doc/dbf_format.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/table_api.h"
#include "storage/dbase/dbf_header.h"

namespace kx::storage {

class DbfTable;
class Transliteration;

enum class FieldAction : std::uint8_t {
  kCopy,         // bytes as they are
  kText,         // character bytes transliterated
  kNumericText,  // bytes as they are, checked to be plain decimal text (F to N)
  kMemo,         // block pointer: the memo is copied to the new memo file
};

struct FieldMove {
  std::size_t field = 0;  // index in both headers
  FieldAction action = FieldAction::kCopy;
  bool memo_text = false;        // kMemo: the contents are text (transliterated)
  std::uint32_t fpt_type = 1;    // kMemo into an .fpt: block type (1 text, 2 object, 0 binary)
};

struct DbfRestructurePlan {
  bool pack = false;
  bool level_change = false;
  std::string summary;         // "level 4 to 7", "pack", ... for messages
  DbfHeader target;            // the new header; count and date are set when written
  std::vector<FieldMove> moves;  // only fields that need more than a copy
  const Transliteration* text = nullptr;  // null when character data stays as it is

  MemoKind memo_kind = MemoKind::kNone;  // the new memo file, kNone: none
  std::uint32_t memo_block_size = 0;
  bool memo_verbatim = false;  // memo blocks copied as they are
  std::vector<std::uint8_t> memo_header;  // header region of the new memo file
  std::string memo_path;       // its final path
  std::string memo_removed;    // the old memo file when the new one has another name

  int level_before = 0, level_after = 0;
  std::string lang_before, lang_after;
  std::uint32_t block_size_before = 0;
};

// REQUIRES: `table` open (the plan reads its header, memo file and folder).
// Codes: DBIERR_INVALIDOPTPARAM, DBIERR_INVALIDVALUE, DBIERR_INVALIDLANGDRV,
// DBIERR_NOTSUPPORTED, DBIERR_CANNOTCONVERT, DBIERR_RECTOOBIG, and
// DBIERR_WRITEERR when a file unrelated to the table holds the name of the
// new memo file.
Status PlanDbfRestructure(DbfTable* table, const RestructureRequest& request,
                          DbfRestructurePlan* out);

}  // namespace kx::storage
