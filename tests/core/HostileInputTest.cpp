// Hostile and extreme inputs to the engine core: each case checks the
// result, the log line and what is kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/Manager.h"
#include "loop/GameManager.h"
#include "support/GameManagerSeam.h"
#include "support/TestEnv.h"
#include "world/Object.h"

using namespace vx;
using vx::test::TestEnv;

namespace {

// Jumps the step count near its end at the first step, logs each step and
// stops after three.
class CountJumper : public Object {
 public:
  std::vector<int> steps_seen;
  CountJumper() {
    setType("CountJumper");
    registerInterest(EVENT_STEP);
  }
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() != EVENT_STEP) return 0;
    steps_seen.push_back(static_cast<const EventStep *>(p_e)->getStepCount());
    LogManager::getInstance().writeLog("jumper step");
    if (steps_seen.size() == 1) GameManagerSeam::setStepCount(INT_MAX - 1);
    if (steps_seen.size() == 3) GameManager::getInstance().setGameOver();
    return 1;
  }
};

// Appends its number to a shared record of deliveries.
class NumberedListener : public Object {
 public:
  int number;
  std::vector<int> *p_seen;
  NumberedListener(int n, std::vector<int> *p) : number(n), p_seen(p) { setSolidness(SPECTRAL); }
  int eventHandler(const Event *) override {
    p_seen->push_back(number);
    return 1;
  }
};

// Takes every event type.
class OpenManager : public Manager {
 public:
  OpenManager() { setType("OpenManager"); }
  bool isValid(std::string) const override { return true; }
  int registerInterest(Object *p_o, std::string t) { return Manager::registerInterest(p_o->getListener(), t); }
  int unregisterInterest(Object *p_o, std::string t) { return Manager::unregisterInterest(p_o->getListener(), t); }
};

} // namespace

TEST(CoreHostileInput, ManyListenersKeepOrderAndTakeEachObjectOnce) {
  TestEnv env;
  ASSERT_EQ(0, env.startEngine());
  OpenManager m;
  std::vector<int> seen;
  const int n = 3000;
  std::vector<NumberedListener *> objects;
  std::vector<int> expected_a;
  for (int i = 0; i < n; i++) {
    objects.push_back(new NumberedListener(i, &seen));
    ASSERT_EQ(0, m.registerInterest(objects[i], "a"));
    ASSERT_EQ(0, m.registerInterest(objects[i], "b"));
  }
  // Second registrations are refused quietly with 0; every third object
  // leaves "a" and the odd ones among them come back at its end.
  for (int i = 0; i < n; i += 7) EXPECT_EQ(0, m.registerInterest(objects[i], "a"));
  for (int i = 0; i < n; i++)
    if (i % 3 != 0) expected_a.push_back(i);
  for (int i = 0; i < n; i += 3) ASSERT_EQ(0, m.unregisterInterest(objects[i], "a"));
  for (int i = 0; i < n; i += 3) EXPECT_EQ(-1, m.unregisterInterest(objects[i], "a"));
  for (int i = 3; i < n; i += 6) {
    ASSERT_EQ(0, m.registerInterest(objects[i], "a"));
    expected_a.push_back(i);
  }
  Event a;
  a.setType("a");
  EXPECT_EQ(int(expected_a.size()), m.onEvent(&a));
  EXPECT_EQ(expected_a, seen);

  // "a" empties and "b" moves into its place with its lists intact.
  for (int i : expected_a) ASSERT_EQ(0, m.unregisterInterest(objects[i], "a"));
  seen.clear();
  Event b;
  b.setType("b");
  EXPECT_EQ(n, m.onEvent(&b));
  ASSERT_EQ(size_t(n), seen.size());
  for (int i = 0; i < n; i++) ASSERT_EQ(i, seen[i]);
  EXPECT_EQ(0, m.registerInterest(objects[5], "b"));
  EXPECT_EQ(0, m.unregisterInterest(objects[5], "b"));
  EXPECT_EQ(-1, m.unregisterInterest(objects[5], "b"));
  seen.clear();
  EXPECT_EQ(n - 1, m.onEvent(&b));
  EXPECT_EQ(size_t(n - 1), seen.size());
}

TEST(CoreHostileInput, LogIsNeverReopenedAndStepCountSaturates) {
  {
    TestEnv env;
    LogManager &log = LogManager::getInstance();
    log.setLogTimeString(false);
    log.setLogStepCount(false);

    // A side file of the log's name, opened before start-up (also under a
    // second spelling), is not adopted: the log is rewritten.
    std::string other = env.dir() + "/./vexmoor.log";
    EXPECT_GT(log.writeMyLog(env.logPath(), "from before the start"), 0);
    EXPECT_GT(log.writeMyLog(other, "from before the start too"), 0);
    ASSERT_EQ(0, log.startUp());
    log.writeLog("first");

    // Another spelling of the open log writes to it, not over its start.
    EXPECT_GT(log.writeMyLog(other, 1, "second"), 0);
    log.writeLog("third");
    EXPECT_EQ(std::vector<std::string>({"first", "second", "third"}), env.readLog());

    // After shut-down, either name goes to stderr and the file is kept.
    log.shutDown();
    ::testing::internal::CaptureStderr();
    EXPECT_GT(log.writeMyLog(env.logPath(), "late %d", 1), 0);
    EXPECT_GT(log.writeMyLog(other, "late %d", 2), 0);
    EXPECT_EQ("late 1\nlate 2\n", ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(std::vector<std::string>({"first", "second", "third"}), env.readLog());

    // One side file under three names (plain, "./", a link): opened once,
    // every line kept in order.
    ASSERT_EQ(0, log.startUp());
    std::string side = env.path("side.log"), dotted = env.dir() + "/./side.log", link = env.path("link.log");
    EXPECT_GT(log.writeMyLog(side, "one"), 0);
    ASSERT_EQ(0, ::symlink(side.c_str(), link.c_str()));
    EXPECT_GT(log.writeMyLog(dotted, "two"), 0);
    EXPECT_GT(log.writeMyLog(link, 7, "three"), 0);
    EXPECT_GT(log.writeMyLog(side, "four"), 0);
    EXPECT_GT(log.writeMyLog(dotted, "five"), 0);
    log.shutDown();
    EXPECT_EQ(std::vector<std::string>({"one", "two", "three", "four", "five"}), TestEnv::readLines(side));
  }
  {
    // The step count stays at INT_MAX instead of overflowing.
    TestEnv env;
    env.writeConfig(vx::test::DEFAULT_TEST_CONFIG + "frame_time:0,\n");
    ASSERT_EQ(0, env.startEngine());
    CountJumper *p_jumper = new CountJumper;
    GameManager::getInstance().run();
    EXPECT_EQ(std::vector<int>({0, INT_MAX, INT_MAX}), p_jumper->steps_seen);
    EXPECT_EQ(INT_MAX, GameManager::getInstance().getStepCount());
    int at_max = 0;
    for (const std::string &line : env.readLog())
      if (line.find(" 2147483647 jumper step") != std::string::npos) at_max++;
    EXPECT_EQ(2, at_max);
  }
}
