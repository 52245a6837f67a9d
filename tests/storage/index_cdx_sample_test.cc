// CDX files made by FoxPro and Visual FoxPro: tags listed, read in order and
// rebuilt from their tables to the same order; damaged files refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "storage/dbase/index/cdx_reader.h"
#include "storage/dbase/index/cdx_writer.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::KeyList;
using testing::ScratchDir;
using testing::U32At;

std::unique_ptr<CdxReader> OpenCdx(const std::string& path) {
  std::unique_ptr<CdxReader> reader;
  Status s = CdxReader::Open(Env::Default(), path, &reader);
  EXPECT_TRUE(s.ok()) << s.message();
  return reader;
}

std::vector<KeyList> WalkEveryTag(CdxReader* reader) {
  std::vector<KeyList> all(reader->tags().size());
  for (std::size_t t = 0; t < all.size(); ++t) {
    Status s = testing::WalkTag(reader, t, &all[t]);
    EXPECT_TRUE(s.ok()) << s.message();
  }
  return all;
}

// TRIM(UPPER(facility)) == value, worked out by hand for the sample.
bool FacilityIs(const std::string& facility, const std::string& value) {
  std::string s = facility;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  s.erase(s.find_last_not_of(' ') + 1);
  return s == value;
}

TEST(CdxSamples, FoxProRoomsReadAndRebuiltWithItsFilteredTags) {
  std::string dbf_path = testing::SourcePath("tests/data/dbase/rooms.dbf");
  auto original = OpenCdx(testing::SourcePath("tests/data/dbase/rooms.cdx"));
  ASSERT_TRUE(original);
  ASSERT_EQ(original->tags().size(), 5u);
  const char* names[] = {"ROOMNAME", "FACILITY", "AUDIO", "MAIN", "FILM"};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(original->tags()[t].name, names[t]);
  EXPECT_EQ(original->tags()[2].for_expression, "TRIM(UPPER(facility))==\"AUDIO\"");
  EXPECT_TRUE(original->structural());
  std::vector<KeyList> before = WalkEveryTag(original.get());
  testing::SampleDbf dbf = testing::LoadSampleDbf(dbf_path);
  EXPECT_EQ(before[0].size(), dbf.records.size());

  ScratchDir dir;
  std::vector<std::unique_ptr<TagKeySorter>> sorters;
  std::vector<CdxTagInput> inputs;
  for (std::size_t t = 0; t < 5; ++t) {
    const IndexTagInfo& info = original->tags()[t];
    IndexTagDef def;
    def.name = info.name;
    def.key_expression = info.key_expression;
    def.for_expression = info.for_expression;
    def.key_length = info.key_length;
    sorters.push_back(testing::NewSorter(IndexFormat::kCdx, def, dir.path()));
    const std::string field = t == 1 ? "FACILITY" : "ROOMNAME";
    for (std::uint32_t r = 1; r <= dbf.records.size(); ++r) {
      std::string facility = dbf.Value(r, "FACILITY");
      if (t >= 2 && !FacilityIs(facility, names[t])) continue;
      std::string key = dbf.Value(r, field);
      ASSERT_TRUE(sorters[t]->AddCharacter(r, key.data(), key.size()).ok());
    }
    ASSERT_TRUE(sorters[t]->Finish().ok());
    inputs.push_back({def, sorters[t].get()});
  }
  std::string path = dir.File("ROOMS.CDX");
  ASSERT_TRUE(WriteCdxFile(Env::Default(), path, {}, inputs, {}).ok());
  auto rebuilt = OpenCdx(path);
  ASSERT_TRUE(rebuilt);
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(rebuilt->tags()[t].name, names[t]);
    EXPECT_EQ(rebuilt->tags()[t].key_expression, original->tags()[t].key_expression);
    EXPECT_EQ(rebuilt->tags()[t].for_expression, original->tags()[t].for_expression);
  }
  EXPECT_EQ(WalkEveryTag(rebuilt.get()), before);
}

TEST(CdxSamples, VisualFoxProIntegerKeysRebuiltToTheSameOrder) {
  std::string stem = testing::SourcePath("tests/data/dbase/calls");
  auto original = OpenCdx(stem + ".cdx");
  ASSERT_TRUE(original);
  ASSERT_EQ(original->tags().size(), 2u);
  EXPECT_TRUE(original->tags()[0].candidate);
  std::vector<KeyList> before = WalkEveryTag(original.get());
  testing::SampleDbf dbf = testing::LoadSampleDbf(stem + ".dbf");

  ScratchDir dir;
  std::vector<std::unique_ptr<TagKeySorter>> sorters;
  std::vector<CdxTagInput> inputs;
  for (const IndexTagInfo& info : original->tags()) {
    IndexTagDef def;
    def.name = info.name;
    def.key_expression = info.key_expression;
    def.key_type = IndexKeyType::kInteger;
    def.candidate = info.candidate;
    sorters.push_back(testing::NewSorter(IndexFormat::kCdx, def, dir.path()));
    testing::AddFieldKeys(dbf, info.name, sorters.back().get());
    inputs.push_back({def, sorters.back().get()});
  }
  ASSERT_TRUE(WriteCdxFile(Env::Default(), dir.File("CALLS.CDX"), {}, inputs, {}).ok());
  auto rebuilt = OpenCdx(dir.File("CALLS.CDX"));
  ASSERT_TRUE(rebuilt);
  EXPECT_TRUE(rebuilt->tags()[0].candidate);
  EXPECT_EQ(WalkEveryTag(rebuilt.get()), before);
}

TEST(CdxReader, RefusesDamagedFilesWithIndexCorrupt) {
  using testing::PutU32At;
  ScratchDir dir;
  IndexTagDef def;
  def.name = "NAME";
  def.key_expression = "NAME";
  def.key_length = 20;
  auto sorter = testing::NewSorter(IndexFormat::kCdx, def, dir.path());
  for (std::uint32_t r = 1; r <= 3000; ++r) {
    std::string key = "name " + std::to_string(r);
    ASSERT_TRUE(sorter->AddCharacter(r, key.data(), key.size()).ok());
  }
  ASSERT_TRUE(sorter->Finish().ok());
  ASSERT_TRUE(WriteCdxFile(Env::Default(), dir.File("GOOD.CDX"), {}, {{def, sorter.get()}}, {}).ok());
  const std::string good = testing::ReadBytes(dir.File("GOOD.CDX"));
  const std::size_t tag = 1536;
  const std::size_t root = U32At(good, tag);
  ASSERT_EQ(good[root] & 2, 0) << "root is a branch";
  auto first_child = [](const std::string& f, std::size_t node) {
    std::size_t child = 0;  // big-endian offset after the first entry's key and recno
    for (int i = 0; i < 4; ++i) child = (child << 8) | static_cast<std::uint8_t>(f[node + 36 + i]);
    return child;
  };
  std::size_t leaf = root;
  while ((good[leaf] & 2) == 0) leaf = first_child(good, leaf);
  auto set_child = [](std::string& f, std::size_t node, std::uint32_t v) {
    std::size_t at = node + 12 + 20 + 4;
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };

  struct Damage {
    const char* name;
    std::function<void(std::string&)> apply;
  };
  const Damage damages[] = {
      {"directory root past the end", [](std::string& f) { PutU32At(f, 0, 1u << 30); }},
      {"directory names a misaligned header", [](std::string& f) { f[1024 + 24] ^= 0x01; }},
      {"tag key length zero", [&](std::string& f) { f[tag + 12] = 0; f[tag + 13] = 0; }},
      {"expression outside its area", [&](std::string& f) { f[tag + 504] = 0x00; f[tag + 505] = 0x03; }},
      {"branch points at itself", [&](std::string& f) { set_child(f, root, static_cast<std::uint32_t>(root)); }},
      {"branch points inside a page", [&](std::string& f) { set_child(f, root, static_cast<std::uint32_t>(leaf + 7)); }},
      {"branch holds too many entries", [&](std::string& f) { f[root + 2] = 100; }},
      {"leaf entry width zero", [&](std::string& f) { f[leaf + 23] = 0; }},
      {"leaf entries past the node", [&](std::string& f) { f[leaf + 2] = static_cast<char>(200); }},
      {"first key shares bytes", [&](std::string& f) { f[leaf + 24 + 2] = static_cast<char>(0xFF); }},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    std::string bad = good;
    d.apply(bad);
    Status s = testing::OpenAndWalkAll(dir.File("BAD.CDX"), bad);
    EXPECT_EQ(s.code(), DBIERR_INDEXCORRUPT) << s.message();
  }
}

}  // namespace
}  // namespace kx::storage
