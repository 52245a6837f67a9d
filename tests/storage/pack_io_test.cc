// How much I/O a rewrite costs: each member is read about once through
// large windows and written in large pieces, whatever the number of records
// and memos. A read or write per memo, or a window re-read per memo, turns
// a pack of a large table from seconds into minutes without any test of
// the results noticing.
#include <gtest/gtest.h>

#include <map>

#include "storage/api/table_api.h"
#include "tests/storage/support/fault_env.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::FaultEnv;
using testing::GenOptions;
using testing::ScratchDir;

constexpr std::uint64_t kMiB = 1 << 20;

// Calls of `op` per file name (the last path component).
std::map<std::string, std::uint64_t> CallsPerFile(const FaultEnv& env, EnvOp op) {
  std::map<std::string, std::uint64_t> n;
  for (const testing::EnvCall& c : env.calls()) {
    if (c.op == op) ++n[BaseName(c.path)];
  }
  return n;
}

TEST(RewriteIo, ReadsAndWritesEachMemberInLargePieces) {
  struct Case {
    const char* name;
    int level;
    const char* memo, *property, *value;  // property empty: a pack
  } cases[] = {
      {"pack level 3", 3, "T.dbt", "", ""},
      {"pack level 4", 4, "T.dbt", "", ""},
      {"pack level 25", 25, "T.fpt", "", ""},
      {"level 3 to 4", 3, "T.dbt", "LEVEL", "4"},
      {"level 4 to 25", 4, "T.fpt", "LEVEL", "25"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string path = dir.File("T.dbf");
    GenOptions layout;
    layout.level = c.level;
    layout.records = 6000;
    layout.max_memo = 3000;
    ASSERT_TRUE(testing::MakeTable(path, layout).ok());
    const std::uint64_t data_bytes = testing::ReadBytes(path).size();
    const std::string memo_in = c.level == 25 ? "T.fpt" : "T.dbt";
    const std::uint64_t memo_bytes = testing::ReadBytes(dir.File(memo_in)).size();
    ASSERT_GT(memo_bytes, 3 * kMiB);

    FaultEnv env(Env::Default());
    RestructureRequest request{c.property, c.value, false};
    Status s = *c.property == 0 ? Pack(&env, path, nullptr, nullptr)
                                : Restructure(&env, path, request, nullptr, nullptr);
    ASSERT_TRUE(s.ok()) << s.message();

    // A window of at most 1 MiB, a few small reads of headers besides.
    auto reads = CallsPerFile(env, EnvOp::kRead);
    EXPECT_LE(reads["T.dbf"], data_bytes / kMiB + 6);
    EXPECT_LE(reads[memo_in], 2 * (memo_bytes / kMiB) + 6);
    auto writes = CallsPerFile(env, EnvOp::kWrite);
    EXPECT_LE(writes["T.dbf.~pk"], data_bytes / kMiB + 3);
    EXPECT_LE(writes[std::string(c.memo) + ".~pk"], memo_bytes / kMiB + 3);
  }
}

}  // namespace
}  // namespace kx::storage
