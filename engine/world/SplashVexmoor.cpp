#include "world/SplashVexmoor.h"

#include "core/Box.h"
#include "core/EventStep.h"
#include "core/GameManager.h"
#include "display/Animation.h"
#include "display/EventKeyboard.h"
#include "display/Frame.h"
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

SplashVexmoor::SplashVexmoor(Vector end_p) : Object() {
  m_end_p = end_p;
  m_p_sprite = new Sprite(2);
  m_p_sprite->setWidth(EMBLEM_WIDTH);
  m_p_sprite->setHeight(EMBLEM_HEIGHT);
  m_p_sprite->setColor(BLUE);
  m_p_sprite->addFrame(Frame(EMBLEM_WIDTH, EMBLEM_HEIGHT, EMBLEM_RAISED));
  m_p_sprite->addFrame(Frame(EMBLEM_WIDTH, EMBLEM_HEIGHT, EMBLEM_LEVEL));
  m_p_sprite->setLabel("splash-vexmoor");
  m_p_sprite->setSlowdown(2);

  Animation animation;
  animation.setSprite(m_p_sprite);
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

SplashVexmoor::~SplashVexmoor() {
  unregisterInterest(EVENT_STEP);
  unregisterInterest(EVENT_KEYBOARD);
  if (m_p_sprite) {
    delete m_p_sprite;
    m_p_sprite = nullptr;
  }
}

int SplashVexmoor::getCountdown() const { return m_countdown; }
Vector SplashVexmoor::getEndPosition() const { return m_end_p; }

int SplashVexmoor::eventHandler(const Event *p_e) {
  GameManager &gm = GameManager::getInstance();
  WorldManager &wm = WorldManager::getInstance();
  if (gm.getGameOver()) {
    wm.markForDelete(this);
    return 0;
  }
  if (!p_e) return 0;
  std::string type = p_e->getType();
  if (type == EVENT_KEYBOARD) {
    gm.setGameOver(true);
    wm.markForDelete(this);
    return 1;
  }
  if (type == EVENT_STEP) {
    m_countdown--;
    if (m_countdown < 1 && m_end_p.getY() >= getPosition().getY()) setVelocity(Vector(0, 0));
    if (m_countdown == -15) {
      delete m_p_sprite;
      m_p_sprite = new Sprite(1);
      m_p_sprite->setWidth(LANDED_WIDTH);
      m_p_sprite->setHeight(LANDED_HEIGHT);
      m_p_sprite->setColor(GREEN);
      m_p_sprite->addFrame(Frame(LANDED_WIDTH, LANDED_HEIGHT, EMBLEM_LANDED));
      Animation animation;
      animation.setSprite(m_p_sprite);
      animation.setIndex(0);
      setAnimation(animation, true);
      setPosition(Vector(getPosition().getX() - 1, getPosition().getY()));
    }
    if (m_countdown == -45) {
      gm.setGameOver(true);
      wm.markForDelete(this);
    }
    return 1;
  }
  return 0;
}

} // namespace vx
