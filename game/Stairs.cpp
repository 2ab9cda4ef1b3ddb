#include "Stairs.h"

#include "Enemy.h"
#include "GridEntity.h"
#include "Hero.h"
#include "Level.h"
#include "Spawner.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "core/ObjectListIterator.h"
#include "world/EventView.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

namespace {
std::vector<SavedEnemy> saved_enemies[2];
bool floor_visited[2] = {true, false};
} // namespace

bool useStairs(Hero *p_hero) {
  Level *p_level = findLevel();
  if (!p_level || !p_hero) return false;
  if (p_level->tileAt(p_hero->getGridX(), p_hero->getGridY()) != TILE_STAIRS) return false;
  int cur = p_level->getFloor();
  int next = (cur + 1) % 2;
  saveFloorEnemies(cur);
  removeAllOfType("Projectile");
  removeAllOfType("Slash");
  p_level->setFloor(next);
  p_hero->setGridPosition(p_level->getStairsX(next), p_level->getStairsY(next));
  if (!floor_visited[next]) {
    floor_visited[next] = true;
    populateNewFloor();
  } else {
    restoreFloorEnemies(next);
  }
  vx::addParticles(1, p_hero->getPosition(), 1.0f, vx::WHITE);
  vx::EventView ev("Floor", next + 1, false);
  vx::WorldManager::getInstance().onEvent(&ev);
  vx::LogManager::getInstance().writeLog("useStairs(): floor %d -> floor %d", cur + 1, next + 1);
  return true;
}

void saveFloorEnemies(int f) {
  saved_enemies[f].clear();
  vx::ObjectList list = vx::WorldManager::getInstance().objectsOfType("Enemy");
  vx::ObjectListIterator it(&list);
  for (it.first(); !it.isDone(); it.next()) {
    Enemy *p_e = dynamic_cast<Enemy *>(it.currentObject());
    if (!p_e || p_e->getHp() <= 0) continue;
    saved_enemies[f].push_back(
        SavedEnemy{p_e->getKind(), p_e->getGridX(), p_e->getGridY(), p_e->getMaxHp() - p_e->getHp()});
    p_e->removeQuietly();
  }
}

void restoreFloorEnemies(int f) {
  for (const SavedEnemy &s : saved_enemies[f]) {
    if (GridEntity::entityAt(s.x, s.y, nullptr)) continue;
    Enemy *p_e = new Enemy(s.kind, s.x, s.y);
    if (s.hp_lost > 0 && s.hp_lost < p_e->getMaxHp()) p_e->takeDamage(s.hp_lost);
  }
  saved_enemies[f].clear();
}

void removeAllOfType(std::string type) {
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  wm.markForDelete(wm.objectsOfType(type));
}

void populateNewFloor() {
  vx::ObjectList list = vx::WorldManager::getInstance().objectsOfType("Spawner");
  if (list.isEmpty()) return;
  Spawner *p_s = dynamic_cast<Spawner *>(list[0]);
  if (p_s) p_s->populate();
}

const std::vector<SavedEnemy> &getSavedEnemies(int f) { return saved_enemies[f]; }
bool getFloorVisited(int f) { return floor_visited[f]; }

void resetStairs() {
  saved_enemies[0].clear();
  saved_enemies[1].clear();
  floor_visited[0] = true;
  floor_visited[1] = false;
}
