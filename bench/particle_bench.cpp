// A preset-1 burst every step for 1,000 steps in a headless world: the
// number of live particles must stay bounded (they age out), and the world's
// update must fit well inside the 33 ms frame. Then the cost of many
// listeners: objects interested in "vx-step" made and deleted by the
// hundred thousand, and one preset-1 burst of up to a million particles.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/EventStep.h"
#include "loop/GameManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
#include "world/Object.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

namespace {

const int STEPS = 1000;

// A headless engine for one benchmark; false (the benchmark skipped) when it
// does not start.
bool startEngine(benchmark::State &state, vx::test::TestEnv &env) {
  env.writeConfig();
  if (env.startEngine() == 0) return true;
  state.SkipWithError("engine did not start");
  return false;
}

void BM_PresetOneBurstEveryStep(benchmark::State &state) {
  vx::test::TestEnv env;
  if (!startEngine(state, env)) return;
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  vx::GameManager &gm = vx::GameManager::getInstance();
  int64_t burst_us = 0, event_us = 0, update_us = 0, draw_us = 0;
  int max_particles = 0, final_particles = 0, steps = 0;
  for (auto _ : state) {
    vx::platform::srand(7);
    for (int i = 0; i < STEPS; i++) {
      int64_t t0 = vx::platform::nowMicros();
      vx::addParticles(1, vx::Vector(40, 12), 1.0f, vx::RED);
      int64_t t1 = vx::platform::nowMicros();
      vx::EventStep step(i);
      gm.onEvent(&step);
      int64_t t2 = vx::platform::nowMicros();
      wm.update();
      int64_t t3 = vx::platform::nowMicros();
      wm.draw();
      int64_t t4 = vx::platform::nowMicros();
      burst_us += t1 - t0;
      event_us += t2 - t1;
      update_us += t3 - t2;
      draw_us += t4 - t3;
      max_particles = std::max(max_particles, wm.objectsOfType("Particle").getCount());
      steps++;
    }
    final_particles = wm.objectsOfType("Particle").getCount();
    wm.markForDelete(wm.getAllObjects(true));
    wm.update();
  }
  double n = steps > 0 ? steps : 1;
  state.counters["ms_per_update"] = update_us / 1000.0 / n;
  state.counters["ms_per_step"] = (burst_us + event_us + update_us + draw_us) / 1000.0 / n;
  state.counters["ms_burst"] = burst_us / 1000.0 / n;
  state.counters["ms_step_events"] = event_us / 1000.0 / n;
  state.counters["budget_ms"] = 33;
  state.counters["max_particles"] = max_particles;
  state.counters["final_particles"] = final_particles;
  // Ages run up to 22 steps: never more than 22 bursts of 50 alive.
  if (max_particles > 22 * 50) state.SkipWithError("particle count not bounded");
}

BENCHMARK(BM_PresetOneBurstEveryStep)->Iterations(3)->Unit(benchmark::kMillisecond);

// Objects that register for "vx-step" on creation; SPECTRAL, so that the
// collision grid (where they would all share one cell) stays out of it.
class StepListener : public vx::Object {
 public:
  StepListener() {
    setSolidness(vx::SPECTRAL);
    registerInterest("vx-step");
  }
};

// Time spent in named phases of each run, reported per run as ms_<name>.
class Phases {
 private:
  std::vector<std::string> m_names;
  std::vector<int64_t> m_us;
  int64_t m_at = 0;
  int m_runs = 0;

 public:
  explicit Phases(std::vector<std::string> names) : m_names(std::move(names)), m_us(m_names.size(), 0) {}
  void start() { m_at = vx::platform::nowMicros(); }
  // Ends phase i, which began at the last start() or lap().
  void lap(size_t i) {
    int64_t now = vx::platform::nowMicros();
    m_us[i] += now - m_at;
    m_at = now;
  }
  void endRun() { m_runs++; }
  void report(benchmark::State &state) const {
    double r = m_runs > 0 ? m_runs : 1;
    for (size_t i = 0; i < m_names.size(); i++) state.counters["ms_" + m_names[i]] = m_us[i] / 1000.0 / r;
  }
};

// range(0) listeners made, one step delivered to them, then all deleted
// (each unregisters): the counters split the three.
void BM_StepListeners(benchmark::State &state) {
  vx::test::TestEnv env;
  if (!startEngine(state, env)) return;
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  vx::GameManager &gm = vx::GameManager::getInstance();
  const int n = static_cast<int>(state.range(0));
  Phases phases({"make", "step", "delete"});
  for (auto _ : state) {
    phases.start();
    for (int i = 0; i < n; i++) new StepListener;
    phases.lap(0);
    vx::EventStep step(1);
    gm.onEvent(&step);
    phases.lap(1);
    wm.markForDelete(wm.getAllObjects(true));
    wm.update();
    phases.lap(2);
    phases.endRun();
  }
  phases.report(state);
}

BENCHMARK(BM_StepListeners)->Arg(10000)->Arg(50000)->Arg(150000)->Iterations(1)->Unit(benchmark::kMillisecond);

// One preset-1 burst of 50 x range(0) particles in a world of 300 x 90, one
// step event and world update, then every particle deleted.
void BM_LargeBurst(benchmark::State &state) {
  vx::test::TestEnv env;
  if (!startEngine(state, env)) return;
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  vx::GameManager &gm = vx::GameManager::getInstance();
  wm.setBoundary(vx::Box(vx::Vector(0, 0), 300, 90));
  const float scale = static_cast<float>(state.range(0));
  Phases phases({"burst", "step", "delete"});
  int particles = 0;
  for (auto _ : state) {
    vx::platform::srand(7);
    phases.start();
    vx::addParticles(1, vx::Vector(150, 45), scale, vx::RED);
    phases.lap(0);
    particles = wm.objectsOfType("Particle").getCount();
    phases.start();
    vx::EventStep step(1);
    gm.onEvent(&step);
    wm.update();
    phases.lap(1);
    wm.markForDelete(wm.getAllObjects(true));
    wm.update();
    phases.lap(2);
    phases.endRun();
  }
  state.counters["particles"] = particles;
  phases.report(state);
}

// Scale 20,000: a million particles.
BENCHMARK(BM_LargeBurst)->Arg(400)->Arg(2000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
