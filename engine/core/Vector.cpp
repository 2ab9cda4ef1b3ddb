#include "core/Vector.h"

#include <cmath>

#include "core/RawStream.h"
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
  if (!p_ss) return checkStream("Vector::serialize()", p_ss);
  writeRaw(p_ss, m_x);
  writeRaw(p_ss, m_y);
  return checkStream("Vector::serialize()", p_ss);
}

int Vector::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return checkStream("Vector::deserialize()", p_ss);
  RawReader in(p_ss);
  return read(in);
}

int Vector::read(RawReader &in) {
  RawReader::Scope scope(in, "Vector::deserialize()");
  readFields(in);
  return in.check();
}

bool Vector::readFields(RawReader &in) {
  bool x = in.raw(m_x);
  bool y = in.raw(m_y);
  return x && y;
}

} // namespace vx
