#pragma once
// Helpers for tests that open the engine's real window (run under xvfb-run).

#include <unistd.h>

#include <cstdio>
#include <string>

#include <SFML/Graphics.hpp>

#include "core/Config.h"
#include "display/DisplayManager.h"
#include "display/DisplayTestSupport.h"
#include "platform/Platform.h"

namespace vx {
namespace test {

// 480 x 288 pixels of 40 x 12 cells: 12 x 24 pixels a cell, glyphs of 24.
inline void windowConfig(const std::string &title) {
  Config &c = Config::getInstance();
  c.setHeadless(false);
  gridConfig(480, 288, 40, 12);
  c.setFontScale(2.0f);
  c.setWindowTitle(title);
  c.setFontFile(std::string(VX_BUILD_DIR) + "/vx-font.ttf");
}

inline std::string uniqueTitle(const std::string &base) { return base + std::to_string(getpid()); }

// Output of a shell command (stdout only).
inline std::string runCommand(const std::string &cmd) {
  std::string out;
  FILE *p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// The X id of the window titled title, polled a bounded number of times.
inline std::string waitForWindow(const std::string &title, int tries = 50) {
  for (int i = 0; i < tries; i++) {
    std::string ids = runCommand("xdotool search --name '^" + title + "$' 2>/dev/null");
    size_t end = ids.find('\n');
    if (end != std::string::npos && end > 0) return ids.substr(0, end);
    sf::RenderWindow *w = DisplayManager::getInstance().getWindow();
    sf::Event e;
    while (w != nullptr && w->pollEvent(e)) {
    }
    platform::sleepMillis(20);
  }
  return "";
}

// Sends the window the close request a window manager sends (WindowX11.cpp).
bool sendWindowClose(unsigned long window_id);

// The window's pixels as drawn so far this frame (before display).
inline sf::Image captureWindow() {
  sf::RenderWindow *w = DisplayManager::getInstance().getWindow();
  sf::Texture t;
  t.create(w->getSize().x, w->getSize().y);
  t.update(*w);
  return t.copyToImage();
}

inline bool near(sf::Color a, sf::Color b, int tol = 8) {
  return std::abs(int(a.r) - int(b.r)) <= tol && std::abs(int(a.g) - int(b.g)) <= tol &&
         std::abs(int(a.b) - int(b.b)) <= tol;
}

// Pixels of colour c in [x0, x1) x [y0, y1).
inline int countColor(const sf::Image &img, sf::Color c, int x0, int y0, int x1, int y1) {
  int n = 0;
  sf::Vector2u size = img.getSize();
  for (int y = std::max(0, y0); y < std::min(int(size.y), y1); y++)
    for (int x = std::max(0, x0); x < std::min(int(size.x), x1); x++)
      if (near(img.getPixel(unsigned(x), unsigned(y)), c)) n++;
  return n;
}

} // namespace test
} // namespace vx
