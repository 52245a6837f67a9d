// TTimer.
#include "platform/timer.h"

#include "platform/application.h"

namespace kx {

TTimer::TTimer(TComponent* AOwner)
    : TComponent(AOwner),
      Enabled(this, "Enabled", FEnabled, true,
              [this](const bool& on) {
                FEnabled = on;
                UpdateTimer();
              }),
      Interval(this, "Interval", FInterval, 1000,
               [this](const std::uint32_t& ms) {
                 FInterval = ms;
                 UpdateTimer();
               }),
      OnTimer(this, "OnTimer", FOnTimer, TNotifyEvent{}, [this](const TNotifyEvent& e) {
        FOnTimer = e;
        UpdateTimer();
      }) {}

TTimer::~TTimer() { Application->StopTimer(this); }

void TTimer::Timer() { FOnTimer(this); }

void TTimer::UpdateTimer() {
  Application->StopTimer(this);
  if (FEnabled && FInterval > 0 && FOnTimer) Application->StartTimer(this, FInterval);
}

}  // namespace kx
