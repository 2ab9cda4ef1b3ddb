#include "display/Animation.h"

#include <cinttypes>
#include <climits>
#include <cstdint>

#include "core/LogManager.h"
#include "core/RawStream.h"
#include "core/Utility.h"

namespace vx {

Animation::Animation()
    : m_p_sprite(nullptr),
      m_index(0),
      m_slowdown_count(0),
      m_name(""),
      m_transform(NONE),
      m_modified(true) {}

void Animation::setSprite(Sprite *p_new_sprite) {
  if (p_new_sprite) setName(p_new_sprite->getLabel());
  m_p_sprite = p_new_sprite;
  setIndex(0);
  setSlowdownCount(0);
  m_modified = true;
}

Sprite *Animation::getSprite() const { return m_p_sprite; }

void Animation::setName(std::string new_name) {
  if (new_name == m_name) return;
  m_name = new_name;
  m_modified = true;
}

std::string Animation::getName() const { return m_name; }

void Animation::setIndex(int new_index) {
  if (new_index == m_index) return;
  m_index = new_index;
  m_modified = true;
}

int Animation::getIndex() const { return m_index; }

void Animation::setSlowdownCount(int new_slowdown_count) {
  if (new_slowdown_count == m_slowdown_count) return;
  m_slowdown_count = new_slowdown_count;
  m_modified = true;
}

int Animation::getSlowdownCount() const { return m_slowdown_count; }

void Animation::setTransform(int new_transform) {
  if (new_transform < NONE || new_transform > BOTH) {
    LogManager::getInstance().writeLog("Animation::setTransform(): Error! Unknown transform %d. Ignoring.",
                                       new_transform);
    return;
  }
  if (new_transform == m_transform) return;
  m_transform = new_transform;
  m_modified = true;
}

int Animation::getTransform() const { return m_transform; }

bool Animation::isModified() const { return m_modified; }

int Animation::draw(Vector position) {
  if (!m_p_sprite) return 0;

  int result = m_p_sprite->draw(m_index, position, m_p_sprite->getTransparency(), m_transform);

  if (m_slowdown_count == -1) return result;

  // In 64 bits: a count or index of INT_MAX steps on without overflowing.
  int64_t count = int64_t(m_slowdown_count) + 1;
  setSlowdownCount(count > INT_MAX ? INT_MAX : int(count));
  if (count < m_p_sprite->getSlowdown()) return result;

  setSlowdownCount(0);
  int64_t next = int64_t(m_index) + 1;
  if (next >= m_p_sprite->getFrameCount()) next = 0;
  setIndex(int(next));
  return result;
}

Box Animation::getBox() const {
  if (!m_p_sprite) return Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
  float w = (float)m_p_sprite->getWidth();
  float h = (float)m_p_sprite->getHeight();
  return Box(Vector(-w / 2, -h / 2), w, h);
}

bool Animation::operator==(const Animation &other) const {
  return m_p_sprite == other.m_p_sprite && m_index == other.m_index &&
         m_slowdown_count == other.m_slowdown_count && m_name == other.m_name &&
         m_modified == other.m_modified;
}

bool Animation::operator!=(const Animation &other) const { return !(*this == other); }

int Animation::serialize(std::stringstream *p_ss) const {
  if (!p_ss) return checkStream("Animation::serialize()", p_ss);
  writeText(p_ss, m_name);
  writeRaw(p_ss, int32_t(m_index));
  writeRaw(p_ss, int32_t(m_slowdown_count));
  writeRaw(p_ss, int32_t(m_transform));
  return checkStream("Animation::serialize()", p_ss);
}

int Animation::deserialize(std::stringstream *p_ss) {
  if (!p_ss) return checkStream("Animation::deserialize()", p_ss);
  RawReader in(p_ss);
  return read(in);
}

int Animation::read(RawReader &in) {
  RawReader::Scope scope(in, "Animation::deserialize()");
  uint64_t n = 0;
  if (!in.raw(n)) return in.check();
  if (!in.lengthFits(n, "Name")) return -1;
  std::string name;
  if (in.name(n, name) == RawReader::TEXT_NO_MEMORY) {
    LogManager::getInstance().writeLog("Animation::deserialize(): Error! Cannot allocate %" PRIu64 " bytes.", n);
    in.mark(RawReader::STOPPED);
    return -1;
  }
  // Fields are set directly: neither modified nor a sprite look-up.
  m_name = name;
  int32_t index = 0, count = 0, transform = 0;
  if (in.raw(index) && in.raw(count) && in.raw(transform)) {
    m_index = index;
    m_slowdown_count = count;
    m_transform = transform;
  }
  return in.check();
}

std::string Animation::toString() const {
  return "sprite " + m_name + ", frame_idx " + std::to_string(m_index) + ", slowdown_count " +
         std::to_string(m_slowdown_count) + ", transform " + transformToString(m_transform);
}

}  // namespace vx
