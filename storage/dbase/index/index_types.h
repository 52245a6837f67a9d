// Shared vocabulary of the index readers and bulk writers (.ndx, .mdx, .cdx).
//
// An index tag is described by an IndexTagDef when it is built and by an
// IndexTagInfo when it is read back. Keys travel between the sorter, the
// writers and the readers as fixed-length byte strings in the format's own
// stored encoding (see storage/doc/indexes.md) plus a record number.
// Record numbers are 1-based and fit in 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "storage/api/codes.h"
#include "storage/api/status.h"

namespace kx::storage {

enum class IndexFormat { kNdx, kMdx, kCdx };
const char* IndexFormatName(IndexFormat format);

// Key types by their dBASE letters. kInteger is the FoxPro 4-byte integer
// key (CDX only); kLogical is CDX only.
enum class IndexKeyType : char {
  kCharacter = 'C',
  kNumeric = 'N',
  kDate = 'D',
  kLogical = 'L',
  kInteger = 'I',
};

// What a writer needs to know about one tag.
struct IndexTagDef {
  std::string name;            // MDX/CDX tag name (upper-cased when written); NDX ignores it
  std::string key_expression;  // stored as given
  std::string for_expression;  // empty = no FOR clause
  IndexKeyType key_type = IndexKeyType::kCharacter;
  std::uint16_t key_length = 0;  // character keys: the expression's length; others: ignored
  bool unique = false;           // first record number per key wins
  bool descending = false;       // MDX (stored descending) and CDX (a header flag)
  bool candidate = false;        // CDX only (Visual FoxPro candidate tag flag)
};

// What a reader found about one tag.
struct IndexTagInfo {
  std::string name;
  std::string key_expression;
  std::string for_expression;
  // 'C', 'N', 'D' from the file; NDX cannot tell numeric from date and
  // reports 'N' for both; CDX records no type and reports 0.
  char key_type = 0;
  std::uint16_t key_length = 0;
  bool unique = false;
  bool descending = false;
  bool candidate = false;
};

// The stored key length of a tag in a format, or INVALIDPARAM /
// INDEXNOTSUPPORTED when the type or length cannot be held.
Status ResolveKeyLength(IndexFormat format, const IndexTagDef& def, std::uint16_t* length);

// Progress of a writer, in whole percent (0..100, never decreasing). Called
// only when the value changes.
using IndexProgressFn = std::function<void(int percent)>;

// Options common to the writers.
struct IndexWriteOptions {
  std::uint32_t file_mode = 0644;
  bool sync = true;              // fsync the finished file before closing it
  // Temporary files for the upper tree levels are "<prefix>.<n>"; empty
  // means "<path>.~lv".
  std::string temp_path_prefix;
  IndexProgressFn progress;
};

// One key as a reader yields it: the stored bytes (key_length of the tag)
// and the record number.
using IndexVisitFn = std::function<Status(const std::uint8_t* key, std::size_t length,
                                          std::uint32_t recno)>;

// A Status with DBIERR_INDEXCORRUPT (0x2305) naming the file.
Status IndexCorrupt(const std::string& path, const std::string& what);

}  // namespace kx::storage
