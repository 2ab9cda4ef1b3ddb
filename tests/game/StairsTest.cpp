#include <map>
#include <tuple>

#include "GamePlay.h"

using game_test::GamePlay;
using game_test::all;
using game_test::livingEnemies;

namespace {

class StairsTest : public GamePlay {};

using Record = std::tuple<int, int, int, int>;  // kind, x, y, hp lost

std::vector<Record> records() {
  std::vector<Record> out;
  for (Enemy *e : livingEnemies())
    out.emplace_back(e->getKind(), e->getGridX(), e->getGridY(), e->getMaxHp() - e->getHp());
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(StairsTest, EOnlyWorksOnTheStairs) {
  startGame();
  EXPECT_FALSE(useStairs(hero()));
  EXPECT_FALSE(useStairs(nullptr));
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(m_level->getFloor(), 0);
  EXPECT_EQ(hud("Floor"), 1);
}

TEST_F(StairsTest, EachFloorKeepsItsEnemies) {
  startGame();
  Hero *h = hero();
  // Hurt one enemy and kill another on floor 0.
  std::vector<Enemy *> e0 = livingEnemies();
  ASSERT_EQ(e0.size(), 23u);
  Enemy *brute = nullptr;
  for (Enemy *e : e0)
    if (e->getKind() == 2 && !brute) brute = e;
  ASSERT_NE(brute, nullptr);
  brute->takeDamage(5);
  e0[0]->takeDamage(100);
  step();
  std::vector<Record> before = records();
  ASSERT_EQ(before.size(), 22u);

  // An arrow in flight disappears with the floor.
  h->setGridPosition(44, 27);
  new Projectile(44, 26, 0, -1, 50, nullptr);
  new Slash(43, 27, 0, h);
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(m_level->getFloor(), 1);
  EXPECT_EQ(h->getGridX(), 44);
  EXPECT_EQ(h->getGridY(), 27);
  EXPECT_EQ(hud("Floor"), 2);
  EXPECT_TRUE(env.logContains("useStairs(): floor 1 -> floor 2"));
  EXPECT_EQ(all<Projectile>("Projectile").size(), 0u);
  EXPECT_EQ(all<Slash>("Slash").size(), 0u);
  EXPECT_EQ(getSavedEnemies(0).size(), 22u);
  EXPECT_TRUE(getFloorVisited(1));
  // Floor 2 filled from its own 23 spawn points.
  ASSERT_EQ(livingEnemies().size(), 23u);
  EXPECT_EQ(all<Enemy>("Enemy").size(), 23u);  // floor 1's are gone
  for (const SpawnPoint &s : m_level->getSpawnPoints())
    EXPECT_NE(dynamic_cast<Enemy *>(GridEntity::entityAt(s.x, s.y, nullptr)), nullptr);
  EXPECT_EQ(h->getHp(), 10);  // the arrow did nothing here
  std::vector<Record> upstairs = records();

  // Back up: floor 1's enemies as they were.
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(m_level->getFloor(), 0);
  EXPECT_EQ(hud("Floor"), 1);
  EXPECT_TRUE(env.logContains("useStairs(): floor 2 -> floor 1"));
  EXPECT_EQ(records(), before);
  EXPECT_TRUE(getSavedEnemies(0).empty());
  EXPECT_EQ(getSavedEnemies(1).size(), 23u);
  // And down again: floor 2's come back, not new ones.
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(records(), upstairs);
}

TEST_F(StairsTest, RestoredEnemiesComeBackAtTheCurrentLevel) {
  startGame(false, "frame_time:1000,\n");
  Hero *h = hero();
  Enemy *slime = new Enemy(0, 40, 27);
  slime->takeDamage(2);  // 1 of 3 left
  Enemy *bat = new Enemy(1, 41, 27);
  (void)bat;
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  clearEnemies();
  // Waves spawned on floor 2 belong to it.
  step(118);
  ASSERT_EQ(GameTimer::getEnemyLevel(), 0);
  EXPECT_EQ(livingEnemies().size(), 1u);
  std::vector<Record> floor2 = records();
  step();
  ASSERT_EQ(GameTimer::getEnemyLevel(), 1);
  step([] { press(vx::Keyboard::E); });
  std::vector<Enemy *> back = livingEnemies();
  ASSERT_EQ(back.size(), 2u);
  for (Enemy *e : back) {
    if (e->getKind() == 0) {
      EXPECT_EQ(e->getMaxHp(), 5);
      EXPECT_EQ(e->getHp(), 3);  // still missing 2
      EXPECT_EQ(e->getGridX(), 40);
    } else {
      EXPECT_EQ(e->getMaxHp(), 3);
      EXPECT_EQ(e->getHp(), 3);
    }
    EXPECT_FALSE(e->isStunned());
  }
  EXPECT_EQ(getSavedEnemies(1).size(), 1u);
}

TEST_F(StairsTest, ARecordWhoseCellIsTakenIsDropped) {
  startGame(false);
  Hero *h = hero();
  new Enemy(0, 44, 26);
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  clearEnemies();
  h->setGridPosition(44, 26);  // stand on the record's cell
  m_level->setFloor(1);
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  // Arrival on (44,27) of floor 0; (44,26) is free again, so it is restored.
  EXPECT_EQ(livingEnemies().size(), 1u);
  // Now block it with another unit before returning.
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  new Enemy(2, 44, 26);  // on floor 2, same cell
  step([] { press(vx::Keyboard::E); });
  // Floor 2's brute was saved and removed; floor 1's slime came back.
  EXPECT_EQ(livingEnemies().size(), 1u);
  EXPECT_EQ(livingEnemies()[0]->getKind(), 0);
}

} // namespace
