// DbfLevel: what each dBASE-family table level holds on disk, and the check
// that a field fits a level.
//
// Levels are the engine's numbers: 3 (dBASE III PLUS), 4 (dBASE IV), 5
// (dBASE 5, the level-4 layout plus B and G fields), 7 (dBASE 7: 68-byte
// header, 48-byte descriptors) and 25 (FoxPro 2.x). The table of types and
// widths is in storage/doc/dbf_format.md ("Levels"). The rules are fixed data
// that live for the whole process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/api/status.h"
#include "storage/dbase/dbf_header.h"

namespace kx::storage {

struct DbfLevel {
  int level;
  bool foxpro;
  std::size_t prefix_size;      // bytes before the first descriptor
  std::size_t descriptor_size;  // bytes per field descriptor
  std::size_t max_fields;
  std::size_t max_name;         // longest field name
  std::uint32_t max_record_length;
  MemoKind memo_kind;           // the memo file a table of the level has
  std::uint8_t version_plain;   // byte 0 without a memo file
  std::uint8_t version_memo;    // byte 0 with one
  bool year_mod_100;            // date byte 1: year mod 100, else year - 1900
};

// The rules of a level, or null when `level` is not 3, 4, 5, 7 or 25.
const DbfLevel* FindDbfLevel(int level);

// Whether a field of `type` holds a memo block pointer at a level of this
// family: M, G, P, and B outside FoxPro (where B is a double).
bool IsMemoFieldType(char type, bool foxpro);

// Longest width of `type` at `level`; 0 when the level has no such type.
// Fixed-width types (D, L, memo pointers, I, +, O, @) give their width.
int MaxFieldWidth(int level, char type);
// True for the types whose width is fixed (D 8, L 1, memos 10, I/+ 4, O/@ 8).
bool HasFixedWidth(char type);

// DBIERR_CANNOTCONVERT, naming the field, when `field` cannot be a field of
// a table of `level`: a type the level lacks, a width or decimal count it
// cannot hold, a name too long. OK otherwise.
Status CheckFieldFitsLevel(const DbfField& field, int level);

}  // namespace kx::storage
