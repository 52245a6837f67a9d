// Pack: the live records survive in order with their memos, deleted ones and
// their memos go, the files end exactly right, and tables pack refuses are
// left byte-for-byte alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "storage/core/byte_order.h"
#include "storage/dbase/dbf_table.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::GenOptions;
using testing::ScratchDir;
using testing::TableImage;

struct RecordingSink : ProgressSink {
  std::vector<std::string> phases, messages;
  std::vector<int> percents;
  void PhaseStart(const std::string& w) override { phases.push_back(w); }
  void Percent(int p) override { percents.push_back(p); }
  void Message(const std::string& t) override { messages.push_back(t); }
  void RestructureStep(std::uint32_t, const std::string&) override {}
};

std::string MemoPathOf(const std::string& dbf) {
  std::string base = dbf.substr(0, dbf.size() - 4);
  for (const char* ext : {".dbt", ".fpt", ".DBT", ".FPT"}) {
    if (access((base + ext).c_str(), F_OK) == 0) return base + ext;
  }
  return "";
}

// Packs `path` and checks everything a pack promises against the image
// taken before it.
void PackAndCheck(const std::string& path) {
  TableImage before, after;
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &before).ok());
  std::string memo = MemoPathOf(path);
  std::uint64_t memo_before = memo.empty() ? 0 : testing::ReadBytes(memo).size();

  RecordingSink sink;
  PackStats stats;
  Status s = Pack(nullptr, path, &sink, &stats);
  ASSERT_TRUE(s.ok()) << s.message();
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &after).ok());
  EXPECT_EQ(after.records, before.live);
  EXPECT_EQ(after.live, before.live);
  EXPECT_EQ(after.live_hash, before.live_hash);
  EXPECT_EQ(stats.records_before, before.records);
  EXPECT_EQ(stats.records_after, before.live);

  std::string bytes = testing::ReadBytes(path);
  const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::uint64_t expect = GetLe16(b + 8) + std::uint64_t{before.live} * GetLe16(b + 10) + 1;
  EXPECT_EQ(bytes.size(), expect);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes.back()), 0x1A);
  EXPECT_EQ(GetLe32(b + 4), before.live);
  std::time_t now = std::time(nullptr);
  std::tm tm;
  localtime_r(&now, &tm);
  EXPECT_EQ(b[2], tm.tm_mon + 1);
  EXPECT_EQ(b[3], tm.tm_mday);
  if (!memo.empty()) {
    // Never larger than before, but for the last block, which some writers
    // leave short and the pack fills.
    EXPECT_LE(testing::ReadBytes(memo).size(), (memo_before + 511) / 512 * 512);
  }
  EXPECT_TRUE(testing::Leftovers(DirName(path)).empty());

  ASSERT_EQ(sink.phases.size(), 1u);
  ASSERT_FALSE(sink.percents.empty());
  EXPECT_LE(sink.percents.size(), 101u);
  EXPECT_EQ(sink.percents.back(), 100);
  for (std::size_t i = 1; i < sink.percents.size(); ++i) {
    EXPECT_GT(sink.percents[i], sink.percents[i - 1]);
  }
  EXPECT_EQ(sink.messages.size(), 1u);
}

struct Shape {
  const char* name;
  GenOptions layout;
};

class PackShapes : public ::testing::TestWithParam<Shape> {};

TEST_P(PackShapes, KeepsExactlyTheLiveRecords) {
  ScratchDir dir;
  std::string path = dir.File("T.dbf");
  ASSERT_TRUE(testing::MakeTable(path, GetParam().layout).ok());
  PackAndCheck(path);
  // A second pack has nothing to drop and must change nothing.
  std::string once = testing::ReadBytes(path);
  ASSERT_TRUE(Pack(nullptr, path, nullptr, nullptr).ok());
  EXPECT_TRUE(testing::ReadBytes(path) == once);
}

GenOptions Options(int level, std::uint32_t records, int deleted, bool memo, std::uint32_t bs = 0) {
  GenOptions g;
  g.level = level;
  g.records = records;
  g.deleted_pct = deleted;
  g.memo = memo;
  g.block_size = bs;
  g.seed = records * 31 + deleted;
  return g;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, PackShapes,
    ::testing::Values(Shape{"Level3Memo", Options(3, 500, 30, true)},
                      Shape{"Level4Memo", Options(4, 500, 30, true)},
                      Shape{"Level4Memo1024", Options(4, 300, 50, true, 1024)},
                      Shape{"FoxProMemo", Options(25, 400, 30, true)},
                      Shape{"Level4NoMemo", Options(4, 3000, 30, false)},
                      Shape{"AllDeleted", Options(4, 200, 100, true)},
                      Shape{"NoneDeleted", Options(3, 200, 0, true)},
                      Shape{"Empty", Options(4, 0, 0, true)},
                      Shape{"ManyRecordsFewDeleted", Options(3, 20000, 2, false)}),
    [](const ::testing::TestParamInfo<Shape>& i) { return std::string(i.param.name); });

// Memos of exactly a block (and one byte either side) keep their contents,
// and the memos of deleted records leave the memo file.
TEST(DbfPack, MemoSizesAtBlockEdgesAndDeletedMemosDropped) {
  for (int level : {3, 4}) {
    ScratchDir dir;
    std::string path = dir.File("EDGE.DBF");
    TableLayout t;
    t.level = level;
    t.fields = {{"ID", 'N', 4, 0}, {"TXT", 'M', 10, 0}};
    std::unique_ptr<TableWriter> w;
    ASSERT_TRUE(CreateTable(nullptr, path, t, &w).ok());
    std::size_t exact = level == 3 ? 510 : 504;  // terminator / block header fills the rest
    int id = 0;
    for (std::size_t len : {exact - 1, exact, exact + 1, std::size_t{0}, std::size_t{5000}}) {
      ASSERT_TRUE(w->Append({std::to_string(id++), std::string(len, 'x')}, false).ok());
      ASSERT_TRUE(w->Append({std::to_string(id++), std::string(3000, 'd')}, true).ok());
    }
    ASSERT_TRUE(w->Finish().ok());
    std::uint64_t memo_before = testing::ReadBytes(dir.File("EDGE.DBT")).size();
    PackAndCheck(path);
    // Live memos: 1+1+2 blocks, none for the empty one, 10 for 5000 bytes,
    // plus the header block; the deleted 3000-byte memos are gone.
    std::uint64_t memo_after = testing::ReadBytes(dir.File("EDGE.DBT")).size();
    EXPECT_EQ(memo_after, 512u * (1 + 1 + 1 + 2 + 10)) << "level " << level;
    EXPECT_LT(memo_after, memo_before);
  }
}

// Flags `which` records of a copied sample as deleted.
void FlagDeleted(const std::string& path, std::initializer_list<int> which) {
  std::string b = testing::ReadBytes(path);
  const auto* p = reinterpret_cast<const std::uint8_t*>(b.data());
  std::uint16_t hl = GetLe16(p + 8), rl = GetLe16(p + 10);
  for (int i : which) b[hl + static_cast<std::size_t>(i) * rl] = '*';
  testing::WriteBytes(path, b);
}

TEST(DbfPack, RealSampleTablesWithMemos) {
  struct Case {
    const char* stem;
    const char* memo_ext;
    std::initializer_list<int> deleted;
  };
  for (const Case& c : {Case{"dbase_83", ".dbt", {0, 5, 6, 40, 66}},
                        Case{"dbase_8b", ".dbt", {1, 4, 9}},
                        Case{"dbase_f5", ".fpt", {0, 100, 500, 974}},
                        Case{"dbase_03", nullptr, {2, 3}}}) {
    ScratchDir dir;
    std::string src = testing::SourcePath(std::string("tests/data/dbase/") + c.stem);
    std::string path = dir.File(std::string(c.stem) + ".dbf");
    testing::CopyFile(src + ".dbf", path);
    if (c.memo_ext != nullptr) {
      testing::CopyFile(src + c.memo_ext, dir.File(std::string(c.stem) + c.memo_ext));
    }
    FlagDeleted(path, c.deleted);
    SCOPED_TRACE(c.stem);
    PackAndCheck(path);
    TableInfo info;
    ASSERT_TRUE(Describe(nullptr, path, &info).ok());
    EXPECT_EQ(info.deleted_count, 0u);
  }
}

// The level-7 header (driver name, 48-byte descriptors, field properties)
// stays byte-for-byte; only count and date change.
TEST(DbfPack, Level7KeepsItsPropertiesArea) {
  ScratchDir dir;
  std::string path = dir.File("fish.dbf");
  std::string b = testing::ReadBytes(testing::SourcePath("tests/data/dbase/dbase_8c.dbf"));
  auto* p = reinterpret_cast<std::uint8_t*>(b.data());
  const std::uint16_t hl = GetLe16(p + 8), rl = GetLe16(p + 10);
  p[28] = 0;  // its production index is not published: detach it
  for (int r = 0; r < 10; ++r) {  // and blank the pointers into the unpublished memo file
    std::memset(p + hl + r * rl + rl - 20, ' ', 20);
  }
  p[hl + 3 * rl] = '*';
  testing::WriteBytes(path, b);
  {
    Fd fd;
    Env* env = Env::Default();
    ASSERT_TRUE(env->Create(dir.File("fish.dbt"), 0644, &fd).ok());
    std::vector<std::uint8_t> h = FreshMemoHeader(MemoKind::kDbt4, 512, "fish");
    ASSERT_TRUE(env->WriteAt(fd, 0, h.data(), h.size()).ok());
    ASSERT_TRUE(env->Close(fd).ok());
  }
  TableInfo info;
  ASSERT_TRUE(Describe(nullptr, path, &info).ok());
  EXPECT_EQ(info.level, 7);
  EXPECT_EQ(info.lang_driver, "DB437US0");
  EXPECT_EQ(info.fields.size(), 6u);
  PackAndCheck(path);
  std::string after = testing::ReadBytes(path);
  EXPECT_EQ(after.substr(32, hl - 32), b.substr(32, hl - 32));
  EXPECT_EQ(after.substr(0, 1), b.substr(0, 1));
  EXPECT_EQ(after.substr(8, 20), b.substr(8, 20));
  EXPECT_EQ(after.size(), hl + 9u * rl + 1);
}

// An index that belongs to the table but is absent (production flag without
// its file, an .inf entry without its file) refuses the pack and leaves the
// table untouched; a stem .mdx or .cdx without the flag is not the table's:
// the pack goes ahead and leaves it alone.
TEST(DbfPack, RefusesAMissingIndexAndIgnoresIndexesNotItsOwn) {
  enum How { kFlag, kMdx, kCdx, kInf };
  for (How how : {kFlag, kMdx, kCdx, kInf}) {
    ScratchDir dir;
    std::string path = dir.File("IX.DBF");
    ASSERT_TRUE(testing::MakeTable(path, Options(4, 50, 30, true)).ok());
    if (how == kFlag) {
      std::string b = testing::ReadBytes(path);
      b[28] = 1;
      testing::WriteBytes(path, b);
    }
    if (how == kMdx) testing::WriteBytes(dir.File("IX.MDX"), std::string(2048, '\0'));
    if (how == kCdx) testing::WriteBytes(dir.File("ix.cdx"), std::string(1024, '\0'));
    if (how == kInf) testing::WriteBytes(dir.File("IX.INF"), "[dBASE]\r\nNDX1=BYNAME.NDX\r\n");
    const testing::FolderState before = testing::Capture(dir.path());
    Status s = Pack(nullptr, path, nullptr, nullptr);
    std::string why;
    if (how == kFlag || how == kInf) {
      EXPECT_EQ(s.code(), DBIERR_NOSUCHINDEX) << "case " << how;
      EXPECT_EQ(s.context(1), dir.File(how == kFlag ? "IX.MDX" : "BYNAME.NDX"));
      EXPECT_TRUE(testing::Unchanged(dir.path(), before, &why)) << why;
    } else {
      EXPECT_TRUE(s.ok()) << "case " << how << ": " << s.message();
      const std::string stray = how == kMdx ? "IX.MDX" : "ix.cdx";
      EXPECT_EQ(testing::ReadBytes(dir.File(stray)).size(), how == kMdx ? 2048u : 1024u);
    }
    EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
  }
}

TEST(DbfPack, KeepsModeFollowsSymlinksAndRefusesHardLinks) {
  ScratchDir dir;
  std::string path = dir.File("M.dbf");
  ASSERT_TRUE(testing::MakeTable(path, Options(4, 100, 30, true)).ok());
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(symlink(path.c_str(), dir.File("link.dbf").c_str()), 0);
  ASSERT_TRUE(Pack(nullptr, dir.File("link.dbf"), nullptr, nullptr).ok());
  struct stat st, lst;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  ASSERT_EQ(lstat(dir.File("link.dbf").c_str(), &lst), 0);
  EXPECT_TRUE(S_ISLNK(lst.st_mode));

  ASSERT_EQ(link(path.c_str(), dir.File("other.dbf").c_str()), 0);
  std::string before = testing::ReadBytes(path);
  EXPECT_EQ(Pack(nullptr, path, nullptr, nullptr).code(), DBIERR_HARDLINK);
  EXPECT_TRUE(testing::ReadBytes(path) == before);
}

TEST(DbfPack, ThroughAnExclusiveHandleStaysLockedOnTheNewFiles) {
  ScratchDir dir;
  std::string path = dir.File("H.dbf");
  ASSERT_TRUE(testing::MakeTable(path, Options(4, 100, 40, true)).ok());
  std::unique_ptr<OpenTable> t;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kExclusive, &t).ok());
  std::uint32_t live = t->Info().record_count - t->Info().deleted_count;
  ASSERT_TRUE(t->Pack(nullptr, nullptr).ok());
  EXPECT_EQ(t->Info().record_count, live);
  EXPECT_EQ(t->Info().deleted_count, 0u);
  std::unique_ptr<OpenTable> other;
  EXPECT_EQ(Open(nullptr, path, ShareMode::kShared, &other).code(), DBIERR_FILEBUSY);
  t.reset();
  EXPECT_TRUE(Open(nullptr, path, ShareMode::kShared, &other).ok());
  EXPECT_EQ(other->Pack(nullptr, nullptr).code(), DBIERR_INVALIDPARAM);
}

}  // namespace
}  // namespace kx::storage
