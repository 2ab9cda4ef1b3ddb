#include "display/Sprite.h"

#include <algorithm>
#include <exception>

#include "core/LogManager.h"

namespace vx {

namespace {
// Frames reserved up front; the rest are allocated as frames are added, so
// a huge capacity read from a file costs nothing until frames arrive.
const int INITIAL_FRAME_RESERVE = 16;
}  // namespace

Sprite::Sprite(int max_frames)
    : m_width(0),
      m_height(0),
      m_max_frame_count(0),
      m_frame_count(0),
      m_color(WHITE),
      m_slowdown(1),
      m_transparency(0),
      m_frame(),
      m_label("[Undefined]") {
  if (max_frames < 0) max_frames = 0;
  try {
    m_frame.reserve(size_t(std::min(max_frames, INITIAL_FRAME_RESERVE)));
    m_max_frame_count = max_frames;
  } catch (const std::exception &) {
    LogManager::getInstance().writeLog("Sprite::Sprite(): Error! Unable to allocate %d frames.",
                                       max_frames);
    m_max_frame_count = 0;
  }
}

Sprite::~Sprite() {}

void Sprite::setWidth(int new_width) { m_width = new_width; }
int Sprite::getWidth() const { return m_width; }
void Sprite::setHeight(int new_height) { m_height = new_height; }
int Sprite::getHeight() const { return m_height; }
void Sprite::setColor(Color new_color) { m_color = new_color; }
Color Sprite::getColor() const { return m_color; }
void Sprite::setSlowdown(int new_sprite_slowdown) { m_slowdown = new_sprite_slowdown; }
int Sprite::getSlowdown() const { return m_slowdown; }
void Sprite::setTransparency(char new_transparency) { m_transparency = new_transparency; }
char Sprite::getTransparency() const { return m_transparency; }
void Sprite::setLabel(std::string new_label) { m_label = new_label; }
std::string Sprite::getLabel() const { return m_label; }
int Sprite::getFrameCount() const { return m_frame_count; }

int Sprite::addFrame(Frame new_frame) {
  if (m_frame_count >= m_max_frame_count) return -1;
  try {
    m_frame.push_back(new_frame);
  } catch (const std::exception &) {
    LogManager::getInstance().writeLog("Sprite::addFrame(): Error! Unable to allocate frame %d.",
                                       m_frame_count + 1);
    return -1;
  }
  m_frame_count++;
  return 0;
}

Frame Sprite::getFrame(int frame_number) const {
  if (frame_number < 0 || frame_number >= m_frame_count) return Frame();
  return m_frame[size_t(frame_number)];
}

int Sprite::draw(int frame_number, Vector position, char transparency, int transform) const {
  // The stored frame itself, not a copy: it remembers what it has logged.
  if (frame_number < 0 || frame_number >= m_frame_count) return 0;
  return m_frame[size_t(frame_number)].draw(position, m_color, transparency, transform);
}

// No blank before "frames": kept verbatim.
std::string Sprite::toString() const {
  return m_label + ", " + std::to_string(m_frame_count) + "frames, " + std::to_string(m_width) +
         " x " + std::to_string(m_height) + ", " + colorToString(m_color);
}

} // namespace vx
