// Index rebuilds through the facade: regeneration of every index a table
// owns (damaged ones included), packs and restructures that carry the
// indexes into the new family, and AddIndex. Every result is checked by the
// index oracle (support/index_oracle.h): each key in walk order is its
// record's key, in index order, for exactly the records the tag holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "tests/storage/support/index_oracle.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::GenOptions;
using testing::ScratchDir;

GenOptions Layout(int level, std::uint32_t records = 300) {
  GenOptions g;
  g.level = level;
  g.records = records;
  g.deleted_pct = 30;
  g.max_memo = 300;
  return g;
}

std::string Ext(int level, bool upper) {
  const char* e = level == 25 ? "cdx" : "mdx";
  return upper ? std::string(level == 25 ? "CDX" : "MDX") : std::string(e);
}

// The table's files but its index files.
testing::DirSnapshot DataFiles(const std::string& dir) {
  testing::DirSnapshot out;
  for (auto& [name, bytes] : testing::Snapshot(dir)) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("dx") == std::string::npos) out.emplace_back(name, bytes);
  }
  return out;
}

TEST(IndexedPack, IndexesWalkToTheLiveRecordsRenumbered) {
  for (int level : {3, 4, 7, 25}) {
    ScratchDir dir;
    const std::string path = dir.File("P.DBF");
    ASSERT_TRUE(testing::MakeTable(path, Layout(level)).ok());
    ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok()) << level;
    testing::IndexCheck before = testing::CheckTableIndexes(path);
    ASSERT_TRUE(before.ok()) << level << ": " << before.problem;
    EXPECT_EQ(before.files, 2);
    EXPECT_EQ(before.tags, 6);

    PackStats stats;
    Status s = Pack(nullptr, path, nullptr, &stats);
    ASSERT_TRUE(s.ok()) << level << ": " << s.message();
    ASSERT_LT(stats.records_after, stats.records_before);
    testing::IndexCheck after = testing::CheckTableIndexes(path);
    EXPECT_TRUE(after.ok()) << level << ": " << after.problem;
    EXPECT_EQ(after.tags, 6);
    EXPECT_LT(after.keys, before.keys);
    EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
  }
}

}  // namespace
}  // namespace kx::storage
