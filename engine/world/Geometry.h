#pragma once

#include "core/Box.h"
#include "core/Circle.h"
#include "core/Line.h"
#include "core/Vector.h"
#include "world/Object.h"

namespace vx {

// min <= value <= max (false when any is NaN).
inline bool valueInRange(float value, float min, float max) { return min <= value && value <= max; }
bool boxContainsPosition(Box b, Vector p);
bool boxContainsBox(Box outer, Box inner);
// Inclusive: boxes that only touch intersect.
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
// Distance of the two positions; -1 when either is null.
float distance(Object *p_o1, Object *p_o2);

// The object's box moved to its position (or to where); an empty box
// at the origin for a null object.
inline Box getWorldBox(Object *p_o, Vector where) {
  if (!p_o) return Box();
  Box b = p_o->getBox();
  Vector c = b.getCorner();
  b.setCorner(Vector(c.getX() + where.getX(), c.getY() + where.getY()));
  return b;
}
inline Box getWorldBox(Object *p_o) {
  if (!p_o) return Box();
  return getWorldBox(p_o, p_o->getPosition());
}

// World <-> view coordinates (by the world manager's view corner).
Vector worldToView(Vector world_pos);
Vector viewToWorld(Vector view_pos);

// Degrees: 0 up, 90 right, 180 down, 270 left.
float getAngle(Vector v);

// Unit-grid normal of the mover p_o1 against p_o2, pointing toward the mover.
Vector getNormal(Object *p_o1, Object *p_o2);

} // namespace vx
