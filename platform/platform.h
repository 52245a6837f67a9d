// The platform seam: time, message boxes, user input and the window backend.
//
// Everything that would reach the operating system or a person goes through
// the one installed Platform. The system platform uses the real clock and
// real sleeps, and its backend shows the windows and message boxes: headless
// (draws nothing, boxes as text on stderr; the default) or the terminal
// (UseTerminalBackend). Tests
// install a VirtualPlatform (virtual_platform.h): a virtual clock that Sleep
// advances, a scripted user, and recorded boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window_backend.h"

namespace kx {

class TApplication;

class Platform {
 public:
  virtual ~Platform() = default;
  // Milliseconds on a monotonic clock.
  virtual std::int64_t NowMs() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // Shows a message box and returns the button pressed (IDOK ...).
  virtual int MessageBox(const std::string& text, const std::string& caption, std::uint32_t type) = 0;
  // Hands the user's input that is due to the application (PostInput).
  virtual void PollInput(TApplication& app) {}
  // A modal loop has nothing to do: wait until `deadline_ms` (the next timer;
  // -1 for none) or until input may have come. Returns false when nothing
  // can ever come, which ends the modal display.
  virtual bool WaitForWork(std::int64_t deadline_ms) = 0;
  virtual WindowBackend& Backend() = 0;
};

Platform& CurrentPlatform();
// Installs `platform` and returns the one it replaces.
std::unique_ptr<Platform> InstallPlatform(std::unique_ptr<Platform> platform);

// The system platform with the backend that draws windows on stderr when it
// is a terminal (and nothing when it is not), and takes keys from stdin when
// both are terminals: a modal window (a picker, the About box) then waits
// for the person, and a message box waits for Enter. This is what a
// command-line tool calls once at start.
void UseTerminalBackend();
// The system platform with the headless backend (the default).
void UseHeadlessBackend();

}  // namespace kx
