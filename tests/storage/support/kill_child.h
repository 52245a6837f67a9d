// Runs storage work in a forked child that kills itself at a chosen
// mutating call (KX_TEST_KILL_AT), for the crash sweeps.
#pragma once

#include <functional>
#include <string>

#include "storage/io/env.h"

namespace kx::storage::testing {

// Forks; the child sets KX_TEST_KILL_AT=`kill_at` ("count", "k:before",
// "k:after"), runs `job` on a fresh POSIX Env and reports its count of
// mutating calls. Returns that count, or -1 when the child died before
// reporting; *killed tells whether SIGKILL ended it.
long RunKillChild(const std::string& kill_at, const std::function<void(Env* env)>& job,
                  bool* killed);

}  // namespace kx::storage::testing
