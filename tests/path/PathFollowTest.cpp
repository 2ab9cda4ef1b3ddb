// Objects that ask for a path receive it and walk it around HARD walls.

#include "PathTestWorld.h"
#include "core/PlaneGeometry.h"
#include "world/EventPath.h"
#include "world/Geometry.h"

using namespace vx;
using pathtest::PathWorld;

namespace {

class Walker : public Object {
 public:
  int path_events = 0;
  int last_result = -1;
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() == EVENT_PATH) {
      path_events++;
      last_result = dynamic_cast<const EventPath *>(p_e)->getResult();
    }
    return Object::eventHandler(p_e);
  }
};

class PathFollowTest : public PathWorld {
 protected:
  // One engine step's world work followed by the path budget.
  void step() {
    WorldManager::getInstance().update();
    PathManager::getInstance().cycle(5);
  }
  bool overlapsHard(Object *p_o) {
    ObjectList l = WorldManager::getInstance().getCollisions(p_o, p_o->getPosition());
    for (int i = 0; i < l.getCount(); i++)
      if (l[i]->getSolidness() == HARD) return true;
    return false;
  }
};

TEST_F(PathFollowTest, WalksAroundAWallToThePosition) {
  setWorld(14, 10);
  walls({".....#........",
         ".....#........",
         ".....#........",
         ".....#...#....",
         ".....#...#....",
         ".....#...#....",
         ".....#...#....",
         "..............",
         "..............",
         ".........#...."});
  Walker *p_w = new Walker;
  p_w->setPosition(Vector(2, 2));
  p_w->setSpeed(0.5f);
  p_w->pathTo(Vector(12, 3));
  EXPECT_EQ(1, PathManager::getInstance().getNumPaths());
  EXPECT_TRUE(p_w->getAvoidCollisions());
  int steps = 0;
  bool clean = true;
  while (steps < 400 && (p_w->path_events == 0 || p_w->getFollowPath())) {
    step();
    clean = clean && !overlapsHard(p_w);
    steps++;
  }
  EXPECT_EQ(1, p_w->path_events);
  EXPECT_EQ(FOUND, p_w->last_result);
  EXPECT_EQ(nullptr, p_w->getPathFind());
  EXPECT_EQ(0, PathManager::getInstance().getNumPaths());
  EXPECT_FALSE(p_w->getFollowPath());
  EXPECT_EQ(Vector(12, 3), p_w->getPosition());
  EXPECT_TRUE(p_w->getDirection().isZero());
  EXPECT_TRUE(clean);
  // The route passed below the first wall.
  bool below = false;
  for (const Vector &v : p_w->getPath().getWaypoints())
    if (v.getX() == 5 && v.getY() >= 7) below = true;
  EXPECT_TRUE(below);
}

TEST_F(PathFollowTest, WalksToAnotherObject) {
  setWorld(14, 10);
  walls({"......#.......",
         "......#.......",
         "......#.......",
         "......#.......",
         "..............",
         "..............",
         "..............",
         "..............",
         "..............",
         ".............."});
  // A SOFT goal: the walker may overlap it (a HARD one would stop it at the edge).
  Object *p_goal = place(11, 1, SOFT);
  p_goal->setBox(Box(Vector(-1.5f, -1.5f), 2.99f, 2.99f));
  Walker *p_w = new Walker;
  p_w->setPosition(Vector(1, 1));
  p_w->setSpeed(1.0f);
  p_w->pathTo(p_goal);
  int steps = 0;
  while (steps < 400 && (p_w->path_events == 0 || p_w->getFollowPath())) {
    step();
    steps++;
  }
  ASSERT_EQ(FOUND, p_w->last_result);
  // It stops where its box first meets the goal's, short of the goal's centre.
  Vector final_pos = p_w->getPath().getFinal();
  EXPECT_EQ(final_pos, p_w->getPosition());
  EXPECT_TRUE(boxIntersectsBox(getWorldBox(p_w), getWorldBox(p_goal)));
  EXPECT_NE(Vector(11, 1), final_pos);
}

TEST_F(PathFollowTest, EnclosedGoalGivesNoPathAndNoMotion) {
  setWorld(12, 8);
  walls({"............",
         "......###...",
         "......#.#...",
         "......###...",
         "............",
         "............",
         "............",
         "............"});
  Walker *p_w = new Walker;
  p_w->setPosition(Vector(1, 1));
  p_w->setSpeed(1.0f);
  p_w->pathTo(Vector(7, 2));
  for (int i = 0; i < 100 && p_w->path_events == 0; i++) step();
  EXPECT_EQ(1, p_w->path_events);
  EXPECT_EQ(NO_PATH, p_w->last_result);
  step();
  EXPECT_EQ(Vector(1, 1), p_w->getPosition());
  EXPECT_FALSE(p_w->getFollowPath());
}

// A new request replaces the pending one; deleting the searcher mid-search
// takes its search out of the manager.
TEST_F(PathFollowTest, ReplacedAndAbandonedSearches) {
  setWorld(30, 20);
  Walker *p_w = new Walker;
  p_w->setPosition(Vector(1, 1));
  p_w->pathTo(Vector(28, 18));
  PathFind *p_first = p_w->getPathFind();
  p_w->pathTo(Vector(20, 10));
  EXPECT_NE(nullptr, p_w->getPathFind());
  EXPECT_EQ(1, PathManager::getInstance().getNumPaths());
  (void)p_first;
  WorldManager::getInstance().markForDelete(p_w);
  WorldManager::getInstance().update();
  EXPECT_EQ(0, PathManager::getInstance().getNumPaths());
  PathManager::getInstance().cycle(5);
}

}  // namespace
