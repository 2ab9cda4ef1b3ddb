// Cost of one world step (WorldManager::update) against the 33 ms frame.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/LogManager.h"
#include "platform/Platform.h"
#include "world/EventCollision.h"
#include "world/EventOut.h"
#include "world/Object.h"
#include "world/WorldManager.h"

using namespace vx;

namespace {

const double FRAME_BUDGET_MS = 33.0;
// Fixed density: world cells per object.
const double AREA_PER_OBJECT = 40.0;

// Turns around on a collision and when leaving the world.
class Mover : public Object {
 public:
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() == EVENT_COLLISION || p_e->getType() == EVENT_OUT) {
      Vector v = getVelocity();
      setVelocity(Vector(-v.getX(), -v.getY()));
      return 1;
    }
    return 0;
  }
};

float frand() { return static_cast<float>(platform::rand()) / platform::VX_RAND_MAX; }

long peakRssKb() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

void startWorld(float width, float height) {
  static bool log_started = false;
  if (!log_started) {
    setenv("VEXMOOR_LOG", "/tmp/vx-world-bench.log", 1);
    LogManager::getInstance().startUp();
    log_started = true;
  }
  WorldManager &wm = WorldManager::getInstance();
  if (wm.isStarted()) wm.shutDown();
  wm.startUp();
  wm.setBoundary(Box(Vector(0, 0), width, height));
  wm.setView(Box(Vector(0, 0), 80, 24));
}

// n movers spread over the world; solidness by kind: 0 mixed, 1 solid only.
void populate(int n, int kind, float width, float height, float speed) {
  for (int i = 0; i < n; i++) {
    Mover *m = new Mover;
    Solidness s = kind == 0 ? static_cast<Solidness>(i % 3) : static_cast<Solidness>(i % 2);
    m->setSolidness(s);
    m->setPosition(Vector(1 + frand() * (width - 2), 1 + frand() * (height - 2)));
    float a = frand() * 6.2831853f;
    m->setVelocity(Vector(std::cos(a) * speed, std::sin(a) * speed));
  }
}

void report(benchmark::State &state, int n) {
  state.counters["objects"] = n;
  state.counters["budget_ms"] = FRAME_BUDGET_MS;
  state.counters["peak_rss_MB"] = peakRssKb() / 1024.0;
  const Grid &g = WorldManager::getInstance().getSceneGraph().getGrid();
  state.counters["oob"] = g.getObjects(Cell(-1, -1)).getCount();
  int mx = 0;
  for (int r = 0; r < g.getNumRows(); r++)
    for (int c = 0; c < g.getNumCols(); c++) mx = std::max(mx, g.getObjects(Cell(r, c)).getCount());
  state.counters["maxcell"] = mx;
}

// N moving objects at a fixed density, the boundary growing with N.
void BM_WorldUpdate(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  int kind = static_cast<int>(state.range(1));
  platform::srand(1234);
  // Aspect 5:2, like the game's world.
  float height = static_cast<float>(std::sqrt(n * AREA_PER_OBJECT / 2.5));
  float width = height * 2.5f;
  startWorld(width, height);
  populate(n, kind, width, height, 0.5f);
  for (auto _ : state) WorldManager::getInstance().update();
  report(state, n);
  WorldManager::getInstance().shutDown();
}

// Many objects inside one grid cell (20 x 8), plus a normal world around.
void BM_WorldCrowdedCell(benchmark::State &state) {
  int crowd = static_cast<int>(state.range(0));
  platform::srand(99);
  startWorld(300, 90);
  populate(1000, 0, 300, 90, 0.5f);
  for (int i = 0; i < crowd; i++) {
    Mover *m = new Mover;
    m->setSolidness(static_cast<Solidness>(i % 3));
    m->setPosition(Vector(101 + frand() * 18, 41 + frand() * 6));
    m->setVelocity(Vector((frand() - 0.5f) * 0.05f, (frand() - 0.5f) * 0.05f));
  }
  for (auto _ : state) WorldManager::getInstance().update();
  report(state, 1000 + crowd);
  WorldManager::getInstance().shutDown();
}

// Deferred deletion and creation: a tenth of the objects replaced each step.
void BM_WorldChurn(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  platform::srand(7);
  float height = static_cast<float>(std::sqrt(n * AREA_PER_OBJECT / 2.5));
  float width = height * 2.5f;
  startWorld(width, height);
  populate(n, 0, width, height, 0.5f);
  WorldManager &wm = WorldManager::getInstance();
  for (auto _ : state) {
    ObjectList all = wm.getAllObjects();
    for (int i = 0; i < all.getCount(); i += 10) wm.markForDelete(all[i]);
    wm.update();
    populate(n - wm.getAllObjects().getCount(), 0, width, height, 0.5f);
  }
  report(state, n);
  wm.shutDown();
}

} // namespace

BENCHMARK(BM_WorldUpdate)
    ->ArgNames({"N", "solid_only"})
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldCrowdedCell)->ArgName("crowd")->Arg(50)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldChurn)->ArgName("N")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
