#pragma once
// Starting the log and the display (and input) by hand for the display tests.

#include <algorithm>
#include <string>
#include <vector>

#include "core/Config.h"
#include "core/LogManager.h"
#include "display/DisplayManager.h"
#include "display/InputManager.h"
#include "support/DisplayManagerSeam.h"
#include "support/TestEnv.h"

namespace vx {

namespace test {

// The window's size in pixels and in cells.
inline void gridConfig(int h_px, int v_px, int h_ch, int v_ch) {
  Config &c = Config::getInstance();
  c.setWindowHorizontalPixels(h_px);
  c.setWindowVerticalPixels(v_px);
  c.setWindowHorizontalChars(h_ch);
  c.setWindowVerticalChars(v_ch);
}

// Headless; by default the game's window of 1024 x 768 pixels, 80 x 24 cells.
inline void headlessConfig(int h_px = 1024, int v_px = 768, int h_ch = 80, int v_ch = 24) {
  Config::getInstance().setHeadless(true);
  gridConfig(h_px, v_px, h_ch, v_ch);
}

// A test environment with the log started; stops display and input at the end.
class DisplayEnv {
 public:
  explicit DisplayEnv(int log_level = 0) {
    LogManager::getInstance().startUp();
    if (log_level != 0) LogManager::getInstance().setLogLevel(log_level);
  }
  ~DisplayEnv() {
    if (InputManager::getInstance().isStarted()) InputManager::getInstance().shutDown();
    if (DisplayManager::getInstance().isStarted()) DisplayManager::getInstance().shutDown();
  }
  DisplayEnv(const DisplayEnv &) = delete;
  DisplayEnv &operator=(const DisplayEnv &) = delete;

  TestEnv env;

  std::vector<std::string> lines() const { return env.logLines(); }
  bool has(const std::string &text) const { return env.logContains(text); }
  int count(const std::string &exact) const {
    std::vector<std::string> l = lines();
    return int(std::count(l.begin(), l.end(), exact));
  }
  // Index of the first line equal to exact, or -1.
  int indexOf(const std::string &exact) const {
    std::vector<std::string> l = lines();
    for (size_t i = 0; i < l.size(); i++)
      if (l[i] == exact) return int(i);
    return -1;
  }
};

} // namespace test
} // namespace vx
