#pragma once

#include "world/Object.h"

namespace vx {
class Event;
}

// The end screen: shows score and kills, then ends the game 120 steps later.
class GameOver : public vx::Object {
 public:
  static const int COUNTDOWN = 120;

 private:
  int m_score;
  int m_kills;
  int m_countdown;

 public:
  GameOver(int score, int kills);
  ~GameOver() override;

  int eventHandler(const vx::Event *p_e) override;
  int draw() override;

  int getScore() const;
  int getKills() const;
  int getCountdown() const;
};
