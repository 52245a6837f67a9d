// TTimer: calls OnTimer every Interval milliseconds while Enabled, through
// the application's timers (so only while the application pumps messages,
// and on the installed platform's clock).
#pragma once

#include <cstdint>

#include "platform/component.h"

namespace kx {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  // Called by the application when the interval has passed.
  void Timer();

  bool FEnabled = true;
  std::uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;

  TProp<bool> Enabled;
  TProp<std::uint32_t> Interval;
  TProp<TNotifyEvent> OnTimer;

 private:
  void UpdateTimer();
};

}  // namespace kx
