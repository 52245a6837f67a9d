// The system platform: the real clock, real sleeps, and a window backend
// chosen by the caller, which shows the message boxes and is the source of
// the person's input (the terminal's keyboard, when it has one). A modal
// loop with neither input nor a timer to wait for ends at once.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace kx {

class SystemPlatform : public Platform {
 public:
  explicit SystemPlatform(std::unique_ptr<WindowBackend> backend);
  std::int64_t NowMs() override;
  void Sleep(std::uint32_t ms) override;
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t type) override;
  void PollInput(TApplication& app) override;
  bool WaitForWork(std::int64_t deadline_ms) override;
  WindowBackend& Backend() override { return *backend_; }

 private:
  std::unique_ptr<WindowBackend> backend_;
};

}  // namespace kx
