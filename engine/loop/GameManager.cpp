#include "loop/GameManager.h"

#include <climits>
#include <cstdint>
#include <ctime>

#include "core/Box.h"
#include "core/Clock.h"
#include "core/Config.h"
#include "core/EventOwner.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/Vector.h"
#include "display/DisplayManager.h"
#include "display/InputManager.h"
#include "display/ResourceManager.h"
#include "network/NetworkManager.h"
#include "path/PathManager.h"
#include "platform/Platform.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

const char *const STARS = "****************************************************";  // 52
const unsigned int TIMER_RESOLUTION_MS = 1;
const int TIMER_REFUSED = 97;

} // namespace

GameManager::GameManager() : m_state(LoopState::getInstance()) {
  setType("GameManager");
  // The managers above the core, for the parts below to find by type: the
  // owners of "vx-step" and of the network types, and the path searches.
  Manager::offer("GameManager", []() -> Manager & { return GameManager::getInstance(); });
  Manager::offer("NetworkManager", []() -> Manager & { return NetworkManager::getInstance(); });
  Manager::offer("PathManager", []() -> Manager & { return PathManager::getInstance(); });
}

GameManager::~GameManager() {}

GameManager &GameManager::getInstance() {
  static GameManager game_manager;
  return game_manager;
}

bool GameManager::isValid(std::string event_type) const { return eventOwner(event_type) == EventOwner::GAME; }

int GameManager::startUp() {
  LogManager &log = LogManager::getInstance();
  if (refuseSecondStartUp()) return -1;

  Config &config = Config::getInstance();
  config.loadConfig();

  if (log.startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error! Starting log manager.");
    return -1;
  }

  log.writeLog("%s", STARS);
  log.writeLog("** Vexmoor version %.2f **", double(VX_VERSION));
  log.writeLog("** Game engine started **");
  log.writeLog("%s", STARS);

  config.writeConfig();

  char cwd[256];
  log.writeLog(1, "Working directory:");
  if (platform::getcwd(cwd, sizeof(cwd)))
    log.writeLog(1, "  %s", cwd);
  else
    log.writeLog(1, "  %s", "(full path too long)");
  log.writeLog(1, "Log Manager started.");

  m_state.setFrameTime(config.getFrameTime());
  log.writeLog(5, "GameManager::startUp(): frame time is %d milliseconds", m_state.getFrameTime());

  DisplayManager &display = DisplayManager::getInstance();
  if (display.startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error! Starting display manager.");
    return -1;
  }
  log.writeLog(1, "Display manager started.");

  if (InputManager::getInstance().startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error! Starting input manager.");
    return -1;
  }
  log.writeLog(1, "Input manager started.");

  if (config.getNetworking()) {
    if (NetworkManager::getInstance().startUp() != 0) {
      log.writeLog("GameManager::startUp(): Error! Starting network manager.");
      return -1;
    }
    log.writeLog(1, "Network manager started.");
  }

  if (ResourceManager::getInstance().startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error! Starting resource manager.");
    return -1;
  }
  log.writeLog(1, "Resource manager started.");

  WorldManager &world = WorldManager::getInstance();
  if (world.startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error starting world manager.");
    return -1;
  }
  log.writeLog(1, "World manager started.");

  if (PathManager::getInstance().startUp() != 0) {
    log.writeLog("GameManager::startUp(): Error starting path manager.");
    return -1;
  }
  log.writeLog(1, "Path manager started.");

  Box boundary(Vector(0, 0), float(display.getHorizontal()), float(display.getVertical()));
  world.setBoundary(boundary);
  world.setView(boundary);
  world.setViewSlack(Vector(1.0f / 3.0f, 1.0f / 3.0f));

  int seed = config.getRandomSeed();
  if (seed == 0) seed = int(time(nullptr));
  if (seed != -1) {
    log.writeLog(10, "GameManager()::startUp(): srand() seed with %d", seed);
    platform::srand(static_cast<unsigned int>(seed));
  }

  if (platform::timeBeginPeriod(TIMER_RESOLUTION_MS) == TIMER_REFUSED)
    log.writeLog(1, "GameManager()::startUp(): Warning!  timeBeginPeriod() cannot accept 1 msec.");

  m_state.setGameOver(false);
  Manager::startUp();
  log.writeLog(1, "GameManager successfully started.");
  return 0;
}

void GameManager::shutDown() {
  LogManager &log = LogManager::getInstance();
  m_state.setGameOver(true);

  if (platform::timeEndPeriod(TIMER_RESOLUTION_MS) == TIMER_REFUSED)
    log.writeLog(1, "GameManager()::shutDown(): Warning! timeEndPeriod() cannot accept 1 msec.");

  PathManager &path = PathManager::getInstance();
  if (path.isStarted()) {
    path.shutDown();
    log.writeLog(1, "Path manager stopped");
  }
  WorldManager &world = WorldManager::getInstance();
  if (world.isStarted()) {
    world.shutDown();
    log.writeLog(1, "World manager stopped");
  }
  ResourceManager &resources = ResourceManager::getInstance();
  if (resources.isStarted()) {
    resources.shutDown();
    log.writeLog(1, "Resource manager stopped");
  }
  if (Config::getInstance().getNetworking()) {
    NetworkManager &network = NetworkManager::getInstance();
    if (network.isStarted()) {
      network.shutDown();
      log.writeLog(1, "Network manager stopped");
    }
  }
  InputManager &input = InputManager::getInstance();
  if (input.isStarted()) {
    input.shutDown();
    log.writeLog(1, "Input manager stopped");
  }
  DisplayManager &display = DisplayManager::getInstance();
  if (display.isStarted()) {
    display.shutDown();
    log.writeLog(1, "Display manager stopped");
  }

  log.writeLog("%s", STARS);
  log.writeLog("** Game engine stopped **");

  if (log.isStarted()) log.shutDown();

  Manager::shutDown();
}

void GameManager::run() {
  LogManager &log = LogManager::getInstance();
  Clock clock;
  int64_t adjustment = 0;  // oversleep carried into the next step, microseconds

  log.writeLog(1, "GameManager::run(): starting game loop");
  m_state.setGameOver(false);
  m_state.setStepCount(0);

  while (true) {
    if (m_state.getGameOver()) {
      log.writeLog(1, "GameManager::run(): end of game loop");
      return;
    }
    clock.delta();

    EventStep step(m_state.getStepCount());
    onEvent(&step);

    DisplayManager::getInstance().swapBuffers();
    InputManager::getInstance().getInput();
    WorldManager &world = WorldManager::getInstance();
    world.update();
    world.draw();

    if (Config::getInstance().getNetworking()) {
      NetworkManager &network = NetworkManager::getInstance();
      if (network.isServer()) network.accept();
      // Closed sockets may still have bytes on their way.
      if (network.isConnected(-1) || network.isDraining()) network.sendDelayed();
    }

    // The frame in 64 bits; a negative reading counts as no time spent, so
    // the sleep below never exceeds one frame.
    const int frame_time = m_state.getFrameTime();
    const int64_t frame_us = int64_t(frame_time) * 1000;

    int64_t split = clock.split();
    if (split < 0) split = 0;
    float budget_ms = (0.95f * float(frame_us - split - adjustment)) / 1000.0f;
    if (budget_ms > float(INT_MAX / 2)) budget_ms = float(INT_MAX / 2);
    if (budget_ms < float(INT_MIN / 2)) budget_ms = float(INT_MIN / 2);
    PathManager::getInstance().cycle(int(budget_ms));

    split = clock.split();
    if (split < 0) split = 0;
    int64_t sleep = frame_us - split - adjustment;
    if (sleep > frame_us) sleep = frame_us;

    if (sleep > 0) {
      int64_t before = clock.split();
      platform::sleepMillis(int(sleep / 1000));
      int64_t after = clock.split();
      adjustment = (after - before) - sleep;
      if (adjustment < 0) adjustment = 0;
    } else if (adjustment == 0 && frame_time > 0 && m_state.getStepCount() > 0) {
      log.writeLog("GameManager::run(): Can't keep up! frame_time %d ms, split %d ms", frame_time,
                   int(split / 1000));
    } else {
      adjustment = 0;
    }

    // Saturates: after 2^31 - 1 steps the count stays there.
    const int step_count = m_state.getStepCount();
    if (step_count < INT_MAX) m_state.setStepCount(step_count + 1);
  }
}

void GameManager::setGameOver(bool game_over) { m_state.setGameOver(game_over); }

bool GameManager::getGameOver() const { return m_state.getGameOver(); }

int GameManager::getFrameTime() const { return m_state.getFrameTime(); }

int GameManager::getStepCount() const { return m_state.getStepCount(); }

} // namespace vx
