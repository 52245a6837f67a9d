// Which index files belong to a table (production index by header flag,
// .ndx/.idx listed in the .inf, files the application names), the scratch
// names that let an index named apart from the table take part in a
// commit, and AddIndex's refusals and .inf upkeep.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "storage/dbase/table_indexes.h"
#include "storage/io/file_names.h"
#include "storage/io/intent_record.h"
#include "tests/storage/support/index_oracle.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;

struct DiscoveryCase {
  const char* what;
  std::uint8_t version;      // header byte 0
  bool flag;                 // header byte 28 bit 0
  std::vector<std::pair<std::string, std::string>> files;  // besides T.DBF
  std::vector<std::string> named;
  std::vector<std::string> found;    // base names, in order
  std::vector<std::string> missing;  // base names
  std::uint16_t code = 0;
};

TEST(TableIndexes, FindsWhatBelongsToTheTable) {
  const std::string inf = "[dBASE]\r\nNDX1=A.NDX\r\nndx2 = b.ndx\r\n";
  const std::vector<DiscoveryCase> cases = {
      {"production .mdx by flag", 0x8B, true, {{"T.MDX", ""}}, {}, {"T.MDX"}, {}},
      {"its case may differ", 0x8B, true, {{"t.mdx", ""}}, {}, {"t.mdx"}, {}},
      {"flag without file", 0x8B, true, {}, {}, {}, {"T.MDX"}},
      {"stem .mdx without flag is not the table's", 0x8B, false, {{"T.MDX", ""}, {"T.NDX", ""}},
       {}, {}, {}},
      {"FoxPro structural .cdx", 0xF5, true, {{"T.CDX", ""}, {"T.MDX", ""}}, {}, {"T.CDX"}, {}},
      {"no memo: either production kind", 0x03, true, {{"T.CDX", ""}}, {}, {"T.CDX"}, {}},
      {".inf lines, any case", 0x8B, false, {{"T.INF", inf}, {"a.ndx", ""}, {"B.NDX", ""}}, {},
       {"a.ndx", "B.NDX"}, {}},
      {".inf entry without file", 0x8B, false, {{"t.inf", inf}, {"A.NDX", ""}}, {}, {"A.NDX"},
       {"b.ndx"}},
      {"other sections, DOS paths, .idx, no .mdx", 0x8B, false,
       {{"T.INF", "[other]\nNDX1=X.NDX\n[dBASE]\nNDX1=C:\\DATA\\Y.NDX\nNDX2=Z.IDX\nNDX3=W.MDX\n"},
        {"X.NDX", ""}, {"Y.NDX", ""}, {"Z.IDX", ""}, {"W.MDX", ""}},
       {}, {"Y.NDX", "Z.IDX"}, {}},
      {"named by the application, once", 0x8B, true,
       {{"T.MDX", ""}, {"T.INF", "[dBASE]\nNDX1=A.NDX\n"}, {"A.NDX", ""}, {"OWN.NDX", ""}},
       {"own.ndx", "A.NDX", "T.MDX"}, {"T.MDX", "A.NDX", "OWN.NDX"}, {}},
      {"named but absent", 0x8B, false, {}, {"GONE.NDX"}, {}, {}, DBIERR_NOSUCHINDEX},
      {"named outside the folder", 0x8B, false, {}, {"../X.NDX"}, {}, {}, DBIERR_INVALIDPARAM},
      {"named but no index", 0x8B, false, {{"NOTES.TXT", ""}}, {"NOTES.TXT"}, {}, {},
       DBIERR_INVALIDPARAM},
  };
  for (const DiscoveryCase& c : cases) {
    ScratchDir dir;
    std::vector<std::string> entries = {"T.DBF"};
    for (const auto& [name, text] : c.files) {
      testing::WriteBytes(dir.File(name), text);
      entries.push_back(name);
    }
    DbfHeader header;
    header.version = c.version;
    header.foxpro = c.version == 0xF5;
    header.table_flags = c.flag ? 1 : 0;
    TableIndexes found;
    Status s = FindTableIndexes(Env::Default(), dir.File("T.DBF"), entries, header, c.named, &found);
    EXPECT_EQ(s.code(), c.code) << c.what << ": " << s.message();
    if (!s.ok()) continue;
    std::vector<std::string> names, missing;
    for (const std::string& p : found.paths()) names.push_back(BaseName(p));
    for (const std::string& p : found.missing) missing.push_back(BaseName(p));
    EXPECT_EQ(names, c.found) << c.what;
    EXPECT_EQ(missing, c.missing) << c.what;
    EXPECT_EQ(found.production() != nullptr, c.flag && !c.found.empty()) << c.what;
  }
}

TEST(TableIndexes, ScratchNamesAreLeftoversAndMayStageAnIndexOfItsOwnName) {
  for (const char* yes : {"T.~pk.3000", "T.~pk.1002.7", "T.INF.~pk", "t.idx.~pk"}) {
    EXPECT_TRUE(IsLeftoverOf("T", yes)) << yes;
  }
  for (const char* no : {"T.~pk.", "T.~pk.x1", "T.~pk.1a", "U.~pk.3000", "T.~pk"}) {
    EXPECT_FALSE(IsLeftoverOf("T", no)) << no;
  }
  EXPECT_EQ(ScratchPathFor("/d/T.DBF", 3001), "/d/T.~pk.3001");
  IntentRecord r;
  r.entries = {{"T.DBF.~pk", "T.DBF", 1, 2}, {"T.~pk.3001", "BYNAME.NDX", 3, 4}};
  IntentRecord back;
  EXPECT_TRUE(back.Decode(r.Encode(), "T"));
  for (const IntentEntry& bad : {IntentEntry{"T.~pk.3001", "OTHER.DBF", 3, 4},
                                 IntentEntry{"U.~pk.3001", "BYNAME.NDX", 3, 4},
                                 IntentEntry{"T.~pk.3001", "../BYNAME.NDX", 3, 4}}) {
    r.entries[1] = bad;
    EXPECT_FALSE(back.Decode(r.Encode(), "T")) << bad.temp_name << " " << bad.final_name;
  }
}

// An index the application names is rebuilt by a pack like the table's own.
TEST(TableIndexes, NamedIndexIsCarriedThroughAPack) {
  ScratchDir dir;
  const std::string path = dir.File("A.DBF");
  testing::GenOptions g;
  g.records = 200;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  ASSERT_TRUE(AddIndex(nullptr, path, {"", "NAME", "", false, false, "MINE.NDX"}).ok());
  unlink(dir.File("A.INF").c_str());  // no longer listed: only the application knows it
  OpenOptions options;
  options.index_files = {"mine.ndx"};
  TableInfo info;
  ASSERT_TRUE(Describe(nullptr, path, &info).ok());
  EXPECT_TRUE(info.index_files.empty());
  ASSERT_TRUE(Describe(nullptr, path, options, &info).ok());
  ASSERT_EQ(info.index_files, std::vector<std::string>{dir.File("MINE.NDX")});
  ASSERT_TRUE(Pack(nullptr, path, options, nullptr, nullptr).ok());
  testing::IndexCheck check = testing::CheckTableIndexes(path, options);
  EXPECT_TRUE(check.ok()) << check.problem;
  EXPECT_EQ(check.files, 1);
  EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
}

TEST(AddIndex, ListsNdxFilesInTheInfAndSetsTheProductionFlag) {
  ScratchDir dir;
  const std::string path = dir.File("I.DBF");
  testing::GenOptions g;
  g.records = 40;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  testing::WriteBytes(dir.File("I.INF"), "[ODBC]\r\nX=1");
  ASSERT_TRUE(AddIndex(nullptr, path, {"", "NAME", "", false, false, "N1.NDX"}).ok());
  EXPECT_EQ(testing::ReadBytes(dir.File("I.INF")), "[ODBC]\r\nX=1\r\n[dBASE]\r\nNDX1=N1.NDX\r\n");
  testing::WriteBytes(dir.File("I.INF"), "[dBASE]\r\nNDX7=N1.NDX\r\n[Other]\r\nY=2\r\n");
  ASSERT_TRUE(AddIndex(nullptr, path, {"", "QTY", "", false, false, "N2.ndx"}).ok());
  EXPECT_EQ(testing::ReadBytes(dir.File("I.INF")),
            "[dBASE]\r\nNDX7=N1.NDX\r\nNDX8=N2.ndx\r\n[Other]\r\nY=2\r\n");
  EXPECT_EQ(testing::ReadBytes(path)[28], 0);
  ASSERT_TRUE(AddIndex(nullptr, path, {"qty", "QTY", "", false, false, ""}).ok());
  EXPECT_EQ(testing::ReadBytes(path)[28], 1);
  TableInfo info;
  ASSERT_TRUE(Describe(nullptr, path, &info).ok());
  EXPECT_EQ(info.index_files.size(), 3u);
  EXPECT_TRUE(testing::CheckTableIndexes(path).ok());
}

TEST(AddIndex, RefusesBadRequestsAndTouchesNothing) {
  struct Case {
    const char* what;
    IndexSpec spec;
    std::uint16_t code;
  };
  const std::vector<Case> cases = {
      {"tag name too long", {"ELEVENCHARS", "NAME", "", false, false, ""}, DBIERR_INVALIDPARAM},
      {"tag name taken", {"name", "QTY", "", false, false, ""}, DBIERR_INVALIDPARAM},
      {"unknown field", {"X", "NOSUCH", "", false, false, ""}, DBIERR_INVALIDPARAM},
      {"FOR not logical", {"X", "NAME", "QTY", false, false, ""}, DBIERR_INVALIDPARAM},
      {"logical key in an .mdx", {"X", "ACTIVE", "", false, false, ""}, DBIERR_INDEXNOTSUPPORTED},
      {"key too long", {"X", "NAME+NAME+NAME+NAME+NAME", "", false, false, ""},
       DBIERR_INVALIDPARAM},
      {"an .mdx name", {"", "QTY", "", false, false, "I.MDX"}, DBIERR_INVALIDPARAM},
      {"an .ndx exists", {"", "QTY", "", false, false, "HAVE.NDX"}, DBIERR_INVALIDPARAM},
      {"not an index name", {"", "QTY", "", false, false, "Q.TXT"}, DBIERR_INVALIDPARAM},
      {"descending .ndx", {"", "QTY", "", false, true, "Q.NDX"}, DBIERR_INDEXNOTSUPPORTED},
      {"FOR in an .ndx", {"", "QTY", "ACTIVE", false, false, "Q.NDX"}, DBIERR_INDEXNOTSUPPORTED},
  };
  ScratchDir dir;
  const std::string path = dir.File("I.DBF");
  testing::GenOptions g;
  g.records = 40;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  ASSERT_TRUE(AddIndex(nullptr, path, {"NAME", "NAME", "", false, false, ""}).ok());
  ASSERT_TRUE(AddIndex(nullptr, path, {"", "NAME", "", false, false, "HAVE.NDX"}).ok());
  const testing::FolderState before = testing::Capture(dir.path());
  for (const Case& c : cases) {
    Status s = AddIndex(nullptr, path, c.spec);
    EXPECT_EQ(s.code(), c.code) << c.what << ": " << s.message();
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), before, &why)) << c.what << ": " << why;
  }
}

}  // namespace
}  // namespace kx::storage
