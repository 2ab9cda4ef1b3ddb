#pragma once

#include "core/Event.h"
#include "world/SplashObject.h"

namespace vx {

// Runs the engine's splash screen in a game loop of its own: 0 after it has
// run, -1 when the game manager is not started.
int splash();

// The splash banner: slides in from the right and stops.
class Splash : public SplashObject {
 private:
  int m_countdown;

 public:
  Splash();

  int eventHandler(const Event *p_e) override;

  int getCountdown() const;
};

} // namespace vx
