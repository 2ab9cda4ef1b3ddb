#include "world/SplashVexmoor.h"

#include "core/Box.h"
#include "core/EventStep.h"
#include "display/Animation.h"
#include "display/EventKeyboard.h"
#include "display/Sprite.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

const int EMBLEM_WIDTH = 11;
const int EMBLEM_HEIGHT = 7;
const int LANDED_WIDTH = 9;
const int LANDED_HEIGHT = 6;

// Wings raised.
const char *const EMBLEM_RAISED =
    "##       ##"
    " ##     ## "
    "  ##(O)##  "
    "     |     "
    "   ##|##   "
    "     |     "
    "     |     ";

// Upper wings level with the head.
const char *const EMBLEM_LEVEL =
    "           "
    "           "
    "####(O)####"
    "     |     "
    "   ##|##   "
    "     |     "
    "     |     ";

// At rest, above the ground.
const char *const EMBLEM_LANDED =
    "   /-\\   "
    "\\__\\_/__/"
    "   \\|/   "
    "    |    "
    "    |    "
    "_____    ";

} // namespace

SplashVexmoor::SplashVexmoor(Vector end_p) {
  m_end_p = end_p;
  m_p_sprite = makeSprite(EMBLEM_WIDTH, EMBLEM_HEIGHT, BLUE, {EMBLEM_RAISED, EMBLEM_LEVEL});
  m_p_sprite->setLabel("splash-vexmoor");
  m_p_sprite->setSlowdown(2);

  Animation animation;
  animation.setSprite(m_p_sprite.get());
  setAnimation(animation, true);
  setType("SplashVexmoor");
  setSolidness(SPECTRAL);

  Box view = WorldManager::getInstance().getView();
  Vector start_p(end_p.getX(), view.getCorner().getY() + view.getVertical() + 6);
  Object::setPosition(start_p);

  setVelocity(Vector(0, -(start_p.getY() - end_p.getY()) / 30));
  m_countdown = 30;

  registerInterest(EVENT_STEP);
  registerInterest(EVENT_KEYBOARD);
}

int SplashVexmoor::getCountdown() const { return m_countdown; }
Vector SplashVexmoor::getEndPosition() const { return m_end_p; }

int SplashVexmoor::eventHandler(const Event *p_e) {
  if (leaveAtGameOver() || !p_e) return 0;
  std::string type = p_e->getType();
  if (type == EVENT_KEYBOARD) {
    endSplash();
    return 1;
  }
  if (type != EVENT_STEP) return 0;
  m_countdown--;
  if (m_countdown < 1 && m_end_p.getY() >= getPosition().getY()) setVelocity(Vector(0, 0));
  if (m_countdown == -15) {
    m_p_sprite.reset();
    m_p_sprite = makeSprite(LANDED_WIDTH, LANDED_HEIGHT, GREEN, {EMBLEM_LANDED});
    Animation animation;
    animation.setSprite(m_p_sprite.get());
    animation.setIndex(0);
    setAnimation(animation, true);
    setPosition(Vector(getPosition().getX() - 1, getPosition().getY()));
  }
  if (m_countdown == -45) endSplash();
  return 1;
}

} // namespace vx
