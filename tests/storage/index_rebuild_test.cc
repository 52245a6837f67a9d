// Index rebuilds through the facade: regeneration of every index a table
// owns (damaged ones included), packs and restructures that carry the
// indexes into the new family, and AddIndex. Every result is checked by the
// index oracle (support/index_oracle.h): each key in walk order is its
// record's key, in index order, for exactly the records the tag holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
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
  struct Case {
    int level, deleted_pct;
  };
  for (const Case& c : {Case{3, 30}, Case{4, 30}, Case{7, 30}, Case{25, 30}, Case{4, 100}}) {
    const int level = c.level;
    ScratchDir dir;
    const std::string path = dir.File("P.DBF");
    GenOptions layout = Layout(level);
    layout.deleted_pct = c.deleted_pct;
    ASSERT_TRUE(testing::MakeTable(path, layout).ok());
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
    if (c.deleted_pct == 100) EXPECT_EQ(after.keys, 0u) << "every tag empty";
    EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
  }
}

// Overwrites the last 512 bytes of a file (the root of its last tree).
void DamageLastPage(const std::string& path) {
  std::string b = testing::ReadBytes(path);
  for (std::size_t i = b.size() - 512; i < b.size(); ++i) b[i] = static_cast<char>(0xA5 ^ i);
  testing::WriteBytes(path, b);
}

// Points the first leaf entry of an .ndx at another record: the file still
// reads, but lies.
void MisdirectFirstNdxKey(const std::string& path) {
  std::string b = testing::ReadBytes(path);
  b[512 + 8] = static_cast<char>(b[512 + 8] + 1);
  testing::WriteBytes(path, b);
}

TEST(IndexRegen, RebuildsDamagedIndexesToTheWalkOfAFreshBuild) {
  for (int level : {3, 4, 7, 25}) {
    ScratchDir dir;
    const std::string path = dir.File("R.dbf");
    ASSERT_TRUE(testing::MakeTable(path, Layout(level)).ok());
    ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok());
    const std::vector<std::string> fresh = testing::IndexWalks(path);
    ASSERT_GT(fresh.size(), 600u);
    const testing::DirSnapshot data = DataFiles(dir.path());

    DamageLastPage(dir.File("R." + Ext(level, false)));
    MisdirectFirstNdxKey(dir.File("BYQTY.NDX"));
    ASSERT_FALSE(testing::CheckTableIndexes(path).ok()) << "the damage shows";

    RegenStats stats;
    Status s = RegenIndexes(nullptr, path, OpenOptions(), nullptr, &stats);
    ASSERT_TRUE(s.ok()) << level << ": " << s.message();
    EXPECT_EQ(stats.index_files, 2u);
    EXPECT_EQ(stats.tags, 6u);
    EXPECT_EQ(stats.keys, fresh.size());
    EXPECT_EQ(testing::IndexWalks(path), fresh) << level;
    testing::IndexCheck check = testing::CheckTableIndexes(path);
    EXPECT_TRUE(check.ok()) << check.problem;
    EXPECT_TRUE(DataFiles(dir.path()) == data) << "data, memo and .inf untouched";
    EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
  }
}

TEST(IndexRegen, TableWithoutIndexesIsLeftAsItIs) {
  ScratchDir dir;
  const std::string path = dir.File("N.dbf");
  ASSERT_TRUE(testing::MakeTable(path, Layout(4, 50)).ok());
  testing::WriteBytes(dir.File("N.MDX"), "not ours: byte 28 is clear");
  const testing::FolderState before = testing::Capture(dir.path());
  RegenStats stats;
  EXPECT_TRUE(RegenIndexes(nullptr, path, OpenOptions(), nullptr, &stats).ok());
  EXPECT_EQ(stats.tags, 0u);
  std::string why;
  EXPECT_TRUE(testing::Unchanged(dir.path(), before, &why)) << why;
}

// Index files made by dBASE (.ndx, named by the application) agree with
// their tables, and a regeneration writes files that walk to the same keys
// and records. (FoxPro's rooms.cdx cannot take part: the .dbf reader refuses
// rooms.dbf, whose descriptors lack their 0x0D terminator.)
TEST(IndexRegen, RealSamplesRebuildToTheirOwnWalk) {
  for (const char* stem : {"ndx-char", "ndx-num", "ndx-date"}) {
    const std::string table = std::string(stem) + ".dbf", index = std::string(stem) + ".ndx";
    ScratchDir dir;
    for (const std::string& f : {table, index}) {
      testing::CopyFile(testing::SourcePath("tests/data/dbase/" + f), dir.File(f));
    }
    const std::string path = dir.File(table);
    OpenOptions options;
    options.index_files = {index};
    testing::IndexCheck original = testing::CheckTableIndexes(path, options);
    EXPECT_TRUE(original.ok()) << index << ": " << original.problem;
    EXPECT_GT(original.keys, 0u);
    const std::vector<std::string> walks = testing::IndexWalks(path, options);
    RegenStats stats;
    Status s = RegenIndexes(nullptr, path, options, nullptr, &stats);
    ASSERT_TRUE(s.ok()) << index << ": " << s.message();
    EXPECT_EQ(stats.tags, 1u);
    EXPECT_EQ(testing::IndexWalks(path, options), walks) << index;
    EXPECT_TRUE(testing::CheckTableIndexes(path, options).ok()) << index;
  }
}

// Each refusal names its cause and leaves every file as it was.
TEST(IndexRegen, RefusesWhatItCannotRebuildAndTouchesNothing) {
  struct Case {
    const char* what;
    std::uint16_t code;
    std::function<void(const ScratchDir&)> spoil;
  };
  const std::vector<Case> cases = {
      {"production flag without its file", DBIERR_NOSUCHINDEX,
       [](const ScratchDir& d) { unlink(d.File("X.mdx").c_str()); }},
      {".inf entry without its file", DBIERR_NOSUCHINDEX,
       [](const ScratchDir& d) { unlink(d.File("BYQTY.NDX").c_str()); }},
      {"tag table damaged", DBIERR_INDEXCORRUPT,
       [](const ScratchDir& d) {
         std::string b = testing::ReadBytes(d.File("X.mdx"));
         b[28] = 60;  // more tags than slots
         testing::WriteBytes(d.File("X.mdx"), b);
       }},
      {"key expression names no field", DBIERR_INDEXNOTSUPPORTED,
       [](const ScratchDir& d) {
         std::string b = testing::ReadBytes(d.File("BYQTY.NDX"));
         b.replace(24, 8, "STR(QTZ,");
         testing::WriteBytes(d.File("BYQTY.NDX"), b);
       }},
      {"index file hard-linked", DBIERR_HARDLINK,
       [](const ScratchDir& d) {
         ASSERT_EQ(link(d.File("X.mdx").c_str(), d.File("copy.bin").c_str()), 0);
       }},
      {"index file a symbolic link", DBIERR_NOTSUPPORTED,
       [](const ScratchDir& d) {
         ASSERT_EQ(rename(d.File("BYQTY.NDX").c_str(), d.File("real.bin").c_str()), 0);
         ASSERT_EQ(symlink(d.File("real.bin").c_str(), d.File("BYQTY.NDX").c_str()), 0);
       }},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string path = dir.File("X.dbf");
    ASSERT_TRUE(testing::MakeTable(path, Layout(4, 80)).ok());
    ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok());
    c.spoil(dir);
    const testing::FolderState before = testing::Capture(dir.path());
    Status s = RegenIndexes(nullptr, path, OpenOptions(), nullptr, nullptr);
    EXPECT_EQ(s.code(), c.code) << c.what << ": " << s.message();
    EXPECT_FALSE(s.context(1).empty()) << c.what << ": the index file is named";
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), before, &why)) << c.what << ": " << why;
    // A pack refuses the same tables the same way.
    EXPECT_EQ(Pack(nullptr, path, nullptr, nullptr).code(), c.code) << c.what;
    EXPECT_TRUE(testing::Unchanged(dir.path(), before, &why)) << c.what << ": " << why;
  }
}

// Records what a sink is told, one event per entry: "phase TEXT", "N%" or
// "msg TEXT".
class Recorder : public ProgressSink {
 public:
  void PhaseStart(const std::string& what) override { events.push_back("phase " + what); }
  void Percent(int p) override { events.push_back(std::to_string(p) + "%"); }
  void Message(const std::string& text) override { events.push_back("msg " + text); }
  void RestructureStep(std::uint32_t, const std::string&) override {}
  std::vector<std::string> events;

  // The phases, each with whether its percents rose strictly to 100.
  std::vector<std::pair<std::string, bool>> Phases() const {
    std::vector<std::pair<std::string, bool>> out;
    int last = 0;
    for (const std::string& e : events) {
      if (e.rfind("phase ", 0) == 0) {
        out.emplace_back(e.substr(6), false);
        last = 0;
      } else if (!out.empty() && e.back() == '%') {
        const int p = std::stoi(e);
        if (p <= last) out.back().second = false, last = 1000;
        else if ((last = p) == 100) out.back().second = true;
      }
    }
    return out;
  }
};

TEST(IndexRegen, ThroughAnExclusiveHandleReportsAPhasePerTag) {
  ScratchDir dir;
  const std::string path = dir.File("G.DBF");
  ASSERT_TRUE(testing::MakeTable(path, Layout(4, 2000)).ok());
  ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok());
  std::unique_ptr<OpenTable> shared;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kShared, &shared).ok());
  EXPECT_EQ(shared->RegenIndexes(nullptr, nullptr).code(), DBIERR_INVALIDPARAM);
  shared.reset();

  std::unique_ptr<OpenTable> t;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kExclusive, &t).ok());
  ASSERT_EQ(t->Info().index_files.size(), 2u);
  Recorder progress;
  ASSERT_TRUE(t->RegenIndexes(&progress, nullptr).ok());
  const auto phases = progress.Phases();
  ASSERT_EQ(phases.size(), 6u) << "one phase per tag: five of the .mdx, one .ndx";
  const char* const names[] = {"NAME", "QTY", "SINCE", "ACTIVE", "PRICE", "BYQTY"};
  for (std::size_t i = 0; i < phases.size(); ++i) {
    EXPECT_NE(phases[i].first.find(names[i]), std::string::npos) << phases[i].first;
    EXPECT_TRUE(phases[i].second) << phases[i].first << ": percents rise to 100";
  }
  EXPECT_EQ(progress.events.back().rfind("msg Rebuilt 6 index tags of G.DBF", 0), 0u)
      << progress.events.back();
  std::unique_ptr<OpenTable> other;
  EXPECT_EQ(Open(nullptr, path, ShareMode::kShared, &other).code(), DBIERR_FILEBUSY);
  t.reset();
  EXPECT_TRUE(testing::CheckTableIndexes(path).ok());
}

// A level change carries the indexes into the level's formats; every
// restructure re-evaluates them for the new records.
TEST(IndexedRestructure, ProductionIndexFollowsTheLevel) {
  struct Case {
    int from, to;
    bool pack;
  };
  for (const Case& c : {Case{4, 25, false}, Case{25, 4, true}, Case{4, 7, false},
                        Case{7, 3, true}, Case{25, 3, false}, Case{3, 5, false}}) {
    const std::string where = std::to_string(c.from) + " to " + std::to_string(c.to);
    ScratchDir dir;
    const std::string path = dir.File("L.DBF");
    ASSERT_TRUE(testing::MakeTable(path, Layout(c.from, 200)).ok());
    ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok());
    Recorder progress;
    RestructureRequest request{"LEVEL", std::to_string(c.to), c.pack};
    Status s = Restructure(nullptr, path, request, &progress, nullptr);
    ASSERT_TRUE(s.ok()) << where << ": " << s.message();
    EXPECT_EQ(progress.Phases().size(), 7u) << where << ": the rewrite, then a phase per tag";

    TableInfo info;
    ASSERT_TRUE(Describe(nullptr, path, &info).ok());
    ASSERT_EQ(info.index_files.size(), 2u) << where;
    EXPECT_EQ(info.index_files[0], dir.File("L." + Ext(c.to, true))) << where;
    EXPECT_FALSE(access(dir.File("L." + Ext(c.from, true)).c_str(), F_OK) == 0 &&
                 Ext(c.from, true) != Ext(c.to, true))
        << where << ": the old format's file is gone";
    testing::IndexCheck check = testing::CheckTableIndexes(path);
    EXPECT_TRUE(check.ok()) << where << ": " << check.problem;
    EXPECT_EQ(check.tags, 6) << where;

    const std::string h = testing::ReadBytes(path);
    EXPECT_EQ(h[28] & 1, 1) << where;
    if (c.to != 25) {  // descriptor flags: QTY, SINCE and PRICE are whole keys; NAME is not
      const std::size_t start = c.to == 7 ? 68 : 32, size = c.to == 7 ? 48 : 32;
      const std::size_t flag = c.to == 7 ? 37 : 31;
      const int want[] = {0, 1, 1, 1, 0};
      for (int f = 0; f < 5; ++f) EXPECT_EQ(h[start + f * size + flag], want[f]) << where << " " << f;
    }
    EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
  }
}

// A table whose character keys differ in case: the general order of
// DB437US0 puts "apple" before "Banana", DBWINUS0's byte order after it.
TEST(IndexedRestructure, LanguageDriverChangeResortsCharacterTags) {
  ScratchDir dir;
  const std::string path = dir.File("C.dbf");
  TableLayout layout;
  layout.level = 4;
  layout.lang_driver = "DB437US0";
  layout.fields = {{"NAME", 'C', 10, 0}};
  std::unique_ptr<TableWriter> w;
  ASSERT_TRUE(CreateTable(nullptr, path, layout, &w).ok());
  for (const char* name : {"cherry", "Banana", "apple", "Date"}) ASSERT_TRUE(w->Append({name}, false).ok());
  ASSERT_TRUE(w->Finish().ok());
  ASSERT_TRUE(AddIndex(nullptr, path, {"NAME", "NAME", "", false, false, ""}).ok());
  ASSERT_TRUE(AddIndex(nullptr, path, {"", "NAME", "", false, false, "NAME.NDX"}).ok());
  auto order = [&](const std::string& file) {
    std::string recnos;
    for (const std::string& line : testing::IndexWalks(path)) {
      if (line.rfind(file, 0) == 0) recnos += line.substr(line.rfind('|') + 1);
    }
    return recnos;
  };
  EXPECT_EQ(order("C.mdx"), "3214");
  EXPECT_EQ(order("NAME.NDX"), "3214");
  ASSERT_TRUE(Restructure(nullptr, path, {"LANGDRIVER", "DBWINUS0", false}, nullptr, nullptr).ok());
  EXPECT_EQ(order("C.mdx"), "2431");
  EXPECT_EQ(order("NAME.NDX"), "2431");
  EXPECT_TRUE(testing::CheckTableIndexes(path).ok());
}

}  // namespace
}  // namespace kx::storage
