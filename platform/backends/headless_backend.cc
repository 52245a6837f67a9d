// The headless backend.
#include "platform/backends/headless_backend.h"

namespace kx {

HWND HeadlessBackend::CreateWindowHandle(TWinControl& control, const TCreateParams& params) {
  HWND handle = reinterpret_cast<HWND>(next_);
  next_ += 0x10;
  Window& w = windows_[handle] = Window{&control, params, false};
  Emit("create", w);
  return handle;
}

void HeadlessBackend::DestroyWindowHandle(HWND window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  Emit("destroy", it->second);
  windows_.erase(it);
}

void HeadlessBackend::ShowWindow(HWND window, bool visible) {
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.shown == visible) return;
  it->second.shown = visible;
  Emit(visible ? "show" : "hide", it->second);
}

const TCreateParams* HeadlessBackend::ParamsOf(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second.params;
}

TWinControl* HeadlessBackend::ControlOf(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.control;
}

bool HeadlessBackend::IsShown(HWND window) const {
  auto it = windows_.find(window);
  return it != windows_.end() && it->second.shown;
}

void HeadlessBackend::Emit(const std::string& event, const Window& w) {
  if (sink_) sink_(event + " " + w.control->FName);
}

}  // namespace kx
