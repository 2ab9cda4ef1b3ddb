// Hostile and extreme inputs to the engine core: each case checks the
// result, the log line and what is kept.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/EventStep.h"
#include "core/GameManager.h"
#include "core/LogManager.h"
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
    if (steps_seen.size() == 1) GameManager::getInstance().setStepCount(INT_MAX - 1);
    if (steps_seen.size() == 3) GameManager::getInstance().setGameOver();
    return 1;
  }
};

} // namespace

TEST(CoreHostileInput, LogIsNeverReopenedAndStepCountSaturates) {
  {
    TestEnv env;
    LogManager &log = LogManager::getInstance();
    log.setLogTimeString(false);
    log.setLogStepCount(false);

    // A side file of the log's name, opened before start-up, is not
    // adopted: the log is rewritten.
    EXPECT_GT(log.writeMyLog(env.logPath(), "from before the start"), 0);
    ASSERT_EQ(0, log.startUp());
    log.writeLog("first");

    // Another spelling of the open log writes to it, not over its start.
    std::string other = env.dir() + "/./vexmoor.log";
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
