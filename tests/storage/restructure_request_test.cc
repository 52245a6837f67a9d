// Restructure requests: property names and values, language-driver changes
// (transliteration, refusals), memo block-size changes, a busy table, the
// progress a restructure reports, and restructuring through an exclusive
// handle. Every refusal leaves the table byte-for-byte as it was.
#include <gtest/gtest.h>

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

struct StepSink : ProgressSink {
  std::vector<std::string> events;
  void PhaseStart(const std::string&) override { events.push_back("phase"); }
  void Percent(int p) override {
    percents.push_back(p);
    if (events.empty() || events.back() != "percent") events.push_back("percent");
  }
  void Message(const std::string& t) override {
    events.push_back("message");
    message = t;
  }
  void RestructureStep(std::uint32_t kind, const std::string& name) override {
    events.push_back("step " + std::to_string(kind) + " " + name);
  }
  std::vector<int> percents;
  std::string message;
};

Status Change(const std::string& path, const std::string& property, const std::string& value,
           bool pack = false, ProgressSink* sink = nullptr, RestructureStats* stats = nullptr) {
  return Restructure(nullptr, path, RestructureRequest{property, value, pack}, sink, stats);
}

// Requests refused before anything is written.
TEST(RestructureRequest, RefusedRequestsLeaveTheTableAlone) {
  struct Case {
    int level;
    bool memo;
    const char* property;
    const char* value;
    std::uint16_t code;
  };
  const Case cases[] = {
      {4, true, "LEVELS", "7", DBIERR_INVALIDOPTPARAM},
      {4, true, "LEVEL ", "7", DBIERR_INVALIDOPTPARAM},
      {4, true, "BLOCKSIZE", "1024", DBIERR_INVALIDOPTPARAM},
      {4, true, "LEVEL", "6", DBIERR_INVALIDVALUE},
      {4, true, "LEVEL", "-4", DBIERR_INVALIDVALUE},
      {4, true, "level", "seven", DBIERR_INVALIDVALUE},
      {4, true, "LEVEL", "", DBIERR_INVALIDVALUE},
      {4, true, "BLOCK SIZE", "1000", DBIERR_INVALIDVALUE},
      {4, true, "BLOCK SIZE", "32768", DBIERR_INVALIDVALUE},
      {4, true, "BLOCK SIZE", "0", DBIERR_INVALIDVALUE},
      {4, true, "BLOCK SIZE", "4k", DBIERR_INVALIDVALUE},
      {25, true, "BLOCK SIZE", "20000", DBIERR_INVALIDVALUE},
      {3, true, "BLOCK SIZE", "1024", DBIERR_NOTSUPPORTED},
      {4, false, "BLOCK SIZE", "1024", DBIERR_NOTSUPPORTED},
      {4, true, "LANGDRIVER", "NOSUCHDRV", DBIERR_INVALIDLANGDRV},
      {4, true, "LANGDRIVER", "", DBIERR_INVALIDLANGDRV},
      {4, true, "LANGDRIVER", "intl", DBIERR_INVALIDLANGDRV},      // Paradox
      {4, true, "LANGDRIVER", "FOXDE437", DBIERR_INVALIDLANGDRV},  // FoxPro at level 4
      {25, true, "LANGDRIVER", "DB863CF1", DBIERR_INVALIDLANGDRV}, // no FoxPro mark for 863
      {3, true, "LEVEL", "4k", DBIERR_INVALIDVALUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.property) + "=" + c.value + " at level " + std::to_string(c.level));
    ScratchDir dir;
    const std::string path = dir.File("Q.dbf");
    GenOptions g;
    g.level = c.level;
    g.memo = c.memo;
    g.records = 15;
    ASSERT_TRUE(testing::MakeTable(path, g).ok());
    const testing::FolderState state = testing::Capture(dir.path());
    Status s = Change(path, c.property, c.value);
    EXPECT_EQ(s.code(), c.code) << s.message();
    EXPECT_EQ(s.context(0), path);
    EXPECT_FALSE(s.message().empty());
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
  }
}

TEST(RestructureRequest, NamesAndNumbersAreReadAsTheComponentPassesThem) {
  ScratchDir dir;
  const std::string path = dir.File("N.dbf");
  GenOptions g;
  g.records = 10;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  EXPECT_TRUE(Change(path, "level", "07").ok());
  EXPECT_TRUE(Change(path, "Block Size", "4096").ok());
  EXPECT_TRUE(Change(path, "LangDriver", "db437us0").ok());
  TableInfo info;
  ASSERT_TRUE(Describe(nullptr, path, &info).ok());
  EXPECT_EQ(info.level, 7);
  EXPECT_EQ(info.memo_block_size, 4096u);
  EXPECT_EQ(info.lang_driver, "DB437US0");
}

TEST(LangDriverChange, TransliteratesTextAndKeepsBinaryMemos) {
  ScratchDir dir;
  const std::string path = dir.File("L.dbf");
  TableLayout t;
  t.level = 5;
  t.lang_driver = "DB437US0";
  t.fields = {{"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}, {"BIN", 'B', 10, 0}};
  const std::string cp437 = "M\x81ller \x82";  // Müller é
  const std::string binary = "\x81\x82\xB0\x1A";
  std::unique_ptr<TableWriter> w;
  ASSERT_TRUE(CreateTable(nullptr, path, t, &w).ok());
  ASSERT_TRUE(w->Append({cp437, "Gr\x81\xE1" "e", binary}, false).ok());
  ASSERT_TRUE(w->Finish().ok());

  RestructureStats stats;
  Status s = Change(path, "LANGDRIVER", "DBWINUS0", false, nullptr, &stats);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(stats.lang_before, "DB437US0");
  EXPECT_EQ(stats.lang_after, "DBWINUS0");
  std::unique_ptr<DbfTable> table;
  ASSERT_TRUE(DbfTable::Open(Env::Default(), path, ShareMode::kShared, &table).ok());
  EXPECT_EQ(table->header().ldid, 0x57);
  s = table->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec + 1), 10), "M\xFCller \xE9  ");
    bool present;
    std::string memo;
    EXPECT_TRUE(table->ReadMemoField(rec, table->header().fields[1], &present, &memo).ok());
    EXPECT_EQ(memo, "Gr\xFC\xDF" "e");  // Grüße in 1252
    EXPECT_TRUE(table->ReadMemoField(rec, table->header().fields[2], &present, &memo).ok());
    EXPECT_EQ(memo, binary);
    return Status::OK();
  });
  ASSERT_TRUE(s.ok());
  table.reset();
  // And back: every character of the first conversion returns.
  ASSERT_TRUE(Change(path, "LANGDRIVER", "DB437US0").ok());
  ASSERT_TRUE(DbfTable::Open(Env::Default(), path, ShareMode::kShared, &table).ok());
  s = table->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec + 1), 10), cp437 + "  ");
    return Status::OK();
  });
}

TEST(LangDriverChange, ACharacterTheTargetLacksIsRefusedWithItsPlace) {
  struct Case {
    std::string name, memo;
    const char* where;
  };
  const Case cases[] = {{"box\xB0", "ok", "record 2, field NAME"},          // ░
                        {"ok", "line\xC4\xC4", "record 2, field NOTE"}};    // ─
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string path = dir.File("U.dbf");
    TableLayout t;
    t.level = 3;
    t.lang_driver = "DB437US0";
    t.fields = {{"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}};
    std::unique_ptr<TableWriter> w;
    ASSERT_TRUE(CreateTable(nullptr, path, t, &w).ok());
    ASSERT_TRUE(w->Append({"fine", "fine"}, false).ok());
    ASSERT_TRUE(w->Append({c.name, c.memo}, false).ok());
    ASSERT_TRUE(w->Finish().ok());
    const testing::FolderState state = testing::Capture(dir.path());
    Status s = Change(path, "LANGDRIVER", "DBWINUS0");
    EXPECT_EQ(s.code(), DBIERR_CANNOTCONVERT);
    EXPECT_EQ(s.context(1), c.where);
    EXPECT_NE(s.message().find(c.where), std::string::npos) << s.message();
    EXPECT_NE(s.message().find("U+25"), std::string::npos) << s.message();
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
  }
}

TEST(BlockSizeChange, RewritesTheMemoFileWithTheNewBlocks) {
  struct Case {
    int level;
    const char* value;
    std::uint32_t block;
  };
  for (const Case& c : {Case{4, "1024", 1024}, Case{7, "16384", 16384}, Case{5, "512", 512},
                        Case{25, "1", 512}, Case{25, "100", 100}, Case{25, "16384", 16384}}) {
    SCOPED_TRACE(std::string(c.value) + " at level " + std::to_string(c.level));
    ScratchDir dir;
    const std::string path = dir.File("B.dbf");
    GenOptions g;
    g.level = c.level;
    g.records = 80;
    g.max_memo = 3000;
    ASSERT_TRUE(testing::MakeTable(path, g).ok());
    TableImage before, after;
    ASSERT_TRUE(testing::ReadImage(nullptr, path, &before).ok());
    RestructureStats stats;
    Status s = Change(path, "BLOCK SIZE", c.value, false, nullptr, &stats);
    ASSERT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(stats.block_size_after, c.block);
    TableInfo info;
    ASSERT_TRUE(Describe(nullptr, path, &info).ok());
    EXPECT_EQ(info.memo_block_size, c.block);
    ASSERT_TRUE(testing::ReadImage(nullptr, path, &after).ok());
    EXPECT_EQ(after.live_hash, before.live_hash);
    EXPECT_EQ(after.records, before.records);
  }
}

TEST(RestructureRequest, ABusyTableIsLeftAlone) {
  ScratchDir dir;
  const std::string path = dir.File("H.dbf");
  ASSERT_TRUE(testing::MakeTable(path, GenOptions()).ok());
  const testing::FolderState state = testing::Capture(dir.path());
  std::unique_ptr<OpenTable> user;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kShared, &user).ok());
  Status s = Change(path, "LEVEL", "7");
  EXPECT_EQ(s.code(), DBIERR_FILEBUSY);
  EXPECT_EQ(user->Restructure(RestructureRequest{"LEVEL", "7", false}, nullptr, nullptr).code(),
            DBIERR_INVALIDPARAM);  // a shared handle cannot restructure
  std::string why;
  EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
}

TEST(RestructureRequest, ReportsStepsPercentsAndOneClosingMessage) {
  ScratchDir dir;
  const std::string path = dir.File("G.dbf");
  GenOptions g;
  g.records = 1000;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  StepSink sink;
  RestructureStats stats;
  ASSERT_TRUE(Change(path, "LEVEL", "25", true, &sink, &stats).ok());
  const std::vector<std::string> want = {"step 11 Table", "phase", "step 0 ", "percent", "message"};
  EXPECT_EQ(sink.events, want);
  EXPECT_LE(sink.percents.size(), 100u);
  EXPECT_EQ(sink.percents.back(), 100);
  for (std::size_t i = 1; i < sink.percents.size(); ++i) {
    EXPECT_GT(sink.percents[i], sink.percents[i - 1]);
  }
  EXPECT_NE(sink.message.find("level 4 to 25"), std::string::npos) << sink.message;
  EXPECT_LT(stats.records_after, stats.records_before);  // packed too
}

TEST(RestructureRequest, ThroughAnExclusiveHandleStaysLockedOnTheNewFiles) {
  ScratchDir dir;
  const std::string path = dir.File("X.dbf");
  GenOptions g;
  g.records = 50;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  std::unique_ptr<OpenTable> t;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kExclusive, &t).ok());
  const std::uint32_t deleted = t->Info().deleted_count;
  ASSERT_TRUE(t->Restructure(RestructureRequest{"LEVEL", "25", false}, nullptr, nullptr).ok());
  EXPECT_EQ(t->Info().level, 25);
  EXPECT_EQ(t->Info().memo_file, dir.File("X.fpt"));
  EXPECT_EQ(t->Info().deleted_count, deleted);
  std::unique_ptr<OpenTable> other;
  EXPECT_EQ(Open(nullptr, path, ShareMode::kShared, &other).code(), DBIERR_FILEBUSY);
  ASSERT_TRUE(t->Restructure(RestructureRequest{"", "", true}, nullptr, nullptr).ok());
  EXPECT_EQ(t->Info().deleted_count, 0u);
  t.reset();
  EXPECT_TRUE(Open(nullptr, path, ShareMode::kShared, &other).ok());
}

}  // namespace
}  // namespace kx::storage
