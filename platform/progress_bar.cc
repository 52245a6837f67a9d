// TProgressBar.
#include "platform/progress_bar.h"

namespace kx {

TProgressBar::TProgressBar(TComponent* AOwner)
    : TWinControl(AOwner),
      Min(this, "Min", FMin, 0,
          [this](const int& v) {
            FMin = v;
            if (FMax < FMin) FMax = FMin;
            Clamp();
          }),
      Max(this, "Max", FMax, 100,
          [this](const int& v) {
            FMax = v;
            if (FMin > FMax) FMin = FMax;
            Clamp();
          }),
      Position(this, "Position", FPosition, 0, [this](const int& v) {
        FPosition = v;
        Clamp();
      }) {}

void TProgressBar::StepIt() { StepBy(FStep); }

void TProgressBar::StepBy(int delta) {
  FPosition += delta;
  Clamp();
}

void TProgressBar::Clamp() {
  if (FPosition < FMin) FPosition = FMin;
  if (FPosition > FMax) FPosition = FMax;
}

}  // namespace kx
