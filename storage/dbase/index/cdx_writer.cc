// CDX writer: tag headers, tag trees, then the directory that names them.
#include "storage/dbase/index/cdx_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/index/bulk_tree_builder.h"
#include "storage/dbase/index/cdx_node_layout.h"
#include "storage/dbase/index/index_file_io.h"

namespace kx::storage {
namespace {

constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kNameLength = 10;
constexpr std::size_t kSingleLeafTags = 32;  // fit one leaf whatever the entry width
constexpr std::uint8_t kCompact = 0x20, kCompound = 0x40, kStructural = 0x80;

// The directory's keys: (name padded to 10, tag header offset) by name.
class DirectorySource final : public SortedKeySource {
 public:
  void Add(const std::string& name, std::uint32_t offset) {
    std::string key = name;
    key.resize(kNameLength, ' ');
    entries_.push_back({key, offset});
  }
  void Sort() { std::sort(entries_.begin(), entries_.end()); }
  Status Next(const std::uint8_t** key, std::uint32_t* recno, bool* has) override {
    *has = next_ < entries_.size();
    if (*has) {
      *key = reinterpret_cast<const std::uint8_t*>(entries_[next_].first.data());
      *recno = entries_[next_++].second;
    }
    return Status::OK();
  }
  std::size_t key_length() const override { return kNameLength; }
  std::uint64_t size_hint() const override { return entries_.size(); }
  std::uint32_t max_recno() const override {
    std::uint32_t max = 0;
    for (const auto& e : entries_) max = std::max(max, e.second);
    return max;
  }

 private:
  std::vector<std::pair<std::string, std::uint32_t>> entries_;
  std::size_t next_ = 0;
};

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

Status CheckTags(const std::string& path, const std::vector<CdxTagInput>& tags) {
  if (tags.empty()) return Status::Error(DBIERR_INVALIDPARAM, "a CDX file needs a tag", path);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const IndexTagDef& def = tags[i].def;
    std::uint16_t key_length;
    Status s = ResolveKeyLength(IndexFormat::kCdx, def, &key_length);
    if (!s.ok()) return s;
    if (def.name.empty() || def.name.size() > kNameLength) {
      return Status::Error(DBIERR_INVALIDPARAM, "CDX tag names have 1 to 10 characters", path,
                           def.name);
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (Upper(tags[j].def.name) == Upper(def.name)) {
        return Status::Error(DBIERR_INVALIDPARAM, "CDX tag name used twice", path, def.name);
      }
    }
    if (def.key_expression.size() + def.for_expression.size() + 2 > 512) {
      return Status::Error(DBIERR_INVALIDPARAM, "CDX expressions exceed 510 bytes", path,
                           def.name);
    }
    if (tags[i].keys == nullptr || tags[i].keys->key_length() != key_length) {
      return Status::Error(DBIERR_INVALIDPARAM, "key source does not match the tag", path,
                           def.name);
    }
  }
  return Status::OK();
}

// Header shared by the directory and the tags (expression pool at 512).
std::vector<std::uint8_t> MakeHeader(std::uint64_t root, std::size_t key_length,
                                     std::uint8_t options, bool descending,
                                     const std::string& key_expr, const std::string& for_expr) {
  std::vector<std::uint8_t> h(kHeaderBytes, 0);
  Put32(h.data() + 0, static_cast<std::uint32_t>(root));
  Put16(h.data() + 12, static_cast<std::uint32_t>(key_length));
  h[14] = options;
  h[15] = 0x01;
  Put16(h.data() + 502, descending ? 1 : 0);
  Put16(h.data() + 504, static_cast<std::uint32_t>(key_expr.size() + 1));
  Put16(h.data() + 506, static_cast<std::uint32_t>(for_expr.size() + 1));
  Put16(h.data() + 508, 0);
  Put16(h.data() + 510, static_cast<std::uint32_t>(key_expr.size() + 1));
  std::memcpy(h.data() + 512, key_expr.data(), key_expr.size());
  std::memcpy(h.data() + 512 + key_expr.size() + 1, for_expr.data(), for_expr.size());
  return h;
}

}  // namespace

Status WriteCdxFile(Env* env, const std::string& path, const CdxFileOptions& file_options,
                    const std::vector<CdxTagInput>& tags, const IndexWriteOptions& options) {
  Status s = CheckTags(path, tags);
  if (!s.ok()) return s;
  IndexOutputFile file(env, path);
  if (!(s = file.Create(options.file_mode)).ok()) return s;
  IndexFileAppender out(env, file.fd());
  std::uint64_t total_keys = 0;
  for (const CdxTagInput& t : tags) total_keys += t.keys->size_hint();
  IndexProgressMeter progress(options.progress, total_keys);

  const bool directory_first = tags.size() <= kSingleLeafTags;
  std::uint64_t pos = directory_first ? kHeaderBytes + 512 : kHeaderBytes;
  DirectorySource directory;
  for (const CdxTagInput& tag : tags) {
    const IndexTagDef& def = tag.def;
    std::uint64_t header_pos = pos;
    std::uint8_t pad = def.key_type == IndexKeyType::kCharacter ? ' ' : 0;
    CdxNodeLayout layout(tag.keys->key_length(), pad, tag.keys->max_recno());
    BulkTreeResult tree;
    s = BuildBulkTree(env, &out, &layout, tag.keys, header_pos + kHeaderBytes,
                      file.TempPrefix(options), &progress, &tree);
    if (!s.ok()) return s;
    std::uint8_t flags = kCompact | kCompound | (def.unique ? 0x01 : 0) |
                         (def.candidate ? 0x04 : 0) | (def.for_expression.empty() ? 0 : 0x08);
    std::vector<std::uint8_t> header = MakeHeader(tree.root_pos, tag.keys->key_length(), flags,
                                                  def.descending, def.key_expression,
                                                  def.for_expression);
    if (!(s = out.Write(header_pos, header.data(), header.size())).ok()) return s;
    directory.Add(Upper(def.name), static_cast<std::uint32_t>(header_pos));
    pos = tree.end_pos;
    if (pos > 0xFFFFFFFFu) {
      return Status::Error(DBIERR_INVALIDPARAM, "CDX files cannot exceed 4 GiB", path);
    }
  }

  directory.Sort();
  CdxNodeLayout directory_layout(kNameLength, ' ', directory.max_recno());
  BulkTreeResult tree;
  s = BuildBulkTree(env, &out, &directory_layout, &directory,
                    directory_first ? kHeaderBytes : pos, file.TempPrefix(options), nullptr, &tree);
  if (!s.ok()) return s;
  std::uint8_t flags = kCompact | kCompound | (file_options.structural ? kStructural : 0);
  std::vector<std::uint8_t> header = MakeHeader(tree.root_pos, kNameLength, flags, false, "", "");
  if (!(s = out.Write(0, header.data(), header.size())).ok()) return s;
  if (!(s = out.Flush()).ok()) return s;
  if (!(s = file.Commit(options.sync)).ok()) return s;
  progress.Done();
  return Status::OK();
}

Status WriteIdxFile(Env* env, const std::string& path, const CdxTagInput& tag,
                    const IndexWriteOptions& options) {
  CdxTagInput named = tag;
  if (named.def.name.empty()) named.def.name = "IDX";  // an .idx is named by its file
  Status s = CheckTags(path, {named});
  if (!s.ok()) return s;
  const IndexTagDef& def = tag.def;
  IndexOutputFile file(env, path);
  if (!(s = file.Create(options.file_mode)).ok()) return s;
  IndexFileAppender out(env, file.fd());
  IndexProgressMeter progress(options.progress, tag.keys->size_hint());
  std::uint8_t pad = def.key_type == IndexKeyType::kCharacter ? ' ' : 0;
  CdxNodeLayout layout(tag.keys->key_length(), pad, tag.keys->max_recno());
  BulkTreeResult tree;
  s = BuildBulkTree(env, &out, &layout, tag.keys, kHeaderBytes, file.TempPrefix(options),
                    &progress, &tree);
  if (!s.ok()) return s;
  if (tree.end_pos > 0xFFFFFFFFu) {
    return Status::Error(DBIERR_INVALIDPARAM, "IDX files cannot exceed 4 GiB", path);
  }
  std::uint8_t flags = kCompact | (def.unique ? 0x01 : 0) | (def.candidate ? 0x04 : 0) |
                       (def.for_expression.empty() ? 0 : 0x08);
  std::vector<std::uint8_t> header = MakeHeader(tree.root_pos, tag.keys->key_length(), flags,
                                                def.descending, def.key_expression,
                                                def.for_expression);
  if (!(s = out.Write(0, header.data(), header.size())).ok()) return s;
  if (!(s = out.Flush()).ok()) return s;
  if (!(s = file.Commit(options.sync)).ok()) return s;
  progress.Done();
  return Status::OK();
}

}  // namespace kx::storage
