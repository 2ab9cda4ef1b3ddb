#pragma once

#include "core/Event.h"
#include "core/Vector.h"
#include "world/Object.h"

namespace vx {

class Sprite;

// The splash emblem: rises from below the view, lands, ends the splash.
class SplashVexmoor : public Object {
 private:
  Vector m_end_p;
  int m_countdown;
  Sprite *m_p_sprite;

 public:
  explicit SplashVexmoor(Vector end_p);
  ~SplashVexmoor() override;

  int eventHandler(const Event *p_e) override;

  int getCountdown() const;
  Vector getEndPosition() const;
};

} // namespace vx
