#include "world/Precipitation.h"

#include <cmath>

#include "core/Box.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "display/DisplayManager.h"
#include "platform/Platform.h"
#include "world/EventOut.h"
#include "world/Geometry.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

// rand() % n, or 0 without a draw when the range is empty.
int randBelow(int n) { return n >= 1 ? platform::rand() % n : 0; }

// A cell position moved by a random fraction of a cell (y drawn first).
Vector scatter(float x, float y) {
  float cw = charWidth();
  float ch = charHeight();
  if (!(cw > 0) || !(ch > 0)) return Vector(x, y);
  Vector p = spacesToPixels(Vector(x, y));
  p.setY(p.getY() + randBelow(static_cast<int>(ch)));
  p.setX(p.getX() + randBelow(static_cast<int>(cw)));
  return pixelsToSpaces(p);
}

} // namespace

Precipitation::Precipitation(float size, int heading, unsigned char opacity, unsigned char r,
                             unsigned char g, unsigned char b)
    : Particle(size, 0, opacity, r, g, b) {
  m_base_velocity = Vector(0, 0);
  setType("Precipitation");
  m_heading = heading;
  m_wobble = false;
  Box boundary = WorldManager::getInstance().getBoundary();
  int y = randBelow(static_cast<int>(boundary.getVertical()));
  int x = randBelow(static_cast<int>(boundary.getHorizontal()));
  x += platform::rand() % 10;
  Object::setPosition(boundary.getCorner() + scatter(static_cast<float>(x), static_cast<float>(y)));
}

Precipitation::~Precipitation() {}

void Precipitation::setWobble(bool new_wobble) { m_wobble = new_wobble; }
bool Precipitation::getWobble() const { return m_wobble; }
int Precipitation::getHeading() const { return m_heading; }
Vector Precipitation::getBaseVelocity() const { return m_base_velocity; }

// Places the particle beyond the edge opposite its heading: 1, or -1 for an
// unsupported heading (nothing moves then).
int Precipitation::reenter() {
  Box boundary = WorldManager::getInstance().getBoundary();
  int w = static_cast<int>(boundary.getHorizontal());
  int h = static_cast<int>(boundary.getVertical());
  int x = 0, y = 0;
  switch (m_heading) {
    case DIRECTION_UP:
      x = randBelow(w);
      y = h + platform::rand() % 5;
      break;
    case DIRECTION_DOWN:
      x = randBelow(w);
      y = (-platform::rand()) % 5;
      break;
    case DIRECTION_LEFT:
      x = w + platform::rand() % 5;
      y = randBelow(h);
      break;
    case DIRECTION_RIGHT:
      x = (-platform::rand()) % 5;
      y = randBelow(h);
      break;
    default:
      LogManager::getInstance().writeLog(
          1, "Precipitation::eventHandler(): warning! Direction %d not supported.", m_heading);
      return -1;
  }
  // Counted from the world's corner, so that the particle comes back in.
  setPosition(boundary.getCorner() + scatter(static_cast<float>(x), static_cast<float>(y)));
  return 1;
}

// True when the particle is outside the world on an axis along which it is
// not moving back in: no out event will ever come for it.
bool Precipitation::isStray() {
  Box world = WorldManager::getInstance().getBoundary();
  Box mine = getWorldBox(this);
  if (boxIntersectsBox(mine, world)) return false;
  Vector v = getVelocity();
  float left = world.getCorner().getX(), right = left + world.getHorizontal();
  float top = world.getCorner().getY(), bottom = top + world.getVertical();
  float my_left = mine.getCorner().getX(), my_right = my_left + mine.getHorizontal();
  float my_top = mine.getCorner().getY(), my_bottom = my_top + mine.getVertical();
  if (my_left > right && !(v.getX() < 0)) return true;
  if (my_right < left && !(v.getX() > 0)) return true;
  if (my_top > bottom && !(v.getY() < 0)) return true;
  if (my_bottom < top && !(v.getY() > 0)) return true;
  return false;
}

int Precipitation::eventHandler(const Event *p_e) {
  if (!p_e) return 0;
  std::string type = p_e->getType();
  if (type == EVENT_STEP) {
    if (m_wobble) {
      if (m_base_velocity.isZero()) m_base_velocity = getVelocity();
      float m = m_base_velocity.getMagnitude();
      Vector v = getVelocity();
      double ny = v.getY() + (platform::rand() % 100) / 1000.0;
      ny -= (platform::rand() % 100) / 1000.0;
      double nx = v.getX() + (platform::rand() % 100) / 1000.0;
      nx -= (platform::rand() % 100) / 1000.0;
      if (m > 0) {
        if (std::fabs(nx - m_base_velocity.getX()) / m > 0.25) nx = v.getX();
        if (std::fabs(ny - m_base_velocity.getY()) / m > 0.25) ny = v.getY();
      } else {
        // Without a base speed x wobbles freely and y keeps its value.
        ny = v.getY();
      }
      setVelocity(Vector(static_cast<float>(nx), static_cast<float>(ny)));
    }
    // A particle outside the world that moves along or away from it never
    // gets an out event (it started beyond the right edge, say): bring it
    // back like one that left, or remove it when it cannot re-enter.
    if (isStray() && reenter() < 0) WorldManager::getInstance().markForDelete(this);
    return 0;
  }
  if (type != EVENT_OUT) return 0;
  return reenter();
}

} // namespace vx
