// CdxNodeLayout: FoxPro compact index nodes for the bulk tree builder.
//
// 512-byte nodes, positions are byte offsets. Leaves compress each key
// against the previous one (dup = bytes shared with it, trail = pad bytes at
// the end) and pack an info entry [recno | dup | trail] of K bytes from
// offset 24 while the new key bytes fill from the end of the node backwards.
// Interior entries are [key][recno BE][child offset BE], key and recno being
// the child's last. Field widths follow the FoxPro 2.x choice: D = T = bits
// of the key length, K = 3 bytes (4 past 8 such bits), grown by a byte while
// the tag's highest record number does not fit the record-number field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/dbase/index/bulk_tree_builder.h"

namespace kx::storage {

class CdxNodeLayout final : public BulkNodeLayout {
 public:
  // `pad` is the byte trailing compression removes: blank for character
  // keys, zero for the others.
  CdxNodeLayout(std::size_t key_length, std::uint8_t pad, std::uint64_t max_recno);

  std::size_t node_bytes() const override { return 512; }
  std::size_t interior_capacity() const override { return (512 - 12) / (key_length_ + 8); }
  void BeginNode(bool leaf, std::uint8_t* node) override;
  bool AddToLeaf(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno) override;
  void AddToInterior(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno,
                     std::uint64_t child_pos) override;
  void CloseNode(bool leaf, std::uint8_t* node) override;
  void LinkNode(bool leaf, std::uint8_t* node, std::uint64_t left, std::uint64_t right,
                bool root) override;

  int info_bytes() const { return info_bytes_; }
  int recno_bits() const { return recno_bits_; }

 private:
  std::size_t key_length_;
  std::uint8_t pad_;
  int count_bits_;   // D = T
  int recno_bits_;   // R
  int info_bytes_;   // K
  std::size_t count_ = 0;
  std::size_t free_ = 0;
  std::size_t key_end_ = 0;
  std::vector<std::uint8_t> prev_;
  std::size_t prev_trail_ = 0;
};

}  // namespace kx::storage
