#pragma once

#include "core/Color.h"
#include "core/Vector.h"
#include "world/Particle.h"

namespace vx {

// A particle drawn as a spinning character.
class Debris : public Particle {
 private:
  char m_character;
  Color m_color;
  float m_rotation_speed;
  float m_rotation;

 public:
  Debris(int age, unsigned char opacity, Color color, Vector velocity, char character,
         float rotation_speed);
  ~Debris() override;

  int draw() override;

  char getCharacter() const;
  Color getColor() const;
  float getRotationSpeed() const;
  float getRotation() const;
};

} // namespace vx
