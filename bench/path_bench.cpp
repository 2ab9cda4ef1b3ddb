// Path search speed over a headless 300 x 90 world.

#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <queue>
#include <vector>

#include "core/Box.h"
#include "core/Config.h"
#include "path/PathFind.h"
#include "path/PathManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
#include "world/EventPath.h"
#include "world/Object.h"
#include "world/WorldManager.h"

using namespace vx;

namespace {

const int W = 300;
const int H = 90;

Object *wall(int x, int y) {
  Object *p_o = new Object;
  p_o->setPosition(Vector((float)x, (float)y));
  return p_o;
}

// A fresh world of the given layout and the mover at `from`.
// grid_cell 0 keeps the configured collision grid (20 x 8 cells by default).
Object *resetWorld(int layout, int grid_cell = 0) {
  WorldManager &wm = WorldManager::getInstance();
  wm.markForDelete(wm.getAllObjects(true));
  wm.update();
  wm.setBoundary(Box(Vector(0, 0), (float)W, (float)H));
  wm.getSceneGraph().getGrid().setDimensions(grid_cell ? grid_cell : Config::getInstance().getGridWidth(),
                                             grid_cell ? grid_cell : Config::getInstance().getGridHeight());
  if (layout == 1) {
    // Serpentine: a wall every fourth column, open alternately at the bottom and top.
    for (int x = 3, k = 0; x < W - 1; x += 4, k++)
      for (int y = 0; y < H; y++)
        if ((k % 2 == 0 && y != H - 1) || (k % 2 == 1 && y != 0)) wall(x, y);
  } else if (layout == 2) {
    // Random blocks, about a quarter of the cells.
    platform::srand(4242);
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++)
        if ((x > 2 || y > 2) && (x < W - 3 || y < H - 3) && platform::rand() % 4 == 0) wall(x, y);
  } else if (layout == 3) {
    // A ring around the goal at (150, 45).
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++)
        if (dx || dy) wall(150 + dx, 45 + dy);
  } else if (layout == 4) {
    // 4,998 random blocks on distinct cells (with the mover and a target, 5,000 objects).
    platform::srand(777);
    std::vector<char> used((size_t)W * H, 0);
    for (int placed = 0; placed < 4998;) {
      const int x = platform::rand() % W, y = platform::rand() % H;
      if ((x < 3 && y < 3) || (x >= W - 3 && y >= H - 3) || used[(size_t)y * W + x]) continue;
      used[(size_t)y * W + x] = 1;
      wall(x, y);
      placed++;
    }
  }
  Object *p_mover = new Object;
  p_mover->setSolidness(SPECTRAL);
  p_mover->setPosition(Vector(-10, -10));
  return p_mover;
}

// Expands until the search ends; its result, and the expansions taken.
int runToEnd(PathFind &pf, int &expansions) {
  int result = SEARCHING;
  expansions = 0;
  do {
    result = pf.cycleOnce();
    expansions++;
  } while (result == SEARCHING);
  benchmark::DoNotOptimize(pf.getPath());
  return result;
}

// state.range(0): collision grid cell size (0: the default 20 x 8).
void runSearches(benchmark::State &state, int layout, Vector from, Vector to, int expect) {
  Object *p_mover = resetWorld(layout, (int)state.range(0));
  int64_t total = 0;
  int expansions = 0, result = SEARCHING;
  for (auto _ : state) {
    PathFind pf(p_mover, from, to);
    result = runToEnd(pf, expansions);
    total += expansions;
  }
  if (result != expect) state.SkipWithError("unexpected search result");
  state.counters["expansions"] = expansions;
  state.counters["exp_per_s"] = benchmark::Counter((double)total, benchmark::Counter::kIsRate);
}

void BM_EmptyCornerToCorner(benchmark::State &state) {
  runSearches(state, 0, Vector(0, 0), Vector(W - 1, H - 1), FOUND);
}
void BM_SerpentineMaze(benchmark::State &state) {
  runSearches(state, 1, Vector(0, 0), Vector(W - 1, H - 1), FOUND);
}
void BM_RandomBlocks(benchmark::State &state) {
  runSearches(state, 2, Vector(0, 0), Vector(W - 1, H - 1), FOUND);
}
void BM_EnclosedGoalWholeWorld(benchmark::State &state) {
  runSearches(state, 3, Vector(0, 0), Vector(150, 45), NO_PATH);
}

// A search to an object: the target's box is tested at every expansion.
// state.range(1): 1 with the target set, 0 for the same search without it.
void BM_TargetSearch5000(benchmark::State &state) {
  Object *p_mover = resetWorld(4, (int)state.range(0));
  Object *p_target = wall(W - 1, H - 1);
  if (WorldManager::getInstance().getAllObjects(true).getCount() != 5000) state.SkipWithError("not 5,000 objects");
  int expansions = 0, result = SEARCHING;
  for (auto _ : state) {
    PathFind pf(p_mover, Vector(0, 0), p_target->getPosition());
    if (state.range(1)) pf.setTarget(p_target);
    result = runToEnd(pf, expansions);
  }
  if (result != FOUND) state.SkipWithError("unexpected search result");
  state.counters["expansions"] = expansions;
}

// The reference: a plain textbook A* over a walkable grid computed beforehand
// from the same world (8 neighbours, Euclidean estimate, no corner cutting
// between two blocked cells, binary heap with stale entries skipped).
int textbookAStar(const std::vector<char> &blocked, int sx, int sy, int ex, int ey, int *p_expansions) {
  struct Entry {
    float f;
    uint32_t seq;
    int index;
    bool operator<(const Entry &o) const { return f > o.f || (f == o.f && seq > o.seq); }
  };
  const size_t n = (size_t)W * H;
  std::vector<float> g(n, std::numeric_limits<float>::infinity());
  std::vector<int> parent(n, -1);
  std::vector<char> closed(n, 0);
  std::priority_queue<Entry> open;
  auto h = [&](int x, int y) { return (float)std::sqrt((double)((x - ex) * (x - ex) + (y - ey) * (y - ey))); };
  uint32_t seq = 0;
  const int s = sy * W + sx;
  g[s] = 0;
  open.push(Entry{h(sx, sy), seq++, s});
  int expansions = 0;
  while (!open.empty()) {
    const Entry e = open.top();
    open.pop();
    if (closed[e.index]) continue;
    closed[e.index] = 1;
    expansions++;
    const int cx = e.index % W, cy = e.index / W;
    if (cx == ex && cy == ey) {
      *p_expansions = expansions;
      return FOUND;
    }
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++) {
        const int nx = cx + dx, ny = cy + dy;
        if ((!dx && !dy) || nx < 0 || ny < 0 || nx >= W || ny >= H) continue;
        const int ni = ny * W + nx;
        if (closed[ni] || blocked[ni]) continue;
        if (dx && dy && blocked[cy * W + nx] && blocked[ny * W + cx]) continue;
        const float gn = g[e.index] + ((dx && dy) ? (float)std::sqrt(2.0) : 1.0f);
        if (gn >= g[ni]) continue;
        g[ni] = gn;
        parent[ni] = e.index;
        open.push(Entry{gn + h(nx, ny), seq++, ni});
      }
  }
  *p_expansions = expansions;
  return NO_PATH;
}

void BM_TextbookEnclosedGoal(benchmark::State &state) {
  Object *p_mover = resetWorld(3);
  std::vector<char> blocked((size_t)W * H);
  {
    PathFind probe(p_mover, Vector(0, 0), Vector(150, 45));
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) blocked[(size_t)y * W + x] = (char)probe.isBlocked(p_mover, x, y, PathCell{150, 45});
  }
  int expansions = 0, result = SEARCHING;
  for (auto _ : state) {
    result = textbookAStar(blocked, 0, 0, 150, 45, &expansions);
    benchmark::DoNotOptimize(result);
  }
  if (result != NO_PATH) state.SkipWithError("unexpected search result");
  state.counters["expansions"] = expansions;
}

// Blocking queries alone: what each expansion asks of the world.
void BM_IsBlockedQuery(benchmark::State &state) {
  Object *p_mover = resetWorld(2, (int)state.range(0));
  PathFind pf(p_mover, Vector(0, 0), Vector(1, 1));
  int x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf.isBlocked(p_mover, x % W, (x / W) % H, PathCell{1, 1}));
    x += 7;
  }
}

BENCHMARK(BM_EmptyCornerToCorner)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerpentineMaze)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomBlocks)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnclosedGoalWholeWorld)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextbookEnclosedGoal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TargetSearch5000)->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsBlockedQuery)->Arg(0)->Arg(4);

}  // namespace

int main(int argc, char **argv) {
  test::TestEnv env;
  if (env.startEngine() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  WorldManager::getInstance().markForDelete(WorldManager::getInstance().getAllObjects(true));
  WorldManager::getInstance().update();
  return 0;
}
