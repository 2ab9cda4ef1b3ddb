#pragma once
// The game manager's test seam: sets the step count as the loop does.
// Header-only.

#include "core/LoopState.h"

namespace vx {

struct GameManagerSeam {
  static void setStepCount(int step_count) { LoopState::getInstance().setStepCount(step_count); }
};

} // namespace vx
