#include "GamePlay.h"
#include "LevelMaps.h"

using game_test::GamePlay;

namespace {

class LevelTest : public GamePlay {};

TEST_F(LevelTest, StartLogLinesAndMapFacts) {
  startEngine();
  Level *p = new Level;
  EXPECT_EQ(findLevel(), p);
  std::vector<std::string> lines = env.logLines();
  std::vector<std::string> mine;
  for (const std::string &l : lines)
    if (l.rfind("Level::", 0) == 0) mine.push_back(l);
  ASSERT_EQ(mine.size(), 2u);
  EXPECT_EQ(mine[0], "Level::Level(): 23 spawn points, start (3,2).");
  EXPECT_EQ(mine[1], "Level::Level(): floor 2 has 23 spawn points, stairs (44,27).");

  EXPECT_EQ(p->getType(), "Level");
  EXPECT_EQ(p->getAltitude(), 0);
  EXPECT_EQ(p->getSolidness(), vx::SPECTRAL);
  EXPECT_EQ(p->getBox(), vx::Box(vx::Vector(0, 0), 300, 90));

  // Floor 0.
  EXPECT_EQ(p->tileAt(33, 6), TILE_SHOP);
  EXPECT_EQ(p->tileAt(35, 15), TILE_DOOR);
  EXPECT_EQ(p->tileAt(47, 22), TILE_DOOR);
  EXPECT_EQ(p->tileAt(44, 27), TILE_STAIRS);
  EXPECT_EQ(p->tileAt(3, 2), TILE_EMPTY);  // the start cell is floor
  EXPECT_EQ(p->getStairsX(0), 44);
  EXPECT_EQ(p->getStairsY(0), 27);
  int kinds[3] = {0, 0, 0};
  for (const SpawnPoint &s : p->getSpawnPoints()) {
    kinds[s.kind]++;
    EXPECT_EQ(p->tileAt(s.x, s.y), TILE_EMPTY);
  }
  EXPECT_EQ(kinds[0], 12);
  EXPECT_EQ(kinds[1], 8);
  EXPECT_EQ(kinds[2], 3);
  // Map order: row by row, left to right.
  EXPECT_EQ(p->getSpawnPoints().front().x, 14);
  EXPECT_EQ(p->getSpawnPoints().front().y, 2);
  EXPECT_EQ(p->getSpawnPoints().back().x, 13);
  EXPECT_EQ(p->getSpawnPoints().back().y, 28);

  // Floor 1.
  p->setFloor(1);
  EXPECT_EQ(p->getFloor(), 1);
  EXPECT_EQ(p->tileAt(21, 12), TILE_SHOP);
  EXPECT_EQ(p->tileAt(41, 10), TILE_DOOR);
  EXPECT_EQ(p->tileAt(47, 15), TILE_DOOR);
  EXPECT_EQ(p->tileAt(44, 27), TILE_STAIRS);
  int kinds1[3] = {0, 0, 0};
  for (const SpawnPoint &s : p->getSpawnPoints()) kinds1[s.kind]++;
  EXPECT_EQ(kinds1[0], 11);
  EXPECT_EQ(kinds1[1], 9);
  EXPECT_EQ(kinds1[2], 3);
  // The start character exists only on floor 0: (3,2) of floor 1 is open floor.
  EXPECT_EQ(p->getStartX(), 3);
  EXPECT_EQ(p->getStartY(), 2);
}

// Every row of both floors, compared with the game's maps through tileAt.
TEST_F(LevelTest, TilesMatchTheMapsCellForCell) {
  startEngine();
  Level *p = new Level;
  for (int f = 0; f < 2; f++) {
    p->setFloor(f);
    for (int r = 0; r < 30; r++) {
      ASSERT_EQ(std::string(LEVEL_MAPS[f][r]).size(), 60u);
      for (int c = 0; c < 60; c++) {
        char ch = LEVEL_MAPS[f][r][c];
        int want = ch == '#' ? 1 : ch == 'D' ? 2 : ch == 'S' ? 3 : (ch == '^' || ch == 'v') ? 4 : 0;
        ASSERT_EQ(p->tileAt(c, r), want) << "floor " << f << " cell " << c << "," << r;
      }
    }
  }
}

TEST_F(LevelTest, BoundsWalkingDoorsAndCells) {
  startEngine();
  Level *p = new Level;
  EXPECT_EQ(p->tileAt(-1, 0), TILE_WALL);
  EXPECT_EQ(p->tileAt(60, 0), TILE_WALL);
  EXPECT_EQ(p->tileAt(0, 30), TILE_WALL);
  EXPECT_FALSE(p->isWalkable(-1, 0));
  EXPECT_FALSE(p->isWalkable(60, 0));
  EXPECT_FALSE(p->isWalkable(0, 30));
  EXPECT_FALSE(p->isWalkable(0, 0));
  EXPECT_TRUE(p->isWalkable(33, 6));   // shop
  EXPECT_TRUE(p->isWalkable(44, 27));  // stairs
  EXPECT_FALSE(p->isWalkable(35, 15));
  p->setDoorsOpen(true);
  EXPECT_TRUE(p->getDoorsOpen());
  EXPECT_TRUE(p->isWalkable(35, 15));
  p->setFloor(1);
  EXPECT_TRUE(p->isWalkable(41, 10));
  p->setFloor(2);
  EXPECT_EQ(p->getFloor(), 1);
  p->setFloor(-1);
  EXPECT_EQ(p->getFloor(), 1);

  int c, r;
  Level::worldToCell(vx::Vector(4.9f, 2.9f), c, r);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(r, 0);
  Level::worldToCell(vx::Vector(5.0f, 3.0f), c, r);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(r, 1);
  Level::worldToCell(vx::Vector(-0.1f, -0.1f), c, r);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(Level::cellToWorld(3, 2), vx::Vector(17, 7));
  EXPECT_TRUE(Level::inBounds(59, 29));
  EXPECT_FALSE(Level::inBounds(59, 30));
  EXPECT_EQ(p->draw(), 0);
}

TEST_F(LevelTest, NoLevelMeansNullAndFreeMovement) {
  startEngine();
  EXPECT_EQ(findLevel(), nullptr);
  Hero *h = new Hero;  // no level: stays where the object starts
  EXPECT_TRUE(h->canMoveTo(-5, -5));
  EXPECT_TRUE(h->tryMove(1, 0));
  EXPECT_EQ(h->getGridX(), 1);
  EXPECT_FALSE(useStairs(h));
}

} // namespace
