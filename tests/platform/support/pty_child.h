// A child process on a pseudo-terminal: its stdin, stdout and stderr are the
// terminal, the test reads what it draws there and types keys to it.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>

namespace kx {

class PtyChild {
 public:
  // Forks; the child runs `body` and exits with its result (it never returns
  // into the test).
  explicit PtyChild(const std::function<int()>& body, int columns = 80, int rows = 24);
  ~PtyChild();  // kills a child that still runs
  PtyChild(const PtyChild&) = delete;
  PtyChild& operator=(const PtyChild&) = delete;

  // Reads the terminal until its output holds `text`; false after `timeout_ms`.
  bool WaitFor(const std::string& text, int timeout_ms = 5000);
  void Type(const std::string& keys);
  // The exit status, 128 + the signal for a child killed by one, -1 when it
  // is still running after `timeout_ms`.
  int Wait(int timeout_ms = 5000);
  void Kill(int sig);
  // The terminal's settings as the child's side has them now.
  termios Settings() const;
  const std::string& output() const { return output_; }

 private:
  void Drain(int timeout_ms);

  pid_t pid_ = -1;
  int master_ = -1;
  std::string slave_name_;
  std::string output_;
};

}  // namespace kx
