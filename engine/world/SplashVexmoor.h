#pragma once

#include "core/Event.h"
#include "core/Vector.h"
#include "world/SplashObject.h"

namespace vx {

// The splash emblem: rises from below the view, lands, ends the splash.
class SplashVexmoor : public SplashObject {
 private:
  Vector m_end_p;
  int m_countdown;

 public:
  explicit SplashVexmoor(Vector end_p);

  int eventHandler(const Event *p_e) override;

  int getCountdown() const;
  Vector getEndPosition() const;
};

} // namespace vx
