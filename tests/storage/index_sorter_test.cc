// The external sort under a small budget, tag order rules (descending,
// unique), and I/O failures while sorting or writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "storage/api/codes.h"
#include "storage/dbase/index/external_sorter.h"
#include "storage/dbase/index/mdx_writer.h"
#include "storage/dbase/index/tag_key_sorter.h"
#include "tests/storage/support/fault_env.h"
#include "tests/storage/support/index_test_support.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> names;
  EXPECT_TRUE(Env::Default()->ListDir(dir, &names).ok());
  return names;
}

TEST(ExternalSorter, MergesManySpilledRunsInSeveralPasses) {
  ScratchDir dir;
  std::vector<std::string> want;
  {
    ExternalSortOptions options{Env::Default(), dir.File("run"), 32u << 10, 3};
    ExternalSorter sorter(options, 24, 24);
    std::mt19937 rng(11);
    for (int i = 0; i < 20000; ++i) {
      std::uint8_t rec[24];
      for (auto& b : rec) b = static_cast<std::uint8_t>(rng() % 4);  // many equal prefixes
      ASSERT_TRUE(sorter.Add(rec).ok());
      want.emplace_back(reinterpret_cast<char*>(rec), 24);
    }
    ASSERT_TRUE(sorter.Finish().ok());
    EXPECT_GT(sorter.runs_written(), 3u);
    EXPECT_GE(sorter.merge_passes(), 2u);
    std::sort(want.begin(), want.end());
    std::vector<std::string> got;
    for (;;) {
      const std::uint8_t* rec;
      bool has;
      ASSERT_TRUE(sorter.Next(&rec, &has).ok());
      if (!has) break;
      got.emplace_back(reinterpret_cast<const char*>(rec), 24);
    }
    EXPECT_TRUE(got == want) << got.size() << " records out of " << want.size();
  }
  EXPECT_TRUE(DirEntries(dir.path()).empty()) << "run files are removed";
}

struct OrderCase {
  const char* name;
  bool descending;
  bool unique;
  std::vector<std::uint32_t> recnos;  // expected walk
};

// Records 1..8 with keys B A C A B C A B.
TEST(TagKeySorter, OrdersByKeyThenRecordNumberWithDescendingAndUnique) {
  const char keys[] = "BACABCAB";
  const OrderCase cases[] = {
      {"ascending", false, false, {2, 4, 7, 1, 5, 8, 3, 6}},
      {"descending keeps record numbers ascending", true, false, {3, 6, 1, 5, 8, 2, 4, 7}},
      {"unique keeps the first record", false, true, {2, 1, 3}},
      {"unique descending", true, true, {3, 1, 2}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    IndexTagDef def;
    def.name = "K";
    def.key_length = 3;
    def.descending = c.descending;
    def.unique = c.unique;
    auto sorter = testing::NewSorter(IndexFormat::kMdx, def, dir.path());
    for (std::uint32_t r : {8u, 3u, 5u, 1u, 7u, 2u, 6u, 4u}) {
      ASSERT_TRUE(sorter->AddCharacter(r, &keys[r - 1], 1).ok());
    }
    ASSERT_TRUE(sorter->Finish().ok());
    std::vector<std::uint32_t> got;
    for (;;) {
      const std::uint8_t* key;
      std::uint32_t recno;
      bool has;
      ASSERT_TRUE(sorter->Next(&key, &recno, &has).ok());
      if (!has) break;
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(key), 3), std::string(1, keys[recno - 1]) + "  ");
      got.push_back(recno);
    }
    EXPECT_EQ(got, c.recnos);
  }
}

TEST(TagKeySorter, RefusesKeysOfAnotherType) {
  ScratchDir dir;
  IndexTagDef def;
  def.name = "D";
  def.key_type = IndexKeyType::kDate;
  auto sorter = testing::NewSorter(IndexFormat::kMdx, def, dir.path());
  EXPECT_EQ(sorter->AddCharacter(1, "x", 1).code(), DBIERR_INVALIDPARAM);
  EXPECT_EQ(sorter->AddNumber(1, 3).code(), DBIERR_INVALIDPARAM);
  EXPECT_TRUE(sorter->AddDate(1, 2450000).ok());
}

TEST(TagKeySorter, ReportsASpillThatCannotBeWritten) {
  IndexTagDef def;
  def.name = "N";
  def.key_type = IndexKeyType::kNumeric;
  TagSortOptions options{Env::Default(), "/nonexistent-dir/run", 4096};
  std::unique_ptr<TagKeySorter> sorter;
  ASSERT_TRUE(TagKeySorter::Create(IndexFormat::kNdx, def, options, &sorter).ok());
  Status s;
  for (std::uint32_t r = 1; r <= 1000 && s.ok(); ++r) s = sorter->AddNumber(r, r);
  if (s.ok()) s = sorter->Finish();
  EXPECT_EQ(s.code(), DBIERR_NOSUCHFILE) << s.message();
}

// Every Env call of a two-tag MDX build fails once in turn: each failure is
// reported and leaves no file (index, spill or level list) behind.
TEST(IndexWriters, EveryFailedCallIsReportedAndLeavesNothing) {
  ScratchDir dir;
  testing::FaultEnv env(Env::Default());
  std::uint64_t calls = 0, failures = 0, reported = 0;
  for (std::uint64_t n = 1;; ++n) {
    env.ResetLog();
    env.FailAt(n, EIO, false);
    std::vector<std::unique_ptr<TagKeySorter>> sorters;
    std::vector<MdxTagInput> inputs;
    Status s;
    for (const char* name : {"A", "B"}) {
      IndexTagDef def;
      def.name = name;
      def.key_length = 40;
      TagSortOptions options{&env, dir.File(std::string("run") + name), 8192};
      std::unique_ptr<TagKeySorter> sorter;
      ASSERT_TRUE(TagKeySorter::Create(IndexFormat::kMdx, def, options, &sorter).ok());
      for (std::uint32_t r = 1; r <= 600 && s.ok(); ++r) {
        std::string key = std::to_string(r * 7 % 601);
        s = sorter->AddCharacter(r, key.data(), key.size());
      }
      if (s.ok()) s = sorter->Finish();
      inputs.push_back({def, sorter.get()});
      sorters.push_back(std::move(sorter));
    }
    IndexWriteOptions options;
    options.temp_path_prefix = dir.File("levels");
    if (s.ok()) s = WriteMdxFile(&env, dir.File("T.MDX"), {"t"}, inputs, options);
    sorters.clear();
    bool injected = env.injected() > 0;
    if (!injected) {
      ASSERT_TRUE(s.ok()) << s.message();
      calls = n - 1;
      break;
    }
    ++failures;
    if (!s.ok()) ++reported;
    // A temp file whose removal failed is reported and necessarily stays
    // (the failed call may also be the removal of a stale temp that was
    // not there).
    std::vector<std::string> left = DirEntries(dir.path());
    if (env.calls()[n - 1].op == EnvOp::kUnlink) {
      EXPECT_LE(left.size(), 1u) << "after failing call " << n;
      for (const std::string& name : left) (void)Env::Default()->Unlink(dir.File(name));
    } else {
      EXPECT_TRUE(left.empty()) << "after failing call " << n << " ("
                                << EnvOpName(env.calls()[n - 1].op) << ")";
    }
  }
  std::printf("index-faults: %llu calls, %llu failures injected, %llu reported\n",
              static_cast<unsigned long long>(calls), static_cast<unsigned long long>(failures),
              static_cast<unsigned long long>(reported));
  EXPECT_GT(calls, 20u);
  EXPECT_EQ(reported, failures);
}

}  // namespace
}  // namespace kx::storage
