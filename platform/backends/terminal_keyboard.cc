// The terminal's keyboard: raw mode and key decoding.
#include "platform/backends/terminal_keyboard.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace kx {
namespace {

// How long an ESC waits for the rest of an arrow key's sequence.
constexpr int kEscapeWaitMs = 30;

// The terminal in raw mode. Plain globals: the signal handler reads them.
int raw_fd = -1;
int raw_depth = 0;
termios saved_settings{};
termios raw_settings{};
bool exit_hook_installed = false;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGTSTP};
struct sigaction previous_actions[sizeof kSignals / sizeof kSignals[0]];

void Restore() {
  if (raw_fd >= 0) tcsetattr(raw_fd, TCSANOW, &saved_settings);
}

int SignalIndex(int sig) {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] == sig) return static_cast<int>(i);
  }
  return -1;
}

void OnSignal(int sig) {
  int saved_errno = errno;
  Restore();
  if (sig == SIGTSTP) {
    // Stop as the default would, with the terminal as it was; come back raw.
    signal(SIGTSTP, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(SIGTSTP);
    struct sigaction again{};
    again.sa_handler = OnSignal;
    sigemptyset(&again.sa_mask);
    sigaction(SIGTSTP, &again, nullptr);
    if (raw_depth > 0 && raw_fd >= 0) tcsetattr(raw_fd, TCSANOW, &raw_settings);
  } else {
    // What was there before runs once this handler returns (or, for the
    // default, ends the process there).
    int i = SignalIndex(sig);
    if (i >= 0) sigaction(sig, &previous_actions[i], nullptr);
    raise(sig);
  }
  errno = saved_errno;
}

void InstallHandlers() {
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous_actions[i]);
}

void RemoveHandlers() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_actions[i], nullptr);
}

void RestoreAtExit() {
  if (raw_depth > 0) Restore();
}

bool IsPrintable(unsigned char c) { return c >= 32 && c != 127; }

}  // namespace

std::size_t DecodeKeys(std::string_view bytes, bool complete, std::vector<Key>* keys) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c != 0x1b) {
      if (c == '\r' || c == '\n') keys->push_back(Key{Key::kEnter});
      else if (c == 0x04) keys->push_back(Key{Key::kEnd});
      else if (IsPrintable(c)) keys->push_back(Key{Key::kChar, static_cast<char>(c)});
      else keys->push_back(Key{Key::kOther});
      ++i;
      continue;
    }
    // ESC: alone, or the start of a CSI ("ESC [") or SS3 ("ESC O") sequence.
    if (i + 1 >= bytes.size()) {
      if (!complete) break;
      keys->push_back(Key{Key::kEscape});
      ++i;
      continue;
    }
    char intro = bytes[i + 1];
    if (intro != '[' && intro != 'O') {
      keys->push_back(Key{Key::kEscape});
      ++i;
      continue;
    }
    // Parameters and intermediates up to the final byte (0x40..0x7e).
    std::size_t end = i + 2;
    while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7e)) ++end;
    if (end >= bytes.size()) {
      if (!complete) break;
      keys->push_back(Key{Key::kOther});
      i = bytes.size();
      continue;
    }
    char final = bytes[end];
    keys->push_back(Key{final == 'A' ? Key::kUp : final == 'B' ? Key::kDown : Key::kOther});
    i = end + 1;
  }
  return i;
}

RawMode::RawMode(int fd) {
  if (!isatty(fd)) return;
  if (raw_depth == 0) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return;
    saved_settings = settings;
    settings.c_lflag &= ~(ICANON | ECHO | IEXTEN);
    settings.c_iflag &= ~(IXON | ICRNL | INLCR | IGNCR);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    raw_settings = settings;
    raw_fd = fd;
    if (!exit_hook_installed) {
      std::atexit(RestoreAtExit);
      exit_hook_installed = true;
    }
    InstallHandlers();
    if (tcsetattr(fd, TCSANOW, &raw_settings) != 0) {
      RemoveHandlers();
      raw_fd = -1;
      return;
    }
  }
  ++raw_depth;
  active_ = true;
}

RawMode::~RawMode() {
  if (!active_) return;
  if (--raw_depth > 0) return;
  Restore();
  RemoveHandlers();
  raw_fd = -1;
}

TerminalKeyboard::TerminalKeyboard(int fd) : fd_(fd), terminal_(isatty(fd) != 0) {}

bool TerminalKeyboard::InForeground() const { return terminal_ && tcgetpgrp(fd_) == getpgrp(); }

bool TerminalKeyboard::Wait(int timeout_ms) {
  if (ended_) return false;
  if (!pending_.empty()) return true;
  pollfd p{fd_, POLLIN, 0};
  int n;
  do {
    n = poll(&p, 1, timeout_ms);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

bool TerminalKeyboard::Fill(int timeout_ms) {
  pollfd p{fd_, POLLIN, 0};
  while (true) {
    int n = poll(&p, 1, timeout_ms);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    if (p.revents & POLLNVAL) return false;
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[256];
      ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) return false;
      pending_.append(buffer, static_cast<std::size_t>(got));
    }
    timeout_ms = 0;  // take what else is there, then stop
  }
}

std::vector<Key> TerminalKeyboard::Read() {
  std::vector<Key> keys;
  if (ended_) return keys;
  bool open = Fill(0);
  std::size_t used = DecodeKeys(pending_, !open, &keys);
  if (open && used < pending_.size()) {
    // A sequence that has begun: give its rest a moment to come.
    open = Fill(kEscapeWaitMs);
    pending_.erase(0, used);
    used = DecodeKeys(pending_, true, &keys);
  }
  pending_.erase(0, used);
  if (!open) {
    ended_ = true;
    keys.push_back(Key{Key::kEnd});
  }
  return keys;
}

}  // namespace kx
