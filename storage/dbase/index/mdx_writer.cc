// MDX writer: file header, tag table, tag headers and one bulk tree per tag.
//
// Node = one block: [key count u32][u32 0][items][trailing u32]. Item =
// [pointer u32][key], item length = key length + 4 rounded up to 4; a block
// holds (block - 12) / item items, which always leaves room for the
// trailing pointer. Leaves hold record numbers and a zero trailing pointer
// (how readers tell them apart); interior nodes hold child page numbers,
// key i being the highest key under child i, and the last child in the
// trailing pointer.
#include "storage/dbase/index/mdx_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/index/bulk_tree_builder.h"
#include "storage/dbase/index/index_file_io.h"

namespace kx::storage {
namespace {

constexpr std::size_t kPage = 512;
constexpr std::size_t kHeaderPages = 4;
constexpr std::size_t kTagHeaderBytes = 1024;
constexpr std::size_t kMaxTags = 47;
constexpr std::size_t kMaxExpression = 220;

class MdxLayout final : public BulkNodeLayout {
 public:
  MdxLayout(std::size_t block, std::size_t key_length)
      : block_(block), key_length_(key_length),
        item_((key_length + 4 + 3) & ~std::size_t{3}), max_keys_((block - 12) / item_) {}

  std::size_t item() const { return item_; }
  std::size_t max_keys() const { return max_keys_; }
  std::size_t node_bytes() const override { return block_; }
  std::size_t interior_capacity() const override { return max_keys_ + 1; }
  void BeginNode(bool, std::uint8_t*) override { count_ = 0; }

  bool AddToLeaf(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno) override {
    if (count_ == max_keys_) return false;
    std::uint8_t* item = node + 8 + count_ * item_;
    Put32(item, recno);
    std::memcpy(item + 4, key, key_length_);
    ++count_;
    return true;
  }

  void AddToInterior(std::uint8_t* node, const std::uint8_t* key, std::uint32_t,
                     std::uint64_t child_pos) override {
    std::size_t off = 8 + count_ * item_;
    Put32(node + off, static_cast<std::uint32_t>(child_pos / kPage));
    if (off + 4 + key_length_ <= block_) std::memcpy(node + off + 4, key, key_length_);
    ++count_;
  }

  void CloseNode(bool leaf, std::uint8_t* node) override {
    std::size_t keys = leaf ? count_ : count_ - 1;
    Put32(node, static_cast<std::uint32_t>(keys));
    if (!leaf) {  // the trailing pointer carries no key
      std::size_t from = 8 + keys * item_ + 4;
      std::size_t to = std::min(block_, 8 + (keys + 1) * item_);
      if (from < to) std::memset(node + from, 0, to - from);
    }
  }

  void LinkNode(bool, std::uint8_t*, std::uint64_t, std::uint64_t, bool) override {}

 private:
  std::size_t block_;
  std::size_t key_length_;
  std::size_t item_;
  std::size_t max_keys_;
  std::size_t count_ = 0;
};

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

Status CheckTags(const std::string& path, const std::vector<MdxTagInput>& tags) {
  if (tags.empty() || tags.size() > kMaxTags) {
    return Status::Error(DBIERR_INVALIDPARAM, "an MDX file holds 1 to 47 tags", path);
  }
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const IndexTagDef& def = tags[i].def;
    std::uint16_t key_length;
    Status s = ResolveKeyLength(IndexFormat::kMdx, def, &key_length);
    if (!s.ok()) return s;
    if (def.name.empty() || def.name.size() > 10) {
      return Status::Error(DBIERR_INVALIDPARAM, "MDX tag names have 1 to 10 characters", path,
                           def.name);
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (Upper(tags[j].def.name) == Upper(def.name)) {
        return Status::Error(DBIERR_INVALIDPARAM, "MDX tag name used twice", path, def.name);
      }
    }
    if (def.key_expression.size() > kMaxExpression || def.for_expression.size() > kMaxExpression) {
      return Status::Error(DBIERR_INVALIDPARAM, "MDX expressions are limited to 220 bytes", path,
                           def.name);
    }
    if (tags[i].keys == nullptr || tags[i].keys->key_length() != key_length) {
      return Status::Error(DBIERR_INVALIDPARAM, "key source does not match the tag", path,
                           def.name);
    }
  }
  return Status::OK();
}

void PutDate(std::uint8_t* p, Env* env) {
  int y, m, d;
  env->Today(&y, &m, &d);
  p[0] = static_cast<std::uint8_t>(y - 1900);
  p[1] = static_cast<std::uint8_t>(m);
  p[2] = static_cast<std::uint8_t>(d);
}

// Slot threads: a binary search tree of the names in creation order.
void ThreadTagTable(std::uint8_t* table, const std::vector<std::string>& names) {
  auto slot = [&](std::size_t i) { return table + 32 * (i + 1); };
  for (std::size_t i = 1; i < names.size(); ++i) {
    std::size_t node = 0;
    for (;;) {
      bool left = names[i] < names[node];
      std::uint8_t* link = slot(node) + (left ? 16 : 17);
      if (*link == 0) {
        *link = static_cast<std::uint8_t>(i + 1);
        slot(i)[18] = static_cast<std::uint8_t>(node + 1);
        break;
      }
      node = *link - 1u;
    }
  }
}

}  // namespace

Status WriteMdxFile(Env* env, const std::string& path, const MdxFileOptions& file_options,
                    const std::vector<MdxTagInput>& tags, const IndexWriteOptions& options) {
  const std::size_t block = file_options.block_bytes;
  if (block < kPage || block > 32 * kPage || block % kPage != 0) {
    return Status::Error(DBIERR_INVALIDPARAM, "MDX block size must be 512..16384 in 512s", path);
  }
  Status s = CheckTags(path, tags);
  if (!s.ok()) return s;

  IndexOutputFile file(env, path);
  if (!(s = file.Create(options.file_mode)).ok()) return s;
  const std::size_t header_blocks = (kTagHeaderBytes + block - 1) / block;
  const std::size_t tag_header_pages = header_blocks * block / kPage;
  std::uint64_t pos = (kHeaderPages + tags.size() * tag_header_pages) * kPage;
  std::uint64_t total_keys = 0;
  for (const MdxTagInput& t : tags) total_keys += t.keys->size_hint();
  IndexProgressMeter progress(options.progress, total_keys);
  IndexFileAppender out(env, file.fd());

  std::vector<std::uint8_t> header(kHeaderPages * kPage, 0);
  std::uint8_t* table = header.data() + kPage;  // slot 0 is the table's own entry
  std::vector<std::string> names;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const IndexTagDef& def = tags[i].def;
    MdxLayout layout(block, tags[i].keys->key_length());
    BulkTreeResult tree;
    s = BuildBulkTree(env, &out, &layout, tags[i].keys, pos, file.TempPrefix(options), &progress,
                      &tree);
    if (!s.ok()) return s;
    pos = tree.end_pos;

    std::vector<std::uint8_t> th(header_blocks * block, 0);
    Put32(th.data() + 0, static_cast<std::uint32_t>(tree.root_pos / kPage));
    th[8] = static_cast<std::uint8_t>(0x10 | (def.descending ? 0x08 : 0) | (def.unique ? 0x40 : 0));
    th[9] = static_cast<std::uint8_t>(def.key_type);
    Put16(th.data() + 12, static_cast<std::uint32_t>(tags[i].keys->key_length()));
    Put16(th.data() + 14, static_cast<std::uint32_t>(layout.max_keys()));
    Put16(th.data() + 16, def.key_type == IndexKeyType::kDate ? 1 : 0);
    Put16(th.data() + 18, static_cast<std::uint32_t>(layout.item()));
    th[20] = 1;
    th[23] = def.unique ? 0x40 : 0;
    std::memcpy(th.data() + 24, def.key_expression.data(), def.key_expression.size());
    if (!def.for_expression.empty()) {
      th[245] = 1;
      th[246] = 1;
      std::memcpy(th.data() + 762, def.for_expression.data(), def.for_expression.size());
    }
    std::uint32_t header_page = static_cast<std::uint32_t>(kHeaderPages + i * tag_header_pages);
    if (!(s = out.Write(std::uint64_t{header_page} * kPage, th.data(), th.size())).ok()) return s;

    std::uint8_t* slot = table + 32 * (i + 1);
    std::string name = Upper(def.name);
    Put32(slot, header_page);
    std::memcpy(slot + 4, name.data(), name.size());
    slot[15] = 0x10;
    slot[19] = 0x02;
    slot[20] = static_cast<std::uint8_t>(def.key_type);
    names.push_back(name);
  }
  ThreadTagTable(table, names);
  if (!(s = out.Flush()).ok()) return s;

  std::uint8_t* h = header.data();
  h[0] = 2;
  PutDate(h + 1, env);
  std::string table_name = Upper(file_options.table_name).substr(0, 16);
  std::memcpy(h + 4, table_name.data(), table_name.size());
  Put16(h + 20, static_cast<std::uint32_t>(block / kPage));
  Put16(h + 22, static_cast<std::uint32_t>(block));
  h[24] = file_options.production ? 1 : 0;
  h[25] = 0x30;
  h[26] = 0x20;
  Put16(h + 28, static_cast<std::uint32_t>(tags.size()));
  Put32(h + 32, static_cast<std::uint32_t>(pos / kPage));
  PutDate(h + 44, env);
  h[529] = 0x01;
  if (!(s = file.WriteAt(0, h, header.size())).ok()) return s;
  if (!(s = file.Commit(options.sync)).ok()) return s;
  progress.Done();
  return Status::OK();
}

}  // namespace kx::storage
