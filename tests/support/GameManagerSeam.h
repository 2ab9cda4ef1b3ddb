#pragma once
// The game manager's test seam: sets the step count as the loop does.
// Header-only.

#include "core/LoopState.h"

namespace vx {

struct GameManagerSeam {
  // The loop counts up from 0 and never below: a negative count is refused
  // (-1, the count unchanged). 0 when set.
  static int setStepCount(int step_count) {
    if (step_count < 0) return -1;
    LoopState::getInstance().setStepCount(step_count);
    return 0;
  }
};

} // namespace vx
