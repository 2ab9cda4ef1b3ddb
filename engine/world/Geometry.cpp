#include "world/Geometry.h"

#include <cmath>

#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "world/WorldManager.h"

namespace vx {

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
