#include "GameOver.h"

#include "core/EventStep.h"
#include "core/GameManager.h"
#include "core/Utility.h"
#include "display/DisplayManager.h"
#include "world/Geometry.h"
#include "world/WorldManager.h"

GameOver::GameOver(int score, int kills) {
  setType("GameOver");
  setSolidness(vx::SPECTRAL);
  setAltitude(4);
  setPosition(vx::Vector(0, 0));
  setBox(vx::Box(vx::Vector(0, 0), 300, 90));
  registerInterest(vx::EVENT_STEP);
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
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  std::string bar(26, '#');
  dm.drawString(vx::viewToWorld(vx::Vector(cx, cy - 3)), bar, vx::CENTER_JUSTIFIED, vx::RED);
  dm.drawString(vx::viewToWorld(vx::Vector(cx, cy - 2)), "G A M E   O V E R", vx::CENTER_JUSTIFIED,
                vx::RED);
  dm.drawString(vx::viewToWorld(vx::Vector(cx, cy)), "Final Score: " + vx::toString(m_score),
                vx::CENTER_JUSTIFIED, vx::WHITE);
  dm.drawString(vx::viewToWorld(vx::Vector(cx, cy + 1)), "Enemies Slain: " + vx::toString(m_kills),
                vx::CENTER_JUSTIFIED, vx::WHITE);
  dm.drawString(vx::viewToWorld(vx::Vector(cx, cy + 3)), bar, vx::CENTER_JUSTIFIED, vx::RED);
  return 0;
}

int GameOver::getScore() const { return m_score; }
int GameOver::getKills() const { return m_kills; }
int GameOver::getCountdown() const { return m_countdown; }
