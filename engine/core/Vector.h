#pragma once

#include <sstream>
#include <string>

namespace vx {

// A point or a velocity in character cells.
class Vector {
 private:
  float m_x;
  float m_y;

 public:
  Vector();
  Vector(float init_x, float init_y);

  float getX() const;
  float getY() const;
  void setX(float new_x);
  void setY(float new_y);
  void setXY(float new_x, float new_y);

  float getMagnitude() const;
  void normalize();
  void scale(float s);

  Vector operator+(const Vector &other) const;
  Vector operator-(const Vector &other) const;
  Vector &operator+=(const Vector &other);
  bool operator==(const Vector &other) const;
  bool operator!=(const Vector &other) const;
  bool isZero() const;

  std::string toString() const;

  // Raw form: x then y, 4 bytes each.
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);
};

} // namespace vx
