// DriverKeyCollation: orders character index keys by a language driver.
//
// Adapts the driver's Collation (storage/core/lang/collation.h) to the
// index sorter's KeyCollation: the sort key is the collation's full
// (tertiary) key, so keys that differ only in case or accent stay distinct
// for UNIQUE and compare as the driver orders them. A binary driver
// (DBWINUS0, FoxPro machine order) is the identity, which lets the sorter
// keep one copy of each key. The Collation is cached for the process; the
// adapter holds only a reference and may be copied freely.
#pragma once

#include <span>

#include "storage/core/lang/collation.h"
#include "storage/dbase/index/key_collation.h"

namespace kx::storage {

class DriverKeyCollation final : public KeyCollation {
 public:
  explicit DriverKeyCollation(const Collation& collation) : collation_(collation) {}

  bool is_binary() const override { return collation_.binary(); }
  std::size_t SortKeyLength(std::size_t key_length) const override {
    return collation_.binary() ? key_length : collation_.SortKeyLength(key_length);
  }
  void MakeSortKey(const std::uint8_t* key, std::size_t key_length,
                   std::uint8_t* out) const override {
    if (collation_.binary()) {
      KeyCollation::Binary()->MakeSortKey(key, key_length, out);
      return;
    }
    collation_.SortKey(std::span<const std::uint8_t>(key, key_length), out);
  }

 private:
  const Collation& collation_;
};

}  // namespace kx::storage
