#pragma once

#include "world/Object.h"

namespace vx {
class Event;
}

class GridEntity;

// An arrow: flies one cell every 2 steps, up to 10 cells, until it meets a
// wall, a closed door or a unit other than its shooter.
class Projectile : public vx::Object {
 public:
  static const int RANGE = 10;
  static const int MOVE_STEPS = 2;

 private:
  int m_grid_x;
  int m_grid_y;
  int m_dx;
  int m_dy;
  int m_damage;
  int m_range;
  int m_move_countdown;
  // The shooter, by object id: its memory may be another unit's by now.
  bool m_has_owner;
  int m_owner_id;

  void advance();

 public:
  Projectile(int x, int y, int dx, int dy, int damage, GridEntity *p_owner);
  ~Projectile() override;

  int eventHandler(const vx::Event *p_e) override;

  int getGridX() const;
  int getGridY() const;
  int getRange() const;
  int getDamage() const;
};
