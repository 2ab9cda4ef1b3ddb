// Cost of one full 80 x 24 frame of characters, drawn by the engine and by a
// plain SFML loop of one rectangle and one one-character text per cell; of
// one sprite much larger than the window; and of reading a sprite file.
// Needs an X display: run under xvfb-run -a.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include <SFML/Graphics.hpp>

#include "core/Config.h"
#include "core/LogManager.h"
#include "display/DisplayManager.h"
#include "display/ResourceManager.h"
#include "display/Sprite.h"
#include "support/TestEnv.h"

// Every C++ allocation in the program is counted, to show what a frame costs.
std::atomic<long> g_allocations{0};

__attribute__((noinline)) void *operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void *p = std::malloc(n != 0 ? n : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void *p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

const int COLS = 80;
const int ROWS = 24;

const int WARM_UP_FRAMES = 5;  // glyphs are rasterised on first use

const vx::Color COLORS[] = {vx::RED, vx::GREEN, vx::YELLOW, vx::BLUE, vx::MAGENTA, vx::CYAN, vx::WHITE};

// Returns the allocations made while the cells were drawn (not shown).
long engineFrame() {
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  long before = g_allocations.load(std::memory_order_relaxed);
  for (int y = 0; y < ROWS; y++)
    for (int x = 0; x < COLS; x++)
      dm.drawCh(vx::Vector(float(x), float(y)), char('!' + (x + y * COLS) % 90), COLORS[(x + y) % 7]);
  long made = g_allocations.load(std::memory_order_relaxed) - before;
  dm.swapBuffers();
  return made;
}

void BM_EngineFrame(benchmark::State &state) {
  for (int i = 0; i < WARM_UP_FRAMES; i++) engineFrame();
  long allocations = 0;
  for (auto _ : state) allocations += engineFrame();
  state.counters["cells"] = COLS * ROWS;
  state.counters["drawCh_allocs_per_frame"] =
      benchmark::Counter(double(allocations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EngineFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_EngineStringFrame(benchmark::State &state) {
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  std::string row(COLS, '#');
  for (int i = 0; i < WARM_UP_FRAMES; i++) engineFrame();
  for (auto _ : state) {
    for (int y = 0; y < ROWS; y++) dm.drawString(vx::Vector(0, float(y)), row, vx::LEFT_JUSTIFIED, vx::GREEN);
    dm.swapBuffers();
  }
}
BENCHMARK(BM_EngineStringFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The reference: the same cells and colours drawn straight with SFML in the
// same window.
void BM_PlainSFMLFrame(benchmark::State &state) {
  sf::RenderWindow *w = vx::DisplayManager::getInstance().getWindow();
  sf::Font font;
  font.loadFromFile(vx::Config::getInstance().getFontFile());
  float cw = vx::charWidth(), ch = vx::charHeight();
  sf::RectangleShape rect(sf::Vector2f(cw, ch));
  rect.setFillColor(sf::Color::Black);
  sf::Text text("", font, 25);
  text.setStyle(sf::Text::Bold);
  auto frame = [&] {
    for (int y = 0; y < ROWS; y++)
      for (int x = 0; x < COLS; x++) {
        rect.setPosition(x * cw - cw / 10, y * ch + ch / 5);
        w->draw(rect);
        text.setString(sf::String(sf::Uint32('!' + (x + y * COLS) % 90)));
        text.setPosition(x * cw, y * ch);
        text.setFillColor(vx::colorToSFML(COLORS[(x + y) % 7]));
        w->draw(text);
      }
    w->display();
    w->clear(sf::Color::Black);
  };
  for (int i = 0; i < WARM_UP_FRAMES; i++) frame();
  for (auto _ : state) frame();
}
BENCHMARK(BM_PlainSFMLFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One frame holding a side x side sprite centred in the window: the cells
// that can be seen are the window's own 80 x 24. The reference is the same
// window filled cell by cell.
void BM_HugeSpriteFrame(benchmark::State &state) {
  int side = int(state.range(0));
  vx::Sprite sprite(1);
  sprite.setWidth(side);
  sprite.setHeight(side);
  std::string cells(size_t(side) * size_t(side), '#');
  for (size_t i = 0; i < cells.size(); i += 7) cells[i] = char('a' + i % 26);
  sprite.addFrame(vx::Frame(side, side, cells));
  cells.clear();
  cells.shrink_to_fit();
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  for (int i = 0; i < WARM_UP_FRAMES; i++) engineFrame();
  for (auto _ : state) {
    sprite.draw(0, vx::Vector(COLS / 2, ROWS / 2), 0, 0);
    dm.swapBuffers();
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  state.counters["sprite_cells"] = double(side) * double(side);
  state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_HugeSpriteFrame)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

// Loading (and unloading) a sprite file of 400 frames of 20 x 8 cells, in
// the simple format (0) or the robust one (1).
void BM_LoadSprite(benchmark::State &state) {
  const bool robust = state.range(0) != 0;
  const int frames = 400, width = 20, height = 8;
  std::string path = "/tmp/vx-bench-sprite-" + std::to_string(getpid()) + (robust ? ".robust" : ".simple");
  {
    std::ofstream f(path, std::ios::trunc);
    if (robust)
      f << "<HEADER>\nframes " << frames << "\nwidth " << width << "\nheight " << height
        << "\ncolor green\nslowdown 2\n</HEADER>\n<BODY>\n";
    else
      f << frames << "\n" << width << "\n" << height << "\n2\ngreen\n";
    for (int i = 0; i < frames; i++) {
      for (int r = 0; r < height; r++) f << std::string(size_t(width), char('a' + (i + r) % 26)) << "\n";
      if (robust) f << "end\n";
    }
    if (robust) f << "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
  }
  vx::ResourceManager &rm = vx::ResourceManager::getInstance();
  for (auto _ : state) {
    if (rm.loadSprite(path, "bench") != 0) {
      state.SkipWithError("the sprite did not load");
      break;
    }
    rm.unloadSprite("bench");
  }
  unlink(path.c_str());
  state.SetItemsProcessed(int64_t(state.iterations()) * frames);
}
BENCHMARK(BM_LoadSprite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  vx::test::TestEnv env;
  vx::LogManager::getInstance().startUp();
  vx::Config &config = vx::Config::getInstance();
  config.setHeadless(false);
  config.setWindowTitle("VexmoorBench");
  // The font sits next to the program.
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  std::string dir = n > 0 ? std::string(exe, size_t(n)) : std::string("./x");
  config.setFontFile(dir.substr(0, dir.rfind('/')) + "/vx-font.ttf");
  if (vx::DisplayManager::getInstance().startUp() != 0) {
    std::fprintf(stderr, "display_bench: the display did not start (is there an X display?)\n");
    return 1;
  }
  vx::ResourceManager::getInstance().startUp();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  vx::ResourceManager::getInstance().shutDown();
  vx::DisplayManager::getInstance().shutDown();
  return 0;
}
