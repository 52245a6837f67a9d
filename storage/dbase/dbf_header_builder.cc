// BuildDbfHeader: see dbf_header_builder.h.
#include "storage/dbase/dbf_header_builder.h"

#include <cstring>

#include "storage/api/codes.h"
#include "storage/core/byte_order.h"
#include "storage/dbase/dbf_level.h"

namespace kx::storage {

Status BuildDbfHeader(const DbfHeaderSpec& spec, DbfHeader* out) {
  const DbfLevel* rules = FindDbfLevel(spec.level);
  if (rules == nullptr) {
    return Status::Error(DBIERR_INVALIDPARAM, "no table level " + std::to_string(spec.level));
  }
  const std::size_t n = spec.fields.size();
  if (n == 0 || n > rules->max_fields) {
    return Status::Error(DBIERR_INVALIDPARAM,
                         std::to_string(n) + " fields: a level " + std::to_string(spec.level) +
                             " table has 1 to " + std::to_string(rules->max_fields));
  }
  const std::size_t header_length = rules->prefix_size + rules->descriptor_size * n + 1;
  if (header_length > 0xFFFF) return Status::Error(DBIERR_INVALIDPARAM, "header too long");
  std::uint32_t record_length = 1;
  for (const DbfField& f : spec.fields) record_length += f.length;
  if (record_length > rules->max_record_length) {
    return Status::Error(DBIERR_RECTOOBIG,
                         "records of " + std::to_string(record_length) + " bytes: a level " +
                             std::to_string(spec.level) + " table holds at most " +
                             std::to_string(rules->max_record_length));
  }

  std::vector<std::uint8_t> h(header_length, 0);
  h[0] = spec.memo_file ? rules->version_memo : rules->version_plain;
  h[1] = static_cast<std::uint8_t>(rules->year_mod_100 ? spec.year % 100 : spec.year - 1900);
  h[2] = static_cast<std::uint8_t>(spec.month);
  h[3] = static_cast<std::uint8_t>(spec.day);
  PutLe16(h.data() + 8, static_cast<std::uint16_t>(header_length));
  PutLe16(h.data() + 10, static_cast<std::uint16_t>(record_length));
  h[29] = spec.lang_byte;
  if (spec.level == 7) {
    std::memcpy(h.data() + 32, spec.lang_name.data(), std::min<std::size_t>(31, spec.lang_name.size()));
  }
  std::uint32_t offset = 1;
  for (std::size_t i = 0; i < n; ++i) {
    const DbfField& f = spec.fields[i];
    if (f.name.empty() || f.name.size() > rules->max_name || f.length == 0 || f.length > 255) {
      return Status::Error(DBIERR_INVALIDPARAM, "bad field '" + f.name + "'");
    }
    std::uint8_t* d = h.data() + rules->prefix_size + rules->descriptor_size * i;
    std::memcpy(d, f.name.data(), f.name.size());
    const bool c = f.type == 'C';
    if (spec.level == 7) {
      d[32] = static_cast<std::uint8_t>(f.type);
      d[33] = static_cast<std::uint8_t>(f.length);
      d[34] = c ? 0 : f.decimals;
    } else {
      d[11] = static_cast<std::uint8_t>(f.type);
      if (rules->foxpro) PutLe32(d + 12, offset);
      d[16] = static_cast<std::uint8_t>(f.length);
      d[17] = c ? 0 : f.decimals;
    }
    offset += f.length;
  }
  h[header_length - 1] = DbfHeader::kTerminator;
  *out = DbfHeader();
  Status s = out->Parse(h.data(), h.size());
  if (!s.ok()) return s;
  // The bytes cannot tell every level apart (3 and 4 without a memo file
  // and with a driver byte; 4 and 5 without B or G fields): keep the one
  // asked for.
  out->level = spec.level;
  out->foxpro = rules->foxpro;
  out->memo_kind = spec.memo_file ? rules->memo_kind : MemoKind::kNone;
  return Status::OK();
}

}  // namespace kx::storage
