// The system platform, the seam's installation and the Windows calls that go
// through it.
#include "platform/system_platform.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>

#include "platform/application.h"
#include "platform/backends/headless_backend.h"
#include "platform/backends/terminal_backend.h"

namespace kx {
namespace {

std::unique_ptr<Platform>& Installed() {
  static std::unique_ptr<Platform> platform =
      std::make_unique<SystemPlatform>(std::make_unique<HeadlessBackend>());
  return platform;
}

}  // namespace

SystemPlatform::SystemPlatform(std::unique_ptr<WindowBackend> backend) : backend_(std::move(backend)) {}

std::int64_t SystemPlatform::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemPlatform::Sleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int SystemPlatform::MessageBox(const std::string& text, const std::string& caption, std::uint32_t type) {
  return backend_->MessageBox(text, caption, type);
}

void SystemPlatform::PollInput(TApplication& app) { backend_->PollInput(app); }

bool SystemPlatform::WaitForWork(std::int64_t deadline_ms) {
  std::int64_t wait = deadline_ms < 0 ? -1 : std::max<std::int64_t>(deadline_ms - NowMs(), 0);
  if (backend_->WaitForInput(static_cast<int>(std::min<std::int64_t>(wait, INT_MAX)))) return true;
  // No input can come: without a timer to wait for, nothing can happen.
  if (deadline_ms < 0) return false;
  if (wait > 0) Sleep(static_cast<std::uint32_t>(wait < 50 ? wait : 50));
  return true;
}

Platform& CurrentPlatform() { return *Installed(); }

std::unique_ptr<Platform> InstallPlatform(std::unique_ptr<Platform> platform) {
  std::unique_ptr<Platform> previous = std::move(Installed());
  Installed() = std::move(platform);
  return previous;
}

void UseTerminalBackend() {
  auto backend = std::make_unique<TerminalBackend>(STDERR_FILENO);
  backend->AttachKeyboard(STDIN_FILENO);
  InstallPlatform(std::make_unique<SystemPlatform>(std::move(backend)));
}

void UseHeadlessBackend() {
  InstallPlatform(std::make_unique<SystemPlatform>(std::make_unique<HeadlessBackend>()));
}

void Sleep(DWORD milliseconds) { CurrentPlatform().Sleep(milliseconds); }

DWORD GetTickCount() { return static_cast<DWORD>(CurrentPlatform().NowMs()); }

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return CurrentPlatform().MessageBox(text ? text : "", caption ? caption : "Error", type);
}

bool PostMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  return Application->PostMessage(window, msg, wparam, lparam);
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  return Application->SendMessage(window, msg, wparam, lparam);
}

}  // namespace kx
