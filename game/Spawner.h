#pragma once

#include "world/Object.h"

namespace vx {
class Event;
}

// Invisible: fills a floor with enemies and sends one more in each wave.
class Spawner : public vx::Object {
 public:
  static const int FIRST_WAVE = 90;
  static const int MIN_INTERVAL = 30;
  static const int MAX_ENEMIES = 18;
  static const int TRIES = 10;
  static const int MIN_HERO_DISTANCE = 8;

 private:
  int m_countdown;
  int m_wave;

 public:
  Spawner();
  ~Spawner() override;

  int eventHandler(const vx::Event *p_e) override;
  void populate();
  void spawnOne();

  int getCountdown() const;
  int getWave() const;
};
