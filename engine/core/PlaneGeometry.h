#pragma once

#include "core/Box.h"
#include "core/Circle.h"
#include "core/Line.h"
#include "core/Vector.h"

namespace vx {

// Plane geometry in character cells (x right, y down). Every test is
// inclusive: boxes that only touch intersect.

// min <= value <= max (false when any is NaN).
inline bool valueInRange(float value, float min, float max) { return min <= value && value <= max; }
bool boxContainsPosition(Box b, Vector p);
bool boxContainsBox(Box outer, Box inner);
inline bool boxIntersectsBox(Box a, Box b) {
  Vector ca = a.getCorner();
  Vector cb = b.getCorner();
  bool x_overlap = valueInRange(ca.getX(), cb.getX(), cb.getX() + b.getHorizontal()) ||
                   valueInRange(cb.getX(), ca.getX(), ca.getX() + a.getHorizontal());
  bool y_overlap = valueInRange(ca.getY(), cb.getY(), cb.getY() + b.getVertical()) ||
                   valueInRange(cb.getY(), ca.getY(), ca.getY() + a.getVertical());
  return x_overlap && y_overlap;
}
bool lineIntersectsLine(Line a, Line b);
bool lineIntersectsBox(Line l, Box b);
// True when a corner of the box lies strictly inside the radius.
bool circleIntersectsBox(Circle c, Box b);

float distance(Vector a, Vector b);

// Degrees: 0 up, 90 right, 180 down, 270 left.
float getAngle(Vector v);

} // namespace vx
