// BuildDbfHeader: the header bytes of a new table of a given level, from its
// field list, memo presence and language driver byte (and name at level 7).
//
// Used by CreateTable and by a restructure that changes the level. The
// layout of each level is in storage/doc/dbf_format.md: version byte by level
// and memo presence; date as year - 1900 (FoxPro: year mod 100); descriptor
// byte 17 is 0 for C fields; FoxPro descriptors carry the field's offset,
// dBASE ones 0; level 7 writes the driver name at 32-63 and no
// field-properties area. Table flags (byte 28) are 0: index files are the
// index step's business. The record count is 0 until SetRecordCount.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/dbase/dbf_header.h"

namespace kx::storage {

struct DbfHeaderSpec {
  int level = 4;                 // 3, 4, 5, 7, 25
  std::vector<DbfField> fields;  // name, type, length, decimals (offsets are computed)
  bool memo_file = false;        // the table has a memo file
  std::uint8_t lang_byte = 0;    // byte 29
  std::string lang_name;         // level 7: the driver name at 32-63 (up to 31 characters)
  int year = 2000, month = 1, day = 1;
};

// Builds and parses the header. Fields must already fit the level
// (CheckFieldFitsLevel); anything else wrong is DBIERR_INVALIDPARAM.
Status BuildDbfHeader(const DbfHeaderSpec& spec, DbfHeader* out);

}  // namespace kx::storage
