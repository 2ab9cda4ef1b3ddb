#include "display/Frame.h"

#include <climits>
#include <cstdint>

#include "core/LogManager.h"
#include "display/DisplayManager.h"

namespace vx {

Frame::Frame() : m_width(0), m_height(0), m_frame_str(), m_reported(false) {}

Frame::Frame(int new_width, int new_height, std::string frame_str)
    : m_width(new_width), m_height(new_height), m_frame_str(frame_str), m_reported(false) {}

int Frame::getWidth() const { return m_width; }
void Frame::setWidth(int new_width) {
  m_width = new_width;
  m_reported = false;
}
int Frame::getHeight() const { return m_height; }
void Frame::setHeight(int new_height) {
  m_height = new_height;
  m_reported = false;
}
std::string Frame::getString() const { return m_frame_str; }
void Frame::setString(std::string new_frame_str) {
  m_frame_str = new_frame_str;
  m_reported = false;
}

int Frame::draw(Vector position, Color color, char transparent, int transform) const {
  if (m_frame_str.empty()) return 0;
  if (m_width <= 0 || m_height <= 0) return 0;

  // Every cell must exist in the string before anything is drawn.
  int64_t cells = int64_t(m_width) * int64_t(m_height);
  if (int64_t(m_frame_str.size()) < cells) {
    if (m_reported) return -1;
    m_reported = true;
    LogManager::getInstance().writeLog(
        "Frame::draw(): Error! Frame has %d characters, %d x %d needed.",
        m_frame_str.size() > size_t(INT_MAX) ? INT_MAX : int(m_frame_str.size()), m_width, m_height);
    return -1;
  }

  float x_off = (float)(m_width - 1) / 2.0f;
  float y_off = (float)(m_height - 1) / 2.0f;

  int col_start = 0, col_step = 1;
  int row_start = 0, row_step = 1;
  switch (transform) {
    case 1:  // vertical: rows reversed
      row_start = m_height - 1;
      row_step = -1;
      break;
    case 2:  // horizontal: columns reversed
      col_start = m_width - 1;
      col_step = -1;
      break;
    case 3:
      row_start = m_height - 1;
      row_step = -1;
      col_start = m_width - 1;
      col_step = -1;
      break;
    default:
      break;
  }

  const DisplayManager &dm = DisplayManager::getInstance();
  int sy = row_start;
  for (int y = 0; y < m_height; y++, sy += row_step) {
    int sx = col_start;
    for (int x = 0; x < m_width; x++, sx += col_step) {
      char c = m_frame_str[size_t(sy) * size_t(m_width) + size_t(sx)];
      if (transparent != 0 && c == transparent) continue;
      Vector pos(position.getX() + (float)x - x_off, position.getY() + (float)y - y_off);
      if (dm.drawCh(pos, c, color, 0) != 0) return -1;
    }
  }
  return 0;
}

} // namespace vx
