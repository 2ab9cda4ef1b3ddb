// A preset-1 burst every step for 1,000 steps in a headless world: the
// number of live particles must stay bounded (they age out), and the world's
// update must fit well inside the 33 ms frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "core/EventStep.h"
#include "core/GameManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

namespace {

const int STEPS = 1000;

void BM_PresetOneBurstEveryStep(benchmark::State &state) {
  vx::test::TestEnv env;
  env.writeConfig();
  if (env.startEngine() != 0) {
    state.SkipWithError("engine did not start");
    return;
  }
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

} // namespace

BENCHMARK_MAIN();
