#include "GameOver.h"

#include "Overlay.h"
#include "core/EventStep.h"
#include "core/Utility.h"
#include "loop/GameManager.h"
#include "world/WorldManager.h"

GameOver::GameOver(int score, int kills) {
  setUpOverlay(this, "GameOver");
  m_score = score;
  m_kills = kills;
  m_countdown = COUNTDOWN;
}

GameOver::~GameOver() {}

int GameOver::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  m_countdown--;
  if (m_countdown > 0) return 1;
  vx::GameManager::getInstance().setGameOver(true);
  return 1;
}

int GameOver::draw() {
  vx::Box view = vx::WorldManager::getInstance().getView();
  float cx = view.getHorizontal() / 2;
  float cy = view.getVertical() / 2;
  std::string bar(26, '#');
  drawCentred(cx, cy - 3, bar, vx::RED);
  drawCentred(cx, cy - 2, "G A M E   O V E R", vx::RED);
  drawCentred(cx, cy, "Final Score: " + vx::toString(m_score), vx::WHITE);
  drawCentred(cx, cy + 1, "Enemies Slain: " + vx::toString(m_kills), vx::WHITE);
  drawCentred(cx, cy + 3, bar, vx::RED);
  return 0;
}

int GameOver::getScore() const { return m_score; }
int GameOver::getKills() const { return m_kills; }
int GameOver::getCountdown() const { return m_countdown; }
