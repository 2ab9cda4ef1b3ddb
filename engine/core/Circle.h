#pragma once

#include <string>

#include "core/Vector.h"

namespace vx {

class Circle {
 private:
  Vector m_center;
  float m_radius;

 public:
  Circle();
  Circle(Vector init_center, float init_radius);

  Vector getCenter() const;
  void setCenter(Vector new_center);
  float getRadius() const;
  void setRadius(float new_radius);

  std::string toString() const;
};

} // namespace vx
