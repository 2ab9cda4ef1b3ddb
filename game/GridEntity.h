#pragma once

#include "world/Object.h"

// A unit standing on one cell of the level, with hit points.
class GridEntity : public vx::Object {
 private:
  int m_grid_x;
  int m_grid_y;

 protected:
  int m_hp;
  int m_max_hp;

 public:
  GridEntity();

  // True when this damage killed the unit.
  virtual bool takeDamage(int amount);
  virtual void die();

  // The first living unit on (col, row) other than exclude, or null.
  static GridEntity *entityAt(int col, int row, GridEntity *exclude);
  // The same, skipping the unit with object id exclude_id.
  static GridEntity *entityAtExceptId(int col, int row, int exclude_id);

  bool canMoveTo(int col, int row);
  bool tryMove(int dx, int dy);
  void setGridPosition(int col, int row);

  void heal(int n);
  void setMaxHp(int n);

  int getGridX() const;
  int getGridY() const;
  int getHp() const;
  int getMaxHp() const;
};
