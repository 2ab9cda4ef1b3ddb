#pragma once
// Helpers for the view, particle and splash tests: a started headless engine,
// stepping the world by hand and finding objects by type. Header-only.

#include <string>
#include <vector>

#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "display/Shape.h"
#include "loop/GameManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
#include "world/Object.h"
#include "world/WorldManager.h"

namespace vx {
namespace test {
namespace particles {

// The engine started with the given configuration (headless by default) and
// a fixed random seed.
class EngineFixture {
 public:
  explicit EngineFixture(const std::string &config = DEFAULT_TEST_CONFIG, int log_level = 0) {
    env.writeConfig(config);
    started = env.startEngine();
    if (log_level != 0) LogManager::getInstance().setLogLevel(log_level);
    platform::srand(1);
  }
  TestEnv env;
  int started = -1;
};

// n world steps: a step event to every interested object, then the world's
// update (moves, out events, deletions).
// A circle shape as particles carry it.
inline Shape circle(float size, unsigned char r, unsigned char g, unsigned char b) {
  Shape s;
  s.setType(ShapeType::CIRCLE);
  s.setSize(size);
  s.setColor(r, g, b);
  return s;
}

inline void stepWorld(int n = 1) {
  static int s_count = 0;
  for (int i = 0; i < n; i++) {
    EventStep step(s_count++);
    GameManager::getInstance().onEvent(&step);
    WorldManager::getInstance().update();
  }
}

// The active objects of a type, cast to T.
template <typename T>
std::vector<T *> objectsOf(const std::string &type) {
  std::vector<T *> out;
  ObjectList list = WorldManager::getInstance().objectsOfType(type);
  for (int i = 0; i < list.getCount(); i++) out.push_back(dynamic_cast<T *>(list[i]));
  return out;
}

inline int countOf(const std::string &type) {
  return WorldManager::getInstance().objectsOfType(type).getCount();
}

// Deletes every object of the world at the end of one update.
inline void clearWorld() {
  WorldManager &wm = WorldManager::getInstance();
  wm.markForDelete(wm.getAllObjects(true));
  wm.update();
}

// Number of log lines (prefixes stripped) equal to text.
inline int countLines(const TestEnv &env, const std::string &text) {
  int n = 0;
  for (const std::string &l : env.logLines())
    if (l == text) n++;
  return n;
}

} // namespace particles
} // namespace test
} // namespace vx
