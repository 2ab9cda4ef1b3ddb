#pragma once
// The game manager's test seam: sets the step count as the loop would
// (the log is told too). Header-only.

#include "core/GameManager.h"

namespace vx {

struct GameManagerTestSeam {
  static void setStepCount(int step_count) { GameManager::getInstance().setStepCount(step_count); }
};

} // namespace vx
