#pragma once

#include <string>

#include "world/Object.h"

namespace vx {
class Event;
}

// Play time while the hero lives, the enemy level it gives, and the time
// line at the bottom of the screen.
class GameTimer : public vx::Object {
 public:
  static const int BANNER_STEPS = 90;

 private:
  int m_elapsed_ms;
  int m_banner_timer;

 public:
  GameTimer();
  ~GameTimer() override;

  int eventHandler(const vx::Event *p_e) override;
  int draw() override;

  static int getEnemyLevel();
  // Back to level 0, for a new world before its first enemy.
  static void resetEnemyLevel();
  static int levelForSeconds(int s);
  static int secondsToNextLevel(int s);
  static std::string formatTime(int s);
  static void boostEnemies();

  int getElapsedMs() const;
  int getBannerTimer() const;
};
