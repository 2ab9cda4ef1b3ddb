#include "core/Vector.h"

#include <cmath>

#include "core/Utility.h"

namespace vx {

Vector::Vector() : m_x(0), m_y(0) {}

Vector::Vector(float init_x, float init_y) : m_x(init_x), m_y(init_y) {}

float Vector::getX() const { return m_x; }
float Vector::getY() const { return m_y; }
void Vector::setX(float new_x) { m_x = new_x; }
void Vector::setY(float new_y) { m_y = new_y; }
void Vector::setXY(float new_x, float new_y) {
  m_x = new_x;
  m_y = new_y;
}

float Vector::getMagnitude() const { return std::sqrt(m_x * m_x + m_y * m_y); }

void Vector::normalize() {
  float length = getMagnitude();
  if (length > 0) {
    m_x = m_x / length;
    m_y = m_y / length;
  }
}

void Vector::scale(float s) {
  m_x = m_x * s;
  m_y = m_y * s;
}

Vector Vector::operator+(const Vector &other) const { return Vector(m_x + other.m_x, m_y + other.m_y); }

Vector Vector::operator-(const Vector &other) const { return Vector(m_x - other.m_x, m_y - other.m_y); }

Vector &Vector::operator+=(const Vector &other) {
  m_x += other.m_x;
  m_y += other.m_y;
  return *this;
}

bool Vector::operator==(const Vector &other) const { return m_x == other.m_x && m_y == other.m_y; }

bool Vector::operator!=(const Vector &other) const { return !(*this == other); }

bool Vector::isZero() const { return m_x == 0 && m_y == 0; }

std::string Vector::toString() const { return "(" + vx::toString(m_x) + "," + vx::toString(m_y) + ")"; }

int Vector::serialize(std::stringstream *p_ss) const {
  if (!p_ss) return -1;
  p_ss->write(reinterpret_cast<const char *>(&m_x), sizeof(m_x));
  p_ss->write(reinterpret_cast<const char *>(&m_y), sizeof(m_y));
  return checkStream("Vector::serialize()", p_ss);
}

int Vector::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return -1;
  // Each field is taken only when all of its bytes arrived.
  float v = 0;
  p_ss->read(reinterpret_cast<char *>(&v), sizeof(v));
  if (p_ss->gcount() == sizeof(v)) m_x = v;
  v = 0;
  p_ss->read(reinterpret_cast<char *>(&v), sizeof(v));
  if (p_ss->gcount() == sizeof(v)) m_y = v;
  return checkStream("Vector::deserialize()", p_ss);
}

} // namespace vx
