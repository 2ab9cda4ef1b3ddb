#pragma once

#include "core/Color.h"
#include "core/Vector.h"

namespace vx {

class Sprite;

// Directions of precipitation; also stored as each particle's heading.
enum PrecipitationDirection {
  DIRECTION_UP = 0,
  DIRECTION_DOWN = 1,
  DIRECTION_LEFT = 2,
  DIRECTION_RIGHT = 3,
};

// The settings of a burst of count particles (particle_class 0) or
// fireworks (1) around position. Each setting is a base value and a spread
// that randomises it per particle; a direction of (0,0) gives each particle
// a random direction.
struct Burst {
  int count;
  Vector position;
  float position_spread;
  Vector direction;
  float direction_spread, size, size_spread, speed, speed_spread;
  int age, age_spread;
  unsigned char opacity;
  signed char opacity_spread;
  unsigned char r, g, b, color_spread;
  int particle_class;
};

int addParticles(const Burst &burst);

// The same burst, its settings given one by one.
int addParticles(int count, Vector position, float position_spread, Vector direction,
                 float direction_spread, float size, float size_spread, float speed,
                 float speed_spread, int age, int age_spread, unsigned char opacity,
                 signed char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, int particle_class);

// A ready-made burst 0..3, scaled by scale and tinted by color.
int addParticles(int preset, Vector position, float scale, Color color);

// Fills the world with recycled precipitation of type 0, 1 or 2 moving in
// a PrecipitationDirection.
int addParticles(int type, int direction, float scale);

// Breaks one frame of a sprite into spinning debris flying outward from
// position, one piece per visible cell.
int explode(Sprite *p_sprite, int frame_index, Vector position, int age, float speed,
            float rotation_speed, int transform);

} // namespace vx
