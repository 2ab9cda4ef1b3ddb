#pragma once

#include <sstream>
#include <string>

namespace vx {

class RawReader;

// A point or a velocity in character cells.
class Vector {
 private:
  float m_x;
  float m_y;

 public:
  Vector() : m_x(0), m_y(0) {}
  Vector(float init_x, float init_y) : m_x(init_x), m_y(init_y) {}

  float getX() const { return m_x; }
  float getY() const { return m_y; }
  void setX(float new_x) { m_x = new_x; }
  void setY(float new_y) { m_y = new_y; }
  void setXY(float new_x, float new_y) {
    m_x = new_x;
    m_y = new_y;
  }

  float getMagnitude() const;
  void normalize();
  void scale(float s) {
    m_x = m_x * s;
    m_y = m_y * s;
  }

  Vector operator+(const Vector &other) const { return Vector(m_x + other.m_x, m_y + other.m_y); }
  Vector operator-(const Vector &other) const { return Vector(m_x - other.m_x, m_y - other.m_y); }
  Vector &operator+=(const Vector &other) {
    m_x += other.m_x;
    m_y += other.m_y;
    return *this;
  }
  bool operator==(const Vector &other) const { return m_x == other.m_x && m_y == other.m_y; }
  bool operator!=(const Vector &other) const { return !(*this == other); }
  bool isZero() const { return m_x == 0 && m_y == 0; }

  std::string toString() const;

  // Raw form: x then y, 4 bytes each.
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);
  // The raw form from the reader given, checked as deserialize checks it.
  int read(RawReader &in);
  // The raw form only, unchecked: true when both fields arrived.
  bool readFields(RawReader &in);
};

} // namespace vx
