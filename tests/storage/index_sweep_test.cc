// Crash and fault sweeps over rewrites that carry indexes: a pack of a table
// with a production .mdx and an .ndx named apart from it (staged under a
// scratch name), a regeneration of damaged indexes, a level change whose
// production index changes format (.mdx to .cdx, the data header patched
// after the pass), and a FoxPro pack with its structural .cdx.
//
// Kill sweep: a child runs the job with KX_TEST_KILL_AT=k:before|after for
// every mutating call k and dies there; the parent reopens (recovery) and
// the folder must hold exactly OLD's or NEW's files, byte for byte, with no
// temp, scratch or intent file. Where the kill left a committed intent,
// recovery itself is killed at each of its steps first.
// Fault sweep: every Env call of the job fails in turn (transient EIO,
// persistent EIO, ENOSPC/EACCES); before the commit point the folder must be
// unchanged (bytes and inodes), after it the reopened folder is NEW; no
// descriptor, lock or leftover may remain, no failed fsync be retried.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/io/kill_points.h"
#include "storage/io/posix_env.h"
#include "storage/dbase/index_builder.h"
#include "tests/storage/support/fault_env.h"
#include "tests/storage/support/index_oracle.h"
#include "tests/storage/support/kill_child.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::ScratchDir;
using Job = std::function<Status(Env*, const std::string&)>;

struct Subject {
  const char* name;
  int level;
  Job job;
  bool damage = false;  // spoil the indexes first (what a regeneration is for)
  bool spill = false;   // sorters spill runs as scratch files
};

// Runs a subject's job with its sort budget.
Status RunJob(const Subject& s, Env* env, const std::string& path) {
  SetIndexSortBudgetForTesting(s.spill ? 1024 : 0);
  Status r = s.job(env, path);
  SetIndexSortBudgetForTesting(0);
  return r;
}

std::vector<Subject> Subjects() {
  auto pack = [](Env* env, const std::string& p) { return Pack(env, p, nullptr, nullptr); };
  auto regen = [](Env* env, const std::string& p) {
    return RegenIndexes(env, p, OpenOptions(), nullptr, nullptr);
  };
  auto to25 = [](Env* env, const std::string& p) {
    return Restructure(env, p, {"LEVEL", "25", false}, nullptr, nullptr);
  };
  return {{"pack", 4, pack},
          {"regen", 4, regen, true, true},
          {"level 4 to 25", 4, to25},
          {"FoxPro pack, runs spilled", 25, pack, false, true}};
}

// A table with memos, a production index of five tags and BYQTY.NDX.
void MakeSubject(const std::string& path, const Subject& s, std::uint32_t records) {
  testing::GenOptions g;
  g.level = s.level;
  g.records = records;
  g.max_memo = 200;
  ASSERT_TRUE(testing::MakeTable(path, g).ok());
  ASSERT_TRUE(testing::AddIndexes(path, testing::TestIndexes(true)).ok());
  if (s.damage) {
    const std::string ndx = DirName(path) + "/BYQTY.NDX";
    std::string b = testing::ReadBytes(ndx);
    b[512 + 8] ^= 1;  // a leaf entry points at another record
    testing::WriteBytes(ndx, b);
  }
}

long RunChild(const Subject* subject, const std::string& path, const std::string& kill_at,
              bool* killed) {
  return testing::RunKillChild(kill_at, [&](Env* env) {
    if (subject != nullptr) {
      (void)RunJob(*subject, env, path);
    } else {
      std::unique_ptr<OpenTable> t;
      (void)Open(env, path, ShareMode::kShared, &t);
    }
  }, killed);
}

struct KillTally {
  int kills = 0, recovery_kills = 0, old_n = 0, new_n = 0, other = 0, bad_index = 0;
};

// Reopens (recovery) and compares the whole folder with OLD and NEW.
void Classify(const std::string& dir, const std::string& path, const testing::DirSnapshot& old_files,
              const testing::DirSnapshot& new_files, bool old_indexes_sound, KillTally* t,
              const std::string& where) {
  testing::TableImage image;
  Status s = testing::ReadImage(nullptr, path, &image);
  const testing::DirSnapshot now = testing::Snapshot(dir);
  if (s.ok() && now == old_files) {
    ++t->old_n;
    if (old_indexes_sound && !testing::CheckTableIndexes(path).ok()) ++t->bad_index;
  } else if (s.ok() && now == new_files) {
    ++t->new_n;
    if (!testing::CheckTableIndexes(path).ok()) ++t->bad_index;
  } else {
    ++t->other;
    ADD_FAILURE() << where << ": neither OLD nor NEW (" << s.message() << ")";
  }
}

TEST(IndexRewriteCrash, KillAtEveryStepLeavesOldOrNewWithSoundIndexes) {
#ifndef KX_TEST_HOOKS
  GTEST_SKIP() << "built without KX_TEST_HOOKS";
#endif
  KillTally t;
  int points_total = 0;
  for (const Subject& subject : Subjects()) {
    ScratchDir dir;
    const std::string path = dir.File("K.dbf");
    MakeSubject(path, subject, 150);
    const testing::DirSnapshot old_files = testing::Snapshot(dir.path());
    bool killed = false;
    const long points = RunChild(&subject, path, "count", &killed);
    ASSERT_GT(points, 5) << subject.name;
    points_total += static_cast<int>(points);
    const testing::DirSnapshot new_files = testing::Snapshot(dir.path());
    ASSERT_TRUE(testing::CheckTableIndexes(path).ok()) << subject.name;
    for (long k = 1; k <= points; ++k) {
      for (const char* when : {"before", "after"}) {
        const std::string where =
            std::string(subject.name) + ", kill " + std::to_string(k) + ":" + when;
        testing::Restore(dir.path(), old_files);
        RunChild(&subject, path, std::to_string(k) + ":" + when, &killed);
        EXPECT_TRUE(killed) << where;
        ++t.kills;
        bool intent = false;
        for (const std::string& n : testing::Leftovers(dir.path())) intent = intent || n == "K.~pk";
        if (intent) {
          const testing::DirSnapshot crashed = testing::Snapshot(dir.path());
          const long steps = RunChild(nullptr, path, "count", &killed);
          for (long j = 1; j <= steps; ++j) {
            testing::Restore(dir.path(), crashed);
            RunChild(nullptr, path, std::to_string(j) + ":before", &killed);
            ++t.recovery_kills;
            Classify(dir.path(), path, old_files, new_files, !subject.damage, &t,
                     where + ", recovery killed at " + std::to_string(j));
          }
          testing::Restore(dir.path(), crashed);
        }
        Classify(dir.path(), path, old_files, new_files, !subject.damage, &t, where);
      }
    }
  }
  std::printf("index-crash    kills=%d points=%dx2 OLD=%d NEW=%d OTHER=%d bad-index=%d "
              "recovery-kills=%d\n",
              t.kills, points_total, t.old_n, t.new_n, t.other, t.bad_index, t.recovery_kills);
  EXPECT_EQ(t.other + t.bad_index, 0);
  EXPECT_GT(t.new_n, 0);
  EXPECT_GT(t.old_n, 0);
}

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

// Every file of `before` still there with its bytes and inode; anything
// else is a temp or scratch file that a failed removal left for recovery
// (a persistent fault fails the removals too).
bool OldIntact(const std::string& dir, const testing::FolderState& before, std::string* why) {
  testing::FolderState now = testing::Capture(dir);
  testing::FolderState kept;
  for (std::size_t i = 0; i < now.files.size(); ++i) {
    if (now.files[i].first.find(".~pk") != std::string::npos) continue;
    kept.files.push_back(now.files[i]);
  }
  if (kept.files != before.files) {
    *why = "a file of the table changed";
    return false;
  }
  for (const auto& [name, inode] : before.inodes) {
    if (testing::InodeOf(dir + "/" + name) != inode) {
      *why = name + " was replaced";
      return false;
    }
  }
  return true;
}

TEST(IndexRewriteFaults, EveryFailingCallLeavesOldOrNewAndNeverLeaks) {
  int runs = 0, expected = 0, old_cases = 0, old_intact = 0, new_cases = 0, new_ok = 0;
  int rc0_on_failure = 0, leaks = 0, retries = 0, left = 0;
  for (const Subject& subject : Subjects()) {
    ScratchDir dir;
    const std::string path = dir.File("F.DBF");
    MakeSubject(path, subject, 120);
    const testing::DirSnapshot old_files = testing::Snapshot(dir.path());
    testing::FaultEnv env(Env::Default());
    ASSERT_TRUE(RunJob(subject, &env, path).ok()) << subject.name;
    const std::vector<testing::EnvCall> dry = env.calls();
    const testing::DirSnapshot new_files = testing::Snapshot(dir.path());
    std::size_t commit = 0;
    for (std::size_t i = 0; i < dry.size(); ++i) {
      const std::string& p = dry[i].path;
      if (dry[i].op == EnvOp::kRename && p.size() > 4 && p.compare(p.size() - 4, 4, ".new") == 0) {
        commit = i + 1;
      }
    }
    ASSERT_GT(commit, 0u) << subject.name;
    for (int mode = 0; mode < 3; ++mode) {
      for (std::size_t n = 1; n <= dry.size(); ++n) {
        testing::Restore(dir.path(), old_files);
        const testing::FolderState before = testing::Capture(dir.path());
        const int fds = testing::OpenFdCount();
        env.ResetLog();
        env.FailAt(n, ErrnoFor(dry[n - 1].op, mode == 2), mode == 1);
        Status s = RunJob(subject, &env, path);
        env.Disarm();
        ++runs;
        bool good = true;
        const std::string where = std::string(subject.name) + ", call " + std::to_string(n) + " (" +
                                  EnvOpName(dry[n - 1].op) + " " + dry[n - 1].path + ") mode " +
                                  std::to_string(mode);
        if (testing::OpenFdCount() != fds) ++leaks, good = false;
        if (env.sync_retries() != 0) ++retries, good = false;
        if (!s.ok() && n <= commit) {
          ++old_cases;
          std::string why;
          if (OldIntact(dir.path(), before, &why)) ++old_intact;
          else good = false, ADD_FAILURE() << where << ": " << why;
        }
        {
          std::unique_ptr<OpenTable> probe;  // nothing may still hold the table
          if (!Open(nullptr, path, ShareMode::kExclusive, &probe).ok()) ++leaks, good = false;
        }
        const bool want_new = s.ok() || n > commit;
        const testing::DirSnapshot now = testing::Snapshot(dir.path());
        if (want_new) ++new_cases;
        if (now != (want_new ? new_files : old_files)) {
          if (s.ok()) ++rc0_on_failure;
          good = false;
          ADD_FAILURE() << where << ": rc " << s.code() << " " << s.message();
        } else if (want_new) {
          ++new_ok;
        }
        if (!testing::Leftovers(dir.path()).empty()) ++left, good = false;
        if (good) ++expected;
      }
    }
  }
  std::printf("index-faults   runs=%d expected=%d/%d old-intact=%d/%d new=%d/%d rc0-on-failure=%d "
              "leaks=%d fsync-retries=%d left=%d\n",
              runs, expected, runs, old_intact, old_cases, new_ok, new_cases, rc0_on_failure, leaks,
              retries, left);
  EXPECT_EQ(expected, runs);
  EXPECT_EQ(old_intact, old_cases);
  EXPECT_EQ(rc0_on_failure, 0);
}

}  // namespace
}  // namespace kx::storage
