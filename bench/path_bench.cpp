// Path search speed over a headless 300 x 90 world.

#include <benchmark/benchmark.h>

#include "core/Box.h"
#include "core/Config.h"
#include "path/EventPath.h"
#include "path/PathFind.h"
#include "path/PathManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
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
  }
  Object *p_mover = new Object;
  p_mover->setSolidness(SPECTRAL);
  p_mover->setPosition(Vector(-10, -10));
  return p_mover;
}

// state.range(0): collision grid cell size (0: the default 20 x 8).
void runSearches(benchmark::State &state, int layout, Vector from, Vector to, int expect) {
  Object *p_mover = resetWorld(layout, (int)state.range(0));
  int64_t total = 0;
  int expansions = 0, result = SEARCHING;
  for (auto _ : state) {
    PathFind pf(p_mover, from, to);
    expansions = 0;
    do {
      result = pf.cycleOnce();
      expansions++;
    } while (result == SEARCHING);
    benchmark::DoNotOptimize(pf.getPath());
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
