#include "core/Box.h"

#include "core/RawStream.h"
#include "core/Utility.h"

namespace vx {

std::string Box::toString() const {
  return m_corner.toString() + " h: " + vx::toString(m_horizontal) + " v: " + vx::toString(m_vertical);
}

int Box::serialize(std::stringstream *p_ss) const {
  if (!p_ss) return checkStream("Box::serialize()", p_ss);
  int result = m_corner.serialize(p_ss);
  writeRaw(p_ss, m_horizontal);
  writeRaw(p_ss, m_vertical);
  if (checkStream("Box::serialize()", p_ss) != 0) result = -1;
  return result;
}

int Box::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return checkStream("Box::deserialize()", p_ss);
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


} // namespace vx
