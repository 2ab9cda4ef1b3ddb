#pragma once
// Shared set-up of the world tests: a headless log and a started world
// manager with an 80 x 24 boundary and view, and a recording object.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Event.h"
#include "core/LogManager.h"
#include "support/TestEnv.h"
#include "support/WorldCheck.h"
#include "world/EventCollision.h"
#include "world/EventOut.h"
#include "world/Object.h"
#include "world/WorldManager.h"

namespace world_test {

// Every event delivered to a Probe, as "receiver:type[:o1:o2]".
inline std::vector<std::string> &eventLog() {
  static std::vector<std::string> log;
  return log;
}

// An object that records its events and draws, with optional hooks.
class Probe : public vx::Object {
 public:
  int collisions = 0;
  int outs = 0;
  int draws = 0;
  std::function<void(Probe *, const vx::Event *)> on_event;
  std::function<void(Probe *)> on_draw;
  std::function<void(Probe *)> on_delete;

  explicit Probe(std::string type = "Probe") { setType(type); }
  ~Probe() override {
    if (on_delete) on_delete(this);
  }

  int eventHandler(const vx::Event *p_e) override {
    std::string entry = std::to_string(getId()) + ":" + p_e->getType();
    if (p_e->getType() == vx::EVENT_COLLISION) {
      collisions++;
      auto p_c = dynamic_cast<const vx::EventCollision *>(p_e);
      entry += ":" + std::to_string(p_c->getObject1()->getId()) + ":" + std::to_string(p_c->getObject2()->getId());
    }
    if (p_e->getType() == vx::EVENT_OUT) outs++;
    eventLog().push_back(entry);
    if (on_event) on_event(this, p_e);
    return Object::eventHandler(p_e);
  }

  int draw() override {
    draws++;
    if (on_draw) on_draw(this);
    return 0;
  }
};

class WorldTest : public ::testing::Test {
 protected:
  vx::test::TestEnv env;

  void SetUp() override {
    env.writeConfig();
    vx::LogManager::getInstance().startUp();
    vx::LogManager::getInstance().setFlush(true);
    vx::WorldManager &wm = vx::WorldManager::getInstance();
    if (wm.isStarted()) wm.shutDown();
    ASSERT_EQ(0, wm.startUp());
    wm.setBoundary(vx::Box(vx::Vector(0, 0), 80, 24));
    wm.setView(vx::Box(vx::Vector(0, 0), 80, 24));
    eventLog().clear();
  }

  void TearDown() override {
    vx::WorldManager &wm = vx::WorldManager::getInstance();
    if (wm.isStarted()) wm.shutDown();
    eventLog().clear();
  }

  vx::WorldManager &wm() { return vx::WorldManager::getInstance(); }

  // A probe placed at p with the given solidness.
  Probe *make(vx::Vector p, vx::Solidness s = vx::HARD, std::string type = "Probe") {
    Probe *o = new Probe(type);
    o->setSolidness(s);
    o->setPosition(p);
    return o;
  }

  // Number of log lines (prefixes stripped) equal to text.
  int logCount(const std::string &text) const {
    int n = 0;
    for (const std::string &l : env.logLines())
      if (l == text) n++;
    return n;
  }
};

#define EXPECT_WORLD_OK() EXPECT_EQ("", vx::test::checkWorld())

} // namespace world_test
