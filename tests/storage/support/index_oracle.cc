// The index oracle: see index_oracle.h.
#include "tests/storage/support/index_oracle.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "storage/dbase/dbf_table.h"
#include "storage/dbase/index/index_key_codec.h"
#include "storage/dbase/index/index_reader.h"
#include "storage/dbase/index_plan.h"
#include "storage/io/file_names.h"

namespace kx::storage::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The stored key of one record for a tag, in the file's encoding.
Bytes Encode(const PlannedTag& tag, IndexFormat format, const DbfHeader& h,
             const std::string& record) {
  const auto* rec = reinterpret_cast<const unsigned char*>(record.data());
  KeyValue v;
  if (!tag.key->Evaluate(rec, &v).ok()) return {};
  Bytes out(8);
  switch (tag.def.key_type) {
    case IndexKeyType::kCharacter: return Bytes(v.bytes.begin(), v.bytes.end());
    case IndexKeyType::kLogical: return Bytes{static_cast<std::uint8_t>(v.logical ? 'T' : 'F')};
    case IndexKeyType::kNumeric:
      if (format == IndexFormat::kMdx) {
        out.resize(kMdxBcdLength);
        if (tag.number_field >= 0) {
          const DbfField& f = h.fields[tag.number_field];
          EncodeMdxBcdFromText(std::string_view(record.data() + f.offset, f.length), out.data());
        } else {
          EncodeMdxBcdFromDouble(v.number, out.data());
        }
        return out;
      }
      [[fallthrough]];
    default:
      if (format == IndexFormat::kCdx) EncodeOrderedDouble(v.number, out.data());
      else PutDoubleLE(v.number, out.data());
      return out;
  }
}

double Number(const Bytes& k, IndexFormat format, IndexKeyType type) {
  if (format == IndexFormat::kCdx) return DecodeOrderedDouble(k.data());
  if (format == IndexFormat::kMdx && type == IndexKeyType::kNumeric) return DecodeMdxBcd(k.data());
  return GetDoubleLE(k.data());
}

// <0, 0, >0 in the tag's stored order, ignoring record numbers.
int Compare(const Bytes& a, const Bytes& b, const PlannedTag& tag, IndexFormat format,
            const Collation& collation) {
  int c = 0;
  const IndexKeyType type = tag.def.key_type;
  if (type == IndexKeyType::kNumeric || type == IndexKeyType::kDate) {
    const double x = Number(a, format, type), y = Number(b, format, type);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else if (type == IndexKeyType::kCharacter && format != IndexFormat::kCdx) {
    c = collation.Compare(std::span<const std::uint8_t>(a), std::span<const std::uint8_t>(b));
  } else {
    c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  }
  return tag.def.descending && format == IndexFormat::kMdx ? -c : c;
}

char TypeLetter(IndexKeyType t) { return static_cast<char>(t); }

std::string CheckTag(IndexFileReader* reader, std::size_t i, IndexFormat format,
                     const DbfHeader& h, const std::vector<std::string>& records,
                     std::uint64_t* keys) {
  const IndexTagInfo& info = reader->tags()[i];
  IndexTagDef def;
  def.name = info.name;
  def.key_expression = info.key_expression;
  def.for_expression = info.for_expression;
  def.unique = info.unique;
  def.descending = info.descending;
  PlannedTag tag;
  Status s = PlanTag(def, format, h, &tag);
  if (!s.ok()) return "tag " + info.name + " does not compile: " + s.message();
  reader->DeclareKeyType(i, TypeLetter(tag.def.key_type));
  const Collation& collation = TableCollation(h);

  // The records the tag must hold, in record order.
  std::vector<std::uint32_t> expected;
  std::vector<Bytes> kept;
  for (std::uint32_t r = 1; r <= records.size(); ++r) {
    const auto* rec = reinterpret_cast<const unsigned char*>(records[r - 1].data());
    if (tag.filter != nullptr) {
      KeyValue f;
      if (!tag.filter->Evaluate(rec, r, &f).ok() || !f.logical) continue;
    }
    if (info.unique) {
      Bytes k = Encode(tag, format, h, records[r - 1]);
      bool seen = false;
      for (const Bytes& o : kept) seen = seen || Compare(o, k, tag, format, collation) == 0;
      if (seen) continue;
      kept.push_back(k);
    }
    expected.push_back(r);
  }

  std::vector<std::uint32_t> walked;
  Bytes prev;
  std::uint32_t prev_recno = 0;
  std::string problem;
  s = reader->Walk(i, [&](const std::uint8_t* key, std::size_t length, std::uint32_t recno) {
    Bytes k(key, key + length);
    if (recno == 0 || recno > records.size()) {
      problem = "record number " + std::to_string(recno) + " out of range";
    } else if (Encode(tag, format, h, records[recno - 1]) != k) {
      problem = "key of record " + std::to_string(recno) + " differs from its record's";
    } else if (!walked.empty()) {
      int c = Compare(prev, k, tag, format, collation);
      if (c > 0 || (c == 0 && prev_recno >= recno)) {
        problem = "keys out of order at record " + std::to_string(recno);
      }
    }
    walked.push_back(recno);
    prev = std::move(k);
    prev_recno = recno;
    ++*keys;
    return problem.empty() ? Status::OK() : Status::Error(1, problem);
  });
  if (!problem.empty()) return "tag " + info.name + ": " + problem;
  if (!s.ok()) return "tag " + info.name + ": walk: " + s.message();
  std::sort(walked.begin(), walked.end());
  if (walked != expected) {
    return "tag " + info.name + " holds " + std::to_string(walked.size()) + " records, " +
           std::to_string(expected.size()) + " expected";
  }
  return {};
}

Status OpenTable(const std::string& path, const OpenOptions& options,
                 std::unique_ptr<DbfTable>* t, std::vector<std::string>* records) {
  Status s = DbfTable::Open(Env::Default(), path, ShareMode::kShared, t, true, options);
  if (!s.ok()) return s;
  const std::size_t reclen = (*t)->header().record_length;
  return (*t)->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) {
    records->emplace_back(reinterpret_cast<const char*>(rec), reclen);
    return Status::OK();
  });
}

}  // namespace

IndexCheck CheckTableIndexes(const std::string& table_path, const OpenOptions& options) {
  IndexCheck out;
  std::unique_ptr<DbfTable> t;
  std::vector<std::string> records;
  Status s = OpenTable(table_path, options, &t, &records);
  if (!s.ok()) {
    out.problem = "open: " + s.message();
    return out;
  }
  for (const TableIndexFile& f : t->indexes().files) {
    ++out.files;
    std::unique_ptr<IndexFileReader> reader;
    s = IndexFileReader::Open(Env::Default(), f.path, &reader);
    if (!s.ok()) {
      out.problem = BaseName(f.path) + ": " + s.message();
      return out;
    }
    if (reader->format() != f.format) {
      out.problem = BaseName(f.path) + ": read as another format";
      return out;
    }
    for (std::size_t i = 0; i < reader->tags().size(); ++i) {
      ++out.tags;
      std::string p = CheckTag(reader.get(), i, f.format, t->header(), records, &out.keys);
      if (!p.empty()) {
        out.problem = BaseName(f.path) + ": " + p;
        return out;
      }
    }
  }
  return out;
}

std::vector<std::string> IndexWalks(const std::string& table_path, const OpenOptions& options) {
  std::vector<std::string> out;
  TableInfo info;
  if (!Describe(nullptr, table_path, options, &info).ok()) return {"describe failed"};
  for (const std::string& path : info.index_files) {
    std::unique_ptr<IndexFileReader> reader;
    if (!IndexFileReader::Open(Env::Default(), path, &reader).ok()) {
      out.push_back(BaseName(path) + ": unreadable");
      continue;
    }
    for (std::size_t i = 0; i < reader->tags().size(); ++i) {
      const std::string head = BaseName(path) + "|" + reader->tags()[i].name + "|";
      Status s = reader->Walk(i, [&](const std::uint8_t* key, std::size_t n, std::uint32_t recno) {
        static const char* const kHex = "0123456789abcdef";
        std::string line = head;
        for (std::size_t b = 0; b < n; ++b) {
          line += kHex[key[b] >> 4];
          line += kHex[key[b] & 15];
        }
        out.push_back(line + "|" + std::to_string(recno));
        return Status::OK();
      });
      if (!s.ok()) out.push_back(head + "walk failed: " + s.message());
    }
  }
  return out;
}

std::vector<IndexSpec> TestIndexes(bool ndx) {
  std::vector<IndexSpec> specs = {
      {"NAME", "UPPER(NAME)", "", false, false, ""},
      {"QTY", "QTY", "", false, false, ""},
      {"SINCE", "SINCE", "", false, true, ""},
      {"ACTIVE", "DTOS(SINCE)+NAME", "ACTIVE .AND. QTY > 20000", false, false, ""},
      {"PRICE", "PRICE", "", true, false, ""},
  };
  if (ndx) specs.push_back({"", "STR(QTY,8)+NAME", "", false, false, "BYQTY.NDX"});
  return specs;
}

Status AddIndexes(const std::string& table_path, const std::vector<IndexSpec>& specs) {
  for (const IndexSpec& spec : specs) {
    Status s = AddIndex(nullptr, table_path, spec);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

}  // namespace kx::storage::testing
