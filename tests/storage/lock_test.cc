// Locks: a table held shared or exclusive elsewhere (another handle in this
// process, or another process) makes an exclusive open and a pack fail at
// once with DBIERR_FILEBUSY and leaves every byte and inode alone; shared
// users coexist; a lock never outlives its holder (exit, kill -9, exec).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "storage/api/codes.h"
#include "storage/api/table_api.h"
#include "tests/storage/support/table_fixture.h"

extern char** environ;

namespace kx::storage {
namespace {

using testing::ScratchDir;

// Packs a table that someone holds: must be refused quickly, nothing touched.
void ExpectPackRefused(const std::string& dir, const std::string& path) {
  const testing::DirSnapshot before = testing::Snapshot(dir);
  const std::uint64_t inode = testing::InodeOf(path);
  auto start = std::chrono::steady_clock::now();
  Status s = Pack(nullptr, path, nullptr, nullptr);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count();
  EXPECT_EQ(s.code(), DBIERR_FILEBUSY) << s.message();
  EXPECT_LT(ms, 50.0);
  EXPECT_TRUE(testing::Snapshot(dir) == before);
  EXPECT_EQ(testing::InodeOf(path), inode);
}

std::string MakeLockTable(const ScratchDir& dir) {
  std::string path = dir.File("L.dbf");
  testing::GenOptions g;
  g.records = 50;
  EXPECT_TRUE(testing::MakeTable(path, g).ok());
  return path;
}

TEST(TableLocks, InOneProcessHandlesExcludeEachOther) {
  ScratchDir dir;
  std::string path = MakeLockTable(dir);
  struct Case {
    ShareMode held, wanted;
    bool busy;
  };
  for (const Case& c : {Case{ShareMode::kExclusive, ShareMode::kExclusive, true},
                        Case{ShareMode::kExclusive, ShareMode::kShared, true},
                        Case{ShareMode::kShared, ShareMode::kExclusive, true},
                        Case{ShareMode::kShared, ShareMode::kShared, false}}) {
    std::unique_ptr<OpenTable> a, b;
    ASSERT_TRUE(Open(nullptr, path, c.held, &a).ok());
    Status s = Open(nullptr, path, c.wanted, &b);
    EXPECT_EQ(s.code(), c.busy ? DBIERR_FILEBUSY : 0) << s.message();
    ExpectPackRefused(dir.path(), path);
  }
  std::unique_ptr<OpenTable> c;
  EXPECT_TRUE(Open(nullptr, path, ShareMode::kExclusive, &c).ok());
}

// A child holds the table until told to go (or is killed).
class Holder {
 public:
  Holder(const std::string& path, ShareMode mode) {
    int up[2], down[2];
    EXPECT_EQ(pipe(up), 0);
    EXPECT_EQ(pipe(down), 0);
    pid_ = fork();
    if (pid_ == 0) {
      std::unique_ptr<OpenTable> t;
      char ok = Open(nullptr, path, mode, &t).ok() ? 'y' : 'n';
      (void)!write(up[1], &ok, 1);
      char c;
      (void)!read(down[0], &c, 1);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    release_ = down[1];
    char ok = 'n';
    EXPECT_EQ(read(up[0], &ok, 1), 1);
    close(up[0]);
    EXPECT_EQ(ok, 'y');
  }
  void Release() {
    if (pid_ <= 0) return;
    (void)!write(release_, "x", 1);
    Wait();
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    Wait();
  }
  ~Holder() { Kill(); }

 private:
  void Wait() {
    close(release_);
    int status;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  pid_t pid_ = -1;
  int release_ = -1;
};

TEST(TableLocks, AnotherProcessHoldingTheTableMakesPackBusy) {
  for (ShareMode mode : {ShareMode::kShared, ShareMode::kExclusive}) {
    ScratchDir dir;
    std::string path = MakeLockTable(dir);
    Holder holder(path, mode);
    ExpectPackRefused(dir.path(), path);
    holder.Release();
    EXPECT_TRUE(Pack(nullptr, path, nullptr, nullptr).ok());
  }
}

TEST(TableLocks, AKilledHolderLeavesNoStaleLock) {
  ScratchDir dir;
  std::string path = MakeLockTable(dir);
  Holder holder(path, ShareMode::kExclusive);
  ExpectPackRefused(dir.path(), path);
  holder.Kill();
  EXPECT_TRUE(Pack(nullptr, path, nullptr, nullptr).ok());
}

// Descriptors are close-on-exec: a program started while the table was open
// does not keep the lock once the table is closed.
TEST(TableLocks, AnExecutedChildDoesNotInheritTheLock) {
  ScratchDir dir;
  std::string path = MakeLockTable(dir);
  std::unique_ptr<OpenTable> t;
  ASSERT_TRUE(Open(nullptr, path, ShareMode::kExclusive, &t).ok());
  pid_t pid;
  char arg0[] = "sleep", arg1[] = "5";
  char* argv[] = {arg0, arg1, nullptr};
  ASSERT_EQ(posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ), 0);
  t.reset();
  Status s = Pack(nullptr, path, nullptr, nullptr);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(s.ok()) << s.message();
}

}  // namespace
}  // namespace kx::storage
