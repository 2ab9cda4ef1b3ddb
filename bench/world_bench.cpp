// Cost of one world step (WorldManager::update) against the 33 ms frame,
// beside a plain uniform-grid broad phase doing the same moves.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "core/LogManager.h"
#include "core/TrackedList.h"
#include "platform/Platform.h"
#include "world/EventCollision.h"
#include "world/Grid.h"
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

// Bytes the heap holds now.
double heapBytes() {
  struct mallinfo2 mi = mallinfo2();
  return static_cast<double>(mi.uordblks) + static_cast<double>(mi.hblkhd);
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
  state.counters["sizeof_Object"] = sizeof(Object);
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
  double heap_before = heapBytes();
  startWorld(width, height);
  populate(n, kind, width, height, 0.5f);
  // Objects with their lists and the grid (sized for them), per object.
  double per_object = (heapBytes() - heap_before) / n;
  for (auto _ : state) WorldManager::getInstance().update();
  report(state, n);
  state.counters["heap_B_per_obj"] = per_object;
  WorldManager::getInstance().shutDown();
}

// The reference: the same movers (same draws, boxes, boundary and cell size)
// in a plain uniform grid of index vectors, with the same rules: collisions
// reverse both parties, HARD against HARD blocks, leaving the world reverses.
class PlainGrid {
 public:
  struct Body {
    float x, y, vx, vy;
    int solidness;
  };

  PlainGrid(float width, float height, int cell_w, int cell_h)
      : m_w(width), m_h(height), m_cw(static_cast<float>(cell_w)), m_ch(static_cast<float>(cell_h)) {
    m_cols = static_cast<int>(std::ceil(width / m_cw));
    m_rows = static_cast<int>(std::ceil(height / m_ch));
    m_cells.resize(static_cast<size_t>(m_cols) * m_rows + 1);  // last: out of bounds
  }

  void add(const Body &b) {
    m_bodies.push_back(b);
    m_stamp.push_back(0);
    if (b.solidness != SPECTRAL) forCells(b.x, b.y, [&](std::vector<int> &c) { c.push_back(int(m_bodies.size()) - 1); });
  }

  const std::vector<Body> &bodies() const { return m_bodies; }

  void step() {
    std::vector<int> hits;
    for (int i = 0; i < static_cast<int>(m_bodies.size()); i++) {
      Body &b = m_bodies[i];
      if (b.vx == 0 && b.vy == 0) continue;
      float nx = b.x + b.vx, ny = b.y + b.vy;
      if (b.solidness != SPECTRAL) {
        hits.clear();
        unsigned stamp = ++m_query;
        forCells(nx, ny, [&](std::vector<int> &c) {
          for (int j : c)
            if (j != i && m_stamp[j] != stamp) {
              m_stamp[j] = stamp;
              if (overlap(nx, ny, m_bodies[j].x, m_bodies[j].y)) hits.push_back(j);
            }
        });
        bool blocked = false;
        for (int j : hits) {
          b.vx = -b.vx, b.vy = -b.vy;
          m_bodies[j].vx = -m_bodies[j].vx, m_bodies[j].vy = -m_bodies[j].vy;
          if (b.solidness == HARD && m_bodies[j].solidness == HARD) blocked = true;
        }
        if (blocked) continue;
        if (range(b.x, b.y) != range(nx, ny)) {
          forCells(b.x, b.y, [&](std::vector<int> &c) { c.erase(std::find(c.begin(), c.end(), i)); });
          forCells(nx, ny, [&](std::vector<int> &c) { c.push_back(i); });
        }
      }
      bool was_in = inWorld(b.x, b.y);
      b.x = nx, b.y = ny;
      if (was_in && !inWorld(nx, ny)) b.vx = -b.vx, b.vy = -b.vy;
    }
  }

 private:
  float m_w, m_h, m_cw, m_ch;
  int m_cols, m_rows;
  std::vector<std::vector<int>> m_cells;
  std::vector<Body> m_bodies;
  std::vector<unsigned> m_stamp;
  unsigned m_query = 0;

  // The default box: corner (-0.5,-0.5) from the position, 0.99 x 0.99.
  static bool overlap(float ax, float ay, float bx, float by) {
    return std::fabs(ax - bx) <= 0.99f && std::fabs(ay - by) <= 0.99f;
  }
  bool inWorld(float x, float y) const {
    return x + 0.49f >= 0 && x - 0.5f <= m_w && y + 0.49f >= 0 && y - 0.5f <= m_h;
  }
  // First and last column and row covered by the box at (x, y).
  std::tuple<int, int, int, int> range(float x, float y) const {
    return std::make_tuple(static_cast<int>(std::floor((x - 0.5f) / m_cw)),
                           static_cast<int>(std::floor((x + 0.49f) / m_cw)),
                           static_cast<int>(std::floor((y - 0.5f) / m_ch)),
                           static_cast<int>(std::floor((y + 0.49f) / m_ch)));
  }
  template <class F>
  void forCells(float x, float y, F f) {
    int c0, c1, r0, r1;
    std::tie(c0, c1, r0, r1) = range(x, y);
    bool out = c0 < 0 || r0 < 0 || c1 >= m_cols || r1 >= m_rows;
    if (out) f(m_cells.back());
    for (int r = std::max(r0, 0); r <= std::min(r1, m_rows - 1); r++)
      for (int c = std::max(c0, 0); c <= std::min(c1, m_cols - 1); c++) f(m_cells[size_t(r) * m_cols + c]);
  }
};

// The movers of BM_WorldUpdate (same draws) in a plain grid.
void fillPlainGrid(PlainGrid &grid, int n, int kind, float width, float height) {
  platform::srand(1234);
  const float speed = 0.5f;
  for (int i = 0; i < n; i++) {
    PlainGrid::Body b;
    b.solidness = kind == 0 ? i % 3 : i % 2;
    b.x = 1 + frand() * (width - 2);
    b.y = 1 + frand() * (height - 2);
    float a = frand() * 6.2831853f;
    b.vx = std::cos(a) * speed;
    b.vy = std::sin(a) * speed;
    grid.add(b);
  }
}

// The world of BM_WorldUpdate's arguments: its size, with its movers in a
// plain grid.
struct ReferenceWorld {
  int n;
  float width, height;
  PlainGrid grid;
  explicit ReferenceWorld(const benchmark::State &state)
      : n(static_cast<int>(state.range(0))),
        width(static_cast<float>(std::sqrt(n * AREA_PER_OBJECT / 2.5)) * 2.5f),
        height(static_cast<float>(std::sqrt(n * AREA_PER_OBJECT / 2.5))),
        grid(width, height, GRID_CELL_WIDTH_DEFAULT, GRID_CELL_HEIGHT_DEFAULT) {
    fillPlainGrid(grid, n, static_cast<int>(state.range(1)), width, height);
  }
};

void BM_GridReference(benchmark::State &state) {
  ReferenceWorld world(state);
  for (auto _ : state) world.grid.step();
  state.counters["objects"] = world.n;
}

// A plain uniform-grid broad phase: the cells as one array of entries (index
// and box corners) sorted by cell, every solid box checked against the
// entries of the cells it covers.
class PlainBroadPhase {
 public:
  PlainBroadPhase(const std::vector<PlainGrid::Body> &bodies, float width, float height, int cell_w, int cell_h)
      : m_cw(static_cast<float>(cell_w)), m_ch(static_cast<float>(cell_h)) {
    m_cols = static_cast<int>(std::ceil(width / m_cw));
    m_rows = static_cast<int>(std::ceil(height / m_ch));
    size_t cells = static_cast<size_t>(m_cols) * m_rows + 1;  // last: out of bounds
    std::vector<std::vector<Entry>> lists(cells);
    for (int i = 0; i < static_cast<int>(bodies.size()); i++) {
      const PlainGrid::Body &b = bodies[i];
      if (b.solidness == SPECTRAL) continue;
      Entry e{i, b.x - 0.5f, b.y - 0.5f, b.x + 0.49f, b.y + 0.49f};
      m_boxes.push_back(e);
      forCells(e, [&](size_t k) { lists[k].push_back(e); });
    }
    m_start.push_back(0);
    for (const std::vector<Entry> &l : lists) {
      m_entries.insert(m_entries.end(), l.begin(), l.end());
      m_start.push_back(static_cast<int>(m_entries.size()));
    }
    m_stamp.assign(bodies.size(), 0);
  }

  // Overlapping pairs found (each counted from both sides).
  long run() {
    long pairs = 0;
    for (const Entry &b : m_boxes) {
      unsigned stamp = ++m_query;
      forCells(b, [&](size_t k) {
        for (int e = m_start[k]; e < m_start[k + 1]; e++) {
          const Entry &o = m_entries[e];
          if (o.x0 <= b.x1 && b.x0 <= o.x1 && o.y0 <= b.y1 && b.y0 <= o.y1 && o.i != b.i && m_stamp[o.i] != stamp) {
            m_stamp[o.i] = stamp;
            pairs++;
          }
        }
      });
    }
    return pairs;
  }

 private:
  struct Entry {
    int i;
    float x0, y0, x1, y1;
  };
  float m_cw, m_ch;
  int m_cols, m_rows;
  std::vector<Entry> m_boxes;
  std::vector<Entry> m_entries;
  std::vector<int> m_start;
  std::vector<unsigned> m_stamp;
  unsigned m_query = 0;

  template <class F>
  void forCells(const Entry &b, F f) const {
    int c0 = static_cast<int>(std::floor(b.x0 / m_cw)), c1 = static_cast<int>(std::floor(b.x1 / m_cw));
    int r0 = static_cast<int>(std::floor(b.y0 / m_ch)), r1 = static_cast<int>(std::floor(b.y1 / m_ch));
    if (c0 < 0 || r0 < 0 || c1 >= m_cols || r1 >= m_rows) f(static_cast<size_t>(m_cols) * m_rows);
    for (int r = std::max(r0, 0); r <= std::min(r1, m_rows - 1); r++)
      for (int c = std::max(c0, 0); c <= std::min(c1, m_cols - 1); c++) f(static_cast<size_t>(r) * m_cols + c);
  }
};

// The broad phase alone over the boxes of BM_WorldUpdate: the floor under a
// world step, which finds the same pairs and moves the objects besides.
void BM_BroadPhaseReference(benchmark::State &state) {
  ReferenceWorld world(state);
  PlainBroadPhase broad(world.grid.bodies(), world.width, world.height, GRID_CELL_WIDTH_DEFAULT,
                        GRID_CELL_HEIGHT_DEFAULT);
  long pairs = 0;
  for (auto _ : state) benchmark::DoNotOptimize(pairs = broad.run());
  state.counters["objects"] = world.n;
  state.counters["pairs"] = static_cast<double>(pairs);
}

// Id look-up in a world of n objects, every id in turn.
void BM_ObjectWithId(benchmark::State &state) {
  int n = static_cast<int>(state.range(0));
  platform::srand(5);
  startWorld(300, 90);
  populate(n, 0, 300, 90, 0.0f);
  WorldManager &wm = WorldManager::getInstance();
  ObjectList all = wm.getAllObjects(true);
  std::vector<int> ids;
  for (int i = 0; i < all.getCount(); i++) ids.push_back(all[i]->getId());
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(wm.objectWithId(ids[k]));
    k = (k + 1) % ids.size();
  }
  wm.shutDown();
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

// Every object is born HARD at (1,1): those never moved pile up in cell
// (0,0), unless turned SPECTRAL (range(2) 1: in no cell). range(0) of them
// deleted at once, by a step (range(1) 0) or by shutting the world down
// (1); only the deletion is timed.
void BM_CrowdedCellDelete(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  const bool shut_down = state.range(1) != 0;
  const bool spectral = state.range(2) != 0;
  WorldManager &wm = WorldManager::getInstance();
  startWorld(300, 90);
  for (auto _ : state) {
    state.PauseTiming();
    if (!wm.isStarted()) startWorld(300, 90);
    for (int i = 0; i < n; i++) {
      Object *o = new Object;
      if (spectral) o->setSolidness(SPECTRAL);
    }
    state.ResumeTiming();
    if (shut_down) {
      wm.shutDown();
    } else {
      wm.markForDelete(wm.getAllObjects(true));
      wm.update();
    }
  }
  state.counters["objects"] = n;
  if (wm.isStarted()) wm.shutDown();
}

// A burst of 50,000 particle-like objects (born at (1,1), turned SPECTRAL
// and placed) with range(0) objects lying in cell (0,0); the creation is
// timed, then the burst is deleted.
void BM_CreateBesideACrowdedCell(benchmark::State &state) {
  const int parked = static_cast<int>(state.range(0));
  const int burst = 50000;
  platform::srand(3);
  startWorld(300, 90);
  WorldManager &wm = WorldManager::getInstance();
  for (int i = 0; i < parked; i++) new Object;
  std::vector<Object *> made(burst);
  for (auto _ : state) {
    for (int i = 0; i < burst; i++) {
      Object *o = new Object;
      o->setSolidness(SPECTRAL);
      o->setPosition(Vector(frand() * 300, frand() * 90));
      made[i] = o;
    }
    state.PauseTiming();
    for (Object *o : made) wm.markForDelete(o);
    wm.update();
    state.ResumeTiming();
  }
  state.counters["parked"] = parked;
  wm.shutDown();
}

// 160,000 entries pass through a list front-first, eight rounds: each
// operation takes out the first entry and puts one at the end, the same
// pointer (range(0) 0, as a pool) or one never seen before (1, as new
// objects), in a tracked list (range(1) 0) or a grid cell (1). Reported: the
// heap the list holds at the end, per live entry, and the time of an operation.
void BM_FrontFirstStream(benchmark::State &state) {
  const int n = 160000;
  const bool fresh = state.range(0) != 0;
  const bool cell = state.range(1) != 0;
  std::vector<Object *> ring(n);
  uintptr_t next_address = 0x10000000;
  auto make = [&]() {
    next_address += 384;  // the list never reads its objects
    return reinterpret_cast<Object *>(next_address);
  };
  const double heap_before = heapBytes();
  {
    TrackedList list;
    Grid::CellList cell_list;
    auto insert = [&](Object *p) { cell ? cell_list.insert(p, Grid::Bounds{0, 0, 1, 1}) : list.insert(p); };
    auto remove = [&](Object *p) { cell ? cell_list.remove(p) : list.remove(p); };
    for (int i = 0; i < n; i++) insert(ring[i] = make());
    for (auto _ : state)
      for (int i = 0; i < n; i++) {
        remove(ring[i]);
        if (fresh) ring[i] = make();
        insert(ring[i]);
      }
    state.counters["heap_B_per_entry"] = (heapBytes() - heap_before) / n;
  }
  state.counters["op"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The references run the larger worlds of BM_WorldUpdate.
void referenceArgs(benchmark::internal::Benchmark *b) {
  b->ArgNames({"N", "solid_only"})->Args({10000, 0})->Args({10000, 1})->Args({100000, 0});
  b->Unit(benchmark::kMillisecond);
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
BENCHMARK(BM_GridReference)->Apply(referenceArgs);
BENCHMARK(BM_BroadPhaseReference)->Apply(referenceArgs);
BENCHMARK(BM_ObjectWithId)->ArgName("N")->Arg(5000);
BENCHMARK(BM_WorldCrowdedCell)->ArgName("crowd")->Arg(50)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldChurn)->ArgName("N")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrowdedCellDelete)
    ->ArgNames({"N", "shut_down", "spectral"})
    ->ArgsProduct({{20000, 40000, 80000, 160000}, {0}, {0, 1}})
    ->Args({80000, 1, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrontFirstStream)
    ->ArgNames({"fresh", "cell"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateBesideACrowdedCell)->ArgName("parked")->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
