#include "core/Vector.h"

#include <cmath>

#include "core/Utility.h"

namespace vx {

float Vector::getMagnitude() const { return std::sqrt(m_x * m_x + m_y * m_y); }

void Vector::normalize() {
  float length = getMagnitude();
  if (length > 0) {
    m_x = m_x / length;
    m_y = m_y / length;
  }
}

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
