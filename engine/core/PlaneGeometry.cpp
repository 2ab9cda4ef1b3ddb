#include "core/PlaneGeometry.h"

#include <cmath>

namespace vx {

bool boxContainsPosition(Box b, Vector p) {
  Vector c = b.getCorner();
  return valueInRange(p.getX(), c.getX(), c.getX() + b.getHorizontal()) &&
         valueInRange(p.getY(), c.getY(), c.getY() + b.getVertical());
}

bool boxContainsBox(Box outer, Box inner) {
  Vector c = inner.getCorner();
  Vector far(c.getX() + inner.getHorizontal(), c.getY() + inner.getVertical());
  return boxContainsPosition(outer, c) && boxContainsPosition(outer, far);
}

bool lineIntersectsLine(Line a, Line b) {
  Vector a1 = a.getP1(), a2 = a.getP2(), b1 = b.getP1(), b2 = b.getP2();
  float denom = (a2.getX() - a1.getX()) * (b2.getY() - b1.getY()) -
                (b2.getX() - b1.getX()) * (a2.getY() - a1.getY());
  if (denom == 0) return false;
  float ua = ((a1.getY() - b1.getY()) * (b2.getX() - b1.getX()) -
              (a1.getX() - b1.getX()) * (b2.getY() - b1.getY())) /
             denom;
  float ub = ((a1.getY() - b1.getY()) * (a2.getX() - a1.getX()) -
              (a1.getX() - b1.getX()) * (a2.getY() - a1.getY())) /
             denom;
  return ua >= 0 && ua <= 1 && ub >= 0 && ub <= 1;
}

bool lineIntersectsBox(Line l, Box b) {
  float x0 = b.getCorner().getX(), y0 = b.getCorner().getY();
  float x1 = x0 + b.getHorizontal(), y1 = y0 + b.getVertical();
  if (lineIntersectsLine(l, Line(Vector(x0, y0), Vector(x1, y0)))) return true;
  if (lineIntersectsLine(l, Line(Vector(x1, y0), Vector(x1, y1)))) return true;
  if (lineIntersectsLine(l, Line(Vector(x0, y1), Vector(x1, y1)))) return true;
  if (lineIntersectsLine(l, Line(Vector(x0, y0), Vector(x0, y1)))) return true;
  return boxContainsPosition(b, l.getP1()) && boxContainsPosition(b, l.getP2());
}

bool circleIntersectsBox(Circle c, Box b) {
  float x0 = b.getCorner().getX(), y0 = b.getCorner().getY();
  float x1 = x0 + b.getHorizontal(), y1 = y0 + b.getVertical();
  const Vector corners[4] = {Vector(x0, y0), Vector(x1, y0), Vector(x0, y1), Vector(x1, y1)};
  for (const Vector &corner : corners)
    if (c.getRadius() > distance(corner, c.getCenter())) return true;
  return false;
}

float distance(Vector a, Vector b) {
  float dx = std::fabs(a.getX() - b.getX());
  float dy = std::fabs(a.getY() - b.getY());
  return std::sqrt(dx * dx + dy * dy);
}

float getAngle(Vector v) {
  float a = std::atan2(v.getY(), v.getX());
  return static_cast<float>(a * 57.29577951308232 + 90.0);
}

} // namespace vx
