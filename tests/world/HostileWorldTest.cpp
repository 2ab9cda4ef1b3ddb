// Hostile input to the world: null objects, boundary changes under a
// populated world, grids over their cell limit or resized under a search,
// objects entered twice, allocation failures in the object lists, and
// particle settings that do not fit.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "WorldFixture.h"
#include "core/EventStep.h"
#include "core/PlaneGeometry.h"
#include "core/TrackedList.h"
#include "display/Frame.h"
#include "display/Sprite.h"
#include "path/PathFind.h"
#include "support/ParticleCheck.h"
#include "world/EventPath.h"
#include "world/Geometry.h"
#include "world/Grid.h"
#include "world/Particle.h"
#include "world/ParticleEffects.h"
#include "world/Precipitation.h"

// Allocation failure on demand: when armed with n, the n-th allocation from
// then on throws std::bad_alloc, once.
namespace {
long g_fail_countdown = 0;
}

// Every form of new and delete is replaced, so that all pairs match.
__attribute__((noinline)) void *operator new(std::size_t n) {
  if (g_fail_countdown > 0 && --g_fail_countdown == 0) throw std::bad_alloc();
  if (void *p = std::malloc(n != 0 ? n : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void *operator new[](std::size_t n) { return operator new(n); }
__attribute__((noinline)) void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
  try {
    return operator new(n);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}
__attribute__((noinline)) void *operator new[](std::size_t n, const std::nothrow_t &t) noexcept {
  return operator new(n, t);
}
__attribute__((noinline)) void operator delete(void *p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void *p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void *p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

using namespace vx;
using world_test::Probe;
using world_test::WorldTest;

namespace {

void failAllocation(long n) { g_fail_countdown = n; }
// True when the armed failure happened.
bool failed() {
  bool hit = g_fail_countdown == 0;
  g_fail_countdown = 0;
  return hit;
}

} // namespace

TEST_F(WorldTest, HostileNullObjectHasAnEmptyWorldBox) {
  EXPECT_EQ(Box(), getWorldBox(nullptr));
  EXPECT_EQ(Box(), getWorldBox(nullptr, Vector(3, 4)));
  EXPECT_EQ(-1.0f, distance(nullptr, nullptr));
}

TEST_F(WorldTest, HostileBoundaryChangeKeepsObjectsFiled) {
  Probe *rock = make(Vector(30, 10), HARD, "Rock");
  Probe *mist = make(Vector(5, 5), SPECTRAL, "Mist");
  Probe *asleep = make(Vector(60, 20), SOFT, "Asleep");
  ASSERT_EQ(0, asleep->setActive(false));

  wm().setBoundary(Box(Vector(0, 0), 300, 90));
  EXPECT_WORLD_OK();
  EXPECT_EQ(1, wm().objectsOfType("Rock").getCount());
  EXPECT_EQ(1, wm().objectsOfType("Mist").getCount());
  EXPECT_TRUE(wm().objectsOfType("Asleep").isEmpty());
  // The rock still blocks.
  Probe *mover = make(Vector(28, 10), HARD, "Mover");
  EXPECT_EQ(-1, wm().moveObject(mover, Vector(29.5f, 10)));
  EXPECT_EQ(1, rock->collisions);

  // Deactivation, activation and deletion work on every object that existed.
  EXPECT_EQ(0, rock->setActive(false));
  EXPECT_FALSE(rock->isActive());
  EXPECT_EQ(0, asleep->setActive(true));
  EXPECT_EQ(1, wm().objectsOfType("Asleep").getCount());
  EXPECT_WORLD_OK();
  int rock_id = rock->getId();
  wm().markForDelete(rock);
  wm().markForDelete(mist);
  wm().update();
  EXPECT_EQ(nullptr, wm().objectWithId(rock_id));
  EXPECT_EQ(2, wm().getAllObjects(true).getCount());
  EXPECT_EQ("", test::checkWorld(std::vector<Object *>{asleep, mover}));
}

TEST_F(WorldTest, HostileGridOverItsCellLimitUsesLargerCells) {
  // 1100 x 1000 cells of 20 x 8: over the limit of 2^20.
  Probe *far = make(Vector(21000, 7900), HARD, "Far");
  wm().setBoundary(Box(Vector(0, 0), 22000, 8000));
  Grid &g = wm().getSceneGraph().getGrid();
  EXPECT_EQ(1, logCount("Grid::startUp(): Warning! 1100 x 1000 cells exceed the limit of 1048576. "
                        "Using cells of 21 x 9."));
  EXPECT_FALSE(env.logContains("Unable to allocate"));
  ASSERT_TRUE(g.isAllocated());
  EXPECT_EQ(21, g.getCellWidth());
  EXPECT_EQ(9, g.getCellHeight());
  EXPECT_LE(static_cast<long long>(g.getNumCols()) * g.getNumRows(), 1 << 20);
  EXPECT_EQ(1000, std::get<1>(g.worldToCell(far->getPosition())));
  EXPECT_WORLD_OK();

  // Solid objects made now are drawn and collide.
  Probe *near = make(Vector(20998, 7900), HARD, "Near");
  wm().setView(Box(Vector(20960, 7880), 80, 24));
  wm().draw();
  EXPECT_EQ(1, far->draws);
  EXPECT_EQ(1, near->draws);
  EXPECT_EQ(-1, wm().moveObject(near, Vector(20999.5f, 7900)));
  EXPECT_EQ(1, far->collisions);

  // An endless world: the largest cells, and the rest out of bounds.
  wm().setBoundary(Box(Vector(0, 0), INFINITY, INFINITY));
  ASSERT_TRUE(g.isAllocated());
  EXPECT_LE(static_cast<long long>(g.getNumCols()) * g.getNumRows(), 1 << 20);
  EXPECT_WORLD_OK();

  // A smaller world goes back to the cells asked for.
  wm().setBoundary(Box(Vector(0, 0), 80, 24));
  EXPECT_EQ(20, g.getCellWidth());
  EXPECT_EQ(8, g.getCellHeight());
  EXPECT_WORLD_OK();
}

namespace {

int runSearch(PathFind &pf) {
  int r = SEARCHING;
  for (int i = 0; i < 1000 && r == SEARCHING; i++) r = pf.cycleOnce();
  return r;
}

std::string waypoints(const PathFind &pf) {
  std::string s;
  for (const Vector &v : pf.getPath().getWaypoints()) s += v.toString();
  return s;
}

} // namespace

TEST_F(WorldTest, HostileCellSizeChangeUnderARunningSearch) {
  // A cell is closed when the first hard object there (in grid order) does
  // not hold the goal. The hall holds the goal (1,1); the pillar closes
  // (2,1) and (3,1) wherever it comes before the hall, the wall closes (3,0).
  wm().setBoundary(Box(Vector(0, 0), 6, 2));
  Grid &grid = wm().getSceneGraph().getGrid();
  const int cell_w = grid.getCellWidth(), cell_h = grid.getCellHeight();
  make(Vector(3, 0), HARD, "Wall");
  Probe *hall = make(Vector(2, 1), HARD, "Hall");
  hall->setBox(Box(Vector(-1.5f, -1.5f), 3.99f, 1.99f));
  Probe *pillar = make(Vector(3, 1), HARD, "Pillar");
  pillar->setBox(Box(Vector(-1.5f, -1.5f), 1.99f, 2.99f));
  // Out and back: the hall is now after the pillar in the cell, still before
  // it in the solid list, which a new cell size files again.
  hall->setPosition(Vector(1000, 1000));
  hall->setPosition(Vector(2, 1));
  Probe *walker = make(Vector(5, 0), SPECTRAL, "Walker");
  {
    PathFind closed(walker, Vector(5, 0), Vector(1, 1));
    EXPECT_EQ(NO_PATH, runSearch(closed));
  }

  PathFind running(walker, Vector(5, 0), Vector(1, 1));
  EXPECT_EQ(SEARCHING, running.cycleOnce());
  EXPECT_EQ(SEARCHING, running.cycleOnce());  // from (4,0): (3,1) closed
  const uint64_t count = wm().getChangeCount();
  grid.setDimensions(2, 2);
  EXPECT_NE(count, wm().getChangeCount());
  PathFind fresh(walker, Vector(5, 0), Vector(1, 1));
  EXPECT_EQ(FOUND, runSearch(fresh));
  EXPECT_EQ(FOUND, runSearch(running));
  EXPECT_EQ("(5,0)(4,1)(3,1)(2,1)(1,1)", waypoints(fresh));
  EXPECT_EQ(waypoints(fresh), waypoints(running));
  EXPECT_WORLD_OK();

  // The same cell size restarts nothing; the grid outlives the test.
  const uint64_t same = wm().getChangeCount();
  grid.setDimensions(2, 2);
  EXPECT_EQ(same, wm().getChangeCount());
  grid.setDimensions(cell_w, cell_h);
}

TEST_F(WorldTest, HostileSecondInsertionIsRefused) {
  Probe *twice = make(Vector(10, 10), HARD, "Twice");
  Probe *asleep = make(Vector(30, 10), SOFT, "Asleep");
  ASSERT_EQ(0, asleep->setActive(false));
  Probe *mover = make(Vector(12, 10), HARD, "Mover");
  auto line = [](Object *p) {
    char buf[200];
    snprintf(buf, sizeof buf, "WorldManager::insertObject(): Error! Object %d (%p) already in the world.", p->getId(),
             static_cast<void *>(p));
    return std::string(buf);
  };
  const uint64_t serial = wm().serialOf(twice);
  EXPECT_EQ(-1, wm().insertObject(twice));
  EXPECT_EQ(-1, wm().insertObject(asleep));
  EXPECT_EQ(serial, wm().serialOf(twice));  // a search aiming at it keeps it
  EXPECT_EQ(1, logCount(line(twice)));
  EXPECT_EQ(1, logCount(line(asleep)));
  EXPECT_EQ("", test::checkWorld(std::vector<Object *>{twice, asleep, mover}));

  // No entry stays behind where the object was.
  EXPECT_EQ(0, wm().moveObject(twice, Vector(40, 20)));
  EXPECT_TRUE(wm().getCollisions(mover, Vector(10.5f, 10)).isEmpty());
  EXPECT_EQ(0, wm().moveObject(mover, Vector(10.5f, 10)));
  EXPECT_EQ(0, twice->collisions);
  EXPECT_EQ(0, asleep->setActive(true));
  EXPECT_EQ(1, wm().objectsOfType("Asleep").getCount());
  EXPECT_WORLD_OK();

  // Each object is deleted once.
  wm().shutDown();
  EXPECT_TRUE(wm().getAllObjects(true).isEmpty());
}

TEST_F(WorldTest, HostileListsOutOfMemoryFailWithoutThrowing) {
  // Every allocation of an insert fails in turn: the insert either holds the
  // object or returns -1 without it, and the list keeps working.
  std::vector<Object *> fake;
  for (int i = 0; i < 40; i++) fake.push_back(reinterpret_cast<Object *>(0x1000 + 16 * i));
  bool refused = false;
  for (long k = 1; k <= 40; k++) {
    TrackedList l;
    for (int i = 0; i < 16; i++) l.insert(fake[i]);
    failAllocation(k);
    int r = l.insert(fake[16]);
    failed();
    if (r == -1) refused = true;
    EXPECT_EQ(r == 0, l.contains(fake[16]));
    EXPECT_EQ(r == 0 ? 17 : 16, l.getCount());
    for (int i = 17; i < 40; i++) ASSERT_EQ(0, l.insert(fake[i]));
    for (int i = 0; i < 40; i += 2) EXPECT_EQ(i == 16 && r == -1 ? -1 : 0, l.remove(fake[i]));
    ObjectList rest = l.toObjectList();
    ASSERT_EQ(20, rest.getCount());
    for (int i = 0; i < 20; i++) EXPECT_EQ(fake[2 * i + 1], rest[i]);
  }
  EXPECT_TRUE(refused);

  // A new object whose type entry cannot be made: the scene graph's line,
  // the constructor's line, and nothing of it left once deleted.
  bool type_map_line = false;
  for (long k = 1; k <= 40 && !type_map_line; k++) {
    wm().setBoundary(Box(Vector(0, 0), 80 + k % 2, 24));  // clears the type map
    Probe *p = nullptr;
    failAllocation(k);
    try {
      p = new Probe("Brand new type name, longer than short strings");
    } catch (const std::bad_alloc &) {
    }
    bool hit = failed();
    if (!p) continue;
    std::string id = std::to_string(p->getId());
    if (hit && logCount("SceneGraph::insertObject(): Error! unable to insert Object (id " + id +
                        ") into type map") == 1) {
      type_map_line = true;
      EXPECT_TRUE(env.logContains("Object::Object(): Error! Unable to add "));
      EXPECT_TRUE(wm().objectsOfType(p->getType()).isEmpty());
      EXPECT_TRUE(wm().getSceneGraph().activeList().contains(p));
    }
    delete p;
    EXPECT_EQ("", test::checkWorld(std::vector<Object *>{}));
  }
  EXPECT_TRUE(type_map_line);
}

TEST(HostileParticles, ScalesAndCountsOutOfRangeAreRefused) {
  test::particles::EngineFixture f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(-1, addParticles(1, Vector(10, 10), nan, RED));
  EXPECT_EQ(-1, addParticles(0, Vector(10, 10), 1e30f, RED));
  EXPECT_EQ(-1, addParticles(3, Vector(10, 10), -1e30f, RED));
  EXPECT_EQ(1, test::particles::countLines(f.env, "addParticles(): Error! Scale nan for preset 1 out of range."));
  EXPECT_EQ(1, test::particles::countLines(f.env, "addParticles(): Error! Scale 1e+30 for preset 0 out of range."));
  EXPECT_EQ(1, test::particles::countLines(f.env, "addParticles(): Error! Scale -1e+30 for preset 3 out of range."));
  EXPECT_EQ(0, addParticles(7, Vector(10, 10), nan, RED));  // no such preset: nothing to refuse

  EXPECT_EQ(-1, addParticles(1, DIRECTION_DOWN, 1e30f));
  EXPECT_EQ(-1, addParticles(0, DIRECTION_UP, nan));
  EXPECT_EQ(1, test::particles::countLines(
                   f.env, "addParticles(): Error! Scale 1e+30 gives 3.2e+31 precipitation particles, above the "
                          "limit of 1048576."));
  EXPECT_EQ(1, test::particles::countLines(
                   f.env, "addParticles(): Error! Scale nan gives nan precipitation particles, above the limit "
                          "of 1048576."));
  EXPECT_EQ(-1, addParticles(2000000, Vector(1, 1), 0, Vector(0, 1), 0, 1, 0, 0.1f, 0, 5, 0, 255, 0, 255, 0, 0,
                             0, 0));
  EXPECT_EQ(1, test::particles::countLines(f.env, "addParticles(): Error! Count 2000000 above the limit of 1048576."));
  EXPECT_TRUE(WorldManager::getInstance().getAllObjects(true).isEmpty());

  // An age near INT_MAX plus its random spread stays an int.
  Sprite sprite(1);
  sprite.setWidth(2);
  sprite.setHeight(1);
  sprite.addFrame(Frame(2, 1, "ab"));
  ASSERT_EQ(0, explode(&sprite, 0, Vector(10, 10), INT_MAX, 1.0f, 20, 0));
  ObjectList debris = WorldManager::getInstance().objectsOfType("Debris");
  ASSERT_EQ(2, debris.getCount());
  for (int i = 0; i < debris.getCount(); i++)
    EXPECT_GE(static_cast<Particle *>(debris[i])->getAge(), INT_MAX - INT_MAX / 8);
}

TEST(HostileParticles, PrecipitationReentersAWorldAwayFromTheOrigin) {
  test::particles::EngineFixture f;
  WorldManager &wm = WorldManager::getInstance();
  Box world(Vector(100, 50), 80, 24);
  wm.setBoundary(world);
  Precipitation *p = new Precipitation(3, DIRECTION_DOWN, 128, 255, 255, 255);
  // Starts within the world's rows, up to 9 cells beyond its right edge.
  EXPECT_GE(p->getPosition().getX(), 100);
  EXPECT_LT(p->getPosition().getX(), 190);
  EXPECT_GE(p->getPosition().getY(), 50);
  EXPECT_LT(p->getPosition().getY(), 74);

  // Stray at the origin, falling: back above the world's own top edge.
  p->setPosition(Vector(10, 10));
  p->setVelocity(Vector(0, 0.75f));
  test::particles::stepWorld(1);
  Vector at = p->getPosition();
  EXPECT_GE(at.getX(), 100);
  EXPECT_LT(at.getX(), 180);
  EXPECT_GT(at.getY(), 45);
  EXPECT_LT(at.getY(), 52);
  // From there it falls in without further draws.
  for (int i = 0; i < 8; i++) {
    test::particles::stepWorld(1);
    EXPECT_FLOAT_EQ(at.getX(), p->getPosition().getX());
    EXPECT_NEAR(at.getY() + 0.75f * (i + 1), p->getPosition().getY(), 1e-4);
  }
  EXPECT_TRUE(boxIntersectsBox(getWorldBox(p), world));
}
