#pragma once

#include "GridEntity.h"
#include "core/Vector.h"

namespace vx {
class Event;
class EventKeyboard;
class EventMouse;
} // namespace vx

class Shop;

// The player's unit: keyboard moves, shield, shop and stairs; mouse aims,
// slashes and shoots. Keeps the HUD up to date.
class Hero : public GridEntity {
 public:
  static const int MOVE_COOLDOWN = 5;
  static const int MELEE_COOLDOWN = 8;
  static const int RANGED_COOLDOWN = 12;
  static const int INVULN_STEPS = 10;
  static const int SHIELD_STEPS = 10;
  static const int SHIELD_COOLDOWN = 25;
  static const int START_HP = 10;

 private:
  int m_move_cooldown;
  int m_melee_cooldown;
  int m_ranged_cooldown;
  int m_invuln_timer;
  int m_shield_timer;
  int m_shield_cooldown;
  int m_melee_damage;
  int m_ranged_damage;
  int m_score;
  int m_gold;
  int m_kills;
  vx::Vector m_mouse_position;
  Shop *m_p_shop;

  void keyboard(const vx::EventKeyboard *p_e);
  void mouse(const vx::EventMouse *p_e);
  void step();
  void tryStep(int dx, int dy);
  void raiseShield();
  void meleeAttack();
  void rangedAttack();
  void getAimDirection(int &dx, int &dy) const;
  void updateHud();

 public:
  Hero();
  ~Hero() override;

  int eventHandler(const vx::Event *p_e) override;
  int draw() override;
  bool takeDamage(int amount) override;
  void die() override;

  void rewardKill(int n);
  bool spendGold(int cost);
  void addMaxHp(int n);
  void healFull();
  void addMeleeDamage(int n);
  void addRangedDamage(int n);

  int getGold() const;
  int getScore() const;
  int getKills() const;
  int getMeleeDamage() const;
  int getRangedDamage() const;
  bool isShielded() const;
  bool tryBlock();

  Shop *getShop() const;
  int getMoveCooldown() const;
  int getMeleeCooldown() const;
  int getRangedCooldown() const;
  int getInvulnTimer() const;
  int getShieldTimer() const;
  int getShieldCooldown() const;
  vx::Vector getMousePosition() const;
};
