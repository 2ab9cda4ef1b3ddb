#include "loop/SplashLoop.h"

#include "core/LogManager.h"
#include "loop/GameManager.h"
#include "world/Splash.h"

namespace vx {

int splash() {
  const LogManager &log = LogManager::getInstance();
  log.writeLog(10, "splash(): Started.");
  GameManager &gm = GameManager::getInstance();
  if (!gm.isStarted()) {
    log.writeLog("splash(): Error! Cannot run splash screen until game manger is started.");
    return -1;
  }
  new Splash;
  gm.run();
  log.writeLog(10, "splash(): Finished.");
  return 0;
}

} // namespace vx
