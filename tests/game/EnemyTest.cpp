#include "GamePlay.h"
#include "platform/Platform.h"

using game_test::GamePlay;
using game_test::all;
using game_test::livingEnemies;

namespace {

class EnemyTest : public GamePlay {};

TEST_F(EnemyTest, LevelScalingKeepsDamageTaken) {
  startGame(false);
  Enemy *brute = new Enemy(2, 20, 20);
  brute->takeDamage(5);
  EXPECT_EQ(brute->getHp(), 3);
  brute->applyLevel(1);
  EXPECT_EQ(brute->getHp(), 7);
  EXPECT_EQ(brute->getMaxHp(), 12);
  EXPECT_EQ(brute->getDamage(), 4);
  brute->applyLevel(1);  // same level: nothing
  brute->applyLevel(0);  // lower: nothing
  EXPECT_EQ(brute->getMaxHp(), 12);
  EXPECT_EQ(brute->getHp(), 7);
  brute->applyLevel(3);
  EXPECT_EQ(brute->getMaxHp(), 20);
  EXPECT_EQ(brute->getDamage(), 6);
  Enemy *slime = new Enemy(0, 21, 20);
  Enemy *bat = new Enemy(1, 22, 20);
  int slime_hp[4] = {3, 5, 6, 8};
  int bat_hp[3] = {2, 3, 4};
  for (int l = 1; l <= 3; l++) {
    slime->applyLevel(l);
    EXPECT_EQ(slime->getMaxHp(), slime_hp[l]);
    EXPECT_EQ(slime->getDamage(), 1 + l);
    if (l < 3) {
      bat->applyLevel(l);
      EXPECT_EQ(bat->getMaxHp(), bat_hp[l]);
    }
  }
}

TEST_F(EnemyTest, KillingPaysTheHeroOrNobody) {
  startGame(false);
  Hero *h = hero();
  Enemy *bat = new Enemy(1, 20, 20);
  Enemy *brute = new Enemy(2, 21, 20);
  EXPECT_TRUE(bat->takeDamage(2));
  EXPECT_FALSE(bat->takeDamage(2));  // once only
  EXPECT_EQ(h->getScore(), 15);
  EXPECT_EQ(h->getKills(), 1);
  EXPECT_TRUE(brute->takeDamage(99));
  EXPECT_EQ(h->getGold(), 65);
  EXPECT_EQ(h->getKills(), 2);
  // Removed quietly: no reward.
  Enemy *slime = new Enemy(0, 22, 20);
  slime->removeQuietly();
  EXPECT_EQ(slime->getHp(), 0);
  step();
  EXPECT_EQ(h->getScore(), 65);
  EXPECT_EQ(all<Enemy>("Enemy").size(), 0u);
  // Without a hero a kill pays nothing and the enemy still goes.
  h->takeDamage(100);
  step();
  ASSERT_EQ(hero(), nullptr);
  Enemy *last = new Enemy(0, 22, 20);
  EXPECT_TRUE(last->takeDamage(3));
  step();
  EXPECT_EQ(all<Enemy>("Enemy").size(), 0u);
}

TEST_F(EnemyTest, ChasesHorizontallyFirstOnDiagonals) {
  startGame(false);
  Hero *h = hero();
  h->setGridPosition(20, 20);
  Enemy *e = new Enemy(0, 21, 21);  // dx = dy = 1 from the enemy: tie
  while (e->getMoveCountdown() > 1) step();
  step();
  EXPECT_EQ(e->getGridX(), 20);
  EXPECT_EQ(e->getGridY(), 21);
  EXPECT_EQ(e->getMoveCountdown(), 16);
  // Now adjacent: it strikes and stays.
  step(16);
  EXPECT_EQ(h->getHp(), 9);
  EXPECT_EQ(e->getGridX(), 20);
  EXPECT_EQ(e->getGridY(), 21);
}

TEST_F(EnemyTest, OutOfSightBatsAlwaysTryToWanderOthersOneTimeInThree) {
  startGame(false);
  hero()->setGridPosition(1, 28);
  // Brute far away: one rand() % 3 per decision, plus one % 4 when it is 0.
  Enemy *brute = new Enemy(2, 40, 2);
  while (brute->getMoveCountdown() > 1) step();
  vx::platform::srand(99);
  int r = vx::platform::rand();
  int r2 = vx::platform::rand();
  vx::platform::srand(99);
  step();
  int moved = brute->getGridX() != 40 || brute->getGridY() != 2;
  if (r % 3 != 0) {
    EXPECT_FALSE(moved);
    EXPECT_EQ(vx::platform::rand(), r2);  // exactly one draw
  }
  // A bat draws one number per decision, for its direction.
  Enemy *bat = new Enemy(1, 52, 2);
  while (bat->getMoveCountdown() > 1 || brute->getMoveCountdown() == 1) step();
  if (brute->getMoveCountdown() == 1) step();
  vx::platform::srand(5);
  int d = vx::platform::rand() % 4;
  int next = vx::platform::rand();
  vx::platform::srand(5);
  step();
  const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  EXPECT_EQ(bat->getGridX(), 52 + dirs[d][0]);
  EXPECT_EQ(bat->getGridY(), 2 + dirs[d][1]);
  EXPECT_EQ(vx::platform::rand(), next);
}

TEST_F(EnemyTest, WithoutAHeroEnemiesWander) {
  startGame(false);
  hero()->takeDamage(100);
  step();
  Enemy *e = new Enemy(0, 20, 20);
  while (e->getMoveCountdown() > 1) step();
  vx::platform::srand(11);
  int d = vx::platform::rand() % 4;
  vx::platform::srand(11);
  step();
  const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  EXPECT_EQ(e->getGridX(), 20 + dirs[d][0]);
  EXPECT_EQ(e->getGridY(), 20 + dirs[d][1]);
}

TEST_F(EnemyTest, SpawnerWavesCapAndDistance) {
  startGame(false);
  Spawner *s = m_spawner;
  EXPECT_EQ(s->getCountdown(), 90);
  step(89);
  EXPECT_EQ(s->getWave(), 0);
  EXPECT_EQ(livingEnemies().size(), 0u);
  step();  // wave 1 at step 90
  EXPECT_EQ(s->getWave(), 1);
  EXPECT_EQ(s->getCountdown(), 88);
  ASSERT_EQ(livingEnemies().size(), 1u);
  Enemy *e = livingEnemies()[0];
  int dist = std::abs(e->getGridX() - 3) + std::abs(e->getGridY() - 2);
  EXPECT_GE(dist, 8);
  step(88);
  EXPECT_EQ(s->getWave(), 2);
  EXPECT_EQ(s->getCountdown(), 86);
}

TEST_F(EnemyTest, SpawnerIntervalFloorAndCap) {
  startGame(false);
  Spawner *s = m_spawner;
  vx::EventStep ev(0);
  int waves = 0;
  while (s->getWave() < 31) {
    s->eventHandler(&ev);
    if (s->getWave() != waves) {
      waves = s->getWave();
      int want = 90 - 2 * waves;
      EXPECT_EQ(s->getCountdown(), want < 30 ? 30 : want) << "wave " << waves;
    }
  }
  // 18 or more enemies: no spawn, but the wave still advances.
  clearEnemies();
  for (int i = 0; i < 18; i++) new Enemy(0, 11 + i, 2);
  int before = s->getWave();
  for (int i = 0; i < 30; i++) s->eventHandler(&ev);
  EXPECT_EQ(s->getWave(), before + 1);
  EXPECT_EQ(all<Enemy>("Enemy").size(), 18u);
}

// A unit that only takes up a cell.
class Blocker : public GridEntity {
 public:
  Blocker(int x, int y) {
    setType("Blocker");
    setGridPosition(x, y);
  }
};

TEST_F(EnemyTest, SpawnerBlockedEverywhereDrawsExactlyTenNumbers) {
  startGame(false);
  for (const SpawnPoint &p : m_level->getSpawnPoints()) new Blocker(p.x, p.y);
  vx::platform::srand(42);
  int values[11];
  for (int &v : values) v = vx::platform::rand();
  vx::platform::srand(42);
  m_spawner->spawnOne();
  EXPECT_EQ(vx::platform::rand(), values[10]);
  EXPECT_EQ(all<Enemy>("Enemy").size(), 0u);
}

TEST_F(EnemyTest, SpawnerAtTheCapDrawsNothing) {
  startGame(true);  // 23 enemies: above the cap of 18
  vx::platform::srand(42);
  int first = vx::platform::rand();
  vx::platform::srand(42);
  m_spawner->spawnOne();
  EXPECT_EQ(vx::platform::rand(), first);
  EXPECT_EQ(all<Enemy>("Enemy").size(), 23u);
}

TEST_F(EnemyTest, SpawnPointNearTheHeroIsNeverChosenByAWave) {
  startGame(false);
  // Every spawn point blocked except (4,7), 6 cells from the hero at (3,2).
  for (const SpawnPoint &p : m_level->getSpawnPoints())
    if (!(p.x == 4 && p.y == 7)) new Blocker(p.x, p.y);
  for (int seed = 1; seed <= 50; seed++) {
    vx::platform::srand(seed);
    m_spawner->spawnOne();
  }
  EXPECT_EQ(all<Enemy>("Enemy").size(), 0u);
  // Without a hero it is far enough.
  hero()->takeDamage(100);
  step();
  for (int i = 0; i < 50; i++) m_spawner->spawnOne();
  EXPECT_NE(dynamic_cast<Enemy *>(GridEntity::entityAt(4, 7, nullptr)), nullptr);
}

TEST_F(EnemyTest, PopulateTakesNearPointsToo) {
  startGame(false);
  hero()->setGridPosition(4, 6);
  m_spawner->populate();
  EXPECT_NE(dynamic_cast<Enemy *>(GridEntity::entityAt(4, 7, nullptr)), nullptr);
  EXPECT_EQ(livingEnemies().size(), 23u);
}

TEST_F(EnemyTest, PlayTimerRaisesTheEnemyLevel) {
  startGame(false, "frame_time:1000,\n");
  Enemy *e = new Enemy(0, 40, 2);
  EXPECT_EQ(GameTimer::getEnemyLevel(), 0);
  step(119);
  EXPECT_EQ(m_timer->getElapsedMs(), 119000);
  EXPECT_EQ(GameTimer::getEnemyLevel(), 0);
  step();
  EXPECT_EQ(GameTimer::getEnemyLevel(), 1);
  EXPECT_EQ(m_timer->getBannerTimer(), 90);
  EXPECT_EQ(e->getMaxHp(), 5);
  EXPECT_EQ(e->getLevelApplied(), 1);
  EXPECT_TRUE(env.logContains("GameTimer: enemies boosted to level 1"));
  // Born at the new level.
  Enemy *late = new Enemy(2, 41, 2);
  EXPECT_EQ(late->getMaxHp(), 12);
  EXPECT_EQ(late->getHp(), 12);
  EXPECT_EQ(late->getDamage(), 4);
  step(120);
  EXPECT_EQ(GameTimer::getEnemyLevel(), 2);
  EXPECT_EQ(late->getMaxHp(), 16);
  EXPECT_EQ(late->getDamage(), 5);
  int boosts = 0;
  for (const std::string &l : env.logLines())
    if (l.rfind("GameTimer: enemies boosted to level ", 0) == 0) boosts++;
  EXPECT_EQ(boosts, 2);
  // The banner counts down.
  step(10);
  EXPECT_EQ(m_timer->getBannerTimer(), 80);
}

TEST_F(EnemyTest, TimerScheduleAndFormat) {
  EXPECT_EQ(GameTimer::levelForSeconds(0), 0);
  EXPECT_EQ(GameTimer::levelForSeconds(119), 0);
  EXPECT_EQ(GameTimer::levelForSeconds(120), 1);
  EXPECT_EQ(GameTimer::levelForSeconds(239), 1);
  EXPECT_EQ(GameTimer::secondsToNextLevel(239), 1);
  EXPECT_EQ(GameTimer::levelForSeconds(240), 2);
  EXPECT_EQ(GameTimer::secondsToNextLevel(240), 60);
  EXPECT_EQ(GameTimer::levelForSeconds(299), 2);
  EXPECT_EQ(GameTimer::secondsToNextLevel(299), 1);
  EXPECT_EQ(GameTimer::levelForSeconds(300), 3);
  EXPECT_EQ(GameTimer::secondsToNextLevel(0), 120);
  EXPECT_EQ(GameTimer::formatTime(0), "0:00");
  EXPECT_EQ(GameTimer::formatTime(125), "2:05");
  EXPECT_EQ(GameTimer::formatTime(3700), "61:40");
  EXPECT_EQ(GameTimer::formatTime(4503), "75:03");
  EXPECT_EQ(GameTimer::formatTime(2147483647), "35791394:07");
}

TEST_F(EnemyTest, ZeroFrameTimeNeverAdvancesTheClock) {
  startGame(false, "frame_time:0,\n");
  step(500);
  EXPECT_EQ(m_timer->getElapsedMs(), 0);
  EXPECT_EQ(GameTimer::getEnemyLevel(), 0);
}

} // namespace
