// CdxNodeLayout: leaf compression and interior entries.
#include "storage/dbase/index/cdx_node_layout.h"

#include <algorithm>
#include <cstring>

#include "storage/dbase/index/index_file_io.h"

namespace kx::storage {
namespace {

constexpr std::size_t kNode = 512;
constexpr std::size_t kLeafHeader = 24;

int BitsFor(std::uint64_t v) {
  int bits = 0;
  while (v != 0) {
    ++bits;
    v >>= 1;
  }
  return bits;
}

std::uint32_t Offset32(std::uint64_t pos) {
  return pos == kNoSibling ? 0xFFFFFFFFu : static_cast<std::uint32_t>(pos);
}

}  // namespace

CdxNodeLayout::CdxNodeLayout(std::size_t key_length, std::uint8_t pad, std::uint64_t max_recno)
    : key_length_(key_length), pad_(pad), prev_(key_length) {
  count_bits_ = BitsFor(key_length);
  info_bytes_ = count_bits_ <= 8 ? 3 : 4;
  recno_bits_ = 8 * info_bytes_ - 2 * count_bits_;
  while (recno_bits_ < 32 && (max_recno >> recno_bits_) != 0) {
    ++info_bytes_;
    recno_bits_ += 8;
  }
}

void CdxNodeLayout::BeginNode(bool leaf, std::uint8_t* node) {
  count_ = 0;
  free_ = kNode - kLeafHeader;
  key_end_ = kNode;
  prev_trail_ = 0;
}

bool CdxNodeLayout::AddToLeaf(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno) {
  std::size_t trail = 0;
  while (trail < key_length_ && key[key_length_ - 1 - trail] == pad_) ++trail;
  std::size_t dup = 0;
  if (count_ > 0) {
    // Never share bytes the previous key had as trailing pad: some readers
    // rebuild those as zero bytes whatever the pad.
    std::size_t limit = std::min(key_length_ - trail, key_length_ - prev_trail_);
    while (dup < limit && prev_[dup] == key[dup]) ++dup;
  }
  std::size_t fresh = key_length_ - dup - trail;
  if (fresh + info_bytes_ > free_) return false;
  key_end_ -= fresh;
  std::memcpy(node + key_end_, key + dup, fresh);
  std::uint64_t info = recno | (std::uint64_t{dup} << recno_bits_) |
                       (std::uint64_t{trail} << (recno_bits_ + count_bits_));
  std::uint8_t* entry = node + kLeafHeader + count_ * info_bytes_;
  for (int i = 0; i < info_bytes_; ++i) entry[i] = static_cast<std::uint8_t>(info >> (8 * i));
  free_ -= fresh + info_bytes_;
  ++count_;
  std::memcpy(prev_.data(), key, key_length_);
  prev_trail_ = trail;
  return true;
}

void CdxNodeLayout::AddToInterior(std::uint8_t* node, const std::uint8_t* key,
                                  std::uint32_t recno, std::uint64_t child_pos) {
  std::uint8_t* entry = node + 12 + count_ * (key_length_ + 8);
  std::memcpy(entry, key, key_length_);
  Put32BE(entry + key_length_, recno);
  Put32BE(entry + key_length_ + 4, static_cast<std::uint32_t>(child_pos));
  ++count_;
}

void CdxNodeLayout::CloseNode(bool leaf, std::uint8_t* node) {
  Put16(node + 0, leaf ? 2 : 0);
  Put16(node + 2, static_cast<std::uint32_t>(count_));
  if (!leaf) return;
  Put16(node + 12, static_cast<std::uint32_t>(free_));
  Put32(node + 14, recno_bits_ >= 32 ? 0xFFFFFFFFu : (1u << recno_bits_) - 1);
  node[18] = static_cast<std::uint8_t>((1u << count_bits_) - 1);
  node[19] = node[18];
  node[20] = static_cast<std::uint8_t>(recno_bits_);
  node[21] = static_cast<std::uint8_t>(count_bits_);
  node[22] = static_cast<std::uint8_t>(count_bits_);
  node[23] = static_cast<std::uint8_t>(info_bytes_);
}

void CdxNodeLayout::LinkNode(bool leaf, std::uint8_t* node, std::uint64_t left,
                             std::uint64_t right, bool root) {
  if (root) node[0] |= 1;
  Put32(node + 4, Offset32(left));
  Put32(node + 8, Offset32(right));
}

}  // namespace kx::storage
