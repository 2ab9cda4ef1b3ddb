#include "world/ParticleEffects.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "core/Box.h"
#include "core/LogManager.h"
#include "display/Animation.h"
#include "display/Frame.h"
#include "display/Sprite.h"
#include "platform/Platform.h"
#include "world/Debris.h"
#include "world/Firework.h"
#include "world/Particle.h"
#include "world/Precipitation.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

// A value between -s/2 and +s/2.
float floatJitter(float s) {
  return static_cast<float>(platform::rand() / 32767.0 * s - s / 2.0);
}

// rand() % s - s / 2 in integer arithmetic; s is never 0 here.
int intJitter(int s) { return platform::rand() % s - s / 2; }

int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Most particles one call makes.
const int MAX_PARTICLES = 1 << 20;

// A new particle, or nullptr when memory runs out.
template <class T, class... Args>
T *makeParticle(Args... args) {
  try {
    return new T(args...);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

// A scale whose settings convert to int: finite, and the largest product
// (50 x scale) within the particle limit.
bool scaleInRange(float s) { return std::isfinite(s) && std::fabs(50.0 * s) <= MAX_PARTICLES; }

// Preset 0 smoke, 1 sparks, 2 a pink flash, 3 fireworks, at scale s, at
// position (no spread).
Burst presetBurst(int preset, Vector position, float s) {
  const float spark_speed = 0.08f * (1 + s / 4);
  switch (preset) {
    case 0:
      return {static_cast<int>(20 * s), position, 0, Vector(0, -1), 0.3f * s / 2, 5 * s / 1.5f, 0.15f * s, 0.2f,
              0.05f, static_cast<int>(20 * s), static_cast<int>(5 * s), 128, 50, 128, 128, 128, 50, 0};
    case 1:
      return {static_cast<int>(50 * s), position, 0, Vector(0, 0), 0, 1.5f * s, 0, spark_speed, spark_speed,
              static_cast<int>(15 * s), static_cast<int>(15 * s), 255, 75, 255, 69, 0, 0, 0};
    case 2:
      return {static_cast<int>(50 * s), position, 0, Vector(0, 0), 0, 2.5f * s, 0, spark_speed, 0,
              static_cast<int>(10 * s), 0, 255, 75, 255, 20, 147, 0, 0};
    default: {
      const float firework_speed = 0.1f * (1 + s / 3);
      return {static_cast<int>(4 * s), position, 0, Vector(0, -1), 1.5f, 2 * s, 0, firework_speed, firework_speed,
              static_cast<int>(20 * s), static_cast<int>(20 * s), 255, 75, 255, 69, 0, 255, 1};
    }
  }
}

} // namespace

int addParticles(int count, Vector position, float position_spread, Vector direction,
                 float direction_spread, float size, float size_spread, float speed,
                 float speed_spread, int age, int age_spread, unsigned char opacity,
                 signed char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, int particle_class) {
  return addParticles(Burst{count, position, position_spread, direction, direction_spread, size, size_spread, speed,
                            speed_spread, age, age_spread, opacity, opacity_spread, r, g, b, color_spread,
                            particle_class});
}

int addParticles(const Burst &burst) {
  const LogManager &log = LogManager::getInstance();
  if (burst.count > MAX_PARTICLES) {
    log.writeLog("addParticles(): Error! Count %d above the limit of %d.", burst.count, MAX_PARTICLES);
    return -1;
  }
  for (int i = 0; i < burst.count; i++) {
    float p_size = burst.size;
    float p_speed = burst.speed;
    int p_age = burst.age;
    int p_opacity = burst.opacity;
    int p_r = burst.r, p_g = burst.g, p_b = burst.b;

    if (burst.opacity_spread != 0) p_opacity = clampByte(p_opacity + intJitter(burst.opacity_spread));
    if (burst.age_spread != 0) p_age += intJitter(burst.age_spread);
    if (burst.size_spread != 0) p_size += floatJitter(burst.size_spread);
    if (burst.color_spread != 0) {
      int d = intJitter(burst.color_spread);
      if (burst.r != 0) p_r = clampByte(burst.r + d);
      if (burst.g != 0) p_g = clampByte(burst.g + d);
      if (burst.b != 0) p_b = clampByte(burst.b + d);
    }

    Particle *p_particle = nullptr;
    unsigned char op = static_cast<unsigned char>(p_opacity);
    unsigned char cr = static_cast<unsigned char>(p_r);
    unsigned char cg = static_cast<unsigned char>(p_g);
    unsigned char cb = static_cast<unsigned char>(p_b);
    if (burst.particle_class == 0)
      p_particle = makeParticle<Particle>(p_size, p_age, op, cr, cg, cb);
    else if (burst.particle_class == 1)
      p_particle = makeParticle<Firework>(p_size, p_age, op, cr, cg, cb);
    else {
      log.writeLog("addParticles(): Type %d not defined.", burst.particle_class);
      return -1;
    }
    if (!p_particle) {
      log.writeLog("addParticles(): Error!  Unable to create new Particle!");
      return -1;
    }

    float x, y;
    if (burst.direction.isZero()) {
      int a = platform::rand();
      int c = platform::rand();
      x = static_cast<float>((a - c) / 32767.0);
      a = platform::rand();
      c = platform::rand();
      y = static_cast<float>((a - c) / 32767.0);
    } else {
      x = burst.direction.getX();
      y = burst.direction.getY();
      if (burst.direction_spread != 0) {
        x += floatJitter(burst.direction_spread);
        y += floatJitter(burst.direction_spread);
      }
    }
    Vector velocity(x, y);
    velocity.normalize();
    if (burst.speed_spread != 0) p_speed += floatJitter(burst.speed_spread);
    velocity.scale(p_speed);

    float px = burst.position.getX();
    float py = burst.position.getY();
    if (burst.position_spread != 0) {
      px += floatJitter(burst.position_spread);
      py += floatJitter(burst.position_spread);
    }
    p_particle->setPosition(Vector(px, py));
    p_particle->setVelocity(velocity);
  }
  return 0;
}

int addParticles(int preset, Vector position, float s, Color color) {
  if (preset < 0 || preset > 3) return 0;
  if (!scaleInRange(s)) {
    LogManager::getInstance().writeLog("addParticles(): Error! Scale %g for preset %d out of range.",
                                       static_cast<double>(s), preset);
    return -1;
  }
  Burst burst = presetBurst(preset, position, s);
  colorToRGB(color, burst.r, burst.g, burst.b);
  return addParticles(burst);
}

int addParticles(int type, int direction, float s) {
  const LogManager &log = LogManager::getInstance();
  Box boundary = WorldManager::getInstance().getBoundary();
  float area = boundary.getHorizontal() * boundary.getVertical();
  float divisor;
  unsigned char r, g, b, opacity;
  int altitude;
  bool wobble;
  switch (type) {
    case 0: divisor = 60; r = g = b = 255; opacity = 128; altitude = 4; wobble = true; break;
    case 1: divisor = 60; r = g = b = 128; opacity = 128; altitude = 4; wobble = false; break;
    case 2: divisor = 120; r = g = b = 255; opacity = 255; altitude = 0; wobble = false; break;
    default: return 0;
  }
  float wanted = area / divisor * s;
  if (!(wanted <= MAX_PARTICLES)) {
    log.writeLog("addParticles(): Error! Scale %g gives %g precipitation particles, above the limit of %d.",
                 static_cast<double>(s), static_cast<double>(wanted), MAX_PARTICLES);
    return -1;
  }
  int count = wanted > 0 ? static_cast<int>(wanted) : 0;
  if (count <= 0) return 0;
  if (direction < DIRECTION_UP || direction > DIRECTION_RIGHT) {
    if (type == 1)
      log.writeLog("addParticles(): Error!  Direction %d not supported.", direction);
    else
      log.writeLog("addParticles(): Error! Direction %d not supported.", direction);
    return -1;
  }

  // Sizes and speeds are drawn for every particle first, then the particles
  // are made (each drawing its start).
  std::vector<float> sizes;
  std::vector<Vector> velocities;
  try {
    sizes.resize(count);
    velocities.resize(count);
  } catch (const std::bad_alloc &) {
    log.writeLog("addParticles(): Error!  Unable to create new Particle.");
    return -1;
  }
  for (int i = 0; i < count; i++) {
    float size, speed;
    if (type == 0) {
      size = (platform::rand() % 20) / 10.0f + 3;
      speed = 0.25f;
    } else if (type == 1) {
      size = 3;
      speed = 0.75f;
    } else {
      int d = platform::rand() % 10 + 4;
      size = 20.0f / d;
      speed = 1.0f / d;
    }
    sizes[i] = size;
    switch (direction) {
      case DIRECTION_UP: velocities[i] = Vector(0, -speed); break;
      case DIRECTION_DOWN: velocities[i] = Vector(0, speed); break;
      case DIRECTION_LEFT: velocities[i] = Vector(-speed, 0); break;
      default: velocities[i] = Vector(speed, 0); break;
    }
  }

  for (int i = 0; i < count; i++) {
    Precipitation *p_p = makeParticle<Precipitation>(sizes[i], direction, opacity, r, g, b);
    if (!p_p) {
      log.writeLog("addParticles(): Error!  Unable to create new Particle.");
      return -1;
    }
    p_p->setVelocity(velocities[i]);
    p_p->setAltitude(altitude);
    p_p->setWobble(wobble);
  }
  return 0;
}

int explode(Sprite *p_sprite, int frame_index, Vector position, int age, float speed,
            float rotation_speed, int transform) {
  const LogManager &log = LogManager::getInstance();
  if (!p_sprite) {
    log.writeLog("explode(): Warning! sprite is NULL.");
    return -1;
  }
  Frame frame = p_sprite->getFrame(frame_index);
  std::string text = frame.getString();
  if (text.empty()) return 0;

  char tc = p_sprite->getTransparency();
  // The frame's own size: the sprite's need not match it.
  int w = frame.getWidth();
  int h = frame.getHeight();
  if (w < 1 || h < 1 || static_cast<long long>(w) * h > static_cast<long long>(text.size())) {
    log.writeLog("explode(): Warning! Frame %d is %d x %d but holds %d characters. Skipped.",
                 frame_index, w, h, static_cast<int>(text.size()));
    return 0;
  }
  bool flip_x = transform == HORIZONTAL || transform == BOTH;
  bool flip_y = transform == VERTICAL || transform == BOTH;
  float cx = (w - 1) / 2.0f;
  float cy = (h - 1) / 2.0f;
  int spread_age = age / 4;

  for (int i = 0; i < h; i++) {
    for (int j = 0; j < w; j++) {
      int x = flip_x ? w - 1 - j : j;
      int y = flip_y ? h - 1 - i : i;
      char ch = text[static_cast<std::size_t>(y) * w + x];
      if (ch == tc) continue;

      Vector p(position.getX() + j - cx, position.getY() + i - cy);
      Vector v = p - position;
      v.setX(v.getX() + floatJitter(1.5f));
      v.setY(v.getY() + floatJitter(1.5f));
      v.normalize();

      // An age below 4 has no spread: no draw for it.
      // In 64 bits: an age near INT_MAX plus its spread would overflow.
      int64_t wide_age = int64_t(age) - age / 8;
      if (spread_age != 0) wide_age += platform::rand() % spread_age;
      int debris_age = wide_age > INT_MAX ? INT_MAX : int(wide_age);

      float s = speed / 2 + (platform::rand() % 1000) * (speed / 2) / 1000;
      v.scale(s);

      float rs = rotation_speed / 2 + (platform::rand() % 1000) * (rotation_speed / 2) / 1000;
      if (platform::rand() % 2 == 0) rs = -rs;

      Debris *p_d = makeParticle<Debris>(debris_age, 255, p_sprite->getColor(), v, ch, rs);
      if (!p_d) {
        log.writeLog("explode(): Error! Unable to create new Debris.");
        return -1;
      }
      p_d->setPosition(p);
    }
  }
  return 0;
}

} // namespace vx
