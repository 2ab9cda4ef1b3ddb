#include "Setup.h"

#include "GameTimer.h"
#include "Hero.h"
#include "Level.h"
#include "Spawner.h"
#include "Stairs.h"
#include "core/Box.h"
#include "core/LogManager.h"
#include "display/DisplayManager.h"
#include "display/ResourceManager.h"
#include "display/Sprite.h"
#include "world/ViewObject.h"
#include "world/WorldManager.h"

void loadSprite(std::string file_name, std::string label) {
  std::string path = "sprites/" + file_name;
  vx::ResourceManager &rm = vx::ResourceManager::getInstance();
  if (rm.loadSprite(path, label) != 0) {
    vx::LogManager::getInstance().writeLog("game: failed to load sprite %s", path.c_str());
    return;
  }
  vx::Sprite *p_s = rm.getSprite(label);
  if (p_s) p_s->setTransparency('.');
}

void loadResources() {
  loadSprite("hero.txt", "hero");
  loadSprite("slime.txt", "slime");
  loadSprite("bat.txt", "bat");
  loadSprite("brute.txt", "brute");
  loadSprite("slash.txt", "slash");
  loadSprite("arrow-right.txt", "arrow-right");
  loadSprite("arrow-left.txt", "arrow-left");
  loadSprite("arrow-up.txt", "arrow-up");
  loadSprite("arrow-down.txt", "arrow-down");
}

void createHud() {
  struct Item {
    int location;
    const char *label;
    int value;
    vx::Color color;
  };
  const Item items[4] = {
      {vx::TOP_LEFT, "HP", 10, vx::RED},
      {vx::TOP_CENTER, "Gold", 0, vx::YELLOW},
      {vx::TOP_RIGHT, "Score", 0, vx::WHITE},
      {vx::BOTTOM_CENTER, "Floor", 1, vx::CYAN},
  };
  for (const Item &it : items) {
    vx::ViewObject *p_v = new vx::ViewObject;
    p_v->setLocation(it.location);
    p_v->setViewString(it.label);
    p_v->setValue(it.value);
    p_v->setColor(it.color);
  }
}

void populateWorld() {
  // Nothing carries over from an earlier world: enemies start at level 0,
  // and no floor has records or has been visited but the first.
  GameTimer::resetEnemyLevel();
  resetStairs();
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  wm.setBoundary(vx::Box(vx::Vector(0, 0), 300, 90));
  wm.setView(vx::Box(vx::Vector(0, 0), (float)dm.getHorizontal(), (float)dm.getVertical()));
  wm.setViewSlack(vx::Vector(0.25f, 0.25f));
  new Level;
  new Hero;
  Spawner *p_spawner = new Spawner;
  p_spawner->populate();
  createHud();
  new GameTimer;
}
