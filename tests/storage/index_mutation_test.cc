// Randomly damaged index files: opening and walking every tag either
// succeeds or fails with a code, never crashes or loops (run it under the
// address and undefined-behaviour sanitizers to see the first).
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "storage/dbase/index/cdx_writer.h"
#include "storage/dbase/index/mdx_writer.h"
#include "storage/dbase/index/ndx_writer.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;

std::string BuildImage(IndexFormat format, const std::string& dir) {
  IndexTagDef def;
  def.name = "K";
  def.key_expression = "K";
  def.key_length = 16;
  auto sorter = testing::NewSorter(format, def, dir);
  for (std::uint32_t r = 1; r <= 1500; ++r) {
    std::string key = std::to_string(r * 37 % 1009);
    EXPECT_TRUE(sorter->AddCharacter(r, key.data(), key.size()).ok());
  }
  EXPECT_TRUE(sorter->Finish().ok());
  std::string path = dir + "/GOOD." + (format == IndexFormat::kNdx   ? "ndx"
                                       : format == IndexFormat::kMdx ? "mdx"
                                                                     : "cdx");
  Status s = format == IndexFormat::kNdx ? WriteNdxFile(Env::Default(), path, def, sorter.get(), {})
             : format == IndexFormat::kMdx
                 ? WriteMdxFile(Env::Default(), path, {"good"}, {{def, sorter.get()}}, {})
                 : WriteCdxFile(Env::Default(), path, {}, {{def, sorter.get()}}, {});
  EXPECT_TRUE(s.ok()) << s.message();
  return testing::ReadBytes(path);
}

TEST(IndexReaders, SurviveRandomDamage) {
  ScratchDir dir;
  std::mt19937 rng(2024);
  int files = 0, refused = 0, read = 0;
  for (IndexFormat format : {IndexFormat::kNdx, IndexFormat::kMdx, IndexFormat::kCdx}) {
    const std::string good = BuildImage(format, dir.path());
    const std::string ext = format == IndexFormat::kNdx ? "ndx" : format == IndexFormat::kMdx ? "mdx" : "cdx";
    for (int i = 0; i < 400; ++i) {
      std::string bad = good;
      int flips = 1 + static_cast<int>(rng() % 8);
      for (int f = 0; f < flips; ++f) {
        // Mostly headers and the first nodes, where the pointers are.
        std::size_t at = rng() % 2 ? rng() % std::min<std::size_t>(bad.size(), 4096) : rng() % bad.size();
        bad[at] = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
      }
      if (rng() % 10 == 0) bad.resize(rng() % bad.size());
      Status s = testing::OpenAndWalkAll(dir.File("BAD." + ext), bad);
      ++files;
      if (s.ok()) {
        ++read;
      } else {
        ++refused;
        EXPECT_EQ(s.code(), DBIERR_INDEXCORRUPT) << s.message();
      }
    }
  }
  std::printf("index-mutations: %d files, %d refused as corrupt, %d read\n", files, refused, read);
}

}  // namespace
}  // namespace kx::storage
