// IndexPlan: see index_plan.h.
#include "storage/dbase/index_plan.h"

#include "storage/api/codes.h"
#include "storage/core/lang/lang_driver.h"
#include "storage/dbase/expr/collation_case_map.h"
#include "storage/dbase/index/index_reader.h"
#include "storage/dbase/index/mdx_reader.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

constexpr std::size_t kMaxMdxTags = 47;

std::vector<ExprField> ExprFields(const DbfHeader& header) {
  std::vector<ExprField> fields;
  for (const DbfField& f : header.fields) {
    fields.push_back({f.name, f.type, static_cast<int>(f.offset), f.length, f.decimals});
  }
  return fields;
}

bool HasLower(const std::string& s) {
  for (char c : s) {
    if (c >= 'a' && c <= 'z') return true;
  }
  return false;
}

// A refusal naming the table (context 0) and the index file (context 1).
Status CannotRebuild(const std::string& table_path, const std::string& index_path,
                     const std::string& why) {
  return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                       "index '" + BaseName(index_path) + "' cannot be rebuilt: " + why,
                       table_path, index_path);
}

Status ReadDefinitions(Env* env, const TableIndexFile& file, std::vector<IndexTagInfo>* tags,
                       std::size_t* block_bytes) {
  if (file.format == IndexFormat::kMdx) {
    std::unique_ptr<MdxReader> mdx;
    Status s = MdxReader::Open(env, file.path, &mdx);
    if (!s.ok()) return s;
    *tags = mdx->tags();
    *block_bytes = mdx->block_bytes();
    return Status::OK();
  }
  std::unique_ptr<IndexFileReader> reader;
  Status s = IndexFileReader::Open(env, file.path, &reader);
  if (s.ok()) *tags = reader->tags();
  return s;
}

}  // namespace

std::size_t IndexPlan::tag_count() const {
  std::size_t n = 0;
  for (const PlannedIndexFile& f : files) n += f.tags.size();
  return n;
}

const PlannedIndexFile* IndexPlan::production() const {
  for (const PlannedIndexFile& f : files) {
    if (f.production) return &f;
  }
  return nullptr;
}

const Collation& TableCollation(const DbfHeader& header) {
  return Collation::For(header.driver != nullptr ? *header.driver : DefaultDbaseLangDriver());
}

std::string ProductionIndexPath(const std::string& table_path, IndexFormat format) {
  const std::string base = BaseName(table_path);
  const std::string stem = TableStem(table_path);
  const bool upper = base.size() > stem.size() && !HasLower(base.substr(stem.size()));
  std::string ext = format == IndexFormat::kCdx ? "cdx" : "mdx";
  if (upper) ext = format == IndexFormat::kCdx ? "CDX" : "MDX";
  return JoinPath(DirName(table_path), stem + "." + ext);
}

Status PlanTag(const IndexTagDef& def, IndexFormat format, const DbfHeader& header,
               PlannedTag* out) {
  const std::vector<ExprField> fields = ExprFields(header);
  CollationCaseMap case_map(TableCollation(header));
  ExprLimits limits;
  limits.max_key_length = format == IndexFormat::kCdx ? 240 : 100;
  PlannedTag tag;
  tag.def = def;
  Status s = KeyExpr::Compile(def.key_expression, fields, &case_map, limits, &tag.key);
  if (!s.ok()) return s;
  if (!def.for_expression.empty()) {
    if (format == IndexFormat::kNdx) {
      return Status::Error(DBIERR_INDEXNOTSUPPORTED, "an .ndx index has no FOR condition",
                           def.name);
    }
    s = KeyExpr::CompileFilter(def.for_expression, fields, &case_map, &tag.filter);
    if (!s.ok()) return s;
  }
  switch (tag.key->type()) {
    case 'C':
      tag.def.key_type = IndexKeyType::kCharacter;
      tag.def.key_length = static_cast<std::uint16_t>(tag.key->length());
      break;
    case 'N': tag.def.key_type = IndexKeyType::kNumeric; break;
    case 'D': tag.def.key_type = IndexKeyType::kDate; break;
    default: tag.def.key_type = IndexKeyType::kLogical; break;
  }
  if (def.descending && format == IndexFormat::kNdx) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED, "an .ndx index cannot be descending",
                         def.name);
  }
  std::uint16_t length;
  s = ResolveKeyLength(format, tag.def, &length);
  if (!s.ok()) return s;
  const int bare = tag.key->bare_field();
  if (format == IndexFormat::kMdx && tag.def.key_type == IndexKeyType::kNumeric && bare >= 0 &&
      (header.fields[bare].type == 'N' || header.fields[bare].type == 'F')) {
    tag.number_field = bare;
  }
  *out = std::move(tag);
  return Status::OK();
}

Status PlanTableIndexes(Env* env, const TableIndexes& indexes, const std::string& table_path,
                        const DbfHeader& source, const DbfHeader& target, IndexPlan* out) {
  *out = IndexPlan();
  out->collation = &TableCollation(target);
  for (const TableIndexFile& found : indexes.files) {
    PlannedIndexFile file;
    file.source_path = found.path;
    file.final_path = found.path;
    file.format = found.format;
    file.production = found.production;
    file.stand_alone_idx = found.stand_alone_idx;
    std::vector<IndexTagInfo> tags;
    Status s = ReadDefinitions(env, found, &tags, &file.mdx_block_bytes);
    if (!s.ok()) {
      s = Status::Error(s.code(), "index '" + BaseName(found.path) + "': " + s.message(),
                        table_path, found.path);
      return s;
    }
    if (found.production && source.level != target.level) {
      const IndexFormat wanted = target.foxpro ? IndexFormat::kCdx : IndexFormat::kMdx;
      if (wanted != file.format) {
        file.format = wanted;
        file.final_path = ProductionIndexPath(table_path, wanted);
        out->removed.push_back(found.path);
      }
    }
    if (tags.empty()) continue;  // indexes nothing: left as it is, and not claimed
    if (file.format == IndexFormat::kMdx && tags.size() > kMaxMdxTags) {
      return CannotRebuild(table_path, found.path,
                           std::to_string(tags.size()) + " tags, an .mdx holds 47");
    }
    for (const IndexTagInfo& info : tags) {
      IndexTagDef def;
      def.name = info.name;
      def.key_expression = info.key_expression;
      def.for_expression = info.for_expression;
      def.descending = info.descending;
      const bool cdx = file.format == IndexFormat::kCdx;
      def.unique = info.unique || (!cdx && info.candidate);
      def.candidate = cdx && info.candidate;
      PlannedTag tag;
      s = PlanTag(def, file.format, target, &tag);
      if (!s.ok()) return CannotRebuild(table_path, found.path, "tag " + info.name + ": " + s.message());
      file.tags.push_back(std::move(tag));
    }
    out->files.push_back(std::move(file));
  }
  return Status::OK();
}

std::vector<std::uint8_t> HeaderBytesForPlan(const DbfHeader& header, const IndexPlan& plan) {
  std::vector<std::uint8_t> raw = header.raw;
  const PlannedIndexFile* production = plan.production();
  raw[28] = static_cast<std::uint8_t>((raw[28] & ~0x01) | (production != nullptr ? 0x01 : 0));
  if (production == nullptr || production->format != IndexFormat::kMdx || header.foxpro) {
    return raw;
  }
  const std::size_t start = header.level == 7 ? 68 : 32;
  const std::size_t size = header.level == 7 ? 48 : 32;
  const std::size_t flag = header.level == 7 ? 37 : 31;
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    bool keyed = false;
    for (const PlannedTag& t : production->tags) keyed = keyed || t.key->bare_field() == int(i);
    const std::size_t at = start + i * size + flag;
    if (at < raw.size()) raw[at] = keyed ? 1 : 0;
  }
  return raw;
}

}  // namespace kx::storage
