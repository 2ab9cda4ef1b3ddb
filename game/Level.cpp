#include "Level.h"

#include <cmath>

#include "LevelMaps.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "display/DisplayManager.h"
#include "world/WorldManager.h"

Level::Level() {
  setType("Level");
  setSolidness(vx::SPECTRAL);
  setAltitude(0);
  setPosition(vx::Vector(0, 0));
  setBox(vx::Box(vx::Vector(0, 0), COLS * CELL_W, ROWS * CELL_H));
  m_doors_open = false;
  m_start_x = 1;
  m_start_y = 1;
  m_floor = 0;
  loadFloor(0, LEVEL_MAPS[0]);
  loadFloor(1, LEVEL_MAPS[1]);
  vx::LogManager &log = vx::LogManager::getInstance();
  log.writeLog("Level::Level(): %d spawn points, start (%d,%d).", (int)m_spawns[0].size(),
               m_start_x, m_start_y);
  log.writeLog("Level::Level(): floor 2 has %d spawn points, stairs (%d,%d).",
               (int)m_spawns[1].size(), m_stairs_x[1], m_stairs_y[1]);
}

void Level::loadFloor(int f, const char *const rows[ROWS]) {
  m_stairs_x[f] = m_start_x;
  m_stairs_y[f] = m_start_y;
  m_spawns[f].clear();
  for (int row = 0; row < ROWS; row++) {
    const char *line = rows[row];
    bool ended = false;  // a short row reads as blanks after its end
    for (int col = 0; col < COLS; col++) {
      char ch = ' ';
      if (!ended) {
        if (line[col] == '\0')
          ended = true;
        else
          ch = line[col];
      }
      int tile = TILE_EMPTY;
      switch (ch) {
        case '#': tile = TILE_WALL; break;
        case 'D': tile = TILE_DOOR; break;
        case 'S': tile = TILE_SHOP; break;
        case '^':
        case 'v':
          tile = TILE_STAIRS;
          m_stairs_x[f] = col;
          m_stairs_y[f] = row;
          break;
        case 'P':
          if (f == 0) {
            m_start_x = col;
            m_start_y = row;
          }
          break;
        case 'e': m_spawns[f].push_back(SpawnPoint{col, row, 0}); break;
        case 'b': m_spawns[f].push_back(SpawnPoint{col, row, 1}); break;
        case 'B': m_spawns[f].push_back(SpawnPoint{col, row, 2}); break;
        default: break;
      }
      m_tiles[f][row][col] = tile;
    }
  }
}

vx::Vector Level::cellToWorld(int col, int row) {
  return vx::Vector((float)(col * CELL_W + 2), (float)(row * CELL_H + 1));
}

void Level::worldToCell(vx::Vector pos, int &col, int &row) {
  col = (int)std::floor(pos.getX() / 5.0);
  row = (int)std::floor(pos.getY() / 3.0);
}

bool Level::inBounds(int col, int row) {
  return col >= 0 && col < COLS && row >= 0 && row < ROWS;
}

int Level::tileAt(int col, int row) const {
  if (!inBounds(col, row)) return TILE_WALL;
  return m_tiles[m_floor][row][col];
}

bool Level::isWalkable(int col, int row) const {
  int t = tileAt(col, row);
  if (t == TILE_WALL) return false;
  if (t == TILE_DOOR) return m_doors_open;
  return true;
}

int Level::getFloor() const { return m_floor; }

void Level::setFloor(int f) {
  if (f >= 0 && f < FLOORS) m_floor = f;
}

const std::vector<SpawnPoint> &Level::getSpawnPoints() const { return m_spawns[m_floor]; }

int Level::getStairsX(int f) const { return m_stairs_x[f]; }
int Level::getStairsY(int f) const { return m_stairs_y[f]; }
int Level::getStartX() const { return m_start_x; }
int Level::getStartY() const { return m_start_y; }

void Level::setDoorsOpen(bool open) { m_doors_open = open; }
bool Level::getDoorsOpen() const { return m_doors_open; }

int Level::draw() {
  vx::Box view = vx::WorldManager::getInstance().getView();
  vx::Vector corner = view.getCorner();
  int first_col, first_row, last_col, last_row;
  worldToCell(corner, first_col, first_row);
  worldToCell(vx::Vector(corner.getX() + view.getHorizontal(), corner.getY() + view.getVertical()),
              last_col, last_row);
  first_col--;
  first_row--;
  last_col++;
  last_row++;
  for (int row = first_row; row <= last_row; row++)
    for (int col = first_col; col <= last_col; col++)
      if (inBounds(col, row)) drawCell(col, row);
  return 0;
}

void Level::drawCell(int col, int row) const {
  int tile = tileAt(col, row);
  if (tile == TILE_EMPTY) return;
  const char *lines[3];
  vx::Color color = vx::WHITE;
  switch (tile) {
    case TILE_WALL:
      lines[0] = lines[1] = lines[2] = "#####";
      color = vx::BLUE;
      break;
    case TILE_DOOR:
      if (m_doors_open) {
        lines[0] = lines[1] = lines[2] = ".....";
        color = vx::GREEN;
      } else {
        lines[0] = lines[1] = lines[2] = "+++++";
        color = vx::YELLOW;
      }
      break;
    case TILE_SHOP:
      lines[0] = " $$$ ";
      lines[1] = "SHOP!";
      lines[2] = " $$$ ";
      color = vx::YELLOW;
      break;
    case TILE_STAIRS:
      lines[0] = "=====";
      lines[1] = m_floor == 0 ? " UP^ " : " DNv ";
      lines[2] = "=====";
      color = vx::WHITE;
      break;
    default:
      return;
  }
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  for (int i = 0; i < 3; i++)
    dm.drawString(vx::Vector((float)(col * CELL_W + 2), (float)(row * CELL_H + i)), lines[i],
                  vx::CENTER_JUSTIFIED, color);
}

Level *findLevel() {
  vx::ObjectList list = vx::WorldManager::getInstance().objectsOfType("Level");
  if (list.isEmpty()) return nullptr;
  return dynamic_cast<Level *>(list[0]);
}
