#include "core/Box.h"

#include "core/Line.h"
#include "core/RawStream.h"
#include "core/Utility.h"

namespace vx {

std::string Box::toString() const {
  return m_corner.toString() + " h: " + vx::toString(m_horizontal) + " v: " + vx::toString(m_vertical);
}

int Box::serialize(std::stringstream *p_ss) const {
  if (!p_ss) return -1;
  int result = m_corner.serialize(p_ss);
  writeRaw(p_ss, m_horizontal);
  writeRaw(p_ss, m_vertical);
  if (checkStream("Box::serialize()", p_ss) != 0) result = -1;
  return result;
}

int Box::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return -1;
  RawReader in(p_ss);
  return read(in);
}

int Box::read(RawReader &in) {
  RawReader::Scope scope(in, "Box::deserialize()");
  m_corner.read(in);
  in.raw(m_horizontal);
  in.raw(m_vertical);
  return in.check();
}

void Box::draw() const {
  Vector top_right = m_corner + Vector(m_horizontal, 0);
  Vector bottom_left = m_corner + Vector(0, m_vertical);
  Vector bottom_right = m_corner + Vector(m_horizontal, m_vertical);
  Line(m_corner, top_right).draw();
  Line(m_corner, bottom_left).draw();
  Line(top_right, bottom_right).draw();
  Line(bottom_left, bottom_right).draw();
}

} // namespace vx
