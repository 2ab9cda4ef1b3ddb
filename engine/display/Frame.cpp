#include "display/Frame.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "core/LogManager.h"
#include "display/DisplayManager.h"

namespace vx {

namespace {

// Cells of slack around the reachable range, for the rounding of positions.
const double CLIP_MARGIN = 2;

// The indices 0 .. n - 1 that lie in [low, high], widened by the margin;
// false when there are none (or a bound is not a number).
bool clipRange(double low, double high, int n, int &first, int &last) {
  low -= CLIP_MARGIN;
  high += CLIP_MARGIN;
  if (!(low <= high) || high < 0 || low > double(n - 1)) return false;
  first = low <= 0 ? 0 : int(std::ceil(low));
  last = high >= double(n - 1) ? n - 1 : int(std::floor(high));
  return first <= last;
}

} // namespace

Frame::Frame() : m_width(0), m_height(0), m_frame_str(), m_reported(false), m_chars(), m_chars_known(false) {}

Frame::Frame(int new_width, int new_height, std::string frame_str)
    : m_width(new_width),
      m_height(new_height),
      m_frame_str(frame_str),
      m_reported(false),
      m_chars(),
      m_chars_known(false) {}

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
  m_chars_known = false;
}

const std::bitset<256> &Frame::characters() const {
  if (!m_chars_known) {
    m_chars.reset();
    for (char c : m_frame_str) m_chars.set(static_cast<unsigned char>(c));
    m_chars_known = true;
  }
  return m_chars;
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

  // Only the rows and columns that can reach the window are visited; the
  // others would draw nothing there.
  const DisplayManager &dm = DisplayManager::getInstance();
  int x_first = 0, x_last = m_width - 1, y_first = 0, y_last = m_height - 1;
  std::bitset<256> chars = characters();
  if (transparent != 0) chars.reset(static_cast<unsigned char>(transparent));
  Box reach;
  if (dm.reachableCells(chars, reach)) {
    Vector centre = dm.viewPosition(position);
    double base_x = double(centre.getX()) - double(x_off), base_y = double(centre.getY()) - double(y_off);
    double low_x = double(reach.getCorner().getX()), low_y = double(reach.getCorner().getY());
    if (!clipRange(low_x - base_x, low_x + double(reach.getHorizontal()) - base_x, m_width, x_first, x_last) ||
        !clipRange(low_y - base_y, low_y + double(reach.getVertical()) - base_y, m_height, y_first, y_last))
      return 0;
  }

  int sy = row_start + y_first * row_step;
  for (int y = y_first; y <= y_last; y++, sy += row_step) {
    int sx = col_start + x_first * col_step;
    for (int x = x_first; x <= x_last; x++, sx += col_step) {
      char c = m_frame_str[size_t(sy) * size_t(m_width) + size_t(sx)];
      if (transparent != 0 && c == transparent) continue;
      Vector pos(position.getX() + (float)x - x_off, position.getY() + (float)y - y_off);
      if (dm.drawCh(pos, c, color, 0) != 0) return -1;
    }
  }
  return 0;
}

} // namespace vx
