// Describe and open on real tables of each supported kind, and the kinds
// that are refused; memo files read back what was written, for each memo
// format and at the block-size edges.
#include <gtest/gtest.h>

#include <memory>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "storage/dbase/dbf_table.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;

TEST(Describe, RealSamplesOfEachKind) {
  struct Case {
    const char* file;
    std::uint16_t code;
    const char* driver;
    int level;
    std::uint32_t records, fields, block_size;
    const char* lang;
  };
  for (const Case& c : {
           Case{"dbase_03.dbf", 0, "DBASE", 3, 14, 31, 0, ""},
           Case{"dbase_83.dbf", 0, "DBASE", 3, 67, 15, 512, ""},
           Case{"dbase_8b.dbf", 0, "DBASE", 4, 10, 6, 512, ""},
           Case{"dbase_f5.dbf", 0, "FOXPRO", 25, 975, 59, 64, ""},
           Case{"dbase_8c.dbf", DBIERR_NOMEMOFILE, "", 0, 0, 0, 0, ""},
           Case{"dbase_30.dbf", DBIERR_NOTSUPPORTED, "", 0, 0, 0, 0, ""},
           Case{"no_such.dbf", DBIERR_NOSUCHTABLE, "", 0, 0, 0, 0, ""},
       }) {
    TableInfo info;
    Status s = Describe(nullptr, testing::SourcePath(std::string("tests/data/dbase/") + c.file),
                        &info);
    ASSERT_EQ(s.code(), c.code) << c.file << ": " << s.message();
    if (!s.ok()) continue;
    EXPECT_EQ(info.driver_type, c.driver) << c.file;
    EXPECT_EQ(info.level, c.level) << c.file;
    EXPECT_EQ(info.record_count, c.records) << c.file;
    EXPECT_EQ(info.fields.size(), c.fields) << c.file;
    EXPECT_EQ(info.memo_block_size, c.block_size) << c.file;
    EXPECT_EQ(info.deleted_count, 0u) << c.file;
    EXPECT_TRUE(info.index_files.empty());
  }
}

TEST(Describe, HeaderLengthEndsAFieldListWithoutTerminator) {
  // FoxPro wrote 0x0A where the field list's 0x0D belongs; the header length
  // still says where the fields end, as other readers take it.
  TableInfo info;
  Status s = Describe(nullptr, testing::SourcePath("tests/data/dbase/rooms.dbf"), &info);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(info.fields.size(), 2u);
  EXPECT_EQ(info.record_count, 42u);
  EXPECT_EQ(info.fields[1].name, "FACILITY");
}

TEST(Describe, CountsDeletedRecordsAndNamesTheDriver) {
  ScratchDir dir;
  TableLayout t;
  t.level = 4;
  t.ldid = 0x1B;
  t.fields = {{"A", 'C', 3, 0}};
  std::unique_ptr<TableWriter> w;
  ASSERT_TRUE(CreateTable(nullptr, dir.File("D.DBF"), t, &w).ok());
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(w->Append({"x"}, i % 3 == 0).ok());
  ASSERT_TRUE(w->Finish().ok());
  TableInfo info;
  ASSERT_TRUE(Describe(nullptr, dir.File("D.DBF"), &info).ok());
  EXPECT_EQ(info.record_count, 10u);
  EXPECT_EQ(info.deleted_count, 4u);
  EXPECT_EQ(info.lang_driver, "DB437US0");
  EXPECT_EQ(info.level, 4);
}

// Contents of every size class survive a write and a read, in each format.
TEST(MemoFiles, WhatIsWrittenReadsBack) {
  struct Kind {
    int level;
    std::uint32_t block;
    const char* ext;
  };
  for (const Kind& k : {Kind{3, 0, "dbt"}, Kind{4, 512, "dbt"}, Kind{4, 2048, "dbt"},
                        Kind{25, 64, "fpt"}, Kind{25, 512, "fpt"}}) {
    ScratchDir dir;
    TableLayout t;
    t.level = k.level;
    t.memo_block_size = k.block;
    t.fields = {{"M", 'M', 10, 0}};
    std::vector<std::string> memos;
    for (std::size_t n : {1, 2, 7, 8, 56, 62, 63, 64, 65, 504, 509, 510, 511, 512, 513, 5000}) {
      std::string m;
      for (std::size_t i = 0; i < n; ++i) m.push_back(static_cast<char>('A' + (i * 7 + n) % 26));
      memos.push_back(m);
    }
    std::unique_ptr<TableWriter> w;
    ASSERT_TRUE(CreateTable(nullptr, dir.File("m.dbf"), t, &w).ok());
    for (const std::string& m : memos) ASSERT_TRUE(w->Append({m}, false).ok());
    ASSERT_TRUE(w->Finish().ok());

    std::unique_ptr<DbfTable> table;
    ASSERT_TRUE(DbfTable::Open(Env::Default(), dir.File("m.dbf"), ShareMode::kShared, &table).ok());
    EXPECT_EQ(table->Info().memo_file, dir.File(std::string("m.") + k.ext));
    std::size_t i = 0;
    std::string got;
    Status s = table->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
      bool present = false;
      Status r = table->ReadMemoField(rec, table->header().fields[0], &present, &got);
      EXPECT_TRUE(present);
      EXPECT_TRUE(got == memos[i]) << "level " << k.level << " memo " << i << " of "
                                   << memos[i].size() << " bytes";
      ++i;
      return r;
    });
    EXPECT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(i, memos.size());
  }
}

}  // namespace
}  // namespace kx::storage
