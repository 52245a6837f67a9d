// MdxReader: header, tag table and tag header checks; bounded tree walk.
#include "storage/dbase/index/mdx_reader.h"

#include <vector>

namespace kx::storage {
namespace {

constexpr std::size_t kPage = 512;
constexpr std::size_t kHeaderBytes = 2048;
constexpr std::size_t kTagHeaderBytes = 1024;

std::string CString(const std::uint8_t* p, std::size_t max) {
  std::size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

Status MdxReader::Open(Env* env, const std::string& path, std::unique_ptr<MdxReader>* out) {
  std::unique_ptr<MdxReader> reader(new MdxReader(env, path));
  Status s = reader->file_.Open();
  if (!s.ok()) return s;
  s = reader->ReadHeader();
  if (!s.ok()) return s;
  *out = std::move(reader);
  return Status::OK();
}

bool MdxReader::PageInFile(std::uint32_t page) const {
  return page >= kHeaderBytes / kPage && std::uint64_t{page} * kPage + block_ <= file_.size();
}

Status MdxReader::ReadHeader() {
  std::vector<std::uint8_t> h(kHeaderBytes);
  Status s = file_.Read(0, h.data(), h.size());
  if (!s.ok()) return s;
  if (h[0] != 2) return file_.Corrupt("version byte " + std::to_string(h[0]));
  block_ = Get16(h.data() + 22);
  if (block_ < kPage || block_ % kPage != 0 || block_ > 32 * kPage) {
    return file_.Corrupt("block size " + std::to_string(block_));
  }
  if (h[26] != 32) return file_.Corrupt("tag slot length " + std::to_string(h[26]));
  table_name_ = CString(h.data() + 4, 16);
  production_ = h[24] != 0;
  std::size_t count = Get16(h.data() + 28);
  if (count > 47) return file_.Corrupt(std::to_string(count) + " tags");
  max_visits_ = file_.size() / kPage;
  for (std::size_t i = 0; i < count; ++i) {
    s = ReadTag(h.data() + 544 + 32 * i);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

Status MdxReader::ReadTag(const std::uint8_t* slot) {
  IndexTagInfo info;
  info.name = CString(slot + 4, 11);
  std::uint32_t header_page = Get32(slot);
  if (header_page < kHeaderBytes / kPage ||
      std::uint64_t{header_page} * kPage + kTagHeaderBytes > file_.size()) {
    return file_.Corrupt("tag " + info.name + " header page " + std::to_string(header_page));
  }
  std::uint8_t th[kTagHeaderBytes];
  Status s = file_.Read(std::uint64_t{header_page} * kPage, th, sizeof th);
  if (!s.ok()) return s;
  TagLayout layout;
  layout.root = Get32(th);
  layout.key_length = Get16(th + 12);
  layout.item = Get16(th + 18);
  char type = static_cast<char>(th[9]);
  bool numeric = type == 'N' || type == 'F';
  if (type != 'C' && !numeric && type != 'D') {
    return file_.Corrupt("tag " + info.name + " key type " + std::to_string(th[9]));
  }
  if (layout.key_length == 0 || layout.key_length > 100 ||
      (numeric && layout.key_length != 12) || (type == 'D' && layout.key_length != 8)) {
    return file_.Corrupt("tag " + info.name + " key length " + std::to_string(layout.key_length));
  }
  if (layout.item < layout.key_length + 4 || layout.item + 12 > block_) {
    return file_.Corrupt("tag " + info.name + " item length " + std::to_string(layout.item));
  }
  layout.max_keys = (block_ - 12) / layout.item;
  if (!PageInFile(layout.root)) {
    return file_.Corrupt("tag " + info.name + " root page " + std::to_string(layout.root));
  }
  info.key_expression = CString(th + 24, 221);
  if (th[245] != 0) info.for_expression = CString(th + 762, kTagHeaderBytes - 762);
  info.key_type = numeric ? 'N' : type;
  info.key_length = static_cast<std::uint16_t>(layout.key_length);
  info.descending = (th[8] & 0x08) != 0;
  info.unique = (th[8] & 0x40) != 0 || th[22] != 0 || th[23] != 0;
  tags_.push_back(info);
  layouts_.push_back(layout);
  return Status::OK();
}

Status MdxReader::Walk(std::size_t tag, const IndexVisitFn& visit) {
  if (tag >= layouts_.size()) return file_.Corrupt("no tag " + std::to_string(tag));
  visited_ = 0;
  return WalkNode(layouts_[tag], layouts_[tag].root, 0, visit);
}

Status MdxReader::WalkNode(const TagLayout& tag, std::uint32_t page, int depth,
                           const IndexVisitFn& visit) {
  if (depth > kIndexMaxDepth) return file_.Corrupt("tree deeper than 32 levels");
  if (++visited_ > max_visits_) return file_.Corrupt("a block is reachable twice (cycle)");
  if (!PageInFile(page)) return file_.Corrupt("page " + std::to_string(page) + " outside the file");
  std::vector<std::uint8_t> node(block_);
  Status s = file_.Read(std::uint64_t{page} * kPage, node.data(), block_);
  if (!s.ok()) return s;
  std::uint32_t n = Get32(node.data());
  if (n > tag.max_keys) {
    return file_.Corrupt("page " + std::to_string(page) + " holds " + std::to_string(n) + " keys");
  }
  std::uint32_t trailing = Get32(node.data() + 8 + n * tag.item);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* item = node.data() + 8 + i * tag.item;
    s = trailing != 0 ? WalkNode(tag, Get32(item), depth + 1, visit)
                      : visit(item + 4, tag.key_length, Get32(item));
    if (!s.ok()) return s;
  }
  return trailing != 0 ? WalkNode(tag, trailing, depth + 1, visit) : Status::OK();
}

}  // namespace kx::storage
