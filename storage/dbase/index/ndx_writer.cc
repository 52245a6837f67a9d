// NDX writer: header page plus BulkTreeBuilder over fixed-size items.
//
// Item = [child page u32][record number u32][key], item length = key length
// + 8 rounded up to 4; a page holds (512 - 8) / item items. Leaves store
// record numbers with child 0. Interior pages hold n keys and n + 1 child
// pointers, key i being the highest key under child i; the last pointer has
// no key. Up to max-keys keys fit with the last pointer, since the "- 8"
// leaves room for it.
#include "storage/dbase/index/ndx_writer.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/index/bulk_tree_builder.h"
#include "storage/dbase/index/index_file_io.h"

namespace kx::storage {
namespace {

constexpr std::size_t kPage = 512;
constexpr std::size_t kMaxExpression = 487;  // + NUL within bytes 24..511

class NdxLayout final : public BulkNodeLayout {
 public:
  explicit NdxLayout(std::size_t key_length)
      : key_length_(key_length),
        item_((key_length + 8 + 3) & ~std::size_t{3}),
        max_keys_((kPage - 8) / item_) {}

  std::size_t item() const { return item_; }
  std::size_t max_keys() const { return max_keys_; }

  std::size_t node_bytes() const override { return kPage; }
  std::size_t interior_capacity() const override { return max_keys_ + 1; }
  void BeginNode(bool, std::uint8_t*) override { count_ = 0; }

  bool AddToLeaf(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno) override {
    if (count_ == max_keys_) return false;
    std::uint8_t* item = node + 4 + count_ * item_;
    Put32(item + 4, recno);
    std::memcpy(item + 8, key, key_length_);
    ++count_;
    return true;
  }

  void AddToInterior(std::uint8_t* node, const std::uint8_t* key, std::uint32_t,
                     std::uint64_t child_pos) override {
    std::size_t off = 4 + count_ * item_;
    Put32(node + off, static_cast<std::uint32_t>(child_pos / kPage));
    if (off + 8 + key_length_ <= kPage) std::memcpy(node + off + 8, key, key_length_);
    ++count_;
  }

  void CloseNode(bool leaf, std::uint8_t* node) override {
    std::size_t keys = leaf ? count_ : count_ - 1;
    Put32(node, static_cast<std::uint32_t>(keys));
    if (!leaf) {  // the last pointer carries no key
      std::size_t from = 4 + keys * item_ + 4;
      std::size_t to = std::min(kPage, 4 + (keys + 1) * item_);
      if (from < to) std::memset(node + from, 0, to - from);
    }
  }

  void LinkNode(bool, std::uint8_t*, std::uint64_t, std::uint64_t, bool) override {}

 private:
  std::size_t key_length_;
  std::size_t item_;
  std::size_t max_keys_;
  std::size_t count_ = 0;
};

}  // namespace

Status WriteNdxFile(Env* env, const std::string& path, const IndexTagDef& def,
                    SortedKeySource* keys, const IndexWriteOptions& options) {
  std::uint16_t key_length;
  Status s = ResolveKeyLength(IndexFormat::kNdx, def, &key_length);
  if (!s.ok()) return s;
  if (def.descending) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED, "NDX indexes cannot be descending", path);
  }
  if (!def.for_expression.empty()) {
    return Status::Error(DBIERR_INVALIDPARAM, "NDX indexes have no FOR clause", path);
  }
  if (def.key_expression.size() > kMaxExpression) {
    return Status::Error(DBIERR_INVALIDPARAM, "NDX key expression longer than 487 bytes", path);
  }
  if (keys->key_length() != key_length) {
    return Status::Error(DBIERR_INVALIDPARAM, "key source length does not match the tag", path);
  }

  IndexOutputFile file(env, path);
  if (!(s = file.Create(options.file_mode)).ok()) return s;
  NdxLayout layout(key_length);
  IndexFileAppender out(env, file.fd());
  IndexProgressMeter progress(options.progress, keys->size_hint());
  BulkTreeResult tree;
  s = BuildBulkTree(env, &out, &layout, keys, kPage, file.TempPrefix(options), &progress, &tree);
  if (s.ok()) s = out.Flush();
  if (!s.ok()) return s;

  std::uint8_t header[kPage] = {};
  Put32(header + 0, static_cast<std::uint32_t>(tree.root_pos / kPage));
  Put32(header + 4, static_cast<std::uint32_t>(tree.end_pos / kPage));
  Put16(header + 12, key_length);
  Put16(header + 14, static_cast<std::uint32_t>(layout.max_keys()));
  Put16(header + 16, def.key_type == IndexKeyType::kCharacter ? 0 : 1);
  Put16(header + 18, static_cast<std::uint32_t>(layout.item()));
  header[23] = def.unique ? 1 : 0;
  std::memcpy(header + 24, def.key_expression.data(), def.key_expression.size());
  if (!(s = file.WriteAt(0, header, kPage)).ok()) return s;
  if (!(s = file.Commit(options.sync)).ok()) return s;
  progress.Done();
  return Status::OK();
}

}  // namespace kx::storage
