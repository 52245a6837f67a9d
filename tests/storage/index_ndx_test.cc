// NDX: round trips through the bulk writer and the reader, the dBASE-made
// samples read and rebuilt, and corrupt files refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/index/index_key_codec.h"
#include "storage/dbase/index/ndx_reader.h"
#include "storage/dbase/index/ndx_writer.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::KeyList;
using testing::ScratchDir;

IndexTagDef CharDef(std::uint16_t length, bool unique = false) {
  IndexTagDef def;
  def.name = "T";
  def.key_expression = "NAME";
  def.key_length = length;
  def.unique = unique;
  return def;
}

std::string Padded(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

struct NdxCase {
  const char* name;
  int keys;
  int distinct;  // key i is "K" + (i % distinct), so equal keys repeat
  bool unique;
};

// Key length 78 gives 88-byte items, 5 keys per page and 6 children per
// branch: 5 keys fill one leaf exactly, 181 keys need three levels.
TEST(NdxWriter, RoundTripsKeysInOrderForEveryShapeOfTree) {
  const NdxCase cases[] = {
      {"empty", 0, 1, false},         {"one key", 1, 1, false},
      {"exactly one full leaf", 5, 5, false}, {"one past a full leaf", 6, 6, false},
      {"three levels", 181, 181, false},      {"duplicates", 40, 7, false},
      {"unique keeps the first record", 40, 7, true},
  };
  for (const NdxCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    IndexTagDef def = CharDef(78, c.unique);
    auto sorter = testing::NewSorter(IndexFormat::kNdx, def, dir.path());
    KeyList expected;
    for (int i = 0; i < c.keys; ++i) {  // added in reverse record order on purpose
      std::uint32_t recno = static_cast<std::uint32_t>(c.keys - i);
      std::string key = Padded("K" + std::to_string(1000 + recno % c.distinct), 78);
      ASSERT_TRUE(sorter->AddCharacter(recno, key.data(), key.size()).ok());
      expected.emplace_back(key, recno);
    }
    std::sort(expected.begin(), expected.end());
    if (c.unique) {
      expected.erase(std::unique(expected.begin(), expected.end(),
                                 [](auto& a, auto& b) { return a.first == b.first; }),
                     expected.end());
    }
    ASSERT_TRUE(sorter->Finish().ok());
    std::string path = dir.File("T.NDX");
    std::vector<int> progress;
    IndexWriteOptions options;
    options.progress = [&](int p) { progress.push_back(p); };
    Status s = WriteNdxFile(Env::Default(), path, def, sorter.get(), options);
    ASSERT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(testing::WalkFile(path), expected);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    std::unique_ptr<NdxReader> reader;
    ASSERT_TRUE(NdxReader::Open(Env::Default(), path, &reader).ok());
    std::string bytes = testing::ReadBytes(path);
    EXPECT_EQ(reader->header_page_count() * 512u, bytes.size());
    EXPECT_EQ(reader->root_page() + 1, reader->header_page_count()) << "root is written last";
    EXPECT_EQ(reader->tags()[0].unique, c.unique);
    EXPECT_EQ(reader->tags()[0].key_expression, "NAME");
  }
}

TEST(NdxWriter, NumericAndDateKeysAreLittleEndianDoublesInNumericOrder) {
  ScratchDir dir;
  IndexTagDef def;
  def.key_type = IndexKeyType::kNumeric;
  def.key_expression = "AMOUNT";
  auto sorter = testing::NewSorter(IndexFormat::kNdx, def, dir.path());
  const double values[] = {3.5, -2, 0, 1e10, -0.25, 3.5, 100};
  for (std::uint32_t i = 0; i < 7; ++i) ASSERT_TRUE(sorter->AddNumber(i + 1, values[i]).ok());
  ASSERT_TRUE(sorter->Finish().ok());
  ASSERT_TRUE(WriteNdxFile(Env::Default(), dir.File("N.NDX"), def, sorter.get(), {}).ok());
  std::vector<std::pair<double, std::uint32_t>> got;
  for (auto& [key, recno] : testing::WalkFile(dir.File("N.NDX"))) {
    got.emplace_back(GetDoubleLE(reinterpret_cast<const std::uint8_t*>(key.data())), recno);
  }
  std::vector<std::pair<double, std::uint32_t>> want = {{-2, 2}, {-0.25, 5}, {0, 3}, {3.5, 1},
                                                         {3.5, 6}, {100, 7}, {1e10, 4}};
  EXPECT_EQ(got, want);
}

TEST(NdxWriter, RefusesWhatNdxCannotHold) {
  ScratchDir dir;
  IndexTagDef def = CharDef(10);
  auto sorter = testing::NewSorter(IndexFormat::kNdx, def, dir.path());
  ASSERT_TRUE(sorter->Finish().ok());
  IndexTagDef with_for = def;
  with_for.for_expression = "AGE > 3";
  EXPECT_EQ(WriteNdxFile(Env::Default(), dir.File("A.NDX"), with_for, sorter.get(), {}).code(),
            DBIERR_INVALIDPARAM);
  IndexTagDef logical = def;
  logical.key_type = IndexKeyType::kLogical;
  EXPECT_EQ(WriteNdxFile(Env::Default(), dir.File("B.NDX"), logical, sorter.get(), {}).code(),
            DBIERR_INDEXNOTSUPPORTED);
  std::unique_ptr<TagKeySorter> none;
  IndexTagDef descending = def;
  descending.descending = true;
  EXPECT_EQ(TagKeySorter::Create(IndexFormat::kNdx, descending, {Env::Default()}, &none).code(),
            DBIERR_INDEXNOTSUPPORTED);
  std::vector<std::string> names;
  ASSERT_TRUE(Env::Default()->ListDir(dir.path(), &names).ok());
  EXPECT_TRUE(names.empty()) << "a refused build leaves no file";
}

}  // namespace
}  // namespace kx::storage
