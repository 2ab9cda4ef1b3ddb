#include "world/Splash.h"

#include "core/Box.h"
#include "core/Config.h"
#include "core/EventStep.h"
#include "display/Animation.h"
#include "display/EventKeyboard.h"
#include "display/Sprite.h"
#include "world/SplashVexmoor.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

const int BANNER_WIDTH = 47;
const int BANNER_HEIGHT = 8;

// The engine's name in slanted letters.
const char *const BANNER_SLANTED =
    "              ____              ___   ___   ___"
    "     /   / /     \\   / /\\ /\\ /   \\ /   \\ /   \\ "
    "    /   / /     \\  /  / \\/  /   / /   / /   /  "
    "   /   / /___   \\/   /   / /   / /   / /__/    "
    "  /  /  /      /\\   /   / /   / /   / / \\      "
    " \\ /   /     /  \\  /   / /   / /   / /  \\      "
    " \\/   /____ /   \\ /   / \\___/ \\___/ /   \\      "
    "                                               ";

// The same name in upright letters.
const char *const BANNER_UPRIGHT =
    "        ____                ____   ____   ____ "
    "|    | |     \\    / |\\  /| /    \\ /    \\ |    \\"
    "|    | |      \\  /  | \\/ | |    | |    | |    |"
    "|    | |___    \\/   |    | |    | |    | |____/"
    "\\    / |       /\\   |    | |    | |    | |  \\  "
    " \\  /  |      /  \\  |    | |    | |    | |   \\ "
    "  \\/   |____ /    \\ |    | \\____/ \\____/ |    \\"
    "                                               ";

} // namespace

Splash::Splash() {
  m_p_sprite = makeSprite(BANNER_WIDTH, BANNER_HEIGHT, GREEN, {BANNER_SLANTED, BANNER_UPRIGHT});
  m_p_sprite->setLabel("splash");

  Animation animation;
  animation.setSprite(m_p_sprite.get());
  animation.setSlowdownCount(-1);
  setAnimation(animation, true);

  setType("Splash");
  setSolidness(SPECTRAL);

  Box view = WorldManager::getInstance().getView();
  Box box = getBox();
  setPosition(Vector(view.getCorner().getX() + view.getHorizontal() + box.getHorizontal() / 2,
                     view.getCorner().getY() + view.getVertical() / 2));

  float distance = view.getHorizontal() / 2 + box.getHorizontal() / 2 + 11;
  int half_frame = Config::getInstance().getFrameTime() / 2;
  // A frame time below 2 ms: cover the distance in one step.
  float f = half_frame >= 1 ? static_cast<float>(half_frame) : 1.0f;
  setVelocity(Vector(-distance / f, 0));

  m_countdown = 15;
  registerInterest(EVENT_STEP);
  registerInterest(EVENT_KEYBOARD);
}

int Splash::getCountdown() const { return m_countdown; }

int Splash::eventHandler(const Event *p_e) {
  if (leaveAtGameOver() || !p_e) return 0;
  std::string type = p_e->getType();
  // A key ends the splash; the event is not taken.
  if (type == EVENT_KEYBOARD) endSplash();
  if (type != EVENT_STEP) return 0;
  m_countdown--;
  if (m_countdown == 0) {
    Animation animation = getAnimation();
    animation.setIndex(1);
    setAnimation(animation, true);
    setVelocity(Vector(0, 0));
    Vector end_p(getPosition().getX() + 24, getPosition().getY() + 1);
    new SplashVexmoor(end_p);
  }
  if (m_countdown == -75) WorldManager::getInstance().markForDelete(this);
  return 1;
}

} // namespace vx
