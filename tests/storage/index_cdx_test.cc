// CDX: round trips for every key kind, compressed leaves, sibling links
// and root marks, directories of many tags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>

#include "storage/dbase/index/cdx_reader.h"
#include "storage/dbase/index/cdx_writer.h"
#include "storage/dbase/index/index_key_codec.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::KeyList;
using testing::ScratchDir;
using testing::U32At;

struct CdxCase {
  const char* name;
  IndexKeyType type;
  int keys;
  bool unique;
  bool descending;
};

// The stored key of value v for a type, made with the codec (tested on
// its own) so that the expected order below is worked out from the values.
std::string StoredKey(IndexKeyType type, long v) {
  std::uint8_t buf[8];
  switch (type) {
    case IndexKeyType::kCharacter: {
      std::string s = "ab" + std::to_string(v % 1000);  // shared prefixes, trailing blanks
      s.resize(20, ' ');
      return s;
    }
    case IndexKeyType::kNumeric:
    case IndexKeyType::kDate:
      EncodeOrderedDouble(type == IndexKeyType::kDate ? 2450000 + v % 900 : (v % 777) - 300.5, buf);
      return std::string(reinterpret_cast<char*>(buf), 8);
    case IndexKeyType::kLogical: return v % 3 == 0 ? "T" : "F";
    case IndexKeyType::kInteger:
      EncodeOrderedInt32(static_cast<std::int32_t>(v % 5000) - 2500, buf);
      return std::string(reinterpret_cast<char*>(buf), 4);
  }
  return "";
}

Status AddKey(TagKeySorter* sorter, IndexKeyType type, std::uint32_t recno, long v) {
  std::string key = StoredKey(type, v);
  const auto* b = reinterpret_cast<const std::uint8_t*>(key.data());
  switch (type) {
    case IndexKeyType::kCharacter: return sorter->AddCharacter(recno, key.data(), key.size());
    case IndexKeyType::kNumeric: return sorter->AddNumber(recno, DecodeOrderedDouble(b));
    case IndexKeyType::kDate: return sorter->AddDate(recno, DecodeOrderedDouble(b));
    case IndexKeyType::kLogical: return sorter->AddLogical(recno, key == "T");
    case IndexKeyType::kInteger: return sorter->AddInteger(recno, DecodeOrderedInt32(b));
  }
  return Status::OK();
}

TEST(CdxWriter, RoundTripsEveryKeyKind) {
  const CdxCase cases[] = {
      {"character, empty", IndexKeyType::kCharacter, 0, false, false},
      {"character, one key", IndexKeyType::kCharacter, 1, false, false},
      {"character, many levels", IndexKeyType::kCharacter, 6000, false, false},
      {"character, unique, descending", IndexKeyType::kCharacter, 3000, true, true},
      {"numeric", IndexKeyType::kNumeric, 4000, false, false},
      {"numeric, descending", IndexKeyType::kNumeric, 2000, false, true},
      {"date, unique", IndexKeyType::kDate, 2500, true, false},
      {"logical", IndexKeyType::kLogical, 700, false, false},
      {"integer", IndexKeyType::kInteger, 9000, false, false},
      {"record numbers past 16 bits", IndexKeyType::kInteger, 70000, false, false},
  };
  for (const CdxCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    IndexTagDef def;
    def.name = "tag1";
    def.key_expression = "F1";
    def.key_type = c.type;
    def.key_length = 20;
    def.unique = c.unique;
    def.descending = c.descending;
    auto sorter = testing::NewSorter(IndexFormat::kCdx, def, dir.path(), 64u << 10);
    std::mt19937 rng(3);
    KeyList want;
    for (int i = 1; i <= c.keys; ++i) {
      long v = static_cast<long>(rng() % 100000);
      ASSERT_TRUE(AddKey(sorter.get(), c.type, static_cast<std::uint32_t>(i), v).ok());
      want.emplace_back(StoredKey(c.type, v), i);
    }
    ASSERT_TRUE(sorter->Finish().ok());
    // Descending or not, FoxPro keeps a tag ascending (the header flag
    // tells readers to walk it backwards).
    std::stable_sort(want.begin(), want.end(), [](auto& a, auto& b) { return a.first < b.first; });
    if (c.unique) {
      want.erase(std::unique(want.begin(), want.end(),
                             [](auto& a, auto& b) { return a.first == b.first; }),
                 want.end());
    }
    std::string path = dir.File("T.CDX");
    Status s = WriteCdxFile(Env::Default(), path, {}, {{def, sorter.get()}}, {});
    ASSERT_TRUE(s.ok()) << s.message();
    std::unique_ptr<CdxReader> reader;
    ASSERT_TRUE(CdxReader::Open(Env::Default(), path, &reader).ok());
    ASSERT_EQ(reader->tags().size(), 1u);
    EXPECT_EQ(reader->tags()[0].name, "TAG1");
    EXPECT_EQ(reader->tags()[0].unique, c.unique);
    EXPECT_EQ(reader->tags()[0].descending, c.descending);
    EXPECT_TRUE(reader->structural());
    reader->DeclareKeyType(0, static_cast<char>(c.type));
    KeyList got;
    ASSERT_TRUE(testing::WalkTag(reader.get(), 0, &got).ok());
    EXPECT_TRUE(got == want) << got.size() << " keys read, " << want.size() << " expected";
  }
}

// Nodes of each level, left to right, by following branch entries.
std::vector<std::vector<std::uint32_t>> Levels(const std::string& f, std::uint32_t root,
                                               std::size_t key_length) {
  std::vector<std::vector<std::uint32_t>> levels = {{root}};
  for (;;) {
    std::vector<std::uint32_t> next;
    for (std::uint32_t node : levels.back()) {
      if (f[node] & 2) return levels;  // leaf level reached
      std::size_t n = static_cast<std::uint8_t>(f[node + 2]) | (static_cast<std::uint8_t>(f[node + 3]) << 8);
      for (std::size_t i = 0; i < n; ++i) {
        std::size_t at = node + 12 + i * (key_length + 8) + key_length + 4;
        next.push_back((std::uint32_t{static_cast<std::uint8_t>(f[at])} << 24) |
                       (static_cast<std::uint8_t>(f[at + 1]) << 16) |
                       (static_cast<std::uint8_t>(f[at + 2]) << 8) | static_cast<std::uint8_t>(f[at + 3]));
      }
    }
    levels.push_back(next);
  }
}

TEST(CdxWriter, LinksSiblingsAndMarksOnlyTheRoot) {
  ScratchDir dir;
  IndexTagDef def;
  def.name = "NAME";
  def.key_expression = "NAME";
  def.key_length = 30;
  auto sorter = testing::NewSorter(IndexFormat::kCdx, def, dir.path());
  for (std::uint32_t r = 1; r <= 20000; ++r) {
    std::string key = "customer " + std::to_string(r * 7919 % 20011);
    ASSERT_TRUE(sorter->AddCharacter(r, key.data(), key.size()).ok());
  }
  ASSERT_TRUE(sorter->Finish().ok());
  ASSERT_TRUE(WriteCdxFile(Env::Default(), dir.File("T.CDX"), {}, {{def, sorter.get()}}, {}).ok());
  std::string f = testing::ReadBytes(dir.File("T.CDX"));
  EXPECT_EQ(U32At(f, 0), 1024u) << "directory leaf right after its header";
  EXPECT_EQ(static_cast<std::uint8_t>(f[14]), 0xE0);
  std::uint32_t tag = 1536;
  EXPECT_EQ(static_cast<std::uint8_t>(f[tag + 14]), 0x60);
  auto levels = Levels(f, U32At(f, tag), 30);
  ASSERT_GE(levels.size(), 3u);
  EXPECT_EQ(U32At(f, tag) + 512, f.size()) << "root written last";
  for (std::size_t l = 0; l < levels.size(); ++l) {
    const auto& nodes = levels[l];
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      EXPECT_EQ(f[nodes[i]] & 1, l == 0 ? 1 : 0) << "root mark";
      EXPECT_EQ(U32At(f, nodes[i] + 4), i == 0 ? 0xFFFFFFFFu : nodes[i - 1]);
      EXPECT_EQ(U32At(f, nodes[i] + 8), i + 1 == nodes.size() ? 0xFFFFFFFFu : nodes[i + 1]);
    }
  }
}

TEST(CdxWriter, BuildsADirectoryTreeForManyTags) {
  ScratchDir dir;
  std::vector<std::unique_ptr<TagKeySorter>> sorters;
  std::vector<CdxTagInput> inputs;
  for (int t = 0; t < 45; ++t) {
    IndexTagDef def;
    def.name = "T" + std::to_string(100 - t);  // creation order is not name order
    def.key_expression = "F" + std::to_string(t);
    def.for_expression = t % 2 ? "DELETED()" : "";
    def.key_type = IndexKeyType::kInteger;
    sorters.push_back(testing::NewSorter(IndexFormat::kCdx, def, dir.path()));
    for (std::uint32_t r = 1; r <= 50; ++r) ASSERT_TRUE(sorters.back()->AddInteger(r, t - static_cast<int>(r)).ok());
    ASSERT_TRUE(sorters.back()->Finish().ok());
    inputs.push_back({def, sorters.back().get()});
  }
  ASSERT_TRUE(WriteCdxFile(Env::Default(), dir.File("T.CDX"), {false}, inputs, {}).ok());
  std::unique_ptr<CdxReader> reader;
  ASSERT_TRUE(CdxReader::Open(Env::Default(), dir.File("T.CDX"), &reader).ok());
  EXPECT_FALSE(reader->structural());
  ASSERT_EQ(reader->tags().size(), 45u);
  for (int t = 0; t < 45; ++t) {
    const IndexTagInfo& info = reader->tags()[t];
    EXPECT_EQ(info.name, inputs[t].def.name);
    EXPECT_EQ(info.key_expression, inputs[t].def.key_expression);
    EXPECT_EQ(info.for_expression, inputs[t].def.for_expression);
    KeyList keys;
    ASSERT_TRUE(testing::WalkTag(reader.get(), t, &keys).ok());
    ASSERT_EQ(keys.size(), 50u);
    EXPECT_EQ(keys.front().second, 50u) << "smallest key is t - 50";
  }
}

}  // namespace
}  // namespace kx::storage
