#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "GamePlay.h"
#include "display/ResourceManager.h"
#include "display/Sprite.h"

using game_test::GamePlay;
using game_test::all;
using game_test::livingEnemies;

namespace {

class StartTest : public GamePlay {};

TEST_F(StartTest, FirstFrameShowsTheStartingHudAnd23Enemies) {
  startGame();
  step();
  EXPECT_EQ(hud("HP"), 10);
  EXPECT_EQ(hud("Gold"), 0);
  EXPECT_EQ(hud("Score"), 0);
  EXPECT_EQ(hud("Floor"), 1);
  std::vector<vx::ViewObject *> items = all<vx::ViewObject>("ViewObject");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0]->getLocation(), vx::TOP_LEFT);
  EXPECT_EQ(items[0]->getColor(), vx::RED);
  EXPECT_EQ(items[1]->getLocation(), vx::TOP_CENTER);
  EXPECT_EQ(items[1]->getColor(), vx::YELLOW);
  EXPECT_EQ(items[2]->getLocation(), vx::TOP_RIGHT);
  EXPECT_EQ(items[2]->getColor(), vx::WHITE);
  EXPECT_EQ(items[3]->getLocation(), vx::BOTTOM_CENTER);
  EXPECT_EQ(items[3]->getColor(), vx::CYAN);

  EXPECT_EQ(all<Enemy>("Enemy").size(), 23u);
  EXPECT_EQ(livingEnemies().size(), 23u);
  Hero *h = hero();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->getGridX(), 3);
  EXPECT_EQ(h->getGridY(), 2);
  EXPECT_EQ(h->getPosition(), vx::Vector(17, 7));
  EXPECT_EQ(h->getHp(), 10);
  EXPECT_EQ(h->getMaxHp(), 10);
  EXPECT_EQ(h->getAltitude(), 3);
  EXPECT_EQ(h->getSolidness(), vx::SOFT);
  EXPECT_EQ(vx::WorldManager::getInstance().getViewFollowing(), h);
  EXPECT_EQ(all<Shop>("Shop").size(), 1u);
  EXPECT_EQ(all<Spawner>("Spawner").size(), 1u);
  EXPECT_EQ(all<GameTimer>("GameTimer").size(), 1u);
  EXPECT_FALSE(all<Spawner>("Spawner")[0]->isVisible());
  // Every enemy stands on its own spawn point of floor 0.
  for (const SpawnPoint &s : m_level->getSpawnPoints()) {
    GridEntity *g = GridEntity::entityAt(s.x, s.y, nullptr);
    ASSERT_NE(dynamic_cast<Enemy *>(g), nullptr);
  }
  EXPECT_TRUE(env.logContains("Level::Level(): 23 spawn points, start (3,2)."));
  // The nine sprites, each with '.' transparent.
  for (const char *label : {"hero", "slime", "bat", "brute", "slash", "arrow-right", "arrow-left", "arrow-up",
                            "arrow-down"}) {
    vx::Sprite *p_s = vx::ResourceManager::getInstance().getSprite(label);
    ASSERT_NE(p_s, nullptr) << label;
    EXPECT_EQ(p_s->getTransparency(), '.') << label;
  }
}

// A world built after another in the same process starts afresh: enemies at
// level 0 from the first one on, floor 2 not yet visited, no records.
TEST_F(StartTest, ASecondWorldKeepsNothingOfTheFirst) {
  startGame(true, "frame_time:1000,\n");
  for (int i = 0; i < 200 && GameTimer::getEnemyLevel() < 1; i++) step();
  ASSERT_EQ(GameTimer::getEnemyLevel(), 1);
  hero()->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  step([] { press(vx::Keyboard::E); });
  ASSERT_TRUE(getFloorVisited(1));
  ASSERT_FALSE(getSavedEnemies(1).empty());

  env.stopEngine();
  startEngine("frame_time:1000,\n");
  loadGame();
  EXPECT_EQ(GameTimer::getEnemyLevel(), 0);
  EXPECT_FALSE(getFloorVisited(1));
  EXPECT_TRUE(getSavedEnemies(0).empty());
  EXPECT_TRUE(getSavedEnemies(1).empty());
  const int base_hp[3] = {3, 2, 8}, base_damage[3] = {1, 1, 3};
  std::vector<Enemy *> enemies = livingEnemies();
  ASSERT_EQ(enemies.size(), 23u);
  for (Enemy *e : enemies) {
    EXPECT_EQ(e->getMaxHp(), base_hp[e->getKind()]);
    EXPECT_EQ(e->getDamage(), base_damage[e->getKind()]);
  }
}

TEST_F(StartTest, EnemyStatsByKind) {
  startGame(false);
  Enemy *slime = new Enemy(0, 20, 20);
  Enemy *bat = new Enemy(1, 21, 20);
  Enemy *brute = new Enemy(2, 22, 20);
  Enemy *odd = new Enemy(7, 23, 20);
  EXPECT_EQ(slime->getMaxHp(), 3);
  EXPECT_EQ(slime->getDamage(), 1);
  EXPECT_EQ(slime->getReward(), 10);
  EXPECT_EQ(slime->getMoveDelay(), 16);
  EXPECT_EQ(slime->getSightRange(), 7);
  EXPECT_EQ(bat->getMaxHp(), 2);
  EXPECT_EQ(bat->getReward(), 15);
  EXPECT_EQ(bat->getMoveDelay(), 7);
  EXPECT_EQ(bat->getSightRange(), 6);
  EXPECT_EQ(brute->getMaxHp(), 8);
  EXPECT_EQ(brute->getDamage(), 3);
  EXPECT_EQ(brute->getReward(), 50);
  EXPECT_EQ(brute->getMoveDelay(), 22);
  EXPECT_EQ(brute->getSightRange(), 9);
  EXPECT_EQ(odd->getKind(), 7);
  EXPECT_EQ(odd->getMaxHp(), 3);
  EXPECT_EQ(odd->getMoveDelay(), 16);
  for (Enemy *e : {slime, bat, brute, odd}) {
    EXPECT_GE(e->getMoveCountdown(), e->getMoveDelay());
    EXPECT_LT(e->getMoveCountdown(), 2 * e->getMoveDelay());
    EXPECT_EQ(e->getAltitude(), 2);
    EXPECT_EQ(e->getHp(), e->getMaxHp());
  }
  EXPECT_EQ(slime->getPosition(), Level::cellToWorld(20, 20));
}

// The executable itself, run in a working directory of our own.
class MainTest : public ::testing::Test {
 protected:
  std::string m_dir;
  void SetUp() override {
    char tmpl[] = "/tmp/vx-main-XXXXXX";
    m_dir = mkdtemp(tmpl);
  }
  void TearDown() override { std::system(("rm -rf " + m_dir).c_str()); }

  int run(const std::string &config, const std::string &log) {
    std::ofstream(m_dir + "/cfg.txt") << config;
    std::string cmd = "cd " + m_dir + " && VEXMOOR_CONFIG=" + m_dir + "/cfg.txt VEXMOOR_LOG=" + log +
                      " timeout 120 " + VX_BUILD_DIR + "/vexmoor > /dev/null 2> " + m_dir + "/err.txt";
    int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  std::vector<std::string> lines(const std::string &file) {
    std::vector<std::string> out;
    for (const std::string &l : vx::test::TestEnv::readLines(file)) out.push_back(vx::test::stripLogPrefix(l));
    return out;
  }
};

// Headless, no sprites: nine failure lines in order, and the game still
// plays to the end (the hero falls to the enemies) and exits with 0.
TEST_F(MainTest, MissingSpritesAreLoggedAndTheGameRunsToItsEnd) {
  std::string log = m_dir + "/game.log";
  ASSERT_EQ(run("headless:true,\nnetworking:false,\nframe_time:0,\nrandom_seed:7,\n", log), 0);
  std::vector<std::string> failed;
  int stopped = 0;
  for (const std::string &l : lines(log)) {
    if (l.rfind("game: failed to load sprite ", 0) == 0) failed.push_back(l);
    if (l == "** Game engine stopped **") stopped++;
  }
  const char *files[9] = {"hero", "slime", "bat", "brute", "slash",
                          "arrow-right", "arrow-left", "arrow-up", "arrow-down"};
  ASSERT_EQ(failed.size(), 9u);
  for (int i = 0; i < 9; i++)
    EXPECT_EQ(failed[i], std::string("game: failed to load sprite sprites/") + files[i] + ".txt");
  EXPECT_EQ(stopped, 1);
}

TEST_F(MainTest, EngineThatCannotStartExitsWithOne) {
  // The log cannot be opened: the engine does not start.
  std::string log = m_dir + "/no-such-dir/game.log";
  EXPECT_EQ(run("headless:true,\nnetworking:false,\n", log), 1);
  std::ifstream err(m_dir + "/err.txt");
  std::string all_err((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
  EXPECT_NE(all_err.find("Error starting game manager!"), std::string::npos) << all_err;
}

} // namespace
