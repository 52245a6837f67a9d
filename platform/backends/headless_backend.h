// The headless backend: windows that nobody sees.
//
// It hands out window handles and remembers, for each, the control, the
// creation parameters it was given and whether it is shown, so tests can see
// what a person would have seen. An optional sink hears "create", "show",
// "hide" and "destroy" events with the control's name.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/controls.h"
#include "platform/window_backend.h"

namespace kx {

class HeadlessBackend : public WindowBackend {
 public:
  using Sink = std::function<void(const std::string& event)>;
  explicit HeadlessBackend(Sink sink = {}, std::function<void()> on_paint = {})
      : sink_(std::move(sink)), on_paint_(std::move(on_paint)) {}

  HWND CreateWindowHandle(TWinControl& control, const TCreateParams& params) override;
  void DestroyWindowHandle(HWND window) override;
  void ShowWindow(HWND window, bool visible) override;
  void Paint(const std::vector<TForm*>& shown_forms) override {
    ++paints_;
    if (on_paint_) on_paint_();
  }

  // The parameters a window was created with; null for an unknown handle.
  const TCreateParams* ParamsOf(HWND window) const;
  bool IsShown(HWND window) const;
  int paints() const { return paints_; }

 protected:
  // The control behind a handle of this backend; null for an unknown one.
  TWinControl* ControlOf(HWND window) const;

 private:
  struct Window {
    TWinControl* control;
    TCreateParams params;
    bool shown = false;
  };
  void Emit(const std::string& event, const Window& w);

  Sink sink_;
  std::function<void()> on_paint_;
  std::map<HWND, Window> windows_;
  std::uintptr_t next_ = 0x1000;
  int paints_ = 0;
};

}  // namespace kx
