// NDX files made by dBASE: read in order, rebuilt from their tables to the
// same order (and, for the bulk-built ones, the same bytes), and damaged
// copies refused with the index-corrupt code.
#include <gtest/gtest.h>

#include <algorithm>

#include "storage/dbase/index/index_key_codec.h"
#include "storage/dbase/index/ndx_reader.h"
#include "storage/dbase/index/ndx_writer.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::KeyList;
using testing::ScratchDir;

using testing::PutU32At;
using testing::U32At;

// The bytes dBASE gives meaning to: header fields and expression, and in
// every page the count, the used items and the last branch pointer. dBASE
// leaves whatever was in memory everywhere else.
std::string SignificantBytes(const std::string& file) {
  std::string out = file.substr(0, 24);
  out += file.substr(24, file.find('\0', 24) - 24);
  std::size_t item = static_cast<std::uint8_t>(file[18]) | (static_cast<std::uint8_t>(file[19]) << 8);
  for (std::size_t page = 512; page + 512 <= file.size(); page += 512) {
    std::uint32_t n = U32At(file, page);
    bool branch = U32At(file, page + 4) != 0;
    out += "|" + file.substr(page, 4 + n * item + (branch ? 4 : 0));
  }
  return out;
}

void ExpectInIndexOrder(const KeyList& keys, bool numeric) {
  for (std::size_t i = 1; i < keys.size(); ++i) {
    const auto& [a, ra] = keys[i - 1];
    const auto& [b, rb] = keys[i];
    auto value = [](const std::string& k) {
      return GetDoubleLE(reinterpret_cast<const std::uint8_t*>(k.data()));
    };
    bool equal = numeric ? value(a) == value(b) : a == b;
    bool less = numeric ? value(a) < value(b) : a < b;
    ASSERT_TRUE(less || (equal && ra < rb)) << "at key " << i;
  }
}

struct Sample {
  const char* stem;
  const char* field;
  IndexKeyType type;
  bool bulk_built;  // ndx-char was grown by inserts, the others by a bulk build
};

TEST(NdxSamples, ReadInOrderAndRebuildToTheSameOrder) {
  const Sample samples[] = {
      {"ndx-char", "V1", IndexKeyType::kCharacter, false},
      {"ndx-date", "FIELD1", IndexKeyType::kDate, true},
      {"ndx-num", "FIELD1", IndexKeyType::kNumeric, true},
  };
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.stem);
    std::string stem = testing::SourcePath(std::string("tests/data/dbase/") + sample.stem);
    testing::SampleDbf dbf = testing::LoadSampleDbf(stem + ".dbf");
    std::unique_ptr<NdxReader> original;
    ASSERT_TRUE(NdxReader::Open(Env::Default(), stem + ".ndx", &original).ok());
    KeyList before;
    ASSERT_TRUE(testing::WalkTag(original.get(), 0, &before).ok());
    EXPECT_EQ(before.size(), dbf.records.size());
    ExpectInIndexOrder(before, sample.type != IndexKeyType::kCharacter);

    ScratchDir dir;
    IndexTagDef def;
    def.key_expression = original->tags()[0].key_expression;
    def.key_type = sample.type;
    def.key_length = original->tags()[0].key_length;
    auto sorter = testing::NewSorter(IndexFormat::kNdx, def, dir.path());
    testing::AddFieldKeys(dbf, sample.field, sorter.get());
    std::string rebuilt = dir.File("REBUILT.NDX");
    ASSERT_TRUE(WriteNdxFile(Env::Default(), rebuilt, def, sorter.get(), {}).ok());
    EXPECT_EQ(testing::WalkFile(rebuilt), before);
    if (sample.bulk_built) {
      EXPECT_EQ(testing::Hex(SignificantBytes(testing::ReadBytes(rebuilt))),
                testing::Hex(SignificantBytes(testing::ReadBytes(stem + ".ndx"))));
    }
  }
}

// A three-level file (181 keys of 78 bytes) and ways to damage it.
struct Damage {
  const char* name;
  void (*apply)(std::string& file);
};

std::string BuildSmallNdx(const std::string& path) {
  IndexTagDef def;
  def.key_expression = "NAME";
  def.key_length = 78;
  auto sorter = testing::NewSorter(IndexFormat::kNdx, def, DirName(path));
  for (std::uint32_t r = 1; r <= 181; ++r) {
    std::string key = "K" + std::to_string(r);
    EXPECT_TRUE(sorter->AddCharacter(r, key.data(), key.size()).ok());
  }
  EXPECT_TRUE(sorter->Finish().ok());
  EXPECT_TRUE(WriteNdxFile(Env::Default(), path, def, sorter.get(), {}).ok());
  return testing::ReadBytes(path);
}

std::size_t RootAt(const std::string& file) { return U32At(file, 0) * 512; }

TEST(NdxReader, RefusesDamagedFilesWithIndexCorrupt) {
  const Damage damages[] = {
      {"branch points at itself", [](std::string& f) { PutU32At(f, RootAt(f) + 4, U32At(f, 0)); }},
      {"branch points past the end", [](std::string& f) { PutU32At(f, RootAt(f) + 4, 9999); }},
      {"branch points at the header", [](std::string& f) { PutU32At(f, RootAt(f) + 4, 0); }},
      {"key count beyond the page", [](std::string& f) { PutU32At(f, RootAt(f), 1000); }},
      {"leaf item with a child page", [](std::string& f) { PutU32At(f, 512 + 4 + 88, 3); }},
      {"key length zero", [](std::string& f) { f[12] = 0; }},
      {"root page zero", [](std::string& f) { PutU32At(f, 0, 0); }},
      {"item length too small", [](std::string& f) { f[18] = 8; }},
      {"file cut inside the tree", [](std::string& f) { f.resize(512 * 3 + 100); }},
  };
  ScratchDir dir;
  std::string good = BuildSmallNdx(dir.File("GOOD.NDX"));
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    std::string bad = good;
    d.apply(bad);
    Status s = testing::OpenAndWalkAll(dir.File("BAD.NDX"), bad);
    EXPECT_EQ(s.code(), DBIERR_INDEXCORRUPT) << s.message();
  }
}

}  // namespace
}  // namespace kx::storage
