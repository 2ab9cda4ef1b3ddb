#pragma once

#include <vector>

#include "core/Vector.h"
#include "world/Object.h"

// What a cell of a floor holds.
enum Tile {
  TILE_EMPTY = 0,
  TILE_WALL = 1,
  TILE_DOOR = 2,
  TILE_SHOP = 3,
  TILE_STAIRS = 4,
};

// Where an enemy of one kind (0 slime, 1 bat, 2 brute) appears on a floor.
struct SpawnPoint {
  int x;
  int y;
  int kind;
};

// The two-floor dungeon: tiles, spawn points, stairs, the hero's start and
// the doors. Draws the visible part of the current floor.
class Level : public vx::Object {
 public:
  static const int FLOORS = 2;
  static const int COLS = 60;
  static const int ROWS = 30;
  static const int CELL_W = 5;
  static const int CELL_H = 3;

 private:
  int m_tiles[FLOORS][ROWS][COLS];
  std::vector<SpawnPoint> m_spawns[FLOORS];
  int m_stairs_x[FLOORS];
  int m_stairs_y[FLOORS];
  int m_floor;
  int m_start_x;
  int m_start_y;
  bool m_doors_open;

  void loadFloor(int f, const char *const rows[ROWS]);
  void drawCell(int col, int row) const;

 public:
  Level();

  static vx::Vector cellToWorld(int col, int row);
  static void worldToCell(vx::Vector pos, int &col, int &row);
  static bool inBounds(int col, int row);

  int tileAt(int col, int row) const;
  bool isWalkable(int col, int row) const;

  int getFloor() const;
  void setFloor(int f);

  const std::vector<SpawnPoint> &getSpawnPoints() const;
  int getStairsX(int f) const;
  int getStairsY(int f) const;
  int getStartX() const;
  int getStartY() const;

  void setDoorsOpen(bool open);
  bool getDoorsOpen() const;

  int draw() override;
};

// The level, or null when there is none.
Level *findLevel();
