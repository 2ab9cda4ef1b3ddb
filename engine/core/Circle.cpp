#include "core/Circle.h"

namespace vx {

Circle::Circle() : m_center(), m_radius(0) {}

Circle::Circle(Vector init_center, float init_radius) : m_center(init_center), m_radius(init_radius) {}

Vector Circle::getCenter() const { return m_center; }
void Circle::setCenter(Vector new_center) { m_center = new_center; }
float Circle::getRadius() const { return m_radius; }
void Circle::setRadius(float new_radius) { m_radius = new_radius; }

std::string Circle::toString() const { return m_center.toString() + " r: " + std::to_string(m_radius); }

} // namespace vx
