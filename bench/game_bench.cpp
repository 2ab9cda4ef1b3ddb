// The game's loop, headless: time per step against the 33 ms frame budget,
// and a long soak whose memory must stay flat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Hero.h"
#include "Setup.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "display/DisplayManager.h"
#include "display/InputManager.h"
#include "loop/GameManager.h"
#include "support/TestEnv.h"
#include "world/WorldManager.h"

namespace {

std::string exeDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, n);
  return p.substr(0, p.find_last_of('/'));
}

long rssKb() {
  long pages = 0, resident = 0;
  FILE *f = fopen("/proc/self/statm", "r");
  if (!f) return -1;
  if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
  fclose(f);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The engine started headless with frame_time 0 and the game's world built.
struct Game {
  vx::test::TestEnv env;
  Game() {
    env.writeConfig("headless:true,\nnetworking:false,\nframe_time:0,\nrandom_seed:7,\n");
    if (env.startEngine() != 0) std::fprintf(stderr, "engine did not start\n");
    // The game's own start-up; its sprites are read where the game runs.
    char old[4096];
    if (!getcwd(old, sizeof old)) old[0] = 0;
    if (access("sprites/hero.txt", R_OK) != 0 && chdir(exeDir().c_str()) != 0)
      std::fprintf(stderr, "no sprites\n");
    loadResources();
    if (old[0] && chdir(old) != 0) std::fprintf(stderr, "cannot return to %s\n", old);
    populateWorld();
  }
  Hero *hero() {
    vx::ObjectList l = vx::WorldManager::getInstance().objectsOfType("Hero");
    return l.isEmpty() ? nullptr : dynamic_cast<Hero *>(l[0]);
  }
  // One step as the loop runs it; the hero is healed so the game goes on.
  void step(int n) {
    vx::EventStep s(n);
    vx::GameManager::getInstance().onEvent(&s);
    vx::DisplayManager::getInstance().swapBuffers();
    vx::InputManager::getInstance().getInput();
    vx::WorldManager::getInstance().update();
    vx::WorldManager::getInstance().draw();
    if (Hero *h = hero()) h->healFull();
  }
};

void BM_GameLoop3000Steps(benchmark::State &state) {
  for (auto _ : state) {
    Game g;
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 3000; i++) g.step(i);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    state.counters["ms_per_step"] = ms / 3000;
    state.counters["budget_ms"] = 33;
    state.counters["objects_at_end"] = vx::WorldManager::getInstance().getAllObjects(true).getCount();
  }
}
BENCHMARK(BM_GameLoop3000Steps)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Soak100000Steps(benchmark::State &state) {
  for (auto _ : state) {
    Game g;
    for (int i = 0; i < 10000; i++) g.step(i);  // warm up: waves fill the floor, bursts come and go
    long before = rssKb();
    auto t0 = std::chrono::steady_clock::now();
    long mid = 0;
    for (int i = 10000; i < 100000; i++) {
      g.step(i);
      if (i == 50000) mid = rssKb();
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    long after = rssKb();
    state.counters["rss_before_kb"] = before;
    state.counters["rss_after_kb"] = after;
    state.counters["rss_mid_kb"] = mid;
    state.counters["rss_growth_kb"] = after - before;
    state.counters["objects_at_end"] = vx::WorldManager::getInstance().getAllObjects(true).getCount();
    state.counters["ms_per_step"] = ms / 90000;
    state.counters["hero_alive"] = g.hero() != nullptr;
  }
}
BENCHMARK(BM_Soak100000Steps)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
