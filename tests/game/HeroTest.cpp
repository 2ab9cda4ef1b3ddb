#include <new>

#include "GamePlay.h"

using game_test::GamePlay;
using game_test::all;

namespace {

class HeroTest : public GamePlay {};

TEST_F(HeroTest, HeldKeyMovesOneCellEveryFiveSteps) {
  startGame(false);
  Hero *h = hero();
  // Step 1: the first DOWN moves at once.
  hold(vx::Keyboard::D, 1);
  EXPECT_EQ(h->getGridX(), 4);
  EXPECT_EQ(h->getMoveCooldown(), 5);
  EXPECT_EQ(h->getPosition(), Level::cellToWorld(4, 2));
  // Steps 2 to 5: cooling down.
  hold(vx::Keyboard::D, 4);
  EXPECT_EQ(h->getGridX(), 4);
  // Step 6: the next cell.
  hold(vx::Keyboard::RIGHTARROW, 1);
  EXPECT_EQ(h->getGridX(), 5);
  // Up, left and down through the four key pairs.
  hold(vx::Keyboard::W, 5);
  EXPECT_EQ(h->getGridY(), 1);
  hold(vx::Keyboard::LEFTARROW, 5);
  EXPECT_EQ(h->getGridX(), 4);
  hold(vx::Keyboard::S, 5);
  EXPECT_EQ(h->getGridY(), 2);
  hold(vx::Keyboard::A, 5);
  EXPECT_EQ(h->getGridX(), 3);
  hold(vx::Keyboard::DOWNARROW, 5);
  EXPECT_EQ(h->getGridY(), 3);
  hold(vx::Keyboard::UPARROW, 5);
  EXPECT_EQ(h->getGridY(), 2);
  // PRESSED alone does not move, nor does an unrelated held key.
  step(5);
  step([] { press(vx::Keyboard::D); });
  EXPECT_EQ(h->getGridX(), 3);
  hold(vx::Keyboard::X, 1);
  EXPECT_EQ(h->getGridX(), 3);
}

TEST_F(HeroTest, RefusedMovesSpendNoCooldown) {
  startGame(false);
  Hero *h = hero();
  h->setGridPosition(1, 1);  // corner: wall above and to the left
  step(5);
  hold(vx::Keyboard::W, 1);
  EXPECT_EQ(h->getGridY(), 1);
  EXPECT_EQ(h->getMoveCooldown(), 0);
  hold(vx::Keyboard::A, 1);
  EXPECT_EQ(h->getGridX(), 1);
  EXPECT_EQ(h->getMoveCooldown(), 0);
  // An occupied cell refuses too; the next free direction goes at once.
  Enemy *e = new Enemy(0, 2, 1);
  hold(vx::Keyboard::D, 1);
  EXPECT_EQ(h->getGridX(), 1);
  EXPECT_EQ(h->getMoveCooldown(), 0);
  hold(vx::Keyboard::S, 1);
  EXPECT_EQ(h->getGridY(), 2);
  EXPECT_EQ(h->getMoveCooldown(), 5);
  // A dead unit waiting for deletion frees its cell at once.
  e->takeDamage(100);
  EXPECT_EQ(GridEntity::entityAt(2, 1, nullptr), nullptr);
  // A locked door refuses; outside the map is a wall.
  h->setGridPosition(34, 15);
  step(5);
  hold(vx::Keyboard::D, 1);
  EXPECT_EQ(h->getGridX(), 34);
  EXPECT_FALSE(h->canMoveTo(-1, 0));
  EXPECT_TRUE(h->canMoveTo(33, 6));   // shop
  EXPECT_TRUE(h->canMoveTo(44, 27));  // stairs
}

TEST_F(HeroTest, ShieldBlocksAnAdjacentStrikeAndStunsTheEnemy) {
  startGame(false);
  Hero *h = hero();
  step([] { press(vx::Keyboard::LEFTSHIFT); });
  // The step event of the same step came first, so the timers are full.
  EXPECT_EQ(h->getShieldTimer(), 10);
  EXPECT_EQ(h->getShieldCooldown(), 25);
  EXPECT_TRUE(h->isShielded());
  step(9);
  EXPECT_EQ(h->getShieldTimer(), 1);
  step();
  EXPECT_FALSE(h->isShielded());
  // A second press within 25 steps does nothing.
  step([] { press(vx::Keyboard::RIGHTSHIFT); });
  EXPECT_FALSE(h->isShielded());
  step(14);
  EXPECT_EQ(h->getShieldCooldown(), 0);
  // An enemy next door: raise the shield just before it strikes.
  Enemy *e = new Enemy(0, 4, 2);
  while (e->getMoveCountdown() > 2) step();
  step([] { press(vx::Keyboard::RIGHTSHIFT); });
  EXPECT_TRUE(h->isShielded());
  step();  // the enemy's decision
  EXPECT_TRUE(e->isStunned());
  EXPECT_EQ(e->getStunTimer(), 30);
  EXPECT_EQ(h->getHp(), 10);
  EXPECT_EQ(hud("HP"), 10);
  // A stunned enemy does not count down.
  int countdown = e->getMoveCountdown();
  step(30);
  EXPECT_FALSE(e->isStunned());
  EXPECT_EQ(e->getMoveCountdown(), countdown);
  // Unshielded, the next decision strikes.
  step(countdown);
  EXPECT_EQ(h->getHp(), 9);
  EXPECT_EQ(hud("HP"), 9);
  EXPECT_EQ(h->getInvulnTimer(), 10);
}

TEST_F(HeroTest, DamageInvulnerabilityAndHooks) {
  startGame(false);
  Hero *h = hero();
  EXPECT_FALSE(h->takeDamage(3));
  EXPECT_EQ(h->getHp(), 7);
  EXPECT_EQ(hud("HP"), 7);
  // During invulnerability nothing changes.
  EXPECT_FALSE(h->takeDamage(3));
  EXPECT_EQ(h->getHp(), 7);
  step(10);
  EXPECT_EQ(h->getInvulnTimer(), 0);
  h->rewardKill(15);
  EXPECT_EQ(h->getScore(), 15);
  EXPECT_EQ(h->getGold(), 15);
  EXPECT_EQ(h->getKills(), 1);
  EXPECT_EQ(hud("Gold"), 15);
  EXPECT_EQ(hud("Score"), 15);
  EXPECT_FALSE(h->spendGold(16));
  EXPECT_EQ(h->getGold(), 15);
  EXPECT_TRUE(h->spendGold(15));
  EXPECT_EQ(h->getGold(), 0);
  EXPECT_EQ(hud("Gold"), 0);
  EXPECT_EQ(hud("Score"), 15);
  h->addMaxHp(5);
  EXPECT_EQ(h->getMaxHp(), 15);
  EXPECT_EQ(h->getHp(), 12);
  h->healFull();
  EXPECT_EQ(h->getHp(), 15);
  EXPECT_EQ(hud("HP"), 15);
  h->heal(100);
  EXPECT_EQ(h->getHp(), 15);
  h->setMaxHp(4);
  EXPECT_EQ(h->getHp(), 4);
  EXPECT_FALSE(h->takeDamage(0));
  EXPECT_EQ(h->getHp(), 4);
}

TEST_F(HeroTest, ArrowFliesOneCellEveryTwoStepsUntilTheWall) {
  startGame(false);
  Hero *h = hero();
  step([] { clickCell(vx::MouseButton::RIGHT, 1, 2); });
  std::vector<Projectile *> arrows = all<Projectile>("Projectile");
  ASSERT_EQ(arrows.size(), 1u);
  EXPECT_EQ(h->getRangedCooldown(), 12);
  Projectile *a = arrows[0];
  EXPECT_EQ(a->getGridX(), 3);
  EXPECT_EQ(a->getPosition(), Level::cellToWorld(3, 2));
  EXPECT_EQ(a->getSolidness(), vx::SPECTRAL);
  EXPECT_EQ(a->getAltitude(), 1);
  EXPECT_EQ(a->getAnimation().getName(), "arrow-left");
  // Cells 2 and 1 at steps 1 and 3, then the wall at step 5.
  step();
  EXPECT_EQ(a->getGridX(), 2);
  step();
  EXPECT_EQ(a->getGridX(), 2);
  step();
  EXPECT_EQ(a->getGridX(), 1);
  EXPECT_EQ(a->getPosition(), Level::cellToWorld(1, 2));
  step();
  ASSERT_EQ(all<Projectile>("Projectile").size(), 1u);
  step();
  EXPECT_EQ(all<Projectile>("Projectile").size(), 0u);
}

TEST_F(HeroTest, ArrowRangeIsTenCells) {
  startGame(false);
  Hero *h = hero();
  h->setGridPosition(11, 2);  // row 2 is open from 11 to 29
  step([&] { clickCell(vx::MouseButton::RIGHT, 15, 2); });
  Projectile *a = all<Projectile>("Projectile").at(0);
  EXPECT_EQ(a->getAnimation().getName(), "arrow-right");
  step(18);  // moves on steps 1, 3, ... 17: nine cells
  EXPECT_EQ(a->getGridX(), 20);
  EXPECT_EQ(a->getRange(), 1);
  step();  // the tenth cell, then it is gone
  EXPECT_EQ(all<Projectile>("Projectile").size(), 0u);
  // Cooldown: a second shot within 12 steps does nothing.
  step([&] { clickCell(vx::MouseButton::RIGHT, 15, 2); });
  step([&] { clickCell(vx::MouseButton::RIGHT, 15, 2); });
  EXPECT_EQ(all<Projectile>("Projectile").size(), 1u);
}

TEST_F(HeroTest, ArrowStrikesTheFirstUnitButNeverItsShooter) {
  startGame(false);
  Hero *h = hero();
  h->setGridPosition(11, 2);
  Enemy *near = new Enemy(1, 13, 2);  // bat, 2 hp
  Enemy *far = new Enemy(1, 14, 2);
  step([&] { clickCell(vx::MouseButton::RIGHT, 13, 2); });
  step(3);
  EXPECT_EQ(near->getHp(), 1);
  EXPECT_EQ(far->getHp(), 2);
  EXPECT_EQ(all<Projectile>("Projectile").size(), 0u);
  // An arrow shot downward from beside the hero does not hurt it.
  Projectile *p = new Projectile(11, 1, 0, 1, 5, h);
  EXPECT_EQ(p->getAnimation().getName(), "arrow-down");
  step(3);
  EXPECT_EQ(h->getHp(), 10);
  Projectile *up = new Projectile(11, 3, 0, -1, 5, nullptr);
  EXPECT_EQ(up->getAnimation().getName(), "arrow-up");
  step();
  EXPECT_EQ(h->getHp(), 5);  // not its shooter
}

// A unit that always takes the same memory, as a freed one's successor may.
class Unit : public GridEntity {
 public:
  explicit Unit(int hp) { m_hp = m_max_hp = hp; }
  static void *operator new(size_t n);
  static void operator delete(void *) {}
};
alignas(Unit) unsigned char unit_memory[sizeof(Unit)];
void *Unit::operator new(size_t n) {
  if (n > sizeof(unit_memory)) throw std::bad_alloc();
  return unit_memory;
}

TEST_F(HeroTest, AnArrowOutlivesItsShooterAndHitsTheUnitInItsMemory) {
  startGame(false);
  Unit *shooter = new Unit(1);
  shooter->setGridPosition(11, 2);
  new Projectile(11, 2, 1, 0, 5, shooter);
  vx::WorldManager::getInstance().markForDelete(shooter);
  step();  // the arrow is on (12,2); the shooter is gone
  Unit *next = new Unit(10);
  ASSERT_EQ(static_cast<void *>(next), static_cast<void *>(shooter));
  next->setGridPosition(13, 2);
  step(2);
  EXPECT_EQ(next->getHp(), 5);
  EXPECT_TRUE(all<Projectile>("Projectile").empty());
}

TEST_F(HeroTest, SlashesKillAnEnemyAndPayScoreAndGold) {
  startGame(false);
  Hero *h = hero();
  Enemy *e = new Enemy(0, 3, 3);  // slime below the hero, 3 hp
  step([&] { clickCell(vx::MouseButton::LEFT, 3, 3); });
  EXPECT_EQ(e->getHp(), 1);
  EXPECT_EQ(h->getMeleeCooldown(), 8);
  std::vector<Slash *> s = all<Slash>("Slash");
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0]->getPosition(), Level::cellToWorld(3, 3));
  EXPECT_EQ(s[0]->getAltitude(), 4);
  // Within the cooldown a click does nothing.
  step([&] { clickCell(vx::MouseButton::LEFT, 3, 3); });
  EXPECT_EQ(e->getHp(), 1);
  step(6);
  EXPECT_EQ(all<Slash>("Slash").size(), 0u);  // six steps on screen
  step([&] { clickCell(vx::MouseButton::LEFT, 3, 3); });
  EXPECT_EQ(all<Enemy>("Enemy").size(), 0u);
  EXPECT_EQ(h->getScore(), 10);
  EXPECT_EQ(h->getGold(), 10);
  EXPECT_EQ(h->getKills(), 1);
  EXPECT_EQ(hud("Score"), 10);
  EXPECT_EQ(hud("Gold"), 10);
  // A slash aimed at a wall spends the cooldown and makes nothing.
  step(8);
  step([&] { clickCell(vx::MouseButton::LEFT, 3, 1); });  // (3,1) is open: a slash
  EXPECT_EQ(all<Slash>("Slash").size(), 1u);
  h->setGridPosition(1, 2);
  step(8);
  step([&] { clickCell(vx::MouseButton::LEFT, 0, 2); });
  EXPECT_EQ(h->getMeleeCooldown(), 8);
  EXPECT_EQ(all<Slash>("Slash").size(), 0u);
  // Middle button and mouse moves do not attack.
  step(8);
  step([&] {
    mouse(vx::MouseAction::CLICKED, vx::MouseButton::MIDDLE, vx::Vector(0, 0));
    mouse(vx::MouseAction::MOVED, vx::MouseButton::UNDEFINED, vx::Vector(0, 0));
    mouse(vx::MouseAction::PRESSED, vx::MouseButton::LEFT, vx::Vector(0, 0));
  });
  EXPECT_EQ(h->getMeleeCooldown(), 0);
}

TEST_F(HeroTest, AimComparesPixelsAndTiesGoRight) {
  startGame(false);
  Hero *h = hero();
  vx::Vector at = vx::worldToView(h->getPosition());
  // The mouse on the hero: a zero difference aims right.
  step([&] { mouse(vx::MouseAction::CLICKED, vx::MouseButton::RIGHT, at); });
  EXPECT_EQ(all<Projectile>("Projectile").at(0)->getAnimation().getName(), "arrow-right");
  step(12);
  // Two cells right and one row down: fewer cells down, but more pixels
  // (cells of 12.8 x 32 pixels), so the arrow goes down.
  ASSERT_LT(vx::charWidth() * 2, vx::charHeight());
  step([&] { mouse(vx::MouseAction::CLICKED, vx::MouseButton::RIGHT, vx::Vector(at.getX() + 2, at.getY() + 1)); });
  bool down = false;
  for (Projectile *p : all<Projectile>("Projectile"))
    if (p->getAnimation().getName() == "arrow-down") down = true;
  EXPECT_TRUE(down);
}

TEST_F(HeroTest, DeathShowsGameOverAndEndsTheGame120StepsLater) {
  startGame(false);
  Hero *h = hero();
  h->rewardKill(50);
  step();
  EXPECT_TRUE(h->takeDamage(10));
  EXPECT_EQ(h->getHp(), 0);
  EXPECT_EQ(hud("HP"), 0);
  std::vector<GameOver *> g = all<GameOver>("GameOver");
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g[0]->getScore(), 50);
  EXPECT_EQ(g[0]->getKills(), 1);
  EXPECT_EQ(g[0]->getAltitude(), 4);
  EXPECT_FALSE(h->takeDamage(1));  // already dead
  step();  // the hero and its shop are deleted at the end of this update
  int elapsed = m_timer->getElapsedMs();
  EXPECT_EQ(hero(), nullptr);
  EXPECT_EQ(all<Shop>("Shop").size(), 0u);
  EXPECT_EQ(vx::WorldManager::getInstance().getViewFollowing(), nullptr);
  step(118);
  EXPECT_FALSE(vx::GameManager::getInstance().getGameOver());  // 119 steps
  EXPECT_EQ(m_timer->getElapsedMs(), elapsed);  // the clock stands still
  step();
  EXPECT_TRUE(vx::GameManager::getInstance().getGameOver());  // the 120th
}

// Struck down during the step events, the hero stays in the world until the
// end of the step, but the input of that step no longer reaches it.
TEST_F(HeroTest, AFallenHeroIgnoresTheInputOfItsLastStep) {
  startGame(false);
  Hero *h = hero();
  h->setGridPosition(44, 27);  // the stairs
  EXPECT_FALSE(h->takeDamage(9));
  step(Hero::INVULN_STEPS);
  Enemy *bat = new Enemy(1, 45, 27);  // 2 hp: one slash kills it
  while (bat->getMoveCountdown() > 1) step();
  step([&] {
    ASSERT_EQ(h->getHp(), 0);  // the bat's strike came first
    clickCell(vx::MouseButton::LEFT, 45, 27);
    clickCell(vx::MouseButton::RIGHT, 45, 27);
    press(vx::Keyboard::E);
    press(vx::Keyboard::LEFTSHIFT);
    key(vx::Keyboard::A, vx::KeyboardAction::DOWN);
    h->rewardKill(15);  // an arrow still in flight pays nothing either
    EXPECT_EQ(h->getScore(), 0);
    EXPECT_EQ(h->getGridX(), 44);
    EXPECT_FALSE(h->isShielded());
  });
  EXPECT_EQ(hero(), nullptr);
  EXPECT_EQ(bat->getHp(), 2);
  EXPECT_TRUE(all<Slash>("Slash").empty());
  EXPECT_TRUE(all<Projectile>("Projectile").empty());
  EXPECT_EQ(m_level->getFloor(), 0);
  EXPECT_EQ(hud("Floor"), 1);
  EXPECT_EQ(hud("Score"), 0);
  EXPECT_EQ(hud("Gold"), 0);
  std::vector<GameOver *> g = all<GameOver>("GameOver");
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g[0]->getScore(), 0);
  EXPECT_FALSE(env.logContains("useStairs()"));
}

TEST_F(HeroTest, QEndsTheGameAtOnceAlsoFromTheShop) {
  startGame(false);
  hero()->setGridPosition(33, 6);
  step([] { press(vx::Keyboard::E); });
  ASSERT_TRUE(hero()->getShop()->isOpen());
  step([] { press(vx::Keyboard::Q); });
  EXPECT_TRUE(vx::GameManager::getInstance().getGameOver());
}

// The real loop: an object scripts the input and Q ends the run.
class Script : public vx::Object {
 public:
  int steps = 0;
  Script() {
    setType("Script");
    setSolidness(vx::SPECTRAL);
    registerInterest(vx::EVENT_STEP);
  }
  int eventHandler(const vx::Event *p_e) override {
    if (p_e->getType() != vx::EVENT_STEP) return 0;
    steps++;
    if (steps == 3) GamePlay::press(vx::Keyboard::Q);
    return 1;
  }
};

TEST_F(HeroTest, QEndsTheRealLoop) {
  startGame(true, "frame_time:0,\n");
  Script *s = new Script;
  vx::GameManager::getInstance().run();
  EXPECT_EQ(s->steps, 3);
  EXPECT_EQ(vx::GameManager::getInstance().getStepCount(), 3);
}

} // namespace
