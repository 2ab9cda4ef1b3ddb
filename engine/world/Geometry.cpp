#include "world/Geometry.h"

#include <cmath>

#include "core/LogManager.h"
#include "world/Object.h"
#include "world/WorldManager.h"

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

float distance(Object *p_o1, Object *p_o2) {
  if (!p_o1 || !p_o2) return -1.0f;
  return distance(p_o1->getPosition(), p_o2->getPosition());
}

Vector worldToView(Vector world_pos) {
  Vector corner = WorldManager::getInstance().getView().getCorner();
  return Vector(world_pos.getX() - corner.getX(), world_pos.getY() - corner.getY());
}

Vector viewToWorld(Vector view_pos) {
  Vector corner = WorldManager::getInstance().getView().getCorner();
  return Vector(view_pos.getX() + corner.getX(), view_pos.getY() + corner.getY());
}

float getAngle(Vector v) {
  float a = std::atan2(v.getY(), v.getX());
  return static_cast<float>(a * 57.29577951308232 + 90.0);
}

Vector getNormal(Object *p_o1, Object *p_o2) {
  if (!p_o1 || !p_o2) return Vector(0, 0);
  Vector vel = p_o1->getVelocity();
  Vector pos = p_o1->getPosition();
  Vector last_free = pos;
  Box other = getWorldBox(p_o2);
  float fraction = 0.5f;
  for (int i = 1; i <= 7; i++) {
    Vector v = vel;
    v.scale(fraction);
    Vector test = pos + v;
    float step = static_cast<float>(std::pow(0.5, i));
    if (boxIntersectsBox(getWorldBox(p_o1, test), other)) {
      fraction = fraction - step;
    } else {
      last_free = test;
      fraction = fraction + step;
    }
  }
  Box final_box = getWorldBox(p_o1, last_free);
  float x = other.getCorner().getX(), y = other.getCorner().getY();
  float h = other.getHorizontal(), v = other.getVertical();
  struct Probe {
    float px, py, nx, ny;
  };
  const Probe probes[8] = {
      {x, y - v, 0, -1},     {x, y + v, 0, 1},      {x - h, y, -1, 0},     {x + h, y, 1, 0},
      {x - h, y - v, -1, -1}, {x + h, y - v, 1, -1}, {x - h, y + v, -1, 1}, {x + h, y + v, 1, 1},
  };
  for (const Probe &p : probes)
    if (boxIntersectsBox(final_box, Box(Vector(p.px, p.py), h, v))) return Vector(p.nx, p.ny);
  LogManager::getInstance().writeLog(1, "getNormal(): No collision detected. Returning (0,0).");
  return Vector(0, 0);
}

} // namespace vx
