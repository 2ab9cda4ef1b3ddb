#include "world/Particle.h"

#include "core/EventStep.h"
#include "core/LogManager.h"
#include "display/Shape.h"
#include "world/EventOut.h"
#include "world/WorldManager.h"

namespace vx {

Particle::Particle(float size, int age, unsigned char opacity, unsigned char r,
                   unsigned char g, unsigned char b)
    : Object() {
  init(size, age, opacity, r, g, b);
}

Particle::Particle(float size, int age, unsigned char opacity, Color color) : Object() {
  // CUSTOM and unknown colours leave these untouched: white then.
  unsigned char r = 255, g = 255, b = 255;
  colorToRGB(color, r, g, b);
  init(size, age, opacity, r, g, b);
}

Particle::~Particle() {}

void Particle::init(float size, int age, unsigned char opacity, unsigned char r,
                    unsigned char g, unsigned char b) {
  setSolidness(SPECTRAL);
  setType("Particle");
  setAltitude(MAX_ALTITUDE);
  m_age = age;
  // Particles take no identifier: hand back the one the object part took.
  setId(0);
  s_next_id--;
  static Shape s_shape;
  s_shape.setColor(r, g, b);
  s_shape.setType(ShapeType::CIRCLE);
  s_shape.setSize(size);
  s_shape.setOpacity(opacity);
  setShape(s_shape);
  registerInterest(EVENT_STEP);
}

int Particle::getAge() const { return m_age; }

void Particle::setColor(unsigned char r, unsigned char g, unsigned char b) {
  Shape shape = getShape();
  shape.setColor(r, g, b);
  setShape(shape);
}

void Particle::setColor(Color color) {
  unsigned char r = 255, g = 255, b = 255;
  colorToRGB(color, r, g, b);
  setColor(r, g, b);
}

int Particle::eventHandler(const Event *p_e) {
  if (!p_e) return 0;
  std::string type = p_e->getType();
  if (type == EVENT_STEP) {
    m_age--;
    if (m_age <= 0) WorldManager::getInstance().markForDelete(this);
    return 1;
  }
  if (type == EVENT_OUT) {
    WorldManager::getInstance().markForDelete(this);
    return 1;
  }
  return 0;
}

int Particle::serialize(std::stringstream *p_ss, unsigned int attr) {
  LogManager::getInstance().writeLog(
      1, "Particle::serialize(): Warning!  Particles attributes are not serialized.");
  return Object::serialize(p_ss, attr);
}

int Particle::deserialize(std::stringstream *p_ss, unsigned int *p_attr) {
  LogManager::getInstance().writeLog(
      1, "Particle::deserialize(): Warning!  Cannot deserialize particles.");
  return Object::deserialize(p_ss, p_attr);
}

} // namespace vx
