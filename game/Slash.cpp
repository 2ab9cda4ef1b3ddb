#include "Slash.h"

#include "GridEntity.h"
#include "Level.h"
#include "core/EventStep.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

Slash::Slash(int x, int y, int damage, GridEntity *p_owner) {
  setType("Slash");
  setSolidness(vx::SPECTRAL);
  setAltitude(4);
  setSprite("slash");
  registerInterest(vx::EVENT_STEP);
  m_lifetime = LIFETIME;
  setPosition(Level::cellToWorld(x, y));
  GridEntity *p_unit = GridEntity::entityAt(x, y, p_owner);
  if (p_unit) {
    p_unit->takeDamage(damage);
    vx::addParticles(1, getPosition(), 0.5f, vx::WHITE);
  }
}

Slash::~Slash() {}

int Slash::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  m_lifetime--;
  if (m_lifetime <= 0) vx::WorldManager::getInstance().markForDelete(this);
  return 1;
}
