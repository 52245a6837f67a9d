// How windows reach a person: the backend behind every window handle.
//
// The application calls Paint at the end of every pump; a backend draws the
// shown forms then (or nothing at all). Window handles are the backend's:
// CreateWindowHandle gets the creation parameters, whose Style and ExStyle
// bits it honours in whatever way it draws. A backend with a keyboard hands
// the person's keys to the application as input (PollInput) and lets a modal
// loop wait for them (WaitForInput). Message boxes are the backend's too;
// the base writes them to stderr and waits for nobody.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace kx {

class TApplication;
class TWinControl;
struct TCreateParams;
class TForm;

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  virtual HWND CreateWindowHandle(TWinControl& control, const TCreateParams& params) = 0;
  virtual void DestroyWindowHandle(HWND window) = 0;
  virtual void ShowWindow(HWND window, bool visible) = 0;
  // The forms on the screen, bottom to top.
  virtual void Paint(const std::vector<TForm*>& shown_forms) = 0;
  // Shows a message box and returns the button pressed (IDOK).
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT type);
  // Queues the keys that have come as input for the application.
  virtual void PollInput(TApplication& app) {}
  // Waits up to `timeout_ms` (-1: no limit) for input. False, at once, when
  // no input can come now (only timers can end a modal loop's wait then).
  virtual bool WaitForInput(int timeout_ms) { return false; }
};

}  // namespace kx
