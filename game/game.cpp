// The game's entry point: start the engine, load the sprites, build the
// world and run the loop.

#include "Setup.h"
#include "core/LogManager.h"
#include "loop/GameManager.h"

int main(int, char **) {
  vx::GameManager &gm = vx::GameManager::getInstance();
  if (gm.startUp() != 0) {
    vx::LogManager::getInstance().writeLog("Error starting game manager!");
    gm.shutDown();
    return 1;
  }
  vx::LogManager::getInstance().setFlush(true);
  loadResources();
  populateWorld();
  gm.run();
  gm.shutDown();
  return 0;
}
