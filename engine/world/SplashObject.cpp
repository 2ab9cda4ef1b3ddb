#include "world/SplashObject.h"

#include "core/EventStep.h"
#include "core/LoopState.h"
#include "display/EventKeyboard.h"
#include "display/Frame.h"
#include "world/WorldManager.h"

namespace vx {

SplashObject::~SplashObject() {
  unregisterInterest(EVENT_STEP);
  unregisterInterest(EVENT_KEYBOARD);
}

std::unique_ptr<Sprite> SplashObject::makeSprite(int width, int height, Color color,
                                                 std::initializer_list<const char *> frames) {
  std::unique_ptr<Sprite> p_sprite(new Sprite(static_cast<int>(frames.size())));
  p_sprite->setWidth(width);
  p_sprite->setHeight(height);
  p_sprite->setColor(color);
  for (const char *frame : frames) p_sprite->addFrame(Frame(width, height, frame));
  return p_sprite;
}

bool SplashObject::leaveAtGameOver() {
  if (!LoopState::getInstance().getGameOver()) return false;
  WorldManager::getInstance().markForDelete(this);
  return true;
}

void SplashObject::endSplash() {
  LoopState::getInstance().setGameOver(true);
  WorldManager::getInstance().markForDelete(this);
}

} // namespace vx
