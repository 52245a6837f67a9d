// The keyboard of a terminal: raw mode while a person is asked something,
// and the keys decoded from the bytes that the terminal sends.
//
// RawMode switches a terminal to non-canonical input without echo; Ctrl-C
// and the other signal keys still work, and output processing stays on, so
// lines drawn meanwhile still start at the left. The saved settings come
// back when the last RawMode goes, at exit, and when a signal arrives that
// ends the process (the handler restores the terminal, then lets the signal
// do what it did before) or stops it (after SIGCONT raw mode comes back).
//
// DecodeKeys turns bytes into keys: a printable character, Enter (CR or LF),
// Escape (an ESC that nothing follows), the Up and Down arrows (both the
// CSI and the SS3 forms), Ctrl-D as the end of input, anything else as
// Other. TerminalKeyboard reads whatever has come without blocking, and can
// wait for input; at end of file or hang-up it reports End once and then
// nothing more.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

struct Key {
  enum Kind { kChar, kUp, kDown, kEnter, kEscape, kEnd, kOther };
  Kind kind = kOther;
  char ch = 0;  // kChar only

  friend bool operator==(const Key& a, const Key& b) { return a.kind == b.kind && a.ch == b.ch; }
};

// Decodes the whole keys at the start of `bytes` and returns how many bytes
// they took. An escape sequence that may still be arriving is left undecoded
// unless `complete` says that nothing more will come.
std::size_t DecodeKeys(std::string_view bytes, bool complete, std::vector<Key>* keys);

class RawMode {
 public:
  // Nothing happens when `fd` is not a terminal.
  explicit RawMode(int fd);
  ~RawMode();
  RawMode(const RawMode&) = delete;
  RawMode& operator=(const RawMode&) = delete;
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

class TerminalKeyboard {
 public:
  explicit TerminalKeyboard(int fd);
  int fd() const { return fd_; }
  bool IsTerminal() const { return terminal_; }
  // The terminal's foreground job is this process's: a job in the
  // background must not ask (it would be stopped for touching the terminal).
  bool InForeground() const;
  bool ended() const { return ended_; }

  // Waits up to `timeout_ms` (-1: no limit) until input can be read.
  // Returns false when the wait timed out.
  bool Wait(int timeout_ms);
  // The keys that have come, without blocking (but a lone ESC waits a few
  // milliseconds for the rest of a sequence).
  std::vector<Key> Read();

 private:
  // Reads what is there into pending_; false at end of file or hang-up.
  bool Fill(int timeout_ms);

  int fd_;
  bool terminal_;
  bool ended_ = false;
  std::string pending_;
};

}  // namespace kx
