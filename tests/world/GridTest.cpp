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

// A random run over an indexed list against a plain vector with ObjectList's
// rules. Phases grow the list past the index threshold and shrink it below,
// so that the index is made and dropped again; objects rotate (out at the
// front, back at the end, as a pool does), leave from the front for good
// while new addresses arrive (a stream of objects), are cut from behind the
// front, leave from the middle, come back, enter twice, or are asked to leave
// when absent, so that front and full compactions come in every order. check(model, gone, step)
// runs after every step; gone are objects that left lately and are not back.
template <class Insert, class Remove, class Check>
void indexedListRun(unsigned seed, Insert insert, Remove remove, Check check) {
  std::mt19937 rng(seed);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  std::vector<Object *> model, left;
  uintptr_t next_address = 0x100000;
  auto fresh = [&]() {
    next_address += 8 * (1 + pick(6));
    return reinterpret_cast<Object *>(next_address);
  };
  for (int step = 0; step < 12000; step++) {
    int phase = step / 1200 % 5;  // 0 grow, 1 rotate, 2 stream, 3 cut, 4 shrink
    size_t target = phase == 0 ? 140 : phase == 3 ? 20 : phase == 4 ? 6 : model.size();
    int op = static_cast<int>(pick(20));
    if (phase == 3 && step % 1200 == 0) {
      // Emptied from the front and filled again, each object then taken out
      // and put back in turn (a pool), before the cut.
      while (!model.empty()) {
        ASSERT_EQ(0, remove(model.front())) << "step " << step;
        left.push_back(model.front());
        model.erase(model.begin());
      }
      for (size_t n = 60 + pick(80); n > 0; n--) {
        model.push_back(fresh());
        ASSERT_EQ(0, insert(model.back()));
      }
      for (size_t n = model.size(); n > 0; n--) {
        Object *p = model.front();
        ASSERT_EQ(0, remove(p)) << "step " << step;
        ASSERT_EQ(0, insert(p));
        model.erase(model.begin());
        model.push_back(p);
      }
    } else if (phase == 3 && model.size() > target && op < 16) {
      Object *p = model[1 + pick(model.size() - 1)];
      ASSERT_EQ(0, remove(p)) << "step " << step;
      left.push_back(p);
      model.erase(std::find(model.begin(), model.end(), p));
    } else if (model.empty() || (model.size() < target && op < 10)) {
      Object *p = !left.empty() && op % 3 == 0 ? left[pick(left.size())] : fresh();
      ASSERT_EQ(0, insert(p));
      model.push_back(p);
    } else if (op < 8 && phase != 2) {
      Object *p = model.front();  // rotation
      ASSERT_EQ(0, remove(p)) << "step " << step;
      model.erase(model.begin());
      ASSERT_EQ(0, insert(p));
      model.push_back(p);
    } else if (op < 13) {
      Object *p = model.front();  // for good, or for a while
      ASSERT_EQ(0, remove(p)) << "step " << step;
      model.erase(model.begin());
      left.push_back(p);
      if (phase == 2 || model.size() > target) {
        Object *q = phase == 2 ? fresh() : left[pick(left.size())];
        ASSERT_EQ(0, insert(q));
        model.push_back(q);
      }
    } else if (op < 17) {
      Object *p = model[pick(model.size())];  // its first entry leaves
      ASSERT_EQ(0, remove(p)) << "step " << step;
      left.push_back(p);
      model.erase(std::find(model.begin(), model.end(), p));
    } else if (op == 17) {
      Object *p = model[pick(model.size())];  // a second entry
      ASSERT_EQ(0, insert(p));
      model.push_back(p);
    } else {
      Object *p = left.empty() || op == 18 ? fresh() : left[pick(left.size())];
      auto it = std::find(model.begin(), model.end(), p);
      ASSERT_EQ(it == model.end() ? -1 : 0, remove(p)) << "step " << step;
      if (it != model.end()) model.erase(it);
    }
    if (left.size() > 400) left.erase(left.begin(), left.begin() + 200);
    std::vector<Object *> gone;
    for (size_t i = left.size(); i-- > 0 && gone.size() < 8;)
      if (std::find(model.begin(), model.end(), left[i]) == model.end()) gone.push_back(left[i]);
    check(model, gone, step);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The index stays within a few times the live entries: the lingering ones
// stay behind when the live ones move to a new table.
template <class List>
void expectIndexBounded(const List &list, int step) {
  ASSERT_LE(list.indexSize(), 6 * static_cast<size_t>(list.getCount()) + 64) << "step " << step;
}

} // namespace

// The shared indexed list as the world's lists use it and as a grid cell
// (each entry beside its box, setBounds between the steps), against the model.
TEST(IndexedList, TrackedListAndGridCellFollowAPlainVector) {
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
    SCOPED_TRACE(seed);
    TrackedList list;
    indexedListRun(
        seed, [&](Object *p) { return list.insert(p); }, [&](Object *p) { return list.remove(p); },
        [&](const std::vector<Object *> &model, const std::vector<Object *> &gone, int step) {
          ASSERT_EQ(model, items(list.toObjectList())) << "step " << step;
          ASSERT_EQ(model.empty() ? nullptr : model.front(), list.front());
          // Each object is found at its first entry.
          std::map<Object *, int> first;
          int offset = 0;
          for (Object *p : list) first.emplace(p, offset++);
          for (Object *p : model) ASSERT_EQ(list.find(model.front()) + first[p], list.find(p)) << "step " << step;
          for (Object *p : gone) ASSERT_FALSE(list.contains(p)) << "step " << step;
          expectIndexBounded(list, step);
        });
    if (HasFatalFailure()) return;
    EXPECT_EQ(-1, list.insert(nullptr));
    EXPECT_EQ(-1, list.remove(nullptr));

    std::map<Object *, float> box;
    auto bounds = [&](Object *p) { return Grid::Bounds{box[p], 0, box[p] + 1, 1}; };
    std::mt19937 rng(seed);
    int moves = 0;
    Grid::CellList cell;
    indexedListRun(
        seed, [&](Object *p) { return cell.insert(p, bounds(p)); }, [&](Object *p) { return cell.remove(p); },
        [&](const std::vector<Object *> &model, const std::vector<Object *> &, int step) {
          if (!model.empty()) {
            // A move within the cell, of every entry of the object.
            Object *p = model[rng() % model.size()];
            box[p] = static_cast<float>(++moves);
            cell.setBounds(p, bounds(p));
          }
          ASSERT_EQ(static_cast<int>(model.size()), cell.getCount());
          ASSERT_EQ(model, items(cell.toObjectList())) << "step " << step;
          for (const Grid::CellList::Entry &e : cell) {
            if (!e.p_o) continue;
            ASSERT_EQ(box[e.p_o], e.bounds.x0) << "step " << step;
          }
          expectIndexBounded(cell, step);
        });
    if (HasFatalFailure()) return;
    EXPECT_EQ(-1, cell.insert(nullptr, Grid::Bounds{0, 0, 1, 1}));
    EXPECT_EQ(-1, cell.remove(nullptr));
  }
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
