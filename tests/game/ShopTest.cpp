#include "GamePlay.h"

using game_test::GamePlay;
using game_test::all;

namespace {

class ShopTest : public GamePlay {
 protected:
  Shop *shop = nullptr;
  Hero *h = nullptr;
  void openShop() {
    startGame(false);
    h = hero();
    shop = h->getShop();
    h->setGridPosition(33, 6);
    step([] { press(vx::Keyboard::E); });
    ASSERT_TRUE(shop->isOpen());
  }
  void buyKey(int digit) {
    step([digit] { press(vx::Keyboard::NUM1 + digit - 1); });
  }
};

TEST_F(ShopTest, OpensOnItsCellAndClosesAnywhere) {
  startGame(false);
  Hero *hr = hero();
  Shop *s = hr->getShop();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->getType(), "Shop");
  EXPECT_EQ(s->getAltitude(), 4);
  EXPECT_EQ(s->getSolidness(), vx::SPECTRAL);
  EXPECT_EQ(s->getBox(), vx::Box(vx::Vector(0, 0), 300, 90));
  step([] { press(vx::Keyboard::E); });  // an ordinary cell
  EXPECT_FALSE(s->isOpen());
  EXPECT_EQ(m_level->getFloor(), 0);
  hr->setGridPosition(33, 6);
  step([] { press(vx::Keyboard::E); });
  EXPECT_TRUE(s->isOpen());
  EXPECT_EQ(s->getMessage(), "Welcome! Press a number to buy, E to leave.");
  EXPECT_EQ(s->getMessageTimer(), 60);
  s->open();  // already open: the message is not reset
  step();
  EXPECT_EQ(s->getMessageTimer(), 59);
  s->open();
  EXPECT_EQ(s->getMessageTimer(), 59);
  // Held E does nothing; pressed E closes.
  step([] { key(vx::Keyboard::E, vx::KeyboardAction::DOWN); });
  EXPECT_TRUE(s->isOpen());
  step([] { press(vx::Keyboard::E); });
  EXPECT_FALSE(s->isOpen());
  // The message keeps running out after closing.
  step(56);
  EXPECT_EQ(s->getMessageTimer(), 1);
  EXPECT_EQ(s->getMessage(), "Welcome! Press a number to buy, E to leave.");
  step();
  EXPECT_EQ(s->getMessage(), "");
  EXPECT_EQ(s->getMessageTimer(), 0);
}

TEST_F(ShopTest, WhileOpenTheHeroIgnoresMovesShieldAttacksAndDamage) {
  openShop();
  hold(vx::Keyboard::D, 1);
  EXPECT_EQ(h->getGridX(), 33);
  step([] { press(vx::Keyboard::LEFTSHIFT); });
  EXPECT_FALSE(h->isShielded());
  step([&] { clickCell(vx::MouseButton::LEFT, 34, 6); });
  step([&] { clickCell(vx::MouseButton::RIGHT, 34, 6); });
  EXPECT_EQ(all<Slash>("Slash").size(), 0u);
  EXPECT_EQ(all<Projectile>("Projectile").size(), 0u);
  EXPECT_EQ(h->getMeleeCooldown(), 0);
  EXPECT_FALSE(h->takeDamage(5));
  EXPECT_EQ(h->getHp(), 10);
  EXPECT_EQ(h->getInvulnTimer(), 0);
  // An adjacent enemy strikes, but the shopping hero takes nothing.
  Enemy *e = new Enemy(2, 34, 6);
  while (e->getMoveCountdown() > 1) step();
  step();
  EXPECT_EQ(h->getHp(), 10);
  e->removeQuietly();
  // The aim still follows the mouse: after closing, a click aims down.
  step([&] { mouse(vx::MouseAction::MOVED, vx::MouseButton::UNDEFINED,
                   vx::worldToView(Level::cellToWorld(33, 7))); });
  step([] { press(vx::Keyboard::E); });
  EXPECT_FALSE(shop->isOpen());
  step([&] { mouse(vx::MouseAction::CLICKED, vx::MouseButton::RIGHT, h->getMousePosition()); });
  ASSERT_EQ(all<Projectile>("Projectile").size(), 1u);
  EXPECT_EQ(all<Projectile>("Projectile")[0]->getAnimation().getName(), "arrow-down");
}

TEST_F(ShopTest, EveryItemAtItsRisingPrices) {
  openShop();
  // Item 1 at full health.
  buyKey(1);
  EXPECT_EQ(shop->getMessage(), "Already at full health.");
  EXPECT_EQ(h->getGold(), 0);
  // Item 1 hurt and poor.
  shop->close();
  h->takeDamage(4);
  shop->open();
  buyKey(1);
  EXPECT_EQ(shop->getMessage(), "Not enough gold.");
  EXPECT_EQ(h->getHp(), 6);
  // Refused upgrades keep their prices.
  buyKey(2);
  buyKey(3);
  buyKey(4);
  buyKey(5);
  EXPECT_EQ(shop->getMessage(), "Not enough gold.");
  EXPECT_EQ(shop->getPriceMaxHp(), 40);
  EXPECT_EQ(shop->getPriceMelee(), 50);
  EXPECT_EQ(shop->getPriceRanged(), 50);
  EXPECT_FALSE(shop->getHasKey());

  h->rewardKill(20);
  buyKey(1);
  EXPECT_EQ(shop->getMessage(), "Healed!");
  EXPECT_EQ(h->getHp(), 10);
  EXPECT_EQ(h->getGold(), 0);
  EXPECT_EQ(hud("HP"), 10);

  // Item 2 five times: 40, 60, 90, 135, 202; then 303 is shown.
  const int paid[5] = {40, 60, 90, 135, 202};
  for (int i = 0; i < 5; i++) {
    h->rewardKill(paid[i]);
    EXPECT_EQ(shop->rowText(5), std::string("[2] +5 Max HP ................ ") + std::to_string(paid[i]) + "g");
    buyKey(2);
    EXPECT_EQ(shop->getMessage(), "+5 Max HP!");
    EXPECT_EQ(h->getGold(), 0);
  }
  EXPECT_EQ(h->getMaxHp(), 35);
  EXPECT_EQ(h->getHp(), 35);
  EXPECT_EQ(hud("HP"), 35);
  EXPECT_EQ(shop->rowText(5), "[2] +5 Max HP ................ 303g");

  // Items 3 and 4: 50, 75, 112, 168.
  const int up[4] = {50, 75, 112, 168};
  for (int i = 0; i < 4; i++) {
    h->rewardKill(up[i] * 2);
    buyKey(3);
    EXPECT_EQ(shop->getMessage(), "Sword sharpened: +1 melee damage!");
    buyKey(4);
    EXPECT_EQ(shop->getMessage(), "Arrows reinforced: +1 ranged damage!");
    EXPECT_EQ(h->getGold(), 0);
  }
  EXPECT_EQ(h->getMeleeDamage(), 6);
  EXPECT_EQ(h->getRangedDamage(), 5);
  EXPECT_EQ(shop->rowText(6), "[3] +1 Melee damage .......... 252g");
  EXPECT_EQ(shop->rowText(7), "[4] +1 Ranged damage ......... 252g");

  // Item 5: the key, once.
  EXPECT_EQ(shop->rowText(8), "[5] Door Key ................. 100g");
  h->rewardKill(150);
  buyKey(5);
  EXPECT_EQ(shop->getMessage(), "Key acquired! Locked doors (+) are now open.");
  EXPECT_TRUE(shop->getHasKey());
  EXPECT_EQ(h->getGold(), 50);
  EXPECT_EQ(shop->rowText(8), "[5] Door Key ................. OWNED");
  buyKey(5);
  EXPECT_EQ(shop->getMessage(), "You already have the key.");
  EXPECT_EQ(h->getGold(), 50);
  EXPECT_EQ(hud("Gold"), 50);
  EXPECT_EQ(shop->rowText(2), "Gold: 50");

  // Other keys, held or released digits buy nothing.
  h->rewardKill(1000);
  int gold = h->getGold();
  step([] { press(vx::Keyboard::NUM6); });
  step([] { key(vx::Keyboard::NUM2, vx::KeyboardAction::DOWN); });
  step([] { key(vx::Keyboard::NUM2, vx::KeyboardAction::RELEASED); });
  EXPECT_EQ(h->getGold(), gold);
  shop->buy(9);
  EXPECT_EQ(h->getGold(), gold);
  // Closed: digits buy nothing.
  step([] { press(vx::Keyboard::E); });
  buyKey(2);
  EXPECT_EQ(h->getGold(), gold);
  EXPECT_EQ(shop->getPriceMaxHp(), 303);
}

TEST_F(ShopTest, MenuRowsAndMessageTimer) {
  openShop();
  EXPECT_EQ(shop->rowText(0), std::string(56, '='));
  EXPECT_EQ(shop->rowText(1), "=  S H O P  =");
  EXPECT_EQ(shop->rowText(2), "Gold: 0");
  EXPECT_EQ(shop->rowText(3), "");
  EXPECT_EQ(shop->rowText(4), "[1] Full heal ................ 20g");
  EXPECT_EQ(shop->rowText(10), "Press E to leave");
  EXPECT_EQ(shop->rowText(13), std::string(56, '='));
  for (int r = 4; r <= 8; r++) EXPECT_EQ(shop->rowText(r).find_last_of(' '), 30u) << r;
  EXPECT_EQ(shop->draw(), 0);
  // A second purchase within the 60 steps replaces the text and restarts.
  step(30);
  buyKey(1);
  EXPECT_EQ(shop->getMessageTimer(), 60);
  EXPECT_EQ(shop->rowText(12), "Already at full health.");
  step(59);
  EXPECT_EQ(shop->getMessage(), "Already at full health.");
  step();
  EXPECT_EQ(shop->getMessage(), "");
}

TEST_F(ShopTest, TheKeyOpensTheDoorsOnBothFloors) {
  openShop();
  h->rewardKill(100);
  buyKey(5);
  step([] { press(vx::Keyboard::E); });
  EXPECT_TRUE(m_level->getDoorsOpen());
  // Walk through the door at (35,15).
  h->setGridPosition(34, 15);
  hold(vx::Keyboard::D, 1);
  EXPECT_EQ(h->getGridX(), 35);
  hold(vx::Keyboard::D, 5);
  EXPECT_EQ(h->getGridX(), 36);
  // An arrow flies through an open door.
  Projectile *a = new Projectile(46, 22, 1, 0, 1, h);
  step(3);
  EXPECT_EQ(a->getGridX(), 48);
  // The same key on floor 2: the doors at (41,10) and (47,15).
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  ASSERT_EQ(m_level->getFloor(), 1);
  clearEnemies();
  h->setGridPosition(41, 11);
  step(5);
  hold(vx::Keyboard::W, 1);
  EXPECT_EQ(h->getGridY(), 10);
  EXPECT_TRUE(m_level->isWalkable(47, 15));
}

TEST_F(ShopTest, ClosedDoorsStopArrowsAndTheKeyWorksWithoutALevel) {
  startEngine();
  Hero *hr = new Hero;  // no level
  Shop *s = hr->getShop();
  hr->rewardKill(100);
  s->open();
  s->buy(5);
  EXPECT_TRUE(s->getHasKey());
  EXPECT_EQ(hr->getGold(), 0);
  EXPECT_EQ(s->getMessage(), "Key acquired! Locked doors (+) are now open.");
  Shop orphan(nullptr);
  orphan.buy(2);
  EXPECT_EQ(orphan.getMessage(), "");
  EXPECT_EQ(orphan.rowText(2), "Gold: 0");
}

} // namespace
