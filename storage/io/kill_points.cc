// Kill points: see kill_points.h. The state is process-global on purpose:
// the sweep counts the calls of a whole operation, whichever Env made them.
#include "storage/io/kill_points.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kx::storage {
namespace {

std::atomic<std::uint64_t> g_calls{0};
#ifdef KX_TEST_HOOKS
std::uint64_t g_kill_at = 0;   // 0: no kill
bool g_after = false;
bool g_count_mode = false;

void PrintCount() {
  char line[64];
  int n = std::snprintf(line, sizeof line, "KX_TEST_KILL_AT count=%llu\n",
                        static_cast<unsigned long long>(g_calls.load()));
  if (n > 0) (void)!write(2, line, static_cast<size_t>(n));
}

void Die() {
  kill(getpid(), SIGKILL);
  _exit(137);  // not reached
}
#endif

}  // namespace

void KillPoints::Configure() {
  g_calls = 0;
#ifdef KX_TEST_HOOKS
  g_kill_at = 0;
  g_after = false;
  const char* v = std::getenv("KX_TEST_KILL_AT");
  if (v == nullptr || *v == 0) return;
  if (std::strcmp(v, "count") == 0) {
    if (!g_count_mode) std::atexit(PrintCount);
    g_count_mode = true;
    return;
  }
  char* end = nullptr;
  unsigned long long k = std::strtoull(v, &end, 10);
  if (end == v) return;
  g_kill_at = k;
  g_after = (std::strcmp(end, ":after") == 0);
#endif
}

void KillPoints::Before() {
  std::uint64_t n = ++g_calls;
#ifdef KX_TEST_HOOKS
  if (g_kill_at != 0 && !g_after && n == g_kill_at) Die();
#else
  (void)n;
#endif
}

void KillPoints::After() {
#ifdef KX_TEST_HOOKS
  if (g_kill_at != 0 && g_after && g_calls.load() == g_kill_at) Die();
#endif
}

std::uint64_t KillPoints::Count() { return g_calls.load(); }

}  // namespace kx::storage
