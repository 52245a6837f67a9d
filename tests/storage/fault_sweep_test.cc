// I/O fault sweep: every Env call a pack (or a restructure: a level change
// whose memo file changes name, a language-driver change) makes fails in
// turn, once (transient) and from then on (persistent), or with the errno
// of a full disk, as a real failure of that call would carry it. Before the commit point the table must be OLD
// byte-for-byte (same inode) with a non-zero code; after it, the table must
// read as NEW at the next open. A pack that returns 0 must have produced
// NEW. No descriptor or lock may leak, no failed sync may be retried.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "tests/storage/support/fault_env.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::FaultEnv;
using testing::GenOptions;
using testing::ScratchDir;
using testing::TableImage;

int ErrnoFor(EnvOp op, bool space) {
  switch (op) {
    case EnvOp::kWrite:
    case EnvOp::kCreate:
    case EnvOp::kTruncate:
      return space ? ENOSPC : EIO;
    case EnvOp::kOpen:
    case EnvOp::kRename:
    case EnvOp::kUnlink:
      return space ? EACCES : EIO;
    case EnvOp::kLock:
      return ENOLCK;
    default:
      return EIO;
  }
}

struct Tally {
  int runs = 0, expected = 0, old_intact = 0, old_cases = 0, new_cases = 0, new_ok = 0;
  int rc0_on_failure = 0, fd_leaks = 0, lock_leaks = 0, sync_retries = 0, left = 0;
};

// Sweeps a pack, or the restructure `request` when it names a property.
void Sweep(const GenOptions& layout, Tally* t, const RestructureRequest& request = {}) {

  ScratchDir dir;
  const std::string path = dir.File("F.dbf");
  auto rewrite = [&](Env* env) {
    return request.property.empty() ? Pack(env, path, nullptr, nullptr)
                                    : Restructure(env, path, request, nullptr, nullptr);
  };
  ASSERT_TRUE(testing::MakeTable(path, layout).ok());
  const testing::DirSnapshot old_files = testing::Snapshot(dir.path());
  TableImage old_image, new_image;
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &old_image).ok());

  FaultEnv env(Env::Default());
  ASSERT_TRUE(rewrite(&env).ok());
  const std::vector<testing::EnvCall> dry = env.calls();
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &new_image).ok());
  std::size_t commit = 0;
  for (std::size_t i = 0; i < dry.size(); ++i) {
    if (dry[i].op == EnvOp::kRename && dry[i].path.size() > 4 &&
        dry[i].path.compare(dry[i].path.size() - 4, 4, ".new") == 0) {
      commit = i + 1;
    }
  }
  ASSERT_GT(commit, 0u);

  for (int mode = 0; mode < 3; ++mode) {  // transient EIO, persistent EIO, transient ENOSPC/EACCES
    for (std::size_t n = 1; n <= dry.size(); ++n) {
      testing::Restore(dir.path(), old_files);
      const std::uint64_t inode = testing::InodeOf(path);
      const int fds = testing::OpenFdCount();
      env.ResetLog();
      env.FailAt(n, ErrnoFor(dry[n - 1].op, mode == 2), mode == 1);
      Status s = rewrite(&env);
      env.Disarm();
      ++t->runs;
      bool good = true;
      if (testing::OpenFdCount() != fds) ++t->fd_leaks, good = false;
      if (env.sync_retries() != 0) ++t->sync_retries, good = false;
      if (mode == 2 && !s.ok() && dry[n - 1].op == EnvOp::kWrite && s.code() != DBIERR_NODISKSPACE) {
        ADD_FAILURE() << "out of space reported as " << s.code() << ": " << s.message();
        good = false;
      }
      if (!s.ok() && n <= commit) {
        ++t->old_cases;
        bool intact = testing::InodeOf(path) == inode;
        for (const auto& [name, bytes] : old_files) {
          intact = intact && testing::ReadBytes(dir.File(name)) == bytes;
        }
        if (intact) ++t->old_intact; else good = false;
      }
      {
        std::unique_ptr<OpenTable> probe;  // nothing may still hold the table
        if (!Open(nullptr, path, ShareMode::kExclusive, &probe).ok()) ++t->lock_leaks, good = false;
      }
      TableImage after;
      Status r = testing::ReadImage(nullptr, path, &after);
      const TableImage& want = (s.ok() || n > commit) ? new_image : old_image;
      if (n > commit || s.ok()) ++t->new_cases;
      if (!r.ok() || after.signature != want.signature || after.version != want.version) {
        if (s.ok()) ++t->rc0_on_failure;
        good = false;
        ADD_FAILURE() << "call " << n << " (" << EnvOpName(dry[n - 1].op) << " "
                      << dry[n - 1].path << ") mode " << mode << ": rc " << s.code() << " "
                      << s.message() << "; reopen " << r.code() << " " << r.message();
      } else if (n > commit || s.ok()) {
        ++t->new_ok;
      }
      if (!testing::Leftovers(dir.path()).empty()) ++t->left, good = false;
      if (good) ++t->expected;
    }
  }
}

TEST(RewriteFaults, EveryFailingCallLeavesOldOrNewAndNeverLeaks) {
  Tally t;
  GenOptions memo4;
  memo4.level = 4;
  memo4.records = 120;
  GenOptions memo3 = memo4;
  memo3.level = 3;
  GenOptions fox = memo4;
  fox.level = 25;
  GenOptions plain = memo4;
  plain.memo = false;
  for (const GenOptions& g : {memo4, memo3, fox, plain}) Sweep(g, &t);
  GenOptions accented = memo4;
  accented.lang = "DB437US0";
  accented.extra_text = "\x81\x82\x84\x94";
  Sweep(memo4, &t, RestructureRequest{"LEVEL", "25", false});
  Sweep(fox, &t, RestructureRequest{"LEVEL", "3", true});
  Sweep(accented, &t, RestructureRequest{"LANGDRIVER", "DBWINUS0", false});
  std::printf("fault-inject   runs=%d expected=%d/%d old-intact=%d/%d new=%d/%d rc0-on-failure=%d "
              "fd-leaks=%d lock-leaks=%d fsync-retries=%d left=%d\n",
              t.runs, t.expected, t.runs, t.old_intact, t.old_cases, t.new_ok, t.new_cases,
              t.rc0_on_failure, t.fd_leaks, t.lock_leaks, t.sync_retries, t.left);
  EXPECT_EQ(t.expected, t.runs);
  EXPECT_EQ(t.old_intact, t.old_cases);
  EXPECT_EQ(t.rc0_on_failure, 0);
}

}  // namespace
}  // namespace kx::storage
