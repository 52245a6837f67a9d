// Crash-test kill points of the POSIX Env (test builds only).
//
// With KX_TEST_HOOKS defined, KX_TEST_KILL_AT=<k>[:before|after] makes the
// process SIGKILL itself just before (default) or just after its k-th
// mutating Env call (create, write, truncate, sync, directory sync, rename,
// unlink). KX_TEST_KILL_AT=count kills nothing and prints
// "KX_TEST_KILL_AT count=<n>" to stderr at exit. Without KX_TEST_HOOKS the
// calls compile to nothing. The counter is per process; Configure() re-reads
// the variable and restarts the count (a forked test child calls it).
#pragma once

#include <cstdint>

namespace kx::storage {

class KillPoints {
 public:
  static void Configure();
  static void Before();
  static void After();
  static std::uint64_t Count();  // mutating calls seen since Configure()
};

}  // namespace kx::storage
