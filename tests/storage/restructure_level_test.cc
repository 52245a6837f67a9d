// Level changes: every pair of levels keeps every record and memo, the
// header and memo file take the target's form, and what the target cannot
// hold (field types, widths, names, values, memo bytes) is refused with the
// field named and the table left exactly as it was. Also the writer, which
// makes tables of every level with every field type.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "storage/core/byte_order.h"
#include "storage/dbase/dbf_binary_fields.h"
#include "storage/dbase/dbf_table.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::GenOptions;
using testing::ScratchDir;
using testing::TableImage;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

Status SetLevel(const std::string& path, int level, RestructureStats* stats = nullptr) {
  RestructureRequest r;
  r.property = "LEVEL";
  r.value = std::to_string(level);
  return Restructure(nullptr, path, r, nullptr, stats);
}

std::uint8_t VersionByte(int level, bool memo) {
  switch (level) {
    case 3: return memo ? 0x83 : 0x03;
    case 7: return memo ? 0x8C : 0x04;
    case 25: return memo ? 0xF5 : 0x03;
    default: return memo ? 0x8B : 0x03;
  }
}

TEST(LevelChange, EveryPairKeepsEveryRecordAndMemoInTheTargetsForm) {
  const int levels[] = {3, 4, 5, 7, 25};
  int changes = 0;
  for (bool memo : {true, false}) {
    for (int from : levels) {
      for (int to : levels) {
        if (from == to) continue;
        SCOPED_TRACE("level " + std::to_string(from) + " to " + std::to_string(to) +
                     (memo ? " with memo" : " without memo"));
        ScratchDir dir;
        const std::string path = dir.File("T.dbf");
        GenOptions g;
        g.level = from;
        g.records = 60;
        g.memo = memo;
        g.seed = static_cast<std::uint32_t>(from * 100 + to);
        ASSERT_TRUE(testing::MakeTable(path, g).ok());
        TableImage before, after;
        ASSERT_TRUE(testing::ReadImage(nullptr, path, &before).ok());
        RestructureStats stats;
        Status s = SetLevel(path, to, &stats);
        ASSERT_TRUE(s.ok()) << s.message();
        ++changes;
        ASSERT_TRUE(testing::ReadImage(nullptr, path, &after).ok());
        EXPECT_EQ(after.signature, before.signature);  // same bytes in every field, same memos
        EXPECT_EQ(stats.records_after, before.records);

        TableInfo info;
        ASSERT_TRUE(Describe(nullptr, path, &info).ok());
        EXPECT_EQ(info.level, to == 5 ? 4 : to);  // 5 is 4's layout; only B/G fields tell
        const std::string bytes = testing::ReadBytes(path);
        const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
        EXPECT_EQ(b[0], VersionByte(to, memo));
        const std::size_t n = info.fields.size();
        EXPECT_EQ(GetLe16(b + 8), to == 7 ? 68 + 48 * n + 1 : 32 + 32 * n + 1);
        EXPECT_EQ(bytes.size(), GetLe16(b + 8) + std::size_t{60} * GetLe16(b + 10) + 1);
        for (const FieldInfo& f : info.fields) EXPECT_TRUE(to != 3 || f.type != 'F') << f.name;
        EXPECT_EQ(Exists(dir.File("T.fpt")), memo && to == 25);
        EXPECT_EQ(Exists(dir.File("T.dbt")), memo && to != 25);
        if (memo) {
          EXPECT_EQ(info.memo_block_size, to == 25 && from == 25 ? 64u : 512u);
        }
        EXPECT_TRUE(testing::Leftovers(dir.path()).empty());
      }
    }
  }
  EXPECT_EQ(changes, 40);
}

TEST(LevelChange, AChainThroughEveryLevelEndsWithTheSameRecords) {
  ScratchDir dir;
  const std::string path = dir.File("CHAIN.DBF");
  GenOptions g;
  g.level = 4;
  g.records = 300;
  g.lang = "DB437US0";
  g.extra_text = "\x81\x82\x84\x94";  // cp437 letters
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  TableImage start, now;
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &start).ok());
  for (int level : {7, 25, 5, 3, 7, 4}) {
    Status s = SetLevel(path, level);
    ASSERT_TRUE(s.ok()) << level << ": " << s.message();
    TableInfo info;
    ASSERT_TRUE(Describe(nullptr, path, &info).ok());
    EXPECT_EQ(info.lang_driver, "DB437US0") << "at level " << level;
  }
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &now).ok());
  EXPECT_EQ(now.signature, start.signature);
  EXPECT_TRUE(Exists(dir.File("CHAIN.DBT")));
  EXPECT_FALSE(Exists(dir.File("CHAIN.FPT")));
}

// A one-field-plus-key table of `level` with `field`.
void MakeWith(const std::string& path, int level, FieldInfo field, const std::string& value) {
  TableLayout t;
  t.level = level;
  t.fields = {{"KEY", 'C', 4, 0}, field};
  std::unique_ptr<TableWriter> w;
  Status s = CreateTable(nullptr, path, t, &w);
  ASSERT_TRUE(s.ok()) << s.message();
  ASSERT_TRUE(w->Append({"a", value}, false).ok());
  ASSERT_TRUE(w->Finish().ok());
}

TEST(LevelChange, FieldsTheTargetCannotHoldAreRefusedByName) {
  struct Case {
    int from;
    FieldInfo field;
    std::string value;
    int to;
  };
  const Case cases[] = {
      {7, {"LONGV", 'I', 4, 0}, "42", 4},          {7, {"AUTO", '+', 4, 0}, "1", 3},
      {7, {"DBL", 'O', 8, 0}, "2.5", 25},          {7, {"STAMP", '@', 8, 0}, "20240102030405", 5},
      {7, {"BIN", 'B', 10, 0}, "\x01\x02", 4},     {7, {"OLE", 'G', 10, 0}, "ole", 3},
      {5, {"BIN", 'B', 10, 0}, "\x01", 25},        {25, {"PIC", 'P', 10, 0}, "p", 7},
      {25, {"OLE", 'G', 10, 0}, "g", 4},           {7, {"ALONGERNAME1", 'C', 5, 0}, "x", 4},
      {4, {"WIDE", 'N', 20, 2}, "1.25", 3},        {4, {"WIDEF", 'F', 20, 4}, "1.5", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("field ") + c.field.name + " to level " + std::to_string(c.to));
    ScratchDir dir;
    const std::string path = dir.File("R.dbf");
    MakeWith(path, c.from, c.field, c.value);
    const testing::FolderState state = testing::Capture(dir.path());
    Status s = SetLevel(path, c.to);
    EXPECT_EQ(s.code(), DBIERR_CANNOTCONVERT) << s.message();
    EXPECT_EQ(s.context(1), "field " + c.field.name);
    EXPECT_NE(s.message().find(c.field.name), std::string::npos) << s.message();
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
  }
}

TEST(LevelChange, TablesTooLargeForLevel3AreRefused) {
  struct Case {
    std::size_t fields;
    int width;
    std::uint16_t code;
  };
  // 130 fields (level 3 has at most 128); 20 x 254 bytes (at most 4000).
  for (const Case& c : {Case{130, 2, DBIERR_CANNOTCONVERT}, Case{20, 254, DBIERR_RECTOOBIG}}) {
    ScratchDir dir;
    const std::string path = dir.File("Z.dbf");
    TableLayout t;
    t.level = 4;
    for (std::size_t i = 0; i < c.fields; ++i) {
      t.fields.push_back({"F" + std::to_string(i), 'C', c.width, 0});
    }
    std::unique_ptr<TableWriter> w;
    ASSERT_TRUE(CreateTable(nullptr, path, t, &w).ok());
    ASSERT_TRUE(w->Finish().ok());
    const testing::FolderState state = testing::Capture(dir.path());
    Status s = SetLevel(path, 3);
    EXPECT_EQ(s.code(), c.code) << s.message();
    EXPECT_NE(s.message().find("level 3"), std::string::npos) << s.message();
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
  }
}

TEST(LevelChange, ValuesThatCannotConvertNameRecordAndField) {
  struct Case {
    FieldInfo field;
    std::string bad_value;
    const char* what;
  };
  // F text a level-3 N field cannot hold; a memo byte that would end a
  // dBASE III memo early.
  const Case cases[] = {{{"RATE", 'F', 12, 0}, "1.5E+10", "plain decimal"},
                        {{"NOTES", 'M', 10, 0}, std::string("ab\x1A" "cd", 5), "0x1A"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field.name);
    ScratchDir dir;
    const std::string path = dir.File("V.dbf");
    TableLayout t;
    t.level = 4;
    t.fields = {{"KEY", 'C', 4, 0}, c.field};
    std::unique_ptr<TableWriter> w;
    ASSERT_TRUE(CreateTable(nullptr, path, t, &w).ok());
    const std::string good = c.field.type == 'F' ? "2.5" : "fine";
    ASSERT_TRUE(w->Append({"a", good}, false).ok());
    ASSERT_TRUE(w->Append({"b", good}, true).ok());
    ASSERT_TRUE(w->Append({"c", c.bad_value}, false).ok());
    ASSERT_TRUE(w->Finish().ok());
    const testing::FolderState state = testing::Capture(dir.path());
    Status s = SetLevel(path, 3);
    EXPECT_EQ(s.code(), DBIERR_CANNOTCONVERT);
    EXPECT_EQ(s.context(1), "record 3, field " + c.field.name);
    EXPECT_NE(s.message().find(c.what), std::string::npos) << s.message();
    std::string why;
    EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
    EXPECT_TRUE(SetLevel(path, 7).ok());  // every other level holds them
  }
}

// Inserts a level-7 field-properties area (as dBASE writes one) after the
// descriptors' terminator.
void AddPropertiesArea(const std::string& path, std::string* area) {
  std::string bytes = testing::ReadBytes(path);
  auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
  const std::uint16_t header = GetLe16(b + 8);
  area->assign(512, '\0');
  const char text[] = "\x01\x00\x10\x00STATUSMESSAGE";
  std::memcpy(area->data(), text, sizeof text - 1);
  (*area)[511] = 0x1A;
  PutLe16(b + 8, static_cast<std::uint16_t>(header + area->size()));
  bytes.insert(header, *area);
  testing::WriteBytes(path, bytes);
}

TEST(LevelChange, Level7PropertiesAreaStaysWithin7AndGoesWhenLeaving) {
  ScratchDir dir;
  const std::string path = dir.File("P.dbf");
  GenOptions g;
  g.level = 7;
  g.records = 20;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  std::string area;
  AddPropertiesArea(path, &area);
  TableImage before, after;
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &before).ok());

  RestructureRequest r{"LANGDRIVER", "DBWINWE0", false};
  ASSERT_TRUE(Restructure(nullptr, path, r, nullptr, nullptr).ok());
  std::string bytes = testing::ReadBytes(path);
  const std::size_t n = 7;
  const std::size_t area_at = 68 + 48 * n + 1;
  EXPECT_EQ(GetLe16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 8), area_at + 512);
  EXPECT_EQ(bytes.substr(area_at, 512), area);
  EXPECT_EQ(bytes.substr(32, 9), std::string("DBWINWE0\0", 9));
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[29]), 0x58);

  ASSERT_TRUE(SetLevel(path, 4).ok());
  bytes = testing::ReadBytes(path);
  EXPECT_EQ(GetLe16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 8), 32 + 32 * n + 1);
  ASSERT_TRUE(SetLevel(path, 7).ok());  // entering 7 writes no area
  bytes = testing::ReadBytes(path);
  EXPECT_EQ(GetLe16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 8), area_at);
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &after).ok());
  EXPECT_EQ(after.signature, before.signature);
}

TEST(LevelChange, AFileHoldingTheNewMemoNameIsNeverOverwritten) {
  ScratchDir dir;
  const std::string path = dir.File("S.dbf");
  GenOptions g;
  g.records = 10;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  testing::WriteBytes(dir.File("s.FPT"), "somebody's file");
  const testing::FolderState state = testing::Capture(dir.path());
  Status s = SetLevel(path, 25);
  EXPECT_EQ(s.code(), DBIERR_WRITEERR) << s.message();
  EXPECT_NE(s.message().find("s.FPT"), std::string::npos) << s.message();
  std::string why;
  EXPECT_TRUE(testing::Unchanged(dir.path(), state, &why)) << why;
}

// Every level with every field type it has: written, read back, and (but
// for FoxPro's P) carried unchanged through a change to level 7.
TEST(TableWriter, EveryLevelWithEveryFieldTypeReadsBack) {
  struct Level {
    int level;
    std::vector<FieldInfo> fields;
    std::vector<std::string> values;
  };
  const std::vector<FieldInfo> common = {
      {"NAME", 'C', 12, 0}, {"QTY", 'N', 6, 0}, {"DAY", 'D', 8, 0}, {"OK", 'L', 1, 0},
      {"NOTE", 'M', 10, 0}};
  const std::vector<std::string> common_values = {"Anna", "42", "20240229", "T", "memo text"};
  auto with = [&](std::vector<FieldInfo> more, std::vector<std::string> vals) {
    std::vector<FieldInfo> f = common;
    f.insert(f.end(), more.begin(), more.end());
    std::vector<std::string> v = common_values;
    v.insert(v.end(), vals.begin(), vals.end());
    return std::make_pair(f, v);
  };
  std::vector<Level> levels;
  auto add = [&](int level, std::pair<std::vector<FieldInfo>, std::vector<std::string>> fv) {
    levels.push_back({level, fv.first, fv.second});
  };
  add(3, with({}, {}));
  add(4, with({{"RATE", 'F', 10, 3}}, {"1.250"}));
  add(5, with({{"RATE", 'F', 10, 3}, {"BIN", 'B', 10, 0}, {"OLE", 'G', 10, 0}},
              {"1.250", std::string("\x00\xFF\x1A", 3), "ole"}));
  add(7, with({{"RATE", 'F', 10, 3}, {"BIN", 'B', 10, 0}, {"OLE", 'G', 10, 0}, {"LONG", 'I', 4, 0},
               {"AUTO", '+', 4, 0}, {"DBL", 'O', 8, 0}, {"STAMP", '@', 8, 0}},
              {"1.250", "bin", "ole", "-7", "5", "-0.5", "20240229235958.250"}));
  add(25, with({{"RATE", 'F', 10, 3}, {"OLE", 'G', 10, 0}, {"PIC", 'P', 10, 0}},
               {"1.250", "ole", "pic"}));
  for (const Level& l : levels) {
    SCOPED_TRACE("level " + std::to_string(l.level));
    ScratchDir dir;
    const std::string path = dir.File("W.dbf");
    TableLayout t;
    t.level = l.level;
    t.fields = l.fields;
    t.lang_driver = l.level == 25 ? "FOXDEWIN" : "DB850DE0";
    std::unique_ptr<TableWriter> w;
    Status s = CreateTable(nullptr, path, t, &w);
    ASSERT_TRUE(s.ok()) << s.message();
    ASSERT_TRUE(w->Append(l.values, false).ok());
    ASSERT_TRUE(w->Finish().ok());
    if (l.level != 7 && l.level != 25) ASSERT_TRUE(SetLevel(path, 7).ok());  // P stays at 25
    std::unique_ptr<DbfTable> table;
    ASSERT_TRUE(DbfTable::Open(Env::Default(), path, ShareMode::kShared, &table).ok());
    EXPECT_EQ(table->Info().lang_driver, l.level == 25 ? "FOXDEWIN" : "DB850DE0");
    std::size_t seen = 0;
    s = table->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
      ++seen;
      for (std::size_t i = 0; i < l.fields.size(); ++i) {
        const DbfField& f = table->header().fields[i];
        const std::uint8_t* p = rec + f.offset;
        std::string got;
        if (f.is_memo) {
          bool present = false;
          Status r = table->ReadMemoField(rec, f, &present, &got);
          if (!r.ok()) return r;
        } else if (f.type == 'I' || f.type == '+') {
          got = DecodeLongField(p);
        } else if (f.type == 'O') {
          got = DecodeDoubleField(p);
        } else if (f.type == '@') {
          got = DecodeTimestampField(p);
        } else {
          got.assign(reinterpret_cast<const char*>(p), f.length);
          got.erase(got.find_last_not_of(' ') + 1);
          got.erase(0, got.find_first_not_of(' '));
        }
        std::string want = l.values[i];
        if (f.type == '@') want = "2024-02-29 23:59:58.250";
        EXPECT_EQ(got, want) << f.name;
      }
      return Status::OK();
    });
    EXPECT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(seen, 1u);
  }
}

}  // namespace
}  // namespace kx::storage
