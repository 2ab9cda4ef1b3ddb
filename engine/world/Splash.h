#pragma once

#include "core/Event.h"
#include "world/SplashObject.h"

namespace vx {

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
