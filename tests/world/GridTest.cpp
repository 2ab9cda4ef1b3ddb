#include <algorithm>
#include <map>
#include <random>

#include "core/Config.h"
#include "core/TrackedList.h"
#include "loop/GameManager.h"
#include "support/ListItems.h"
#include "world/Grid.h"
#include "world/SceneGraph.h"
#include "world/WorldFixture.h"

using namespace vx;
using vx::test::items;
using world_test::Probe;
using world_test::WorldTest;

namespace {

} // namespace

// A random run of insertions (duplicates among them) and removals, growing
// and shrinking in turn, against a plain vector with ObjectList's rules;
// check(model) compares the list, every 97 steps and at the end.
template <class Insert, class Remove, class Check>
void orderedListRun(Insert insert, Remove remove, Check check) {
  std::vector<Object *> fake;
  for (int i = 1; i <= 60; i++) fake.push_back(reinterpret_cast<Object *>(static_cast<uintptr_t>(i * 16)));
  std::vector<Object *> model;
  unsigned seed = 7;
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  for (int step = 0; step < 20000; step++) {
    Object *p = fake[next() % fake.size()];
    int op = next() % 10;
    bool growing = step / 700 % 2 == 0;
    if (op < (growing ? 5 : 1)) {
      ASSERT_EQ(0, insert(p));
      model.push_back(p);
    } else if (op < 9) {
      auto it = std::find(model.begin(), model.end(), p);
      ASSERT_EQ(it == model.end() ? -1 : 0, remove(p));
      if (it != model.end()) model.erase(it);
    }
    if (step % 97 == 0) check(model, step);
  }
  check(model, -1);
}

// A queue's run: objects enter at the back and mostly leave from the front
// (as a list emptied in order), some from the middle, some come back, and
// some that are not there are asked to leave; no duplicates.
template <class Insert, class Remove, class Check>
void queueRun(Insert insert, Remove remove, Check check) {
  std::vector<Object *> model;
  unsigned seed = 11;
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  auto fake = [](unsigned i) { return reinterpret_cast<Object *>(static_cast<uintptr_t>((i + 1) * 400)); };
  unsigned made = 0;
  for (int step = 0; step < 20000; step++) {
    int op = next() % 16;
    bool growing = step / 900 % 2 == 0;
    if (op < (growing ? 9 : 3) || model.empty()) {
      // A new object, or one that left before.
      Object *p = made > 0 && op == 0 ? fake(next() % made) : fake(made++);
      if (std::find(model.begin(), model.end(), p) != model.end()) continue;
      ASSERT_EQ(0, insert(p));
      model.push_back(p);
    } else if (op < 14) {
      ASSERT_EQ(0, remove(model.front())) << "step " << step;
      model.erase(model.begin());
    } else if (op == 14) {
      size_t k = next() % model.size();
      ASSERT_EQ(0, remove(model[k])) << "step " << step;
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
      Object *p = fake(made + next() % 50);
      if (made > 0 && next() % 2) p = fake(next() % made);
      bool there = std::find(model.begin(), model.end(), p) != model.end();
      if (!there) {
        ASSERT_EQ(-1, remove(p)) << "step " << step;
      }
    }
    if (step % 89 == 0) check(model, step);
  }
  check(model, -1);
}

TEST(TrackedList, BehavesLikeAnOrderedListWithDuplicates) {
  TrackedList list;
  orderedListRun([&](Object *p) { return list.insert(p); }, [&](Object *p) { return list.remove(p); },
                 [&](const std::vector<Object *> &model, int step) {
                   ASSERT_EQ(static_cast<int>(model.size()), list.getCount());
                   ASSERT_EQ(model, items(list.toObjectList())) << "step " << step;
                   EXPECT_EQ(model.empty() ? nullptr : model.front(), list.front());
                   for (int i = 1; i <= 60; i++) {
                     Object *q = reinterpret_cast<Object *>(static_cast<uintptr_t>(i * 16));
                     EXPECT_EQ(std::find(model.begin(), model.end(), q) != model.end(), list.contains(q));
                   }
                 });
  EXPECT_EQ(-1, list.insert(nullptr));
  EXPECT_EQ(-1, list.remove(nullptr));
  TrackedList queue;
  queueRun([&](Object *p) { return queue.insert(p); }, [&](Object *p) { return queue.remove(p); },
           [&](const std::vector<Object *> &model, int step) {
             ASSERT_EQ(model, items(queue.toObjectList())) << "step " << step;
             for (size_t i = 0; i < model.size(); i++) ASSERT_TRUE(queue.contains(model[i])) << "step " << step;
           });
}

// A grid cell keeps its order through the index and the holes of a crowded
// cell, and each entry keeps the box last given to its object.
TEST(GridCell, BehavesLikeAnOrderedListWithDuplicates) {
  std::map<Object *, float> box;
  auto bounds = [&](Object *p) {
    float x = box[p];
    return Grid::Bounds{x, 0, x + 1, 1};
  };
  int moves = 0;
  // One of the runs on the cell, checked against its model.
  auto runOn = [&](Grid::CellList &cell, auto run) {
    run([&](Object *p) { return cell.insert(p, bounds(p)); },
        [&](Object *p) {
          box[p] = static_cast<float>(++moves);  // its later entries keep the new box
          cell.setBounds(p, bounds(p));
          return cell.remove(p);
        },
        [&](const std::vector<Object *> &model, int step) {
          ASSERT_EQ(static_cast<int>(model.size()), cell.getCount());
          ASSERT_EQ(model, items(cell.toObjectList())) << "step " << step;
          for (const Grid::CellList::Entry &e : cell) {
            if (!e.p_o) continue;
            ASSERT_EQ(box[e.p_o], e.bounds.x0) << "step " << step;
          }
        });
  };
  Grid::CellList cell;
  runOn(cell, [](auto insert, auto remove, auto check) { orderedListRun(insert, remove, check); });
  EXPECT_EQ(-1, cell.insert(nullptr, Grid::Bounds{0, 0, 1, 1}));
  EXPECT_EQ(-1, cell.remove(nullptr));
  Grid::CellList queue;
  runOn(queue, [](auto insert, auto remove, auto check) { queueRun(insert, remove, check); });
}

TEST_F(WorldTest, CellsOfPointsAndObjects) {
  Grid &g = wm().getSceneGraph().getGrid();
  EXPECT_EQ(Cell(1, 1), g.worldToCell(Vector(39.9f, 8.0f)));
  EXPECT_EQ(Cell(-1, -1), g.worldToCell(Vector(-0.5f, -0.5f)));
  EXPECT_EQ(4, g.getNumCols());
  EXPECT_EQ(3, g.getNumRows());
  Object *o = new Object;
  EXPECT_EQ((std::set<Cell>{Cell(0, 0)}), g.getCells(o, Vector(10, 4)));
  EXPECT_EQ((std::set<Cell>{Cell(-1, -1), Cell(0, 0)}), g.getCells(o, Vector(0, 4)));
  o->setBox(Box(Vector(0, 0), 20, 1));
  EXPECT_EQ((std::set<Cell>{Cell(0, 0), Cell(0, 1)}), g.getCells(o, Vector(0, 2)));
  // Wholly right of the grid: only out of bounds.
  o->setPosition(Vector(100, 2));
  EXPECT_EQ((std::set<Cell>{Cell(-1, -1)}), g.getCells(o, o->getPosition()));
  EXPECT_WORLD_OK();
  EXPECT_EQ(1, g.getObjects(Cell(-1, -1)).getCount());
  EXPECT_EQ(1, g.getObjects(Cell(7, 9)).getCount());  // any other cell means out of bounds
  // 300 x 90 gives 15 x 12.
  wm().setBoundary(Box(Vector(0, 0), 300, 90));
  EXPECT_EQ(15, g.getNumCols());
  EXPECT_EQ(12, g.getNumRows());
}

TEST_F(WorldTest, MovingKeepsCellListsExact) {
  Grid &g = wm().getSceneGraph().getGrid();
  Object *o = new Object;
  o->setPosition(Vector(10, 4));
  ObjectList before = g.getObjects(Cell(0, 0));
  o->setPosition(Vector(12, 5));  // same cell: no list change
  EXPECT_EQ(before, g.getObjects(Cell(0, 0)));
  o->setPosition(Vector(20.6f, 5));  // across the column border
  EXPECT_EQ(0, g.getObjects(Cell(0, 0)).getCount());
  EXPECT_EQ(1, g.getObjects(Cell(0, 1)).getCount());
  EXPECT_WORLD_OK();
  o->setPosition(Vector(20, 8));  // straddles four cells
  EXPECT_EQ(4u, g.getCells(o, o->getPosition()).size());
  EXPECT_WORLD_OK();
  // A walk over the whole world and beyond, checking every step.
  for (float x = -3; x < 85; x += 0.7f) {
    o->setPosition(Vector(x, x * 0.3f - 1));
    ASSERT_EQ("", vx::test::checkWorld()) << "x " << x;
  }
}

TEST_F(WorldTest, GridCollisionsAreDistinctAndExcludeTheMover) {
  Grid &g = wm().getSceneGraph().getGrid();
  Object *big = new Object;
  big->setBox(Box(Vector(-15, -6), 30, 12));  // many cells
  big->setPosition(Vector(20, 8));
  Object *other = new Object;
  other->setBox(Box(Vector(-10, -5), 20, 10));
  other->setPosition(Vector(21, 9));
  Object *far = new Object;
  far->setPosition(Vector(70, 20));
  ObjectList hits = g.getCollisions(big, big->getPosition());
  EXPECT_EQ((std::vector<Object *>{other}), items(hits));
  hits = g.getCollisions(other, other->getPosition());
  EXPECT_EQ((std::vector<Object *>{big}), items(hits));
  // Repeated queries give the same answer.
  EXPECT_EQ(hits, g.getCollisions(other, other->getPosition()));
  EXPECT_TRUE(g.getCollisions(far, far->getPosition()).isEmpty());
  // Touching edges count.
  Object *a = new Object;
  a->setBox(Box(Vector(0, 0), 1, 1));
  a->setPosition(Vector(60, 2));
  Object *b = new Object;
  b->setBox(Box(Vector(0, 0), 1, 1));
  b->setPosition(Vector(61, 2));
  EXPECT_EQ((std::vector<Object *>{b}), items(g.getCollisions(a, a->getPosition())));
  EXPECT_TRUE(g.getCollisions(nullptr, Vector()).isEmpty());
  EXPECT_EQ(1, logCount("Grid::getCollisions(): Error! Object is NULL"));
}

TEST_F(WorldTest, CollisionQueriesOfTwoGridsDoNotMixUp) {
  Object *mover = new Object;
  mover->setPosition(Vector(10, 4));
  std::vector<Object *> crowd;
  for (int i = 0; i < 20; i++) {
    Object *o = new Object;
    o->setPosition(Vector(10.5f, 4));
    crowd.push_back(o);
  }
  // Two grids over the same objects, each queried in turn: more hits than a
  // short list holds, so each query marks the objects it has seen.
  Grid first, second;
  ASSERT_EQ(0, first.startUp());
  ASSERT_EQ(0, second.startUp());
  for (Object *o : crowd) {
    first.insertObject(o);
    second.insertObject(o);
  }
  for (int round = 0; round < 3; round++) {
    EXPECT_EQ(20, first.getCollisions(mover, mover->getPosition()).getCount()) << round;
    EXPECT_EQ(20, second.getCollisions(mover, mover->getPosition()).getCount()) << round;
  }
  EXPECT_EQ(20, wm().getCollisions(mover, mover->getPosition()).getCount());
  // The visitor meets the same objects in the same order, and stops when told.
  std::vector<Object *> seen;
  wm().forEachCollision(mover, mover->getPosition(), [&](Object *q) {
    seen.push_back(q);
    return true;
  });
  EXPECT_EQ(crowd, seen);
  seen.clear();
  wm().forEachCollision(mover, mover->getPosition(), [&](Object *q) {
    seen.push_back(q);
    return seen.size() < 3;
  });
  EXPECT_EQ(std::vector<Object *>(crowd.begin(), crowd.begin() + 3), seen);
}

TEST_F(WorldTest, GridLifecycleAndText) {
  Grid &g = wm().getSceneGraph().getGrid();
  EXPECT_EQ(-1, g.startUp());
  EXPECT_EQ(1, logCount("Grid::startUp(): Warning! Grid allocated. Not proceeding."));
  wm().setBoundary(Box(Vector(0, 0), 20, 8));
  Object *o = new Object;
  o->setType("Hero");
  o->setId(3);
  o->setPosition(Vector(10, 4));
  EXPECT_EQ("GRID\ndimensions: (20,8)\nCell (0,0): count=1\n Hero(3)\nOut of bounds: count=0", g.toString());
  o->setPosition(Vector(30, 4));
  EXPECT_EQ("GRID\ndimensions: (20,8)\nCell (0,0): count=0\nOut of bounds: count=1\n Hero(3)", g.toString());
  g.shutDown();
  EXPECT_EQ("", g.toString());
  EXPECT_EQ(-1, g.insertObject(o));
  EXPECT_EQ(-1, g.removeObject(o));
  EXPECT_EQ(-1, g.updatePosition(o, Vector()));
  EXPECT_TRUE(g.getObjects(Cell(0, 0)).isEmpty());
  EXPECT_EQ(1, logCount("Grid::insertObject(): Error! grid is NULL"));
  EXPECT_EQ(1, logCount("Grid::removeObject(): Error! grid is NULL"));
  EXPECT_EQ(1, logCount("Grid::updatePosition(): Error! grid is NULL"));
  EXPECT_EQ(1, logCount("Grid::getObjects(): Error! grid is NULL"));
  EXPECT_EQ(0, g.startUp());
  g.insertObject(o);
  EXPECT_WORLD_OK();
  // A zero boundary: everything out of bounds, where the object is filed again.
  wm().setBoundary(Box(Vector(0, 0), 0, 0));
  EXPECT_EQ((std::set<Cell>{Cell(-1, -1)}), g.getCells(o, Vector(0, 0)));
  EXPECT_EQ(1, g.getObjects(Cell(-1, -1)).getCount());
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, CellSizesThatAreNotPositiveFallBack) {
  Config::getInstance().setGridWidth(0);
  Config::getInstance().setGridHeight(-4);
  Grid fresh;
  EXPECT_EQ(20, fresh.getCellWidth());
  EXPECT_EQ(8, fresh.getCellHeight());
  EXPECT_EQ(1, logCount("Grid::Grid(): Warning! Cell size 0 x -4 not positive. Using 20 x 8."));
  Config::getInstance().setGridWidth(20);
  Config::getInstance().setGridHeight(8);

  Grid &g = wm().getSceneGraph().getGrid();
  Object *o = new Object;
  o->setPosition(Vector(30, 10));
  g.setDimensions(10, 4);
  EXPECT_EQ(8, g.getNumCols());
  EXPECT_EQ(6, g.getNumRows());
  EXPECT_WORLD_OK();  // solid objects entered again
  g.setDimensions(0, 4);
  EXPECT_EQ(1, logCount("Grid::setDimensions(): Warning! Cell size 0 x 4 not positive. Using 20 x 4."));
  EXPECT_EQ(20, g.getCellWidth());
  EXPECT_EQ(4, g.getCellHeight());
  EXPECT_WORLD_OK();
  o->setPosition(Vector(55, 21));
  EXPECT_WORLD_OK();
  g.setDimensions(20, 8);
  EXPECT_WORLD_OK();
}

// The world's boundary plays no part: a grid covers what its owner told it,
// and a new cell size files again the solid objects it was given.
TEST_F(WorldTest, AGridOfItsOwnDividesTheBoundaryItIsTold) {
  TrackedList solid;
  Grid own(&solid);
  own.setBoundary(Box(Vector(0, 0), 300, 90));
  ASSERT_EQ(0, own.startUp());
  EXPECT_EQ(15, own.getNumCols());
  EXPECT_EQ(12, own.getNumRows());
  Object *o = new Object;
  o->setPosition(Vector(250, 80));
  ASSERT_EQ(0, solid.insert(o));
  own.setDimensions(10, 4);
  EXPECT_EQ(30, own.getNumCols());
  EXPECT_EQ(23, own.getNumRows());
  EXPECT_EQ((std::vector<Object *>{o}), items(own.getObjects(Cell(20, 25))));
  EXPECT_TRUE(own.getObjects(Cell(-1, -1)).isEmpty());
}

TEST_F(WorldTest, SceneGraphInsertAndRemove) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  o->setActive(false);
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.inactiveObjects()));
  EXPECT_TRUE(sg.activeObjects().isEmpty());
  o->setActive(true);
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.activeObjects()));
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.solidObjects()));
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.visibleObjects(2)));
  EXPECT_WORLD_OK();
  EXPECT_EQ(0, sg.removeObject(o));
  EXPECT_EQ(-1, sg.removeObject(o));
  char line[200];
  snprintf(line, sizeof line, "SceneGraph::removeObject(): Error removing Object (id %d)! Pointer is %p.", o->getId(),
           static_cast<void *>(o));
  EXPECT_EQ(1, logCount(line));
  EXPECT_EQ(0, sg.insertObject(o));
  EXPECT_WORLD_OK();
  EXPECT_TRUE(sg.objectsOfType("nobody").isEmpty());
  EXPECT_TRUE(sg.visibleObjects(5).isEmpty());
  EXPECT_EQ(1, logCount("SceneGraph::visibleObjects(): Warning! altitude 5 not in [0,4]."));
}

TEST_F(WorldTest, SceneGraphUpdatesOfInactiveObjects) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  o->setActive(false);
  std::vector<std::string> types = sg.typeNames();
  size_t lines = env.logLines().size();
  EXPECT_EQ(0, sg.updateAltitude(o, 77));
  EXPECT_EQ(0, sg.updateType(o, "Ghost"));
  EXPECT_EQ(0, sg.updateSolidness(o, SPECTRAL));
  EXPECT_EQ(0, sg.updateVisible(o, false));
  EXPECT_EQ(lines, env.logLines().size());
  EXPECT_EQ(types, sg.typeNames());
  o->setActive(true);
  EXPECT_EQ(-1, sg.updateAltitude(o, 7));
  EXPECT_EQ(1, logCount("SceneGraph::updateAltitude(): New altitude 7 not in [0,4]!  No update."));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, SolidnessChangesMoveBetweenSolidListAndGrid) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  o->setPosition(Vector(30, 10));
  o->setSolidness(SOFT);
  EXPECT_EQ(1, sg.solidObjects().getCount());
  EXPECT_WORLD_OK();
  o->setSolidness(SPECTRAL);
  EXPECT_EQ(0, sg.solidObjects().getCount());
  EXPECT_EQ(0, sg.getGrid().getObjects(Cell(1, 1)).getCount());
  EXPECT_WORLD_OK();
  o->setSolidness(HARD);
  EXPECT_EQ(1, sg.solidObjects().getCount());
  EXPECT_EQ(1, sg.getGrid().getObjects(Cell(1, 1)).getCount());
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, QuietFailuresAfterGameOver) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  // Take it out of its altitude list behind the object's back.
  EXPECT_EQ(0, sg.updateVisible(o, false));
  EXPECT_EQ(-1, o->setVisible(false));
  EXPECT_EQ(1, logCount("SceneGraph::updateVisible(): unable to remove visible object ((Undefined))"));
  GameManager::getInstance().setGameOver(true);
  EXPECT_EQ(0, o->setVisible(false));
  EXPECT_EQ(1, logCount("SceneGraph::updateVisible(): unable to remove visible object ((Undefined))"));
  GameManager::getInstance().setGameOver(false);
  EXPECT_FALSE(o->isVisible());
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, AltitudeChangeOfAnObjectMissingFromItsList) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  EXPECT_EQ(0, sg.updateVisible(o, false));  // out of visible_objects[2] behind its back
  EXPECT_EQ(-1, o->setAltitude(3));
  EXPECT_EQ(2, o->getAltitude());
  EXPECT_EQ(1, logCount("SceneGraph::updateAltitude(): remove from old altitude (2) failed!"));
  char line[160];
  snprintf(line, sizeof line, "\tObject: type (Undefined), id %d, p %p", o->getId(), static_cast<void *>(o));
  EXPECT_EQ(1, logCount(line));
  EXPECT_TRUE(sg.visibleObjects(3).isEmpty());
  // Once the game is over the failed removal is silent and the move goes on.
  GameManager::getInstance().setGameOver(true);
  EXPECT_EQ(0, o->setAltitude(3));
  GameManager::getInstance().setGameOver(false);
  EXPECT_EQ(3, o->getAltitude());
  EXPECT_EQ(1, logCount("SceneGraph::updateAltitude(): remove from old altitude (2) failed!"));
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.visibleObjects(3)));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, DeactivatingWithoutAGridStillReachesTheInactiveList) {
  SceneGraph &sg = wm().getSceneGraph();
  Object *o = new Object;
  sg.getGrid().shutDown();
  EXPECT_EQ(0, o->setActive(false));
  EXPECT_FALSE(o->isActive());
  EXPECT_EQ(1, logCount("Grid::removeObject(): Error! grid is NULL"));
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.inactiveObjects()));
  EXPECT_TRUE(sg.activeObjects().isEmpty());
  EXPECT_TRUE(sg.solidObjects().isEmpty());
  EXPECT_TRUE(sg.visibleObjects(2).isEmpty());
  EXPECT_WORLD_OK();
  // And back: activating without a grid leaves the inactive list.
  EXPECT_EQ(0, o->setActive(true));
  EXPECT_EQ(1, logCount("Grid::insertObject(): Error! grid is NULL"));
  EXPECT_TRUE(sg.inactiveObjects().isEmpty());
  EXPECT_EQ((std::vector<Object *>{o}), items(sg.activeObjects()));
  sg.getGrid().startUp();
  sg.getGrid().insertObject(o);
  EXPECT_WORLD_OK();
}
