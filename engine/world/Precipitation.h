#pragma once

#include "core/Event.h"
#include "core/Vector.h"
#include "world/Particle.h"

namespace vx {

// A particle that never ages and re-enters the world at the opposite edge
// when it leaves it, optionally wobbling about its velocity.
class Precipitation : public Particle {
 private:
  int m_heading;
  Vector m_base_velocity;
  bool m_wobble;

  int reenter();
  bool isStray();

 public:
  Precipitation(float size, int heading, unsigned char opacity, unsigned char r,
                unsigned char g, unsigned char b);
  ~Precipitation() override;

  int eventHandler(const Event *p_e) override;

  void setWobble(bool new_wobble);
  bool getWobble() const;
  int getHeading() const;
  Vector getBaseVelocity() const;
};

} // namespace vx
