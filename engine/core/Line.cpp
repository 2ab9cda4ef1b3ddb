#include "core/Line.h"

namespace vx {

Line::Line() : m_p1(), m_p2() {}

Line::Line(Vector init_p1, Vector init_p2) : m_p1(init_p1), m_p2(init_p2) {}

Vector Line::getP1() const { return m_p1; }
void Line::setP1(Vector new_p1) { m_p1 = new_p1; }
Vector Line::getP2() const { return m_p2; }
void Line::setP2(Vector new_p2) { m_p2 = new_p2; }

std::string Line::toString() const { return "[" + m_p1.toString() + m_p2.toString() + "]"; }

} // namespace vx
