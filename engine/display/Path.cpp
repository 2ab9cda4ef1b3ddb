#include "display/Path.h"

#include <cstdint>

#include "core/RawStream.h"
#include "core/Utility.h"
#include "display/DisplayManager.h"

namespace vx {

Path::Path() : m_index(0) {}

bool Path::operator==(const Path &other) const {
  return m_index == other.m_index && m_nodes == other.m_nodes;
}

bool Path::operator!=(const Path &other) const { return !(*this == other); }

Path Path::operator++(int) {
  m_index++;
  if (isDone()) m_index = static_cast<int>(m_nodes.size());
  return *this;
}

bool Path::isDone() const { return m_index >= static_cast<int>(m_nodes.size()); }

Vector Path::getFinal() const {
  if (m_nodes.empty()) return Vector();
  return m_nodes.back();
}

int Path::getIndex() const { return m_index; }

std::vector<Vector> Path::getWaypoints() const { return m_nodes; }

Vector Path::getCurrent() const {
  if (isDone() || m_index < 0) return Vector();
  return m_nodes[m_index];
}

Vector Path::getPrevious() const {
  if (m_index < 1 || m_index - 1 >= static_cast<int>(m_nodes.size())) return Vector();
  return m_nodes[m_index - 1];
}

int Path::setIndex(int new_index) {
  if (new_index < 0 || new_index >= static_cast<int>(m_nodes.size())) return -1;
  m_index = new_index;
  return 0;
}

void Path::setWaypoints(std::vector<Vector> new_nodes) { m_nodes = std::move(new_nodes); }

int Path::draw(Color color) const {
  int result = 0;
  for (int i = m_index < 0 ? 0 : m_index; i < static_cast<int>(m_nodes.size()); i++)
    result += DisplayManager::getInstance().drawCh(m_nodes[i], '.', color, 0);
  return result;
}

std::string Path::toString() const {
  std::string s;
  for (const Vector &v : m_nodes) s += v.toString() + "|";
  return s;
}

int Path::serialize(std::stringstream *p_ss) const {
  if (!p_ss) return checkStream("Path::serialize()", p_ss);
  writeRaw(p_ss, static_cast<uint64_t>(m_nodes.size()));
  for (const Vector &v : m_nodes) v.serialize(p_ss);
  return checkStream("Path::serialize()", p_ss);
}

int Path::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return checkStream("Path::deserialize()", p_ss);
  RawReader in(p_ss);
  return read(in);
}

int Path::read(RawReader &in) {
  RawReader::Scope scope(in, "Path::deserialize()");
  uint64_t count = 0;
  in.raw(count);
  m_nodes.clear();
  // The low 32 bits as a signed count; the waypoints end with the stream.
  // A waypoint cut short is reported once, by the path's own check.
  int32_t n = static_cast<int32_t>(static_cast<uint32_t>(count & 0xffffffffu));
  for (int32_t i = 0; i < n; i++) {
    Vector v;
    if (!v.readFields(in)) break;
    m_nodes.push_back(v);
  }
  return in.check();
}

} // namespace vx
