// IntentRecord: the commit record of a multi-file replacement.
//
// It lists, for every rewritten member, the temp's base name, the final base
// name, the final size and CRC-32C; a member that the new family drops is an
// entry with an empty temp name (size and CRC 0), and such entries come after
// every replacement. Encoded layout (little-endian):
//   "KXPKINT1" | u32 entry count | entries | u32 CRC-32C of all bytes before it
//   entry: u16 n | temp name | u16 m | final name | u64 size | u32 crc
// Decode rejects anything torn or hostile: bad magic or CRC, more than
// kMaxEntries, names that are empty (but a removal's temp), contain '/', are
// "." or "..", temps not named "<final>.~pk", finals that do not belong to
// the table's stem, removals before replacements or with a size or CRC. The
// one exception: an .ndx or .idx member with a name of its own (an index the
// table's .inf lists) is staged as a scratch file of the table,
// "T.~pk.<n>" (file_names.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::storage {

struct IntentEntry {
  std::string temp_name;   // base name, same directory; empty: remove final_name
  std::string final_name;  // base name, same directory
  std::uint64_t size = 0;
  std::uint32_t crc = 0;

  bool removal() const { return temp_name.empty(); }
};

struct IntentRecord {
  static constexpr std::size_t kMaxEntries = 16;
  static constexpr std::size_t kMaxBytes = 16 * 1024;
  std::vector<IntentEntry> entries;

  std::string Encode() const;
  // False when the bytes are not a whole, valid record for table `stem`.
  bool Decode(const std::string& bytes, const std::string& stem);
};

}  // namespace kx::storage
