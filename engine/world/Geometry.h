#pragma once

#include "core/Box.h"
#include "core/Circle.h"
#include "core/Line.h"
#include "core/Vector.h"

namespace vx {

class Object;

// min <= value <= max (false when any is NaN).
bool valueInRange(float value, float min, float max);
bool boxContainsPosition(Box b, Vector p);
bool boxContainsBox(Box outer, Box inner);
// Inclusive: boxes that only touch intersect.
bool boxIntersectsBox(Box a, Box b);
bool lineIntersectsLine(Line a, Line b);
bool lineIntersectsBox(Line l, Box b);
// True when a corner of the box lies strictly inside the radius.
bool circleIntersectsBox(Circle c, Box b);

float distance(Vector a, Vector b);
// Distance of the two positions; -1 when either is null.
float distance(Object *p_o1, Object *p_o2);

// The object's box moved to its position (or to where); an empty box
// at the origin for a null object.
Box getWorldBox(Object *p_o);
Box getWorldBox(Object *p_o, Vector where);

// World <-> view coordinates (by the world manager's view corner).
Vector worldToView(Vector world_pos);
Vector viewToWorld(Vector view_pos);

// Degrees: 0 up, 90 right, 180 down, 270 left.
float getAngle(Vector v);

// Unit-grid normal of the mover p_o1 against p_o2, pointing toward the mover.
Vector getNormal(Object *p_o1, Object *p_o2);

} // namespace vx
