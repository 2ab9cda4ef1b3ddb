#pragma once

#include <initializer_list>
#include <memory>

#include "core/Color.h"
#include "display/Sprite.h"
#include "world/Object.h"

namespace vx {

// What the splash screen's objects share: a sprite built in code and owned,
// and the end of the splash on a key or at game over. They listen to steps
// and keys, and give both up first when destroyed.
class SplashObject : public Object {
 protected:
  std::unique_ptr<Sprite> m_p_sprite;

  // A sprite of the given frames, each width x height characters.
  static std::unique_ptr<Sprite> makeSprite(int width, int height, Color color,
                                            std::initializer_list<const char *> frames);
  // At game over the object leaves the world: true (its handler returns 0).
  bool leaveAtGameOver();
  // Sets game over and leaves the world.
  void endSplash();

 public:
  ~SplashObject() override;
};

} // namespace vx
