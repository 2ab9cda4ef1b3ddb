#pragma once

#include "GridEntity.h"

namespace vx {
class Event;
}

class Hero;

// A hostile unit: slime (0), bat (1) or brute (2). Thinks every few steps:
// strikes an adjacent hero, chases one in sight, or wanders.
class Enemy : public GridEntity {
 public:
  static const int STUN_STEPS = 30;

 private:
  int m_kind;
  int m_damage;
  int m_reward;
  int m_move_delay;
  int m_move_countdown;
  int m_sight_range;
  int m_stun_timer;
  int m_base_max_hp;
  int m_base_damage;
  int m_level_applied;

  void think();
  bool stepToward(int tx, int ty);
  bool wander();
  void stun(int n);

 public:
  Enemy(int kind, int x, int y);
  ~Enemy() override;

  int eventHandler(const vx::Event *p_e) override;
  int draw() override;
  void die() override;

  void applyLevel(int level);
  void removeQuietly();
  static Hero *findHero();

  int getKind() const;
  int getReward() const;
  int getDamage() const;
  int getMoveDelay() const;
  int getMoveCountdown() const;
  int getSightRange() const;
  int getStunTimer() const;
  int getLevelApplied() const;
  bool isStunned() const;
};
