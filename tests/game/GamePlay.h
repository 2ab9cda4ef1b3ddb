#pragma once
// Scripted play for the game tests: an engine started headless with a fixed
// seed, the game's own start-up, steps run as the game loop runs them, and
// keyboard and mouse input delivered through the input manager.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Enemy.h"
#include "GameOver.h"
#include "GameTimer.h"
#include "Hero.h"
#include "Level.h"
#include "Projectile.h"
#include "Setup.h"
#include "Shop.h"
#include "Slash.h"
#include "Spawner.h"
#include "Stairs.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "core/ObjectListIterator.h"
#include "display/DisplayManager.h"
#include "display/EventKeyboard.h"
#include "display/EventMouse.h"
#include "display/InputManager.h"
#include "loop/GameManager.h"
#include "support/TestEnv.h"
#include "world/Geometry.h"
#include "world/ViewObject.h"
#include "world/WorldManager.h"

namespace game_test {

inline std::vector<vx::Object *> objects(const std::string &type) {
  std::vector<vx::Object *> out;
  vx::ObjectList l = vx::WorldManager::getInstance().objectsOfType(type);
  vx::ObjectListIterator it(&l);
  for (it.first(); !it.isDone(); it.next()) out.push_back(it.currentObject());
  return out;
}

template <class T>
std::vector<T *> all(const std::string &type) {
  std::vector<T *> out;
  for (vx::Object *p : objects(type))
    if (T *t = dynamic_cast<T *>(p)) out.push_back(t);
  return out;
}

// Living enemies (those waiting for deletion have hp 0).
inline std::vector<Enemy *> livingEnemies() {
  std::vector<Enemy *> out;
  for (Enemy *e : all<Enemy>("Enemy"))
    if (e->getHp() > 0) out.push_back(e);
  return out;
}

class GamePlay : public ::testing::Test {
 protected:
  vx::test::TestEnv env;

  // Starts the engine with the test settings plus extra lines.
  void startEngine(const std::string &extra = "") {
    env.writeConfig("headless:true,\nnetworking:false,\nrandom_seed:7,\n" + extra);
    ASSERT_EQ(env.startEngine(), 0);
  }

  // The game's own start-up: its sprites, read where the game runs (the
  // build directory), and its world. Without enemies when asked: those of
  // the first floor are removed again.
  void loadGame(bool enemies = true) {
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(VX_BUILD_DIR), 0);
    loadResources();
    ASSERT_EQ(chdir(old), 0);
    populateWorld();
    m_level = findLevel();
    m_hero = hero();
    std::vector<Spawner *> spawners = all<Spawner>("Spawner");
    std::vector<GameTimer *> timers = all<GameTimer>("GameTimer");
    ASSERT_EQ(spawners.size(), 1u);
    ASSERT_EQ(timers.size(), 1u);
    m_spawner = spawners[0];
    m_timer = timers[0];
    if (!enemies) clearEnemies();
  }

  void startGame(bool enemies = true, const std::string &extra = "") {
    startEngine(extra);
    vx::LogManager::getInstance().setFlush(true);
    loadGame(enemies);
  }

 public:
  // Input delivered as the input manager delivers it.
  static void key(int k, int action) {
    vx::EventKeyboard ev;
    ev.setKey(k);
    ev.setKeyboardAction(action);
    vx::InputManager::getInstance().onEvent(&ev);
  }
  static void press(int k) { key(k, vx::KeyboardAction::PRESSED); }
  static void mouse(int action, int button, vx::Vector view_pos) {
    vx::EventMouse ev;
    ev.setMouseAction(action);
    ev.setMouseButton(button);
    ev.setMousePosition(view_pos);
    vx::InputManager::getInstance().onEvent(&ev);
  }
  // A click on a cell of the world (turned into a window position).
  static void clickCell(int button, int col, int row) {
    mouse(vx::MouseAction::CLICKED, button, vx::worldToView(Level::cellToWorld(col, row)));
  }

 protected:
  // One step of the game loop; input() runs where the loop reads input.
  template <class F>
  void step(F input) {
    vx::EventStep s(m_steps);
    vx::GameManager::getInstance().onEvent(&s);
    vx::DisplayManager::getInstance().swapBuffers();
    vx::InputManager::getInstance().getInput();
    input();
    vx::WorldManager::getInstance().update();
    vx::WorldManager::getInstance().draw();
    m_steps++;
  }
  void step(int n = 1) {
    for (int i = 0; i < n; i++) step([] {});
  }
  // Steps with a key held down (one DOWN event per step).
  void hold(int k, int n) {
    for (int i = 0; i < n; i++) step([k] { key(k, vx::KeyboardAction::DOWN); });
  }

  // The hero, or null once it is gone.
  Hero *hero() {
    std::vector<Hero *> h = all<Hero>("Hero");
    return h.empty() ? nullptr : h[0];
  }

  static int hud(const std::string &tag) {
    for (vx::ViewObject *v : all<vx::ViewObject>("ViewObject"))
      if (v->getViewString() == tag) return v->getValue();
    ADD_FAILURE() << "no display item " << tag;
    return -9999;
  }

  // Removes every enemy at once (deleted at the end of the next update).
  static void clearEnemies() {
    for (Enemy *e : all<Enemy>("Enemy")) e->removeQuietly();
    vx::WorldManager::getInstance().update();
  }

  int m_steps = 0;
  Level *m_level = nullptr;
  Hero *m_hero = nullptr;
  Spawner *m_spawner = nullptr;
  GameTimer *m_timer = nullptr;
};

} // namespace game_test
