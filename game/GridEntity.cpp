#include "GridEntity.h"

#include "Level.h"
#include "core/ObjectList.h"
#include "core/ObjectListIterator.h"
#include "world/WorldManager.h"

GridEntity::GridEntity() {
  m_grid_x = 0;
  m_grid_y = 0;
  m_hp = 1;
  m_max_hp = 1;
  setSolidness(vx::SOFT);
}

namespace {

template <class Skip>
GridEntity *firstLivingOn(int col, int row, Skip skip) {
  vx::ObjectList all = vx::WorldManager::getInstance().getAllObjects();
  vx::ObjectListIterator it(&all);
  for (it.first(); !it.isDone(); it.next()) {
    GridEntity *p_g = dynamic_cast<GridEntity *>(it.currentObject());
    if (!p_g || skip(p_g)) continue;
    if (p_g->getGridX() == col && p_g->getGridY() == row && p_g->getHp() > 0) return p_g;
  }
  return nullptr;
}

} // namespace

GridEntity *GridEntity::entityAt(int col, int row, GridEntity *exclude) {
  return firstLivingOn(col, row, [exclude](const GridEntity *p_g) { return p_g == exclude; });
}

GridEntity *GridEntity::entityAtExceptId(int col, int row, int exclude_id) {
  return firstLivingOn(col, row, [exclude_id](const GridEntity *p_g) { return p_g->getId() == exclude_id; });
}

bool GridEntity::canMoveTo(int col, int row) {
  Level *p_level = findLevel();
  if (p_level && !p_level->isWalkable(col, row)) return false;
  return entityAt(col, row, this) == nullptr;
}

bool GridEntity::tryMove(int dx, int dy) {
  int x = m_grid_x + dx;
  int y = m_grid_y + dy;
  if (!canMoveTo(x, y)) return false;
  setGridPosition(x, y);
  return true;
}

void GridEntity::setGridPosition(int col, int row) {
  m_grid_x = col;
  m_grid_y = row;
  vx::WorldManager::getInstance().moveObject(this, Level::cellToWorld(col, row));
}

bool GridEntity::takeDamage(int amount) {
  if (m_hp < 1) return false;
  m_hp -= amount;
  if (m_hp > 0) return false;
  m_hp = 0;
  die();
  return true;
}

void GridEntity::die() { vx::WorldManager::getInstance().markForDelete(this); }

void GridEntity::heal(int n) {
  m_hp += n;
  if (m_hp > m_max_hp) m_hp = m_max_hp;
}

void GridEntity::setMaxHp(int n) {
  m_max_hp = n;
  if (m_hp > m_max_hp) m_hp = m_max_hp;
}

int GridEntity::getGridX() const { return m_grid_x; }
int GridEntity::getGridY() const { return m_grid_y; }
int GridEntity::getHp() const { return m_hp; }
int GridEntity::getMaxHp() const { return m_max_hp; }
