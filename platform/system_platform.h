// The system platform: the real clock, real sleeps, message boxes written to
// stderr, and a window backend chosen by the caller.
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
  bool WaitForWork(std::int64_t deadline_ms) override;
  WindowBackend& Backend() override { return *backend_; }

 private:
  std::unique_ptr<WindowBackend> backend_;
};

}  // namespace kx
