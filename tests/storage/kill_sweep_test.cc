// Crash sweep: a child process packs (or restructures: a level change whose
// memo file changes name, a language-driver change that converts the data)
// with KX_TEST_KILL_AT=k:before|after for every mutating call k, dying by
// SIGKILL there; the parent then
// reopens the table (which runs recovery) and classifies it. Where the kill
// left a committed intent, recovery itself is killed at each of its own
// mutating calls and the table reopened again. Every table must come back
// wholly OLD or wholly NEW with its live records, and no temp or intent
// file may survive the reopen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "storage/io/kill_points.h"
#include "storage/io/posix_env.h"
#include "tests/storage/support/kill_child.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage {
namespace {

using testing::GenOptions;
using testing::ScratchDir;
using testing::TableImage;

enum class Job { kPack, kRestructure, kOpen };

// Runs the job in a child with KX_TEST_KILL_AT=`kill_at`; returns the
// child's count of mutating calls when it was not killed.
long RunChild(Job job, const std::string& path, const std::string& kill_at, bool* killed,
              const RestructureRequest& request = {}) {
  return testing::RunKillChild(kill_at, [&](Env* env) {
    if (job == Job::kPack) {
      (void)Pack(env, path, nullptr, nullptr);
    } else if (job == Job::kRestructure) {
      (void)Restructure(env, path, request, nullptr, nullptr);
    } else {
      std::unique_ptr<OpenTable> t;
      (void)Open(env, path, ShareMode::kShared, &t);
    }
  }, killed);
}

struct Tally {
  int kills = 0, points = 0, recovery_kills = 0;
  int old_n = 0, new_n = 0, mixed = 0, corrupt = 0, missing = 0, lost = 0, left = 0, stray = 0;
};

// The names of a folder's files, sorted.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : testing::Snapshot(dir)) names.push_back(entry.first);
  std::sort(names.begin(), names.end());
  return names;
}

struct Expected {
  TableImage old_image, new_image;
  std::vector<std::string> old_names, new_names;  // the family's files, OLD and NEW
};

void Classify(const std::string& dir, const std::string& path, const Expected& e, Tally* t,
              const std::string& where) {
  const TableImage& old_image = e.old_image;
  const TableImage& new_image = e.new_image;
  TableImage now;
  Status s = testing::ReadImage(nullptr, path, &now);
  if (s.code() == DBIERR_NOSUCHTABLE || s.code() == DBIERR_NOMEMOFILE) {
    ++t->missing;
    ADD_FAILURE() << where << ": missing: " << s.message();
  } else if (!s.ok()) {
    ++t->corrupt;
    ADD_FAILURE() << where << ": " << s.code() << " " << s.message();
  } else if (now.signature == old_image.signature && now.version == old_image.version) {
    ++t->old_n;
    if (Names(dir) != e.old_names) ++t->stray, ADD_FAILURE() << where << ": OLD with other files";
  } else if (now.signature == new_image.signature && now.version == new_image.version) {
    ++t->new_n;
    if (Names(dir) != e.new_names) ++t->stray, ADD_FAILURE() << where << ": NEW with other files";
  } else {
    ++t->mixed;
    ADD_FAILURE() << where << ": mixed";
  }
  if (s.ok() && now.live_hash != old_image.live_hash && now.live_hash != new_image.live_hash) {
    ++t->lost;
  }
  if (!testing::Leftovers(dir).empty()) {
    ++t->left;
    ADD_FAILURE() << where << ": leftovers after reopen";
  }
}

bool HasIntent(const std::string& dir) {
  for (const std::string& n : testing::Leftovers(dir)) {
    if (n == "K.~pk") return true;
  }
  return false;
}

// Sweeps a pack, or the restructure `request` when it names a property.
void Sweep(const GenOptions& layout, Tally* t, const RestructureRequest& request = {}) {
  const Job job = request.property.empty() ? Job::kPack : Job::kRestructure;
  ScratchDir dir;
  const std::string path = dir.File("K.dbf");
  ASSERT_TRUE(testing::MakeTable(path, layout).ok());
  const testing::DirSnapshot old_files = testing::Snapshot(dir.path());
  Expected e;
  e.old_names = Names(dir.path());
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &e.old_image).ok());
  bool killed = false;
  const long points = RunChild(job, path, "count", &killed, request);
  ASSERT_GT(points, 5);
  ASSERT_TRUE(testing::ReadImage(nullptr, path, &e.new_image).ok());
  e.new_names = Names(dir.path());
  t->points += static_cast<int>(points);

  for (long k = 1; k <= points; ++k) {
    for (const char* when : {"before", "after"}) {
      const std::string where = "kill " + std::to_string(k) + ":" + when;
      testing::Restore(dir.path(), old_files);
      RunChild(job, path, std::to_string(k) + ":" + when, &killed, request);
      EXPECT_TRUE(killed) << where;
      ++t->kills;
      if (HasIntent(dir.path())) {
        // Recovery is a subject too: kill it at each of its steps, then
        // let a clean open finish the job.
        const testing::DirSnapshot crashed = testing::Snapshot(dir.path());
        const long steps = RunChild(Job::kOpen, path, "count", &killed);
        for (long j = 1; j <= steps; ++j) {
          testing::Restore(dir.path(), crashed);
          RunChild(Job::kOpen, path, std::to_string(j) + ":before", &killed);
          ++t->recovery_kills;
          Classify(dir.path(), path, e, t,
                   where + ", recovery killed at " + std::to_string(j));
        }
        testing::Restore(dir.path(), crashed);
      }
      Classify(dir.path(), path, e, t, where);
    }
  }
}

TEST(RewriteCrash, KillAtEveryStepLeavesOldOrNew) {
#ifndef KX_TEST_HOOKS
  GTEST_SKIP() << "built without KX_TEST_HOOKS";
#endif
  Tally t;
  GenOptions memo4;
  memo4.level = 4;
  memo4.records = 300;
  GenOptions memo3 = memo4;
  memo3.level = 3;
  GenOptions fox = memo4;
  fox.level = 25;
  GenOptions plain = memo4;
  plain.memo = false;
  GenOptions all_deleted = memo4;
  all_deleted.deleted_pct = 100;
  for (const GenOptions& g : {memo4, memo3, fox, plain, all_deleted}) Sweep(g, &t);
  // A level change whose memo file takes another name (.dbt to .fpt: one
  // member appears, one goes) and a language-driver change of cp437 text.
  GenOptions accented = memo4;
  accented.lang = "DB437US0";
  accented.extra_text = "\x81\x82\x84\x94";
  Sweep(memo4, &t, RestructureRequest{"LEVEL", "25", false});
  Sweep(accented, &t, RestructureRequest{"LANGDRIVER", "DBWINUS0", false});
  std::printf("crash-kill     kills=%d points=%dx2 OLD=%d NEW=%d MIXED=%d CORRUPT=%d MISSING=%d "
              "lost=%d left=%d stray=%d recovery-kills=%d\n",
              t.kills, t.points, t.old_n, t.new_n, t.mixed, t.corrupt, t.missing, t.lost, t.left,
              t.stray, t.recovery_kills);
  EXPECT_EQ(t.mixed + t.corrupt + t.missing + t.lost + t.left + t.stray, 0);
  EXPECT_GT(t.new_n, 0);
  EXPECT_GT(t.old_n, 0);
}

}  // namespace
}  // namespace kx::storage
