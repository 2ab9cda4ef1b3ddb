#include "Projectile.h"

#include "GridEntity.h"
#include "Level.h"
#include "core/EventStep.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

Projectile::Projectile(int x, int y, int dx, int dy, int damage, GridEntity *p_owner) {
  setType("Projectile");
  setSolidness(vx::SPECTRAL);
  setAltitude(1);
  registerInterest(vx::EVENT_STEP);
  if (dx > 0)
    setSprite("arrow-right");
  else if (dx < 0)
    setSprite("arrow-left");
  else if (dy < 0)
    setSprite("arrow-up");
  else
    setSprite("arrow-down");
  m_grid_x = x;
  m_grid_y = y;
  m_dx = dx;
  m_dy = dy;
  m_damage = damage;
  m_range = RANGE;
  m_move_countdown = 1;
  m_has_owner = p_owner != nullptr;
  m_owner_id = p_owner ? p_owner->getId() : 0;
  setPosition(Level::cellToWorld(x, y));
}

Projectile::~Projectile() {}

int Projectile::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  m_move_countdown--;
  if (m_move_countdown > 0) return 1;
  m_move_countdown = MOVE_STEPS;
  advance();
  return 1;
}

void Projectile::advance() {
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  int x = m_grid_x + m_dx;
  int y = m_grid_y + m_dy;
  Level *p_level = findLevel();
  if (p_level && !p_level->isWalkable(x, y)) {
    vx::addParticles(1, getPosition(), 0.5f, vx::YELLOW);
    wm.markForDelete(this);
    return;
  }
  m_grid_x = x;
  m_grid_y = y;
  wm.moveObject(this, Level::cellToWorld(x, y));
  GridEntity *p_unit = m_has_owner ? GridEntity::entityAtExceptId(x, y, m_owner_id)
                                    : GridEntity::entityAt(x, y, nullptr);
  if (p_unit) {
    p_unit->takeDamage(m_damage);
    vx::addParticles(1, getPosition(), 0.5f, vx::YELLOW);
    wm.markForDelete(this);
    return;
  }
  m_range--;
  if (m_range <= 0) wm.markForDelete(this);
}

int Projectile::getGridX() const { return m_grid_x; }
int Projectile::getGridY() const { return m_grid_y; }
int Projectile::getRange() const { return m_range; }
int Projectile::getDamage() const { return m_damage; }
