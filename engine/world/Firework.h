#pragma once

#include "core/Event.h"
#include "world/Particle.h"

namespace vx {

// A particle pulled downward that leaves a trail of still particles.
class Firework : public Particle {
 private:
  unsigned char m_r;
  unsigned char m_g;
  unsigned char m_b;
  int m_start_age;
  float m_start_size;

 public:
  Firework(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  ~Firework() override;

  int eventHandler(const Event *p_e) override;
};

} // namespace vx
