#include "core/Line.h"

#include "display/DisplayManager.h"

namespace vx {

Line::Line() : m_p1(), m_p2() {}

Line::Line(Vector init_p1, Vector init_p2) : m_p1(init_p1), m_p2(init_p2) {}

Vector Line::getP1() const { return m_p1; }
void Line::setP1(Vector new_p1) { m_p1 = new_p1; }
Vector Line::getP2() const { return m_p2; }
void Line::setP2(Vector new_p2) { m_p2 = new_p2; }

std::string Line::toString() const { return "[" + m_p1.toString() + m_p2.toString() + "]"; }

// Without a window the display manager draws nothing.
void Line::draw() const {
  Vector half(charWidth() / 2, charHeight() / 2);
  Vector p1 = spacesToPixels(m_p1) + half;
  Vector p2 = spacesToPixels(m_p2) + half;
  DisplayManager::getInstance().drawSegment(p1, p2);
}

} // namespace vx
