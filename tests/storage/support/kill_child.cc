#include "tests/storage/support/kill_child.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "storage/io/kill_points.h"
#include "storage/io/posix_env.h"

namespace kx::storage::testing {

long RunKillChild(const std::string& kill_at, const std::function<void(Env* env)>& job,
                  bool* killed) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("KX_TEST_KILL_AT", kill_at.c_str(), 1);
    PosixEnv env;  // reads the variable
    job(&env);
    long n = static_cast<long>(KillPoints::Count());
    (void)!write(fds[1], &n, sizeof n);
    _exit(0);
  }
  close(fds[1]);
  long n = -1;
  if (read(fds[0], &n, sizeof n) != sizeof n) n = -1;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  *killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  return n;
}

}  // namespace kx::storage::testing
