// Corrupt, truncated and hostile tables: open and pack answer with a code
// (never a crash or a hang), and a table found corrupt is never rewritten:
// every file is byte-identical afterwards and no temp is left.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"
#include "storage/core/byte_order.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;

// ID N(4), TXT M(10): header 97 bytes, records of 15; record 1 live with a
// short memo at block 1, record 2 deleted with a memo, record 3 live with a
// two-block memo.
constexpr std::size_t kHl = 97, kRl = 15;

void MakeSmall(const ScratchDir& dir, int level) {
  TableLayout t;
  t.level = level;
  t.fields = {{"ID", 'N', 4, 0}, {"TXT", 'M', 10, 0}};
  std::unique_ptr<TableWriter> w;
  ASSERT_TRUE(CreateTable(nullptr, dir.File("C.dbf"), t, &w).ok());
  ASSERT_TRUE(w->Append({"1", "hello"}, false).ok());
  ASSERT_TRUE(w->Append({"2", std::string(300, 'd')}, true).ok());
  ASSERT_TRUE(w->Append({"3", std::string(700, 'x')}, false).ok());
  ASSERT_TRUE(w->Finish().ok());
}

using Mutation = std::function<void(std::string* dbf, std::string* dbt)>;

void SetPointer(std::string* dbf, int record, const char* text10) {
  dbf->replace(kHl + record * kRl + 5, 10, text10);
}

// The pristine table's files for a level, made once.
const std::pair<std::string, std::string>& Pristine(int level) {
  static std::map<int, std::pair<std::string, std::string>> made;
  auto it = made.find(level);
  if (it == made.end()) {
    ScratchDir dir;
    MakeSmall(dir, level);
    it = made.emplace(level, std::make_pair(testing::ReadBytes(dir.File("C.dbf")),
                                            testing::ReadBytes(dir.File("C.dbt")))).first;
  }
  return it->second;
}

// Applies the mutation to a fresh table, packs, and checks the refusal.
Status PackMutated(int level, const Mutation& m, bool* untouched) {
  ScratchDir dir;
  std::string dbf = Pristine(level).first;
  std::string dbt = Pristine(level).second;
  m(&dbf, &dbt);
  testing::WriteBytes(dir.File("C.dbf"), dbf);
  if (dbt != "<missing>") {
    testing::WriteBytes(dir.File("C.dbt"), dbt);
  } else {
    std::remove(dir.File("C.dbt").c_str());
  }
  const testing::DirSnapshot before = testing::Snapshot(dir.path());
  Status s = Pack(nullptr, dir.File("C.dbf"), nullptr, nullptr);
  *untouched = testing::Snapshot(dir.path()) == before && testing::Leftovers(dir.path()).empty();
  return s;
}

TEST(Corruption, EachDamageHasItsCodeAndTheTableIsLeftAlone) {
  struct Case {
    const char* what;
    int level;
    std::uint16_t code;
    Mutation m;
  };
  const Case cases[] = {
      {"file shorter than a header", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { f->resize(20); }},
      {"header length below the minimum", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { PutLe16(reinterpret_cast<std::uint8_t*>(f->data()) + 8, 20); }},
      {"header length past the end", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { PutLe16(reinterpret_cast<std::uint8_t*>(f->data()) + 8, 60000); }},
      {"record length shorter than the fields", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { PutLe16(reinterpret_cast<std::uint8_t*>(f->data()) + 10, 5); }},
      {"field of length zero", 3, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { (*f)[32 + 16] = 0; }},
      {"field without a type", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { (*f)[32 + 11] = 0; }},
      {"unknown version byte", 4, DBIERR_HEADERCORRUPT,
       [](std::string* f, std::string*) { (*f)[0] = 0x77; }},
      {"visual foxpro", 4, DBIERR_NOTSUPPORTED,
       [](std::string* f, std::string*) { (*f)[0] = 0x30; }},
      {"encrypted", 4, DBIERR_ENCRYPTED, [](std::string* f, std::string*) { (*f)[15] = 1; }},
      {"record count past the end", 4, DBIERR_FILECORRUPT,
       [](std::string* f, std::string*) { (*f)[4] = 5; }},
      {"file cut inside a record", 3, DBIERR_FILECORRUPT,
       [](std::string* f, std::string*) { f->resize(kHl + 2 * kRl + 7); }},
      {"memo pointer past the end", 4, DBIERR_MEMOCORRUPT,
       [](std::string* f, std::string*) { SetPointer(f, 2, "     99999"); }},
      {"memo pointer not a number", 3, DBIERR_MEMOCORRUPT,
       [](std::string* f, std::string*) { SetPointer(f, 0, "   12ab   "); }},
      {"memo block size past the file", 4, DBIERR_MEMOCORRUPT,
       [](std::string*, std::string* m) { PutLe16(reinterpret_cast<std::uint8_t*>(m->data()) + 20, 4096); }},
      {"memo block without its header", 4, DBIERR_MEMOCORRUPT,
       [](std::string*, std::string* m) { (*m)[512] = 0; }},
      {"memo longer than the file", 4, DBIERR_MEMOCORRUPT,
       [](std::string*, std::string* m) { PutLe32(reinterpret_cast<std::uint8_t*>(m->data()) + 516, 0x7FFFFFF0); }},
      {"memo block size zero", 4, DBIERR_MEMOCORRUPT,
       [](std::string*, std::string* m) { PutLe16(reinterpret_cast<std::uint8_t*>(m->data()) + 20, 0); }},
      {"memo file cut short", 3, DBIERR_MEMOCORRUPT,
       [](std::string*, std::string* m) { m->resize(600); }},
      {"memo file missing", 4, DBIERR_NOMEMOFILE,
       [](std::string*, std::string* m) { *m = "<missing>"; }},
  };
  for (const Case& c : cases) {
    bool untouched = false;
    Status s = PackMutated(c.level, c.m, &untouched);
    EXPECT_EQ(s.code(), c.code) << c.what << ": " << s.message();
    EXPECT_TRUE(untouched) << c.what;
  }
}

// Every header byte forced to 0x00 and 0xFF, and the data and memo files
// cut at every offset up to the records' end: only expected codes, and a
// refused table is never rewritten.
TEST(Corruption, MalformedSweepNeverRewritesARefusedTable) {
  const std::set<std::uint16_t> allowed = {0, DBIERR_HEADERCORRUPT, DBIERR_FILECORRUPT,
                                           DBIERR_MEMOCORRUPT, DBIERR_NOMEMOFILE,
                                           DBIERR_NOTSUPPORTED, DBIERR_INDEXNOTSUPPORTED,
                                           DBIERR_NOSUCHINDEX, DBIERR_ENCRYPTED};
  int runs = 0, bad_codes = 0, rewritten = 0, refused = 0;
  auto run = [&](int level, const Mutation& m) {
    bool untouched = false;
    Status s = PackMutated(level, m, &untouched);
    ++runs;
    if (!allowed.count(s.code())) ++bad_codes, ADD_FAILURE() << s.code() << " " << s.message();
    if (!s.ok()) {
      ++refused;
      if (!untouched) ++rewritten, ADD_FAILURE() << "rewritten after " << s.message();
    }
  };
  for (int level : {3, 4}) {
    for (std::size_t i = 0; i < kHl; ++i) {
      for (char v : {'\0', '\xFF'}) run(level, [=](std::string* f, std::string*) { (*f)[i] = v; });
    }
    for (std::size_t cut = 0; cut < kHl + 3 * kRl; cut += 3) {
      run(level, [=](std::string* f, std::string*) { f->resize(cut); });
    }
    for (std::size_t cut = 0; cut < 2048; cut += 61) {
      run(level, [=](std::string*, std::string* m) { m->resize(std::min(cut, m->size())); });
    }
  }
  std::printf("malformed      runs=%d refused=%d crashes=0 bad-codes=%d corrupt-rewritten=%d\n", runs,
              refused, bad_codes, rewritten);
  EXPECT_EQ(bad_codes, 0);
  EXPECT_EQ(rewritten, 0);
}

}  // namespace
}  // namespace kx::storage
