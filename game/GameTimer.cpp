#include "GameTimer.h"

#include <climits>
#include <cstdio>

#include "Enemy.h"
#include "Overlay.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "core/ObjectListIterator.h"
#include "core/Utility.h"
#include "display/DisplayManager.h"
#include "loop/GameManager.h"
#include "world/Geometry.h"
#include "world/WorldManager.h"

namespace {
int enemy_level = 0;
}

GameTimer::GameTimer() {
  setUpOverlay(this, "GameTimer");
  m_elapsed_ms = 0;
  m_banner_timer = 0;
  enemy_level = 0;
}

GameTimer::~GameTimer() {}

int GameTimer::getEnemyLevel() { return enemy_level; }
void GameTimer::resetEnemyLevel() { enemy_level = 0; }

int GameTimer::levelForSeconds(int s) {
  if (s < 120) return 0;
  if (s < 240) return 1;
  return (s - 240) / 60 + 2;
}

int GameTimer::secondsToNextLevel(int s) {
  if (s < 120) return 120 - s;
  if (s < 240) return 240 - s;
  return 60 - (s - 240) % 60;
}

std::string GameTimer::formatTime(int s) {
  char buf[16];
  snprintf(buf, sizeof(buf), "%d:%02d", s / 60, s % 60);
  return buf;
}

void GameTimer::boostEnemies() {
  vx::ObjectList list = vx::WorldManager::getInstance().objectsOfType("Enemy");
  vx::ObjectListIterator it(&list);
  for (it.first(); !it.isDone(); it.next()) {
    Enemy *p_e = dynamic_cast<Enemy *>(it.currentObject());
    if (p_e && p_e->getHp() > 0) p_e->applyLevel(enemy_level);
  }
}

int GameTimer::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  if (vx::WorldManager::getInstance().objectsOfType("Hero").isEmpty()) return 1;
  int frame = vx::GameManager::getInstance().getFrameTime();
  // Saturate instead of overflowing after weeks of play.
  if (frame > 0 && m_elapsed_ms > INT_MAX - frame)
    m_elapsed_ms = INT_MAX;
  else
    m_elapsed_ms += frame;
  if (m_banner_timer > 0) m_banner_timer--;
  int level = levelForSeconds(m_elapsed_ms / 1000);
  if (level == enemy_level) return 1;
  enemy_level = level;
  boostEnemies();
  m_banner_timer = BANNER_STEPS;
  vx::DisplayManager::getInstance().shake(4, 4, 6, false);
  vx::LogManager::getInstance().writeLog("GameTimer: enemies boosted to level %d", enemy_level);
  return 1;
}

int GameTimer::draw() {
  vx::Box view = vx::WorldManager::getInstance().getView();
  int s = m_elapsed_ms / 1000;
  std::string line = "Time " + formatTime(s) + "   Enemy Lv " + vx::toString(enemy_level) +
                     " (next " + formatTime(secondsToNextLevel(s)) + ")";
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  dm.drawString(vx::viewToWorld(vx::Vector(1, view.getVertical() - 1)), line,
                vx::LEFT_JUSTIFIED, vx::WHITE);
  if (m_banner_timer > 0 && (m_banner_timer / 6) % 2 == 0) {
    std::string banner = "!! ENEMIES GROW STRONGER (Lv " + vx::toString(enemy_level) + ") !!";
    drawCentred(view.getHorizontal() / 2, 3, banner, vx::RED);
  }
  return 0;
}

int GameTimer::getElapsedMs() const { return m_elapsed_ms; }
int GameTimer::getBannerTimer() const { return m_banner_timer; }
