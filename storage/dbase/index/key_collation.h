// KeyCollation: how character keys are ordered in an index.
//
// The sorter compares keys with memcmp, so a collation turns a stored
// character key (code-page bytes, blank-padded) into a sort key whose byte
// order is the collation's order. Binary collation is the identity, which
// lets the sorter keep one copy of the key; any other collation makes the
// sorter carry the stored bytes beside the sort key. The language-driver
// sort orders plug in here; until they do, Binary() is the default.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx::storage {

class KeyCollation {
 public:
  virtual ~KeyCollation() = default;

  // True when the sort key is the stored key itself.
  virtual bool is_binary() const = 0;
  // Length of the sort key made from a stored key of `key_length` bytes.
  virtual std::size_t SortKeyLength(std::size_t key_length) const = 0;
  // Writes SortKeyLength(key_length) bytes to `out`. Keys whose sort keys
  // are equal are equal for UNIQUE.
  virtual void MakeSortKey(const std::uint8_t* key, std::size_t key_length,
                           std::uint8_t* out) const = 0;

  // Plain byte order (FoxPro MACHINE, Paradox 'ascii', DBWINUS0). Never null.
  static const KeyCollation* Binary();
};

}  // namespace kx::storage
