// MDX: several tags of every key kind in one file, for several block
// sizes; the tag table and its name tree; damaged files refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "storage/api/codes.h"
#include "storage/dbase/index/index_key_codec.h"
#include "storage/dbase/index/mdx_reader.h"
#include "storage/dbase/index/mdx_writer.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::KeyList;
using testing::ScratchDir;

struct Row {
  std::uint32_t recno;
  std::string name;    // C(12)
  std::string amount;  // numeric field text
  int day;             // Julian day
  int age;
};

std::vector<Row> MakeRows(int n) {
  std::mt19937 rng(7);
  std::vector<Row> rows;
  for (int i = 1; i <= n; ++i) {
    Row r;
    r.recno = static_cast<std::uint32_t>(i);
    r.name = "N" + std::to_string(rng() % 97);
    r.name.resize(12, ' ');
    char text[16];
    std::snprintf(text, sizeof text, "%9.2f", (static_cast<int>(rng() % 20001) - 10000) / 100.0);
    r.amount = text;
    r.day = 2450000 + static_cast<int>(rng() % 400);
    r.age = static_cast<int>(rng() % 60);
    rows.push_back(r);
  }
  return rows;
}

IndexTagDef Def(const char* name, const char* expr, IndexKeyType type, std::uint16_t length = 0) {
  IndexTagDef def;
  def.name = name;
  def.key_expression = expr;
  def.key_type = type;
  def.key_length = length;
  return def;
}

TEST(MdxWriter, RoundTripsSeveralTagsForEveryBlockSize) {
  std::vector<Row> rows = MakeRows(700);
  IndexTagDef name = Def("NAME", "NAME", IndexKeyType::kCharacter, 12);
  IndexTagDef amount = Def("AMOUNT", "AMOUNT", IndexKeyType::kNumeric);
  amount.descending = true;
  IndexTagDef born = Def("BORN", "BORN", IndexKeyType::kDate);
  born.unique = true;
  IndexTagDef older = Def("OLDER", "NAME", IndexKeyType::kCharacter, 12);
  older.for_expression = "AGE > 30";
  IndexTagDef none = Def("NONE", "NAME", IndexKeyType::kCharacter, 12);
  none.for_expression = ".F.";

  // What each tag must hold, worked out without the index code.
  KeyList want_name, want_older;
  std::vector<std::pair<double, std::uint32_t>> want_amount, want_born;
  for (const Row& r : rows) {
    want_name.emplace_back(r.name, r.recno);
    if (r.age > 30) want_older.emplace_back(r.name, r.recno);
    want_amount.emplace_back(ParseNumericText(r.amount), r.recno);
    want_born.emplace_back(r.day, r.recno);
  }
  std::sort(want_name.begin(), want_name.end());
  std::sort(want_older.begin(), want_older.end());
  std::sort(want_amount.begin(), want_amount.end(), [](auto& a, auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  std::sort(want_born.begin(), want_born.end());
  want_born.erase(std::unique(want_born.begin(), want_born.end(),
                              [](auto& a, auto& b) { return a.first == b.first; }),
                  want_born.end());

  for (std::size_t block : {512u, 1024u, 2048u}) {
    SCOPED_TRACE("block " + std::to_string(block));
    ScratchDir dir;
    std::vector<IndexTagDef> defs = {name, amount, born, older, none};
    std::vector<std::unique_ptr<TagKeySorter>> sorters;
    for (const IndexTagDef& def : defs) {
      sorters.push_back(testing::NewSorter(IndexFormat::kMdx, def, dir.path(), 8u << 10));
    }
    for (const Row& r : rows) {
      ASSERT_TRUE(sorters[0]->AddCharacter(r.recno, r.name.data(), r.name.size()).ok());
      ASSERT_TRUE(sorters[1]->AddNumberText(r.recno, r.amount).ok());
      ASSERT_TRUE(sorters[2]->AddDate(r.recno, r.day).ok());
      if (r.age > 30) ASSERT_TRUE(sorters[3]->AddCharacter(r.recno, r.name.data(), 12).ok());
    }
    std::vector<MdxTagInput> inputs;
    for (std::size_t i = 0; i < defs.size(); ++i) {
      ASSERT_TRUE(sorters[i]->Finish().ok());
      inputs.push_back({defs[i], sorters[i].get()});
    }
    MdxFileOptions file_options;
    file_options.table_name = "people";
    file_options.block_bytes = block;
    std::string path = dir.File("PEOPLE.MDX");
    Status s = WriteMdxFile(Env::Default(), path, file_options, inputs, {});
    ASSERT_TRUE(s.ok()) << s.message();

    std::unique_ptr<MdxReader> reader;
    ASSERT_TRUE(MdxReader::Open(Env::Default(), path, &reader).ok());
    EXPECT_EQ(reader->block_bytes(), block);
    EXPECT_EQ(reader->table_name(), "PEOPLE");
    ASSERT_EQ(reader->tags().size(), 5u);
    const IndexTagInfo& t1 = reader->tags()[1];
    EXPECT_EQ(t1.name, "AMOUNT");
    EXPECT_EQ(t1.key_type, 'N');
    EXPECT_EQ(t1.key_length, 12);
    EXPECT_TRUE(t1.descending);
    EXPECT_TRUE(reader->tags()[2].unique);
    EXPECT_EQ(reader->tags()[2].key_length, 8);
    EXPECT_EQ(reader->tags()[3].for_expression, "AGE > 30");
    EXPECT_EQ(reader->tags()[0].for_expression, "");

    KeyList got;
    ASSERT_TRUE(testing::WalkTag(reader.get(), 0, &got).ok());
    EXPECT_EQ(got, want_name);
    ASSERT_TRUE(testing::WalkTag(reader.get(), 3, &got).ok());
    EXPECT_EQ(got, want_older);
    ASSERT_TRUE(testing::WalkTag(reader.get(), 4, &got).ok());
    EXPECT_TRUE(got.empty());
    std::vector<std::pair<double, std::uint32_t>> numbers;
    ASSERT_TRUE(testing::WalkTag(reader.get(), 1, &got).ok());
    for (auto& [k, r] : got) numbers.emplace_back(DecodeMdxBcd(reinterpret_cast<const std::uint8_t*>(k.data())), r);
    EXPECT_EQ(numbers, want_amount);
    numbers.clear();
    ASSERT_TRUE(testing::WalkTag(reader.get(), 2, &got).ok());
    for (auto& [k, r] : got) numbers.emplace_back(GetDoubleLE(reinterpret_cast<const std::uint8_t*>(k.data())), r);
    EXPECT_EQ(numbers, want_born);

    std::string bytes = testing::ReadBytes(path);
    EXPECT_EQ(std::size_t{testing::U32At(bytes, 32)} * 512, bytes.size()) << "page count";
  }
}

TEST(MdxWriter, ThreadsTheTagTableAsANameTreeInCreationOrder) {
  ScratchDir dir;
  const char* names[] = {"NAME", "CITY", "ZIP", "AGE", "BORN"};
  std::vector<std::unique_ptr<TagKeySorter>> sorters;
  std::vector<MdxTagInput> inputs;
  for (const char* n : names) {
    IndexTagDef def = Def(n, n, IndexKeyType::kCharacter, 4);
    sorters.push_back(testing::NewSorter(IndexFormat::kMdx, def, dir.path()));
    ASSERT_TRUE(sorters.back()->Finish().ok());
    inputs.push_back({def, sorters.back().get()});
  }
  ASSERT_TRUE(WriteMdxFile(Env::Default(), dir.File("T.MDX"), {"t"}, inputs, {}).ok());
  std::string h = testing::ReadBytes(dir.File("T.MDX"));
  EXPECT_EQ(h[0], 2);
  EXPECT_EQ(h[25], 0x30);
  EXPECT_EQ(h[26], 0x20);
  EXPECT_EQ(h[28], 5);
  EXPECT_EQ(h[529], 1) << "the table entry's right link names the root tag";
  // slot: {left, right, parent}; NAME is the root, CITY < NAME < ZIP, ...
  const int threads[5][3] = {{2, 3, 0}, {4, 0, 1}, {0, 0, 1}, {0, 5, 2}, {0, 0, 4}};
  for (int i = 0; i < 5; ++i) {
    const char* slot = h.data() + 544 + 32 * i;
    EXPECT_EQ(std::string(slot + 4), names[i]);
    EXPECT_EQ(slot[16], threads[i][0]) << names[i];
    EXPECT_EQ(slot[17], threads[i][1]) << names[i];
    EXPECT_EQ(slot[18], threads[i][2]) << names[i];
  }
  EXPECT_EQ(testing::WalkFile(dir.File("T.MDX"), 4).size(), 0u) << "empty tags read back empty";
}

// A two-level tag (300 keys of 60 bytes, 1024-byte blocks) and damage.
TEST(MdxReader, RefusesDamagedFilesWithIndexCorrupt) {
  using testing::PutU32At;
  using testing::U32At;
  ScratchDir dir;
  IndexTagDef def = Def("NAME", "NAME", IndexKeyType::kCharacter, 60);
  auto sorter = testing::NewSorter(IndexFormat::kMdx, def, dir.path());
  for (std::uint32_t r = 1; r <= 300; ++r) {
    std::string key = "K" + std::to_string(r);
    ASSERT_TRUE(sorter->AddCharacter(r, key.data(), key.size()).ok());
  }
  ASSERT_TRUE(sorter->Finish().ok());
  ASSERT_TRUE(WriteMdxFile(Env::Default(), dir.File("GOOD.MDX"), {"good"},
                           {{def, sorter.get()}}, {}).ok());
  const std::string good = testing::ReadBytes(dir.File("GOOD.MDX"));
  const std::size_t tag_header = U32At(good, 544) * 512;
  const std::size_t root = U32At(good, tag_header) * 512;
  ASSERT_NE(U32At(good, root + 8 + U32At(good, root) * 64), 0u) << "root is a branch";

  struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
  };
  const Damage damages[] = {
      {"more tags than slots", [](std::string& f) { f[28] = 48; }},
      {"tag header past the end", [](std::string& f) { PutU32At(f, 544, 100000); }},
      {"tag header inside the file header", [](std::string& f) { PutU32At(f, 544, 1); }},
      {"root past the end", [&](std::string& f) { PutU32At(f, tag_header, 100000); }},
      {"branch points at itself", [&](std::string& f) { PutU32At(f, root + 8, U32At(f, tag_header)); }},
      {"key count beyond the block", [&](std::string& f) { PutU32At(f, root, 500); }},
      {"item shorter than the key", [&](std::string& f) { f[tag_header + 18] = 8; }},
      {"numeric key not 12 bytes", [&](std::string& f) { f[tag_header + 9] = 'N'; }},
      {"block size not whole pages", [](std::string& f) { f[22] = 100; }},
      {"file cut inside the tree", [](std::string& f) { f.resize(f.size() - 1500); }},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    std::string bad = good;
    d.apply(bad);
    Status s = testing::OpenAndWalkAll(dir.File("BAD.MDX"), bad);
    EXPECT_EQ(s.code(), DBIERR_INDEXCORRUPT) << s.message();
  }
}

}  // namespace
}  // namespace kx::storage
