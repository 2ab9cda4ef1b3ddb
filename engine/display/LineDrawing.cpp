// The lines and box outlines of the core value types, drawn in the display
// manager's window (declared with the types, drawn here).
#include "core/Box.h"
#include "core/Line.h"
#include "display/DisplayManager.h"

namespace vx {

// Without a window the display manager draws nothing.
void Line::draw() const {
  Vector half(charWidth() / 2, charHeight() / 2);
  Vector p1 = spacesToPixels(m_p1) + half;
  Vector p2 = spacesToPixels(m_p2) + half;
  DisplayManager::getInstance().drawSegment(p1, p2);
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
