// TProgressBar: a position between Min and Max, moved by StepIt.
//
// The position always stays within [Min, Max]: setting it, or stepping past
// Max, stops at the limit. (A bar that wrapped round to Min after Max would
// never let "step while below Max" loops end.)
#pragma once

#include "platform/controls.h"

namespace kx {

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  const char* ClassName() const override { return "TProgressBar"; }

  void StepIt();
  void StepBy(int delta);

  int FMin = 0, FMax = 100, FPosition = 0, FStep = 10;

  TProp<int> Min;
  TProp<int> Max;
  TProp<int> Position;
  TProp<int> Step{this, "Step", FStep, 10};
  TProp<int> TabOrder{this, "TabOrder", FTabOrder, -1};
  TProp<bool> Visible{this, "Visible", FVisible, true};

 private:
  void Clamp();
};

}  // namespace kx
