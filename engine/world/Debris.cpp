#include "world/Debris.h"

#include "display/DisplayManager.h"
#include "display/Shape.h"

namespace vx {

Debris::Debris(int age, unsigned char opacity, Color color, Vector velocity, char character,
               float rotation_speed)
    : Particle(1.0f, age, opacity, color) {
  setType("Debris");
  setVelocity(velocity);
  Shape shape = getShape();
  shape.setType(ShapeType::UNDEFINED);
  setShape(shape);
  m_character = character;
  m_color = color;
  m_rotation_speed = rotation_speed;
  m_rotation = 0;
}

Debris::~Debris() {}

int Debris::draw() {
  m_rotation += m_rotation_speed;
  if (m_rotation < 0) m_rotation += 360;
  if (m_rotation > 360) m_rotation -= 360;
  return DisplayManager::getInstance().drawCh(getPosition(), m_character, m_color, m_rotation);
}

char Debris::getCharacter() const { return m_character; }
Color Debris::getColor() const { return m_color; }
float Debris::getRotationSpeed() const { return m_rotation_speed; }
float Debris::getRotation() const { return m_rotation; }

} // namespace vx
