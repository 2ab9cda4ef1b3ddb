#include "world/Firework.h"

#include "core/EventStep.h"

namespace vx {

Firework::Firework(float size, int age, unsigned char opacity, unsigned char r,
                   unsigned char g, unsigned char b)
    : Particle(size, age, opacity, r, g, b) {
  m_r = r;
  m_g = g;
  m_b = b;
  m_start_age = age;
  m_start_size = size;
  setType("Firework");
  setAcceleration(Vector(0, 0.01f));
}

Firework::~Firework() {}

int Firework::eventHandler(const Event *p_e) {
  int result = Particle::eventHandler(p_e);
  if (p_e && p_e->getType() == EVENT_STEP) {
    // The trail: a still particle where the firework is now.
    Particle *p_trail = new Particle(m_start_size / 2, m_start_age / 4, 255, m_r, m_g, m_b);
    p_trail->setPosition(getPosition());
    result = 1;
  }
  return result;
}

} // namespace vx
