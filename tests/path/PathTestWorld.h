#pragma once
// Shared fixture of the path tests: a started headless engine and a small
// world that obstacles are placed in.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Box.h"
#include "core/LogManager.h"
#include "core/Vector.h"
#include "display/Path.h"
#include "path/PathFind.h"
#include "path/PathManager.h"
#include "support/TestEnv.h"
#include "world/EventPath.h"
#include "world/Object.h"
#include "world/WorldManager.h"

namespace pathtest {

class PathWorld : public ::testing::Test {
 protected:
  vx::test::TestEnv env;

  void SetUp() override { ASSERT_EQ(0, env.startEngine()); }

  // Sets the boundary first: a boundary change empties the collision grid.
  void setWorld(int w, int h) {
    vx::WorldManager::getInstance().setBoundary(vx::Box(vx::Vector(0, 0), (float)w, (float)h));
  }

  vx::Object *place(float x, float y, vx::Solidness s = vx::HARD) {
    vx::Object *p_o = new vx::Object;
    p_o->setSolidness(s);
    p_o->setPosition(vx::Vector(x, y));
    return p_o;
  }

  // Walls from rows of text: '#' is a HARD cell.
  void walls(const std::vector<std::string> &rows) {
    for (int y = 0; y < (int)rows.size(); y++)
      for (int x = 0; x < (int)rows[y].size(); x++)
        if (rows[y][x] == '#') place((float)x, (float)y);
  }

  void clearWorld() {
    vx::WorldManager &wm = vx::WorldManager::getInstance();
    wm.markForDelete(wm.getAllObjects(true));
    wm.update();
  }

  // Runs a search to its end; returns the result and the number of expansions.
  static int runSearch(vx::PathFind &pf, int *p_expansions = nullptr, int max_steps = 1000000) {
    int result = vx::SEARCHING, n = 0;
    while (result == vx::SEARCHING && n < max_steps) {
      result = pf.cycleOnce();
      n++;
    }
    if (p_expansions) *p_expansions = n;
    return result;
  }

  static std::vector<vx::Vector> cells(std::initializer_list<std::pair<int, int>> l) {
    std::vector<vx::Vector> v;
    for (auto &p : l) v.push_back(vx::Vector((float)p.first, (float)p.second));
    return v;
  }
};

inline std::string show(const std::vector<vx::Vector> &v) {
  std::string s;
  for (const vx::Vector &p : v) s += "(" + std::to_string((int)p.getX()) + "," + std::to_string((int)p.getY()) + ")";
  return s;
}

}  // namespace pathtest
