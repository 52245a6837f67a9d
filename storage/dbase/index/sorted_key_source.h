// SortedKeySource: what a bulk index writer consumes for one tag.
//
// Keys arrive in stored order (descending MDX tags already reversed, record
// numbers ascending among equal keys, duplicates already removed for unique
// tags), each in the format's stored encoding and exactly key_length() bytes.
// TagKeySorter is the production implementation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/api/status.h"

namespace kx::storage {

class SortedKeySource {
 public:
  virtual ~SortedKeySource() = default;

  // The next key; *key stays valid until the next call. *has is false at
  // the end.
  virtual Status Next(const std::uint8_t** key, std::uint32_t* recno, bool* has) = 0;
  // Stored key length in bytes.
  virtual std::size_t key_length() const = 0;
  // Number of keys offered before unique filtering (for progress).
  virtual std::uint64_t size_hint() const = 0;
  // Highest record number among the keys (CDX sizes its record fields by it).
  virtual std::uint32_t max_recno() const = 0;
};

}  // namespace kx::storage
