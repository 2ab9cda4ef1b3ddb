#pragma once

namespace vx {

// Runs the engine's splash screen in a game loop of its own: 0 after it has
// run, -1 when the game manager is not started.
int splash();

} // namespace vx
