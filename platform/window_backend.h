// How windows reach a person: the backend behind every window handle.
//
// The application calls Paint at the end of every pump; a backend draws the
// shown forms then (or nothing at all). Window handles are the backend's:
// CreateWindowHandle gets the creation parameters, whose Style and ExStyle
// bits it honours in whatever way it draws.
#pragma once

#include <vector>

#include "platform/windows_api.h"

namespace kx {

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
};

}  // namespace kx
