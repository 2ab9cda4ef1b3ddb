#pragma once

#include "core/Box.h"
#include "core/Vector.h"
#include "world/Object.h"

namespace vx {

// Geometry of the world's objects and view; the plane geometry itself is in
// core/PlaneGeometry.h.

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

// Unit-grid normal of the mover p_o1 against p_o2, pointing toward the mover.
Vector getNormal(Object *p_o1, Object *p_o2);

} // namespace vx
