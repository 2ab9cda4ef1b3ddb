#include "Spawner.h"

#include <cstdlib>
#include <vector>

#include "Enemy.h"
#include "GridEntity.h"
#include "Level.h"
#include "core/EventStep.h"
#include "core/ObjectList.h"
#include "platform/Platform.h"
#include "world/WorldManager.h"

Spawner::Spawner() {
  setType("Spawner");
  setSolidness(vx::SPECTRAL);
  setVisible(false);
  registerInterest(vx::EVENT_STEP);
  m_countdown = FIRST_WAVE;
  m_wave = 0;
}

Spawner::~Spawner() {}

int Spawner::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  m_countdown--;
  if (m_countdown > 0) return 1;
  m_wave++;
  m_countdown = FIRST_WAVE - 2 * m_wave;
  if (m_countdown < MIN_INTERVAL) m_countdown = MIN_INTERVAL;
  spawnOne();
  return 1;
}

void Spawner::populate() {
  Level *p_level = findLevel();
  if (!p_level) return;
  std::vector<SpawnPoint> points = p_level->getSpawnPoints();
  for (const SpawnPoint &p : points)
    if (!GridEntity::entityAt(p.x, p.y, nullptr)) new Enemy(p.kind, p.x, p.y);
}

void Spawner::spawnOne() {
  Level *p_level = findLevel();
  if (!p_level) return;
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  if (wm.objectsOfType("Enemy").getCount() >= MAX_ENEMIES) return;
  int hx = -100, hy = -100;
  vx::ObjectList heroes = wm.objectsOfType("Hero");
  if (!heroes.isEmpty()) {
    GridEntity *p_h = dynamic_cast<GridEntity *>(heroes[0]);
    if (p_h) {
      hx = p_h->getGridX();
      hy = p_h->getGridY();
    }
  }
  const std::vector<SpawnPoint> &points = p_level->getSpawnPoints();
  if (points.empty()) return;
  for (int t = 0; t < TRIES; t++) {
    const SpawnPoint &p = points[vx::platform::rand() % (int)points.size()];
    if (std::abs(p.x - hx) + std::abs(p.y - hy) >= MIN_HERO_DISTANCE &&
        !GridEntity::entityAt(p.x, p.y, nullptr)) {
      new Enemy(p.kind, p.x, p.y);
      return;
    }
  }
}

int Spawner::getCountdown() const { return m_countdown; }
int Spawner::getWave() const { return m_wave; }
