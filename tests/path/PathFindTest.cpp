// The search's edge cases and a comparison against a plain linear-list search.

#include <cmath>
#include <functional>
#include <limits>

#include "PathTestWorld.h"
#include "core/PlaneGeometry.h"
#include "platform/Platform.h"
#include "world/EventPath.h"
#include "world/Geometry.h"
#include "world/Grid.h"

using namespace vx;
using pathtest::PathWorld;
using pathtest::show;

namespace {

class PathFindTest : public PathWorld {};

TEST_F(PathFindTest, SameCellIsFoundAtOnce) {
  setWorld(10, 10);
  Object *p_o = place(4, 4);
  PathFind pf(p_o, Vector(4.2f, 3.9f), Vector(4, 4));
  EXPECT_EQ(FOUND, pf.cycleOnce());
  EXPECT_EQ(show(cells({{4, 4}})), show(pf.getPath().getWaypoints()));
  EXPECT_EQ(0, pf.getPath().getIndex());
}

TEST_F(PathFindTest, StraightLineAndEmptyPathBeforeFound) {
  setWorld(10, 10);
  Object *p_o = place(0, 0);
  PathFind pf(p_o, Vector(0, 0), Vector(3, 0));
  EXPECT_TRUE(pf.getPath().getWaypoints().empty());
  int n = 0;
  EXPECT_EQ(FOUND, runSearch(pf, &n));
  EXPECT_EQ(4, n);
  EXPECT_EQ(show(cells({{0, 0}, {1, 0}, {2, 0}, {3, 0}})), show(pf.getPath().getWaypoints()));
  EXPECT_TRUE(env.logContains("PathFind::PathFind(): allocated [y, x]: 10, 10"));
}

TEST_F(PathFindTest, DiagonalNeedsOneFreeSide) {
  setWorld(3, 3);
  Object *p_o = place(0, 0);
  Object *p_side = place(1, 0);
  place(0, 1);
  {
    // Both sides blocked: the corner-touching step is refused; nothing else is open.
    PathFind pf(p_o, Vector(0, 0), Vector(1, 1));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
    EXPECT_TRUE(pf.getPath().getWaypoints().empty());
    // An ended search with an empty open list stays ended.
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
  }
  WorldManager::getInstance().markForDelete(p_side);
  WorldManager::getInstance().update();
  PathFind pf(p_o, Vector(0, 0), Vector(1, 1));
  EXPECT_EQ(FOUND, runSearch(pf));
  EXPECT_EQ(show(cells({{0, 0}, {1, 1}})), show(pf.getPath().getWaypoints()));
}

TEST_F(PathFindTest, OccupiedGoalIsReachedThroughItsObstacle) {
  setWorld(10, 3);
  Object *p_o = place(0, 1);
  // A wide HARD block over the goal: its own cells count as free.
  Object *p_block = place(5, 1);
  p_block->setBox(Box(Vector(-1.5f, -1.5f), 2.99f, 2.99f));
  PathFind pf(p_o, Vector(0, 1), Vector(5, 1));
  EXPECT_EQ(FOUND, runSearch(pf));
  EXPECT_EQ(show(cells({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}})),
            show(pf.getPath().getWaypoints()));
  // Another obstacle elsewhere still blocks.
  Object *p_wall = place(2, 1);
  (void)p_wall;
  EXPECT_EQ(1, pf.isBlocked(p_o, 2, 1, PathCell{5, 1}));
  EXPECT_EQ(0, pf.isBlocked(p_o, 4, 0, PathCell{5, 1}));
}

TEST_F(PathFindTest, TargetStopsAtFirstTouchAndIsTheObjectItself) {
  setWorld(12, 3);
  Object *p_o = place(0, 1);
  // An earlier object with the target's id, away from the route.
  Object *p_decoy = place(11, 0, SPECTRAL);
  Object *p_target = place(6, 1);
  p_target->setBox(Box(Vector(-1.5f, -1.5f), 2.99f, 2.99f));
  p_target->setId(p_decoy->getId());
  // The 0.99 box at x = 5 spans 4.5..5.49 and meets the target box from 4.5;
  // without the target the search goes on to the end cell (6, 1).
  const std::string touch = show(cells({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
  {
    PathFind pf(p_o, Vector(0, 1), p_target->getPosition());
    pf.setTarget(p_target);
    EXPECT_EQ(p_target, pf.getTarget());
    EXPECT_EQ(FOUND, runSearch(pf));
    EXPECT_EQ(touch, show(pf.getPath().getWaypoints()));
    EXPECT_TRUE(pf.getEnd() == (PathCell{5, 1}));
  }
  {
    // The target's id changes while the search runs.
    PathFind pf(p_o, Vector(0, 1), p_target->getPosition());
    pf.setTarget(p_target);
    EXPECT_EQ(SEARCHING, pf.cycleOnce());
    p_target->setId(4321);
    EXPECT_EQ(p_target, pf.getTarget());
    EXPECT_EQ(FOUND, runSearch(pf));
    EXPECT_EQ(touch, show(pf.getPath().getWaypoints()));
  }
  EXPECT_FALSE(env.logContains("Target left the world"));

  // The target is deleted while the search runs, and a new object (often at
  // its address) takes a box that would meet the mover at once: the target
  // is dropped with a line and the search goes on to the end cell.
  PathFind pf(p_o, Vector(0, 1), p_target->getPosition());
  pf.setTarget(p_target);
  EXPECT_EQ(SEARCHING, pf.cycleOnce());
  WorldManager::getInstance().markForDelete(p_target);
  WorldManager::getInstance().update();
  Object *p_new = place(0, 2, SPECTRAL);
  p_new->setBox(Box(Vector(-6, -1), 12, 3));
  EXPECT_EQ(nullptr, pf.getTarget());
  EXPECT_EQ(FOUND, runSearch(pf));
  EXPECT_EQ(Vector(6, 1), pf.getPath().getFinal());
  EXPECT_TRUE(env.logContains("PathFind::cycleOnce(): Warning! Target left the world; going on to cell (6, 1)."));
  EXPECT_EQ(nullptr, pf.getTarget());
}

TEST_F(PathFindTest, StartCandidates) {
  setWorld(10, 10);
  Object *p_o = place(8, 8);
  place(3, 3);
  {
    PathFind pf(p_o, Vector(2.6f, 3.4f), Vector(8, 8));
    EXPECT_TRUE(pf.getStart() == (PathCell{2, 3}));
    EXPECT_FALSE(env.logContains("Can't get to start node"));
  }
  // Candidates (3,3) (2,3) (3,3) (2,3): all blocked once (2,3) is.
  place(2, 3);
  PathFind pf(p_o, Vector(2.6f, 3.4f), Vector(8, 8));
  EXPECT_TRUE(pf.getStart() == (PathCell{3, 3}));
  EXPECT_TRUE(env.logContains("PathFind::PathFind(): Warning! Can't get to start node."));
  // The search still runs from that cell.
  EXPECT_EQ(FOUND, runSearch(pf));
  EXPECT_EQ(Vector(3, 3), pf.getPath().getWaypoints().front());
}

TEST_F(PathFindTest, EnclosedGoalExpandsEveryReachableCell) {
  setWorld(8, 6);
  walls({"........",
         "...###..",
         "...#.#..",
         "...###..",
         "........",
         "........"});
  Object *p_o = place(0, 0);
  PathFind pf(p_o, Vector(0, 0), Vector(4, 2));
  int n = 0;
  EXPECT_EQ(NO_PATH, runSearch(pf, &n));
  EXPECT_EQ(8 * 6 - 9, n);
  EXPECT_TRUE(pf.getPath().getWaypoints().empty());
  EXPECT_EQ(NO_PATH, pf.cycleOnce());
}

// (0,1) and (2,1) tie on f: the one added first is expanded first. Then (1,2)
// is reached from (0,1) and again at equal cost from (2,1), which re-parents it.
TEST_F(PathFindTest, EqualFTieAndEqualCostReparent) {
  setWorld(3, 3);
  walls({"...", ".#.", "..."});
  Object *p_o = place(1, 0);
  PathFind pf(p_o, Vector(1, 0), Vector(1, 2));
  std::string order;
  int result = SEARCHING;
  while (result == SEARCHING) {
    result = pf.cycleOnce();
    order += "(" + std::to_string(pf.getLastExpanded().x) + "," + std::to_string(pf.getLastExpanded().y) + ")";
  }
  EXPECT_EQ(FOUND, result);
  EXPECT_EQ("(1,0)(0,1)(2,1)(1,2)", order);
  EXPECT_EQ(show(cells({{1, 0}, {2, 1}, {1, 2}})), show(pf.getPath().getWaypoints()));
}

TEST_F(PathFindTest, CellsOutsideTheGraphEndWithNoPath) {
  setWorld(10, 10);
  Object *p_o = place(1, 1);
  const std::string node_line = "PathFind::cycleOnce(): node graph not allocated.  Cannot find path.";
  {
    // x = 10 is on the boundary's edge but outside the 10 columns.
    PathFind pf(p_o, Vector(1, 1), Vector(10, 5));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
    EXPECT_TRUE(env.logContains(
        "PathFind::PathFind(): Error! Both start (1.00, 1.00) and end (10.00, 5.00) must be within "
        "world boundary (10, 10)."));
    EXPECT_TRUE(env.logContains(node_line));
  }
  {
    PathFind pf(p_o, Vector(-3, 1), Vector(2, 2));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
    EXPECT_TRUE(pf.getPath().getWaypoints().empty());
  }
  // A boundary whose corner is not at the origin: the grid still starts at (0, 0).
  WorldManager::getInstance().setBoundary(Box(Vector(5, 5), 10, 10));
  PathFind pf(p_o, Vector(12, 12), Vector(14, 6));
  EXPECT_EQ(NO_PATH, pf.cycleOnce());
  EXPECT_TRUE(env.logContains("start (12.00, 12.00) and end (14.00, 6.00) must be within world boundary (10, 10)."));
}

TEST_F(PathFindTest, NullObjectIsUnusable) {
  setWorld(10, 10);
  PathFind pf(nullptr, Vector(1, 1), Vector(2, 2));
  EXPECT_TRUE(env.logContains("PathFind()::PathFind(): Fatal error! Object pointer is NULL."));
  EXPECT_EQ(NO_PATH, pf.cycleOnce());
  EXPECT_EQ(nullptr, pf.getObject());
  EXPECT_TRUE(pf.getPath().getWaypoints().empty());
}

// The graph keeps its own size: boundary changes mid-search touch nothing else.
TEST_F(PathFindTest, BoundaryChangeDuringSearch) {
  setWorld(20, 10);
  Object *p_o = place(0, 0);
  {
    PathFind pf(p_o, Vector(0, 0), Vector(19, 9));
    pf.cycleOnce();
    WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 60, 40));
    EXPECT_EQ(FOUND, runSearch(pf));
    for (const Vector &v : pf.getPath().getWaypoints()) {
      EXPECT_LT(v.getX(), 20);
      EXPECT_LT(v.getY(), 10);
    }
  }
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 20, 10));
  PathFind pf(p_o, Vector(0, 0), Vector(19, 9));
  pf.cycleOnce();
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 3, 3));
  int n = 0;
  EXPECT_EQ(NO_PATH, runSearch(pf, &n));
  EXPECT_LT(n, 10);
}

TEST_F(PathFindTest, HeuristicIsEuclidean) {
  setWorld(4, 4);
  PathFind pf(place(0, 0), Vector(0, 0), Vector(1, 1));
  EXPECT_FLOAT_EQ(5.0f, pf.heuristic(1, 2, 4, 6));
  EXPECT_EQ((float)std::sqrt(2.0), pf.distance(PathCell{0, 0}, PathCell{-1, 1}));
  EXPECT_EQ(0.0f, pf.heuristic(3, 3, 3, 3));
}

// A search asks again once the world has changed: walls taken out after it
// found them open the way, and every kind of change moves the change count.
TEST_F(PathFindTest, RememberedAnswersFollowWorldChanges) {
  WorldManager &wm = WorldManager::getInstance();
  setWorld(5, 2);
  Object *p_o = place(0, 0, SPECTRAL);
  Object *p_w0 = place(2, 0), *p_w1 = place(2, 1);
  PathFind pf(p_o, Vector(0, 0), Vector(4, 0));
  EXPECT_EQ(SEARCHING, pf.cycleOnce());
  EXPECT_EQ(SEARCHING, pf.cycleOnce());  // (1, 0) finds both walls
  EXPECT_TRUE(pf.getLastExpanded() == (PathCell{1, 0}));
  wm.markForDelete(p_w0);
  wm.markForDelete(p_w1);
  wm.update();
  EXPECT_EQ(FOUND, runSearch(pf));
  EXPECT_EQ(Vector(4, 0), pf.getPath().getFinal());

  Object *p_x = place(1, 1);
  auto changes = [&](const std::function<void()> &f) {
    const uint64_t before = wm.getChangeCount();
    f();
    return wm.getChangeCount() != before;
  };
  EXPECT_TRUE(changes([&] { p_x->setPosition(Vector(3, 1)); }));
  EXPECT_TRUE(changes([&] { wm.moveObject(p_x, Vector(3, 0)); }));
  EXPECT_TRUE(changes([&] { p_x->setBox(Box(Vector(-1, -1), 1.5f, 1.5f)); }));
  EXPECT_TRUE(changes([&] { p_x->setSolidness(SOFT); }));
  EXPECT_TRUE(changes([&] { p_x->setActive(false); }));
  EXPECT_TRUE(changes([&] { p_x->setActive(true); }));
  EXPECT_TRUE(changes([&] { place(0, 1); }));
  EXPECT_TRUE(changes([&] {
    wm.markForDelete(p_x);
    wm.update();
  }));
  EXPECT_TRUE(changes([&] { setWorld(6, 2); }));
  EXPECT_FALSE(changes([&] {
    pf.isBlocked(p_o, 1, 1, PathCell{4, 0});
    wm.getCollisions(p_o, Vector(1, 1));
    wm.setBoundary(wm.getBoundary());
  }));
}

// Inputs no caller should send, and a path manager with no budget: each ends
// with a result and a line, and keeps what it should.
TEST_F(PathFindTest, HostileInputs) {
  WorldManager &wm = WorldManager::getInstance();
  Grid &grid = wm.getSceneGraph().getGrid();
  const int cell_w = grid.getCellWidth(), cell_h = grid.getCellHeight();
  // A world too large to map: no node graph, a line, and NO_PATH.
  setWorld(100000, 100000);
  grid.setDimensions(200, 200);
  Object *p_o = place(1, 1, SPECTRAL);
  {
    PathFind pf(p_o, Vector(1, 1), Vector(5, 5));
    EXPECT_TRUE(env.logContains("PathFind::PathFind(): Error! Cannot allocate node graph [y, x]: 100000, 100000."));
    EXPECT_FALSE(env.logContains("allocated [y, x]: 100000, 100000"));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
    EXPECT_TRUE(env.logContains("PathFind::cycleOnce(): node graph not allocated.  Cannot find path."));
    EXPECT_TRUE(pf.getPath().getWaypoints().empty());
    EXPECT_EQ(p_o, pf.getObject());
    EXPECT_TRUE(pf.getStart() == (PathCell{1, 1}) && pf.getEnd() == (PathCell{5, 5}));
  }
  grid.setDimensions(cell_w, cell_h);
  clearWorld();

  // Cells 46,341 and more apart: the estimate stays exact, so a search along
  // a 50,000-cell corridor goes straight.
  setWorld(50000, 2);
  p_o = place(0, 0, SPECTRAL);
  {
    PathFind pf(p_o, Vector(0, 0), Vector(49999, 0));
    EXPECT_EQ(49999.0f, pf.heuristic(0, 0, 49999, 0));
    EXPECT_EQ((float)std::sqrt(2.0 * 46341.0 * 46341.0), pf.heuristic(0, 46341, 46341, 0));
    EXPECT_EQ((float)4294967294.0, pf.heuristic(-2147483647, 5, 2147483647, 5));
    int n = 0;
    EXPECT_EQ(FOUND, runSearch(pf, &n));
    EXPECT_EQ(50000, n);
    EXPECT_EQ(50000u, pf.getPath().getWaypoints().size());
    EXPECT_EQ(Vector(49999, 0), pf.getPath().getFinal());
  }
  clearWorld();

  // Coordinates beyond any cell: the error line, before any conversion.
  setWorld(10, 10);
  p_o = place(1, 1, SPECTRAL);
  {
    PathFind pf(p_o, Vector(3e9f, 1), Vector(std::numeric_limits<float>::quiet_NaN(), 2));
    EXPECT_TRUE(env.logContains(
        "PathFind::PathFind(): Error! Both start (3000000000.00, 1.00) and end (nan, 2.00) must be within "
        "world boundary (10, 10)."));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
    EXPECT_TRUE(pf.getPath().getWaypoints().empty());
    EXPECT_EQ(p_o, pf.getObject());
  }
  {
    PathFind pf(p_o, Vector(1, -std::numeric_limits<float>::infinity()), Vector(2, 2));
    EXPECT_TRUE(env.logContains("start (1.00, -inf) and end (2.00, 2.00) must be within world boundary (10, 10)."));
    EXPECT_EQ(NO_PATH, pf.cycleOnce());
  }

  // Positions in the last half cell: the next candidate inside the grid.
  const size_t lines = env.readLog().size();
  {
    PathFind pf(p_o, Vector(9.7f, 9.6f), Vector(9.8f, 0.6f));
    EXPECT_TRUE(pf.getStart() == (PathCell{9, 9}));
    EXPECT_TRUE(pf.getEnd() == (PathCell{9, 1}));
    EXPECT_EQ(FOUND, runSearch(pf));
    EXPECT_EQ(Vector(9, 9), pf.getPath().getWaypoints().front());
    EXPECT_EQ(Vector(9, 1), pf.getPath().getFinal());
    EXPECT_EQ(9u, pf.getPath().getWaypoints().size());
  }
  const std::vector<std::string> log = env.readLog();
  for (size_t i = lines; i < log.size(); i++) EXPECT_EQ(std::string::npos, log[i].find("world boundary")) << log[i];

  // No budget at all (a frame time below 10 ms, a late step): every listed
  // search still gets an expansion, even the one that moves into the place
  // of a search ending earlier in the pass; the pending ones stay listed.
  PathManager &pm = PathManager::getInstance();
  pm.setCycleTime(0);
  Object *p_a = place(5, 5, SPECTRAL);
  Object *p_b = place(0, 0, SPECTRAL);
  Object *p_c = place(0, 9, SPECTRAL);
  p_a->pathTo(Vector(5, 5));
  p_b->pathTo(Vector(9, 0));
  p_c->pathTo(Vector(9, 9));
  PathFind *p_b_search = p_b->getPathFind(), *p_c_search = p_c->getPathFind();
  pm.cycle(0);
  EXPECT_EQ(nullptr, p_a->getPathFind());
  EXPECT_EQ(Vector(5, 5), p_a->getPath().getFinal());
  EXPECT_TRUE(p_b_search->getLastExpanded() == (PathCell{0, 0}));
  EXPECT_TRUE(p_c_search->getLastExpanded() != (PathCell{-1, -1}));
  EXPECT_EQ(2, pm.getNumPaths());
  const PathCell b_last = p_b_search->getLastExpanded(), c_last = p_c_search->getLastExpanded();
  pm.cycle(-5);
  EXPECT_TRUE(p_b_search->getLastExpanded() != b_last);
  EXPECT_TRUE(p_c_search->getLastExpanded() != c_last);
  EXPECT_EQ(2, pm.getNumPaths());
  EXPECT_EQ(p_b_search, p_b->getPathFind());
  EXPECT_EQ(p_c_search, p_c->getPathFind());
}

// ---- A plain search with linear lists, written straight from the rules. ----

struct RefSearch {
  std::vector<PathCell> expanded;
  int result = NO_PATH;
  std::vector<Vector> path;
  PathCell start{0, 0};
};

int refNearest(float v) { return (int)((double)v + 0.5); }

float refH(int x1, int y1, int x2, int y2) {
  int dx = std::abs(x1 - x2), dy = std::abs(y1 - y2);
  return (float)std::sqrt((double)(dx * dx + dy * dy));
}

bool refBlocked(Object *p_o, int x, int y, PathCell end) {
  ObjectList l = WorldManager::getInstance().getCollisions(p_o, Vector((float)x, (float)y));
  for (int i = 0; i < l.getCount(); i++) {
    if (l[i]->getSolidness() != HARD) continue;
    return !boxContainsPosition(getWorldBox(l[i]), Vector((float)end.x, (float)end.y));
  }
  return false;
}

RefSearch referenceSearch(Object *p_o, Vector s, Vector e, Object *p_target = nullptr) {
  RefSearch out;
  PathCell end{refNearest(e.getX()), refNearest(e.getY())};
  PathCell cand[4] = {{refNearest(s.getX()), refNearest(s.getY())},
                      {(int)s.getX(), (int)s.getY()},
                      {refNearest(s.getX()), (int)s.getY()},
                      {(int)s.getX(), refNearest(s.getY())}};
  PathCell start = cand[0];
  for (PathCell c : cand)
    if (!refBlocked(p_o, c.x, c.y, end)) {
      start = c;
      break;
    }
  out.start = start;
  Box b = WorldManager::getInstance().getBoundary();
  int W = (int)b.getHorizontal(), H = (int)b.getVertical();
  std::vector<PathNode> g((size_t)W * H);
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) g[y * W + x] = PathNode{std::numeric_limits<float>::infinity(), refH(x, y, end.x, end.y), {0, 0}};
  g[start.y * W + start.x].g = 0;
  std::vector<PathCell> open{start}, closed;
  auto in = [](const std::vector<PathCell> &l, PathCell c) {
    for (PathCell x : l)
      if (x == c) return true;
    return false;
  };
  bool found = false;
  while (true) {
    if (open.empty()) break;
    size_t best = 0;
    for (size_t i = 1; i < open.size(); i++)
      if (g[open[i].y * W + open[i].x].f < g[open[best].y * W + open[best].x].f) best = i;
    PathCell cur = open[best];
    open.erase(open.begin() + best);
    closed.push_back(cur);
    out.expanded.push_back(cur);
    if (cur == end) found = true;
    if (!found && p_target &&
        boxIntersectsBox(getWorldBox(p_o, Vector((float)cur.x, (float)cur.y)),
                         getWorldBox(p_target, Vector((float)end.x, (float)end.y)))) {
      found = true;
      end = cur;
    }
    if (found) break;
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++) {
        if (!dx && !dy) continue;
        PathCell n{cur.x + dx, cur.y + dy};
        if (n.x < 0 || n.y < 0 || n.x >= W || n.y >= H) continue;
        if (in(closed, n)) continue;
        if (refBlocked(p_o, n.x, n.y, end)) continue;
        if (dx && dy && refBlocked(p_o, cur.x + dx, cur.y, end) && refBlocked(p_o, cur.x, cur.y + dy, end)) continue;
        PathNode &nn = g[n.y * W + n.x];
        float gn = g[cur.y * W + cur.x].g + refH(cur.x, cur.y, n.x, n.y);
        if (in(open, n)) {
          if (gn > nn.g) continue;
        } else {
          open.push_back(n);
        }
        nn.parent = cur;
        nn.g = gn;
        nn.f = gn + refH(n.x, n.y, end.x, end.y);
      }
  }
  out.result = found ? FOUND : NO_PATH;
  if (found) {
    std::vector<Vector> rev;
    for (PathCell c = end; c != start; c = g[c.y * W + c.x].parent) rev.push_back(Vector((float)c.x, (float)c.y));
    rev.push_back(Vector((float)start.x, (float)start.y));
    out.path.assign(rev.rbegin(), rev.rend());
  }
  return out;
}

int randBelow(int n) { return platform::rand() % n; }

// Random HARD obstacles (some wide), random start and goal (sometimes on an
// obstacle, sometimes with a target): same start, expansions, result and path.
TEST_F(PathFindTest, MatchesLinearListSearchOnRandomMaps) {
  platform::srand(20261209);
  int found = 0, no_path = 0;
  for (int map = 0; map < 150; map++) {
    const int W = 6 + randBelow(14), H = 4 + randBelow(10);
    setWorld(W, H);
    const int density = 15 + randBelow(30);
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++)
        if (randBelow(100) < density) {
          Object *p_w = place((float)x, (float)y);
          if (randBelow(12) == 0) p_w->setBox(Box(Vector(-0.5f, -0.5f), 1.99f, 0.99f));
        }
    Object *p_o = place(-5, -5, SOFT);  // off-grid mover, not in anyone's way
    Vector s((float)randBelow(W * 10) / 10.0f, (float)randBelow(H * 10) / 10.0f);
    Vector e((float)randBelow(W), (float)randBelow(H));
    Object *p_target = nullptr;
    if (map % 5 == 0) {
      p_target = place(e.getX(), e.getY(), SOFT);
      p_target->setBox(Box(Vector(-1.5f, -0.5f), 2.99f, 0.99f));
    }
    if (refNearest(s.getX()) >= W || refNearest(s.getY()) >= H) s = Vector((float)(W - 1), (float)(H - 1));

    RefSearch ref = referenceSearch(p_o, s, e, p_target);
    PathFind pf(p_o, s, e);
    pf.setTarget(p_target);
    ASSERT_TRUE(pf.getStart() == ref.start) << "map " << map;
    std::vector<PathCell> mine;
    int result = SEARCHING;
    while (result == SEARCHING && mine.size() <= ref.expanded.size()) {
      result = pf.cycleOnce();
      mine.push_back(pf.getLastExpanded());
    }
    ASSERT_EQ(ref.expanded.size(), mine.size()) << "map " << map;
    for (size_t i = 0; i < mine.size(); i++)
      ASSERT_TRUE(mine[i] == ref.expanded[i]) << "map " << map << " expansion " << i;
    ASSERT_EQ(ref.result, result) << "map " << map;
    ASSERT_EQ(show(ref.path), show(pf.getPath().getWaypoints())) << "map " << map;
    (result == FOUND ? found : no_path)++;
    clearWorld();
  }
  // The maps exercise both outcomes.
  EXPECT_GT(found, 30);
  EXPECT_GT(no_path, 10);
}

}  // namespace
