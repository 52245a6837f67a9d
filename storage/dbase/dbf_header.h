// DbfHeader: the .dbf file header and field descriptors, parsed and checked.
//
// Levels 3, 4, 5 (32-byte header and descriptors), 7 (68-byte header, 48-byte
// descriptors, optional field-properties area kept verbatim) and FoxPro 2.x
// (level 25). Byte layouts are in storage/doc/dbf_format.md. The raw header
// bytes are kept so that a rewrite changes only what it must (count, date,
// the transaction byte).
//
// Parse never trusts a length it has not checked against the bytes it was
// given: a truncated or inconsistent header is DBIERR_HEADERCORRUPT, an
// encrypted table DBIERR_ENCRYPTED, a known but unsupported kind
// (dBASE II, Visual FoxPro) DBIERR_NOTSUPPORTED.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/status.h"

namespace kx::storage {

struct LangDriver;  // storage/core/lang/lang_driver.h

enum class MemoKind { kNone, kDbt3, kDbt4, kFpt };

struct DbfField {
  std::string name;
  char type = 'C';
  std::uint16_t length = 0;
  std::uint8_t decimals = 0;
  std::uint32_t offset = 0;  // within the record; 1 is the first byte after the flag
  bool is_memo = false;      // holds a memo block pointer
};

struct DbfHeader {
  static constexpr std::size_t kPrefixSize = 32;
  static constexpr std::uint8_t kTerminator = 0x0D;
  static constexpr std::uint8_t kEof = 0x1A;
  static constexpr std::uint8_t kDeleted = '*';

  std::uint8_t version = 0;
  int level = 0;  // 3, 4, 5 (level-4 layout with B or G fields), 7, 25
  bool foxpro = false;
  MemoKind memo_kind = MemoKind::kNone;
  std::uint32_t record_count = 0;
  std::uint16_t header_length = 0;
  std::uint16_t record_length = 0;
  std::uint8_t table_flags = 0;  // byte 28; bit 0: production index
  std::uint8_t ldid = 0;         // byte 29
  const LangDriver* driver = nullptr;  // the recorded driver, null when none or unknown
  std::string lang_driver;       // its name, empty when none or unknown
  std::vector<DbfField> fields;
  std::vector<std::uint8_t> raw;  // bytes [0, header_length)

  // Reads the header length from the first kPrefixSize bytes.
  static Status PeekHeaderLength(const std::uint8_t* prefix, std::size_t n,
                                 std::uint16_t* header_length);
  // `bytes` holds the whole header (n == header length from the prefix).
  Status Parse(const std::uint8_t* bytes, std::size_t n);

  bool has_memo_fields() const;
  bool production_index() const { return (table_flags & 0x01) != 0; }
  std::uint64_t data_end() const {
    return header_length + static_cast<std::uint64_t>(record_count) * record_length;
  }
  // Edits of `raw` for a rewrite.
  void SetRecordCount(std::uint32_t count);
  void SetUpdateDate(int year, int month, int day);
  void ClearTransactionFlag();
  // Byte 29 and, at level 7, the driver name at 32-63 (NUL-padded).
  void SetLangDriver(std::uint8_t byte29, const std::string& level7_name);
};

}  // namespace kx::storage
