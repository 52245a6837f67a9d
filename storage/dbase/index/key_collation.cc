// The binary collation.
#include "storage/dbase/index/key_collation.h"

#include <cstring>

namespace kx::storage {
namespace {

class BinaryCollation final : public KeyCollation {
 public:
  bool is_binary() const override { return true; }
  std::size_t SortKeyLength(std::size_t key_length) const override { return key_length; }
  void MakeSortKey(const std::uint8_t* key, std::size_t key_length,
                   std::uint8_t* out) const override {
    std::memcpy(out, key, key_length);
  }
};

}  // namespace

const KeyCollation* KeyCollation::Binary() {
  static const BinaryCollation binary;
  return &binary;
}

}  // namespace kx::storage
