#pragma once

#include <string>

#include "world/Object.h"

namespace vx {
class Event;
}

class Hero;

// The hero's shop menu: while open, digit keys 1 to 5 buy with the hero's gold.
class Shop : public vx::Object {
 public:
  static const int PRICE_HEAL = 20;
  static const int PRICE_KEY = 100;
  static const int MESSAGE_STEPS = 60;

 private:
  Hero *m_p_hero;  // not owned
  bool m_is_open;
  bool m_has_key;
  int m_price_max_hp;
  int m_price_melee;
  int m_price_ranged;
  std::string m_message;
  int m_message_timer;

 public:
  explicit Shop(Hero *p_hero);
  ~Shop() override;

  void open();
  void close();
  bool isOpen() const;
  void buy(int item);
  void setMessage(std::string text);

  int eventHandler(const vx::Event *p_e) override;
  int draw() override;

  bool getHasKey() const;
  int getPriceMaxHp() const;
  int getPriceMelee() const;
  int getPriceRanged() const;
  std::string getMessage() const;
  int getMessageTimer() const;
  // The menu's 14 rows as drawn (empty where nothing is drawn).
  std::string rowText(int row) const;
};
