// CdxReader: directory walk, tag headers, bounded walk with leaf
// decompression checked byte by byte.
#include "storage/dbase/index/cdx_reader.h"

#include <algorithm>
#include <utility>

namespace kx::storage {
namespace {

constexpr std::uint32_t kNode = 512;
constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kLeafHeader = 24;

}  // namespace

Status CdxReader::Open(Env* env, const std::string& path, std::unique_ptr<CdxReader>* out) {
  std::unique_ptr<CdxReader> reader(new CdxReader(env, path));
  CdxReader& r = *reader;
  Status s = r.file_.Open();
  if (!s.ok()) return s;
  TagHeader directory;
  IndexTagInfo directory_info;
  std::uint8_t options = 0;
  if (!(s = r.ReadHeader(0, &directory, &directory_info, &options)).ok()) return s;
  if ((options & 0x20) == 0) return r.file_.Corrupt("not a compact index");
  r.structural_ = (options & 0x80) != 0;
  if ((options & 0x40) == 0) {  // a stand-alone compact .idx: one tag
    std::string base = BaseName(path);
    directory_info.name = base.substr(0, base.rfind('.'));
    r.headers_.push_back(directory);
    r.tags_.push_back(directory_info);
    *out = std::move(reader);
    return Status::OK();
  }
  std::vector<std::pair<std::uint32_t, std::string>> entries;
  s = r.WalkNode(directory, directory.root, 0,
                 [&](const std::uint8_t* key, std::size_t length, std::uint32_t offset) {
                   std::string name(reinterpret_cast<const char*>(key), length);
                   name.erase(name.find_last_not_of(std::string(" \0", 2)) + 1);
                   entries.emplace_back(offset, name);
                   return Status::OK();
                 });
  if (!s.ok()) return s;
  std::sort(entries.begin(), entries.end());
  for (const auto& [offset, name] : entries) {
    TagHeader header;
    IndexTagInfo info;
    std::uint8_t tag_options;
    if (!(s = r.ReadHeader(offset, &header, &info, &tag_options)).ok()) return s;
    info.name = name;
    r.headers_.push_back(header);
    r.tags_.push_back(info);
  }
  *out = std::move(reader);
  return Status::OK();
}

Status CdxReader::ReadHeader(std::uint32_t offset, TagHeader* header, IndexTagInfo* info,
                             std::uint8_t* options) {
  std::string where = "header at " + std::to_string(offset);
  if (offset % kNode != 0 || std::uint64_t{offset} + kHeaderBytes > file_.size()) {
    return file_.Corrupt(where + " outside the file");
  }
  std::uint8_t h[kHeaderBytes];
  Status s = file_.Read(offset, h, sizeof h);
  if (!s.ok()) return s;
  header->offset = offset;
  header->root = Get32(h);
  header->key_length = Get16(h + 12);
  *options = h[14];
  if (header->key_length == 0 || header->key_length > 240) {
    return file_.Corrupt(where + ": key length " + std::to_string(header->key_length));
  }
  std::size_t for_off = Get16(h + 504), for_len = Get16(h + 506);
  std::size_t key_off = Get16(h + 508), key_len = Get16(h + 510);
  if (for_off + for_len > 512 || key_off + key_len > 512) {
    return file_.Corrupt(where + ": expressions outside the expression area");
  }
  auto text = [&](std::size_t off, std::size_t len) {
    const char* p = reinterpret_cast<const char*>(h + 512 + off);
    std::size_t n = 0;
    while (n < len && p[n] != '\0') ++n;
    return std::string(p, n);
  };
  info->key_expression = text(key_off, key_len);
  info->for_expression = text(for_off, for_len);
  info->key_length = static_cast<std::uint16_t>(header->key_length);
  info->unique = (h[14] & 0x01) != 0;
  info->candidate = (h[14] & 0x04) != 0;
  info->descending = Get16(h + 502) != 0;
  info->key_type = 0;
  return Status::OK();
}

void CdxReader::DeclareKeyType(std::size_t tag, char type) {
  if (tag < headers_.size()) headers_[tag].pad = type == 'C' ? ' ' : 0;
}

Status CdxReader::Walk(std::size_t tag, const IndexVisitFn& visit) {
  if (tag >= headers_.size()) return file_.Corrupt("no tag " + std::to_string(tag));
  visited_ = 0;
  return WalkNode(headers_[tag], headers_[tag].root, 0, visit);
}

Status CdxReader::WalkNode(const TagHeader& tag, std::uint32_t offset, int depth,
                           const IndexVisitFn& visit) {
  if (depth > kIndexMaxDepth) return file_.Corrupt("tree deeper than 32 levels");
  if (++visited_ > file_.size() / kNode) return file_.Corrupt("a node is reachable twice (cycle)");
  if (offset % kNode != 0 || offset < kNode || std::uint64_t{offset} + kNode > file_.size()) {
    return file_.Corrupt("node offset " + std::to_string(offset) + " outside the file");
  }
  std::uint8_t node[kNode];
  Status s = file_.Read(offset, node, kNode);
  if (!s.ok()) return s;
  if (Get16(node) & 2) return WalkLeaf(tag, offset, node, visit);
  std::size_t n = Get16(node + 2);
  std::size_t entry = tag.key_length + 8;
  if (n > (kNode - 12) / entry) {
    return file_.Corrupt("node " + std::to_string(offset) + " holds " + std::to_string(n) +
                         " entries");
  }
  for (std::size_t i = 0; i < n; ++i) {
    s = WalkNode(tag, Get32BE(node + 12 + i * entry + tag.key_length + 4), depth + 1, visit);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

Status CdxReader::WalkLeaf(const TagHeader& tag, std::uint32_t offset, const std::uint8_t* node,
                           const IndexVisitFn& visit) {
  std::string where = "leaf " + std::to_string(offset);
  std::size_t n = Get16(node + 2);
  std::uint32_t recno_mask = Get32(node + 14);
  std::uint64_t dup_mask = node[18], trail_mask = node[19];
  int r_bits = node[20], d_bits = node[21], t_bits = node[22], k = node[23];
  if (k < 1 || k > 8 || r_bits + d_bits + t_bits > 8 * k) {
    return file_.Corrupt(where + ": bad entry layout");
  }
  std::size_t info_end = kLeafHeader + n * static_cast<std::size_t>(k);
  if (info_end > kNode) return file_.Corrupt(where + ": " + std::to_string(n) + " entries");
  const std::size_t length = tag.key_length;
  key_.resize(length);
  std::size_t key_end = kNode;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* entry = node + kLeafHeader + i * k;
    std::uint64_t v = 0;
    for (int b = k - 1; b >= 0; --b) v = (v << 8) | entry[b];
    std::uint32_t recno = static_cast<std::uint32_t>(v & recno_mask);
    std::size_t dup = r_bits >= 64 ? 0 : (v >> r_bits) & dup_mask;
    std::size_t trail = r_bits + d_bits >= 64 ? 0 : (v >> (r_bits + d_bits)) & trail_mask;
    if ((i == 0 && dup != 0) || dup + trail > length) {
      return file_.Corrupt(where + ": key " + std::to_string(i) + " does not decompress");
    }
    std::size_t fresh = length - dup - trail;
    if (key_end < info_end + fresh) return file_.Corrupt(where + ": key bytes overlap entries");
    key_end -= fresh;
    std::copy(node + key_end, node + key_end + fresh, key_.begin() + dup);
    std::fill(key_.begin() + (length - trail), key_.end(), tag.pad);
    Status s = visit(key_.data(), length, recno);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

}  // namespace kx::storage
