#pragma once

#include <string>

#include "core/Manager.h"

namespace vx {

const float VX_VERSION = 4.25f;

// Reaches the game manager's private state for tests (defined in tests/).
struct GameManagerTestSeam;

// Starts and stops the managers in order and runs the fixed-rate game loop.
class GameManager : public Manager {
 private:
  GameManager();
  GameManager(const GameManager &) = delete;
  void operator=(const GameManager &) = delete;

  bool m_game_over;
  int m_frame_time;
  int m_step_count;

  // Stores the count and tells the log, which shows it on every line.
  void setStepCount(int step_count);
  friend struct GameManagerTestSeam;

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
