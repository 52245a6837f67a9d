// DbfHeader parsing: see dbf_header.h and storage/doc/dbf_format.md.
#include "storage/dbase/dbf_header.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/core/byte_order.h"
#include "storage/core/lang/lang_driver.h"

namespace kx::storage {
namespace {

Status Corrupt(const std::string& why) {
  return Status::Error(DBIERR_HEADERCORRUPT, "table header corrupt: " + why);
}

bool IsMemoType(char t, bool foxpro) {
  return t == 'M' || t == 'G' || t == 'P' || (!foxpro && t == 'B');
}

bool IsTypeLetter(std::uint8_t c) { return c > 0x20 && c < 0x7F; }

}  // namespace

Status DbfHeader::PeekHeaderLength(const std::uint8_t* prefix, std::size_t n,
                                   std::uint16_t* header_length) {
  if (n < kPrefixSize) return Corrupt("file shorter than a header");
  *header_length = GetLe16(prefix + 8);
  if (*header_length < kPrefixSize + 1) return Corrupt("header length too small");
  return Status::OK();
}

Status DbfHeader::Parse(const std::uint8_t* b, std::size_t n) {
  if (n < kPrefixSize) return Corrupt("file shorter than a header");
  version = b[0];
  ldid = b[29];
  table_flags = b[28];
  record_count = GetLe32(b + 4);
  header_length = GetLe16(b + 8);
  record_length = GetLe16(b + 10);
  if (header_length != n) return Corrupt("header length disagrees with the bytes read");

  std::size_t desc_start = 32, desc_size = 32;
  switch (version) {
    case 0x03:
      memo_kind = MemoKind::kNone;
      // No memo file: byte 29 tells the levels apart as far as it can
      // (0: level 3; a dBASE id: 4; a FoxPro mark or id: FoxPro).
      if (ldid == 0 || FindLangDriverByLdid(ldid) != nullptr ||
          FindLangDriverByFoxProMark(ldid) == nullptr) {
        level = ldid == 0 ? 3 : 4;
      } else {
        level = 25;
        foxpro = true;
      }
      break;
    case 0x83: level = 3; memo_kind = MemoKind::kDbt3; break;
    case 0x8B: level = 4; memo_kind = MemoKind::kDbt4; break;
    case 0x04: level = 7; memo_kind = MemoKind::kNone; break;
    case 0x8C: level = 7; memo_kind = MemoKind::kDbt4; break;
    case 0xF5: level = 25; memo_kind = MemoKind::kFpt; foxpro = true; break;
    case 0x02: case 0x05: case 0x30: case 0x31: case 0x32: case 0x43: case 0x63:
    case 0x7B: case 0xB3: case 0xCB: case 0xE5: case 0xFB:
      return Status::Error(DBIERR_NOTSUPPORTED,
                           "table kind not supported (version byte " + std::to_string(version) + ")");
    default:
      return Corrupt("unknown version byte " + std::to_string(version));
  }
  if (level == 7) {
    desc_start = 68;
    desc_size = 48;
    if (n < desc_start + 1) return Corrupt("level 7 header too short");
    char name[33] = {};
    std::memcpy(name, b + 32, 32);
    lang_driver = name;
  }
  if (b[15] != 0) return Status::Error(DBIERR_ENCRYPTED, "table is encrypted");
  driver = LangDriverFromDbaseHeader(level, ldid, lang_driver);
  if (driver != nullptr) lang_driver = std::string(driver->name);

  fields.clear();
  std::uint32_t offset = 1;
  std::size_t pos = desc_start;
  for (;;) {
    if (pos >= n) return Corrupt("field list has no terminator");
    if (b[pos] == kTerminator) break;
    if (pos + desc_size > n) {
      // No room for another descriptor: the header length ends the list even
      // when a writer put another byte than 0x0D at its end (seen in FoxPro
      // files), as other readers count the fields from the header length.
      if (!fields.empty()) break;
      return Corrupt("field descriptor runs past the header");
    }
    const std::uint8_t* d = b + pos;
    DbfField f;
    std::size_t name_max = level == 7 ? 32 : 11;
    std::size_t len = 0;
    while (len < name_max && d[len] != 0) ++len;
    f.name.assign(reinterpret_cast<const char*>(d), len);
    std::uint8_t type = level == 7 ? d[32] : d[11];
    if (!IsTypeLetter(type)) return Corrupt("field " + std::to_string(fields.size() + 1) +
                                            " has no type letter");
    f.type = static_cast<char>(type);
    if (level == 7) {
      f.length = d[33];
      f.decimals = d[34];
    } else {
      f.length = d[16];
      f.decimals = d[17];
      if (foxpro && f.type == 'C') {  // FoxPro keeps long character widths in byte 17
        f.length = static_cast<std::uint16_t>(d[16] | d[17] << 8);
        f.decimals = 0;
      }
    }
    if (f.length == 0) return Corrupt("field '" + f.name + "' has length 0");
    f.is_memo = IsMemoType(f.type, foxpro);
    f.offset = offset;
    offset += f.length;
    fields.push_back(std::move(f));
    pos += desc_size;
  }
  if (fields.empty()) return Corrupt("no fields");
  if (level == 4) {  // dBASE 5 has the level-4 layout; only its B and G fields tell
    for (const DbfField& f : fields) {
      if (f.type == 'B' || f.type == 'G') level = 5;
    }
  }
  if (record_length < offset) return Corrupt("record length shorter than its fields");
  if (has_memo_fields() && memo_kind == MemoKind::kNone) {
    return Corrupt("memo field in a table without a memo file");
  }
  raw.assign(b, b + n);
  return Status::OK();
}

bool DbfHeader::has_memo_fields() const {
  for (const DbfField& f : fields) {
    if (f.is_memo) return true;
  }
  return false;
}

void DbfHeader::SetRecordCount(std::uint32_t count) {
  record_count = count;
  PutLe32(raw.data() + 4, count);
}

void DbfHeader::SetUpdateDate(int year, int month, int day) {
  raw[1] = static_cast<std::uint8_t>(foxpro ? year % 100 : year - 1900);
  raw[2] = static_cast<std::uint8_t>(month);
  raw[3] = static_cast<std::uint8_t>(day);
}

void DbfHeader::ClearTransactionFlag() { raw[14] = 0; }

void DbfHeader::SetLangDriver(std::uint8_t byte29, const std::string& level7_name) {
  ldid = byte29;
  raw[29] = byte29;
  if (level == 7) {
    std::memset(raw.data() + 32, 0, 32);
    std::memcpy(raw.data() + 32, level7_name.data(), std::min<std::size_t>(31, level7_name.size()));
  }
  driver = LangDriverFromDbaseHeader(level, ldid, level == 7 ? level7_name : std::string());
  lang_driver = driver != nullptr ? std::string(driver->name) : level == 7 ? level7_name : "";
}

}  // namespace kx::storage
