// NdxReader: header checks and a depth- and visit-bounded tree walk.
#include "storage/dbase/index/ndx_reader.h"

#include <algorithm>
#include <cctype>

namespace kx::storage {
namespace {

constexpr std::size_t kPage = 512;

}  // namespace

Status NdxReader::Open(Env* env, const std::string& path, std::unique_ptr<NdxReader>* out) {
  std::unique_ptr<NdxReader> reader(new NdxReader(env, path));
  Status s = reader->file_.Open();
  if (!s.ok()) return s;
  s = reader->ReadHeader();
  if (!s.ok()) return s;
  *out = std::move(reader);
  return Status::OK();
}

Status NdxReader::ReadHeader() {
  if (file_.size() < 2 * kPage) return file_.Corrupt("shorter than a header and one page");
  std::uint8_t h[kPage];
  Status s = file_.Read(0, h, kPage);
  if (!s.ok()) return s;
  file_pages_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.size() / kPage, UINT32_MAX));
  root_ = Get32(h + 0);
  total_pages_ = Get32(h + 4);
  key_length_ = Get16(h + 12);
  max_keys_ = Get16(h + 14);
  std::uint16_t type = Get16(h + 16);
  item_ = Get16(h + 18);
  if (type > 1) return file_.Corrupt("unknown key type " + std::to_string(type));
  if (key_length_ == 0 || key_length_ > 100 || (type == 1 && key_length_ != 8)) {
    return file_.Corrupt("key length " + std::to_string(key_length_));
  }
  if (item_ < key_length_ + 8 || item_ > kPage - 8) {
    return file_.Corrupt("item length " + std::to_string(item_));
  }
  if (max_keys_ == 0 || 4 + std::size_t{max_keys_} * item_ > kPage) {
    return file_.Corrupt("keys per page " + std::to_string(max_keys_));
  }
  if (root_ == 0 || root_ >= file_pages_) {
    return file_.Corrupt("root page " + std::to_string(root_) + " outside the file");
  }
  IndexTagInfo info;
  std::string base = BaseName(file_.path());
  info.name = base.substr(0, base.rfind('.'));
  for (char& c : info.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const char* expr = reinterpret_cast<const char*>(h + 24);
  std::size_t len = 0;
  while (len < kPage - 24 && expr[len] != '\0') ++len;
  info.key_expression.assign(expr, len);
  info.key_type = type == 0 ? 'C' : 'N';
  info.key_length = key_length_;
  info.unique = h[23] != 0;
  tags_.push_back(info);
  return Status::OK();
}

Status NdxReader::Walk(std::size_t tag, const IndexVisitFn& visit) {
  if (tag != 0) return file_.Corrupt("no tag " + std::to_string(tag));
  visited_ = 0;
  return WalkPage(root_, 0, visit);
}

Status NdxReader::WalkPage(std::uint32_t page, int depth, const IndexVisitFn& visit) {
  if (depth > kIndexMaxDepth) return file_.Corrupt("tree deeper than 32 levels");
  if (++visited_ > file_pages_) return file_.Corrupt("a page is reachable twice (cycle)");
  if (page == 0 || page >= file_pages_) {
    return file_.Corrupt("page " + std::to_string(page) + " outside the file");
  }
  std::uint8_t p[kPage];
  Status s = file_.Read(std::uint64_t{page} * kPage, p, kPage);
  if (!s.ok()) return s;
  std::uint32_t n = Get32(p);
  bool interior = Get32(p + 4) != 0;
  // An interior page has n keys and n + 1 pointers, the last without key.
  std::size_t items = interior ? std::size_t{n} + 1 : n;
  std::size_t used = interior ? 4 + std::size_t{n} * item_ + 4 : 4 + std::size_t{n} * item_;
  if (n > max_keys_ || used > kPage) {
    return file_.Corrupt("page " + std::to_string(page) + " holds " + std::to_string(n) + " keys");
  }
  for (std::size_t i = 0; i < items; ++i) {
    const std::uint8_t* item = p + 4 + i * item_;
    std::uint32_t child = Get32(item);
    // Leaf items carry record numbers from 1 and no child; branch items a
    // child and record number 0.
    if ((child != 0) != interior || (!interior && Get32(item + 4) == 0)) {
      return file_.Corrupt("page " + std::to_string(page) + " mixes leaf and branch items");
    }
    s = interior ? WalkPage(child, depth + 1, visit) : visit(item + 8, key_length_, Get32(item + 4));
    if (!s.ok()) return s;
  }
  return Status::OK();
}

}  // namespace kx::storage
