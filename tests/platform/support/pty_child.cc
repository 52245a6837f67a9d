// PtyChild: forkpty, reading with a deadline, waiting with a deadline.
#include "tests/platform/support/pty_child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kx {
namespace {

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PtyChild::PtyChild(const std::function<int()>& body, int columns, int rows) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = static_cast<unsigned short>(rows);
  std::fflush(nullptr);
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    int status = 1;
    try {
      status = body();
    } catch (...) {
      status = 99;
    }
    std::fflush(nullptr);
    _exit(status);
  }
  if (pid_ > 0) {
    slave_name_ = ptsname(master_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
}

PtyChild::~PtyChild() {
  if (pid_ > 0 && Wait(0) == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

void PtyChild::Drain(int timeout_ms) {
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return;
  char buffer[4096];
  ssize_t n;
  while ((n = read(master_, buffer, sizeof buffer)) > 0) output_.append(buffer, static_cast<std::size_t>(n));
}

bool PtyChild::WaitFor(const std::string& text, int timeout_ms) {
  std::int64_t deadline = NowMs() + timeout_ms;
  while (output_.find(text) == std::string::npos) {
    std::int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    Drain(static_cast<int>(std::min<std::int64_t>(left, 50)));
  }
  return true;
}

void PtyChild::Type(const std::string& keys) {
  std::size_t done = 0;
  while (done < keys.size()) {
    ssize_t n = write(master_, keys.data() + done, keys.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

int PtyChild::Wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  std::int64_t deadline = NowMs() + timeout_ms;
  while (true) {
    int status = 0;
    pid_t got = waitpid(pid_, &status, WNOHANG);
    if (got == pid_) {
      Drain(0);
      pid_ = -1;
      return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    if (NowMs() >= deadline) return -1;
    Drain(10);  // a child that writes must not block on a full terminal
  }
}

void PtyChild::Kill(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

termios PtyChild::Settings() const {
  termios settings{};
  int fd = open(slave_name_.c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    tcgetattr(fd, &settings);
    close(fd);
  }
  return settings;
}

}  // namespace kx
