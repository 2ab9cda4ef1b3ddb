#pragma once

#include <string>

#include "core/LoopState.h"
#include "core/Manager.h"

namespace vx {

const float VX_VERSION = 4.25f;

// Starts and stops the managers in order and runs the fixed-rate game loop.
// It sits above every other part of the engine; the game-over flag, the
// frame time and the step count it keeps in LoopState, where the parts
// below read them.
class GameManager : public Manager {
 private:
  GameManager();
  GameManager(const GameManager &) = delete;
  void operator=(const GameManager &) = delete;

  LoopState &m_state;

 public:
  ~GameManager();
  static GameManager &getInstance();

  bool isValid(std::string event_type) const override;
  int startUp() override;
  void shutDown() override;

  void run();

  void setGameOver(bool game_over = true);
  bool getGameOver() const;
  int getFrameTime() const;
  int getStepCount() const;
};

} // namespace vx
