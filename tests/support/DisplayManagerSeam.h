#pragma once
// What the display tests reach inside the display manager. Header-only.

#include "display/DisplayManager.h"

namespace vx {

struct DisplayManagerSeam {
  // Steps the shake as swapBuffers does, also when headless.
  static void advanceShake(DisplayManager &dm) { dm.advanceShake(); }
};

} // namespace vx
