#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/Clock.h"
#include "core/Config.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "display/DisplayManager.h"
#include "display/InputManager.h"
#include "display/ResourceManager.h"
#include "loop/GameManager.h"
#include "network/NetworkManager.h"
#include "path/PathManager.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"
#include "world/Object.h"
#include "world/WorldManager.h"

using namespace vx;
using vx::test::FakeTime;
using vx::test::TestEnv;

namespace {

const std::string STARS(52, '*');

// Spends a scripted number of microseconds of fake time in each step and
// ends the loop after the last one.
class Stepper : public Object {
 public:
  std::vector<int64_t> work;
  std::vector<int> steps_seen;
  explicit Stepper(std::vector<int64_t> w) : work(std::move(w)) {
    setType("Stepper");
    registerInterest(EVENT_STEP);
  }
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() != EVENT_STEP) return 0;
    int step = static_cast<const EventStep *>(p_e)->getStepCount();
    steps_seen.push_back(step);
    size_t i = steps_seen.size() - 1;
    if (i < work.size()) FakeTime::advanceMicros(work[i]);
    if (i + 1 >= work.size()) GameManager::getInstance().setGameOver();
    return 1;
  }
};

std::vector<std::string> keepUpLines(const TestEnv &env) {
  std::vector<std::string> out;
  for (const std::string &l : env.logLines())
    if (l.find("Can't keep up!") != std::string::npos) out.push_back(l);
  return out;
}

struct LoopFixture : ::testing::Test {
  TestEnv env;
  void start(const std::string &extra = "") {
    env.writeConfig(vx::test::DEFAULT_TEST_CONFIG + extra);
    ASSERT_EQ(0, env.startEngine());
  }
};

} // namespace

TEST(Clock, DeltaRestartsSplitDoesNot) {
  FakeTime fake(1000);
  Clock c;
  FakeTime::advanceMicros(250);
  EXPECT_EQ(250, c.split());
  EXPECT_EQ(250, c.split());
  FakeTime::advanceMicros(750);
  EXPECT_EQ(1000, c.delta());
  EXPECT_EQ(0, c.split());
  FakeTime::advanceMillis(3);
  EXPECT_EQ(3000, c.delta());
}

TEST(GameManager, StartUpAndShutDownTranscriptAtDefaultLevel) {
  TestEnv env;
  ASSERT_EQ(0, env.startEngine());
  GameManager &gm = GameManager::getInstance();
  EXPECT_TRUE(gm.isStarted());
  EXPECT_EQ(33, gm.getFrameTime());
  EXPECT_TRUE(LogManager::getInstance().isStarted());
  EXPECT_TRUE(DisplayManager::getInstance().isStarted());
  EXPECT_TRUE(InputManager::getInstance().isStarted());
  EXPECT_TRUE(ResourceManager::getInstance().isStarted());
  EXPECT_TRUE(WorldManager::getInstance().isStarted());
  EXPECT_TRUE(PathManager::getInstance().isStarted());
  EXPECT_FALSE(NetworkManager::getInstance().isStarted());  // networking:false

  Box screen(Vector(0, 0), float(DisplayManager::getInstance().getHorizontal()),
             float(DisplayManager::getInstance().getVertical()));
  EXPECT_EQ(screen, WorldManager::getInstance().getBoundary());
  EXPECT_EQ(screen, WorldManager::getInstance().getView());
  EXPECT_EQ(Vector(1.0f / 3.0f, 1.0f / 3.0f), WorldManager::getInstance().getViewSlack());

  env.stopEngine();
  EXPECT_FALSE(gm.isStarted());
  EXPECT_TRUE(gm.getGameOver());
  EXPECT_FALSE(LogManager::getInstance().isStarted());
  EXPECT_FALSE(DisplayManager::getInstance().isStarted());
  EXPECT_FALSE(PathManager::getInstance().isStarted());
  EXPECT_FALSE(WorldManager::getInstance().isStarted());
  EXPECT_EQ(std::vector<std::string>({STARS, "** Vexmoor version 4.25 **", "** Game engine started **", STARS, STARS,
                                      "** Game engine stopped **"}),
            env.logLines());
}

TEST(GameManager, StartUpAndShutDownTranscriptAtLevelTen) {
  TestEnv env;
  LogManager::getInstance().setLogLevel(10);
  env.writeConfig("headless:true,networking:false,random_seed:7,\n");
  ASSERT_EQ(0, env.startEngine());
  env.stopEngine();

  char cwd[4096];
  ASSERT_NE(nullptr, platform::getcwd(cwd, sizeof(cwd)));
  const std::string rule(35, '-');
  std::vector<std::string> expected = {
      STARS, "** Vexmoor version 4.25 **", "** Game engine started **", STARS, rule, "Vexmoor configuration:",
      "  Window horizontal pixels: 1024", "  Window vertical pixels: 768", "  Window horizontal characters: 80",
      "  Window vertical characters: 24", "  Window background color: 0", "  Frame time: 33",
      "  Window style: 5", "  Window state: default", "  Window title: Vexmoor", "  Show mouse: false",
      "  Headless: true", "  Font file: vx-font.ttf", "  Log file: vexmoor.log", "  Random seed: 7",
      "  Networking: false", "  Scene graph: grid", "  Grid width: 20", "  Grid height: 8", rule,
      "Working directory:", std::string("  ") + cwd, "Log Manager started.",
      "GameManager::startUp(): frame time is 33 milliseconds", "Display manager started.",
      "Input manager started.", "Resource manager started.", "World manager started.", "Path manager started.",
      "GameManager()::startUp(): srand() seed with 7", "GameManager successfully started.",
      "Path manager stopped", "World manager stopped", "Resource manager stopped", "Input manager stopped",
      "Display manager stopped", STARS, "** Game engine stopped **"};
  // Other managers add their own notes in between; ours keep this order.
  std::set<std::string> ours(expected.begin(), expected.end());
  std::vector<std::string> got;
  for (const std::string &l : env.logLines())
    if (ours.count(l)) got.push_back(l);
  EXPECT_EQ(expected, got);
  std::vector<std::string> all = env.logLines();
  EXPECT_EQ(0, std::count_if(all.begin(), all.end(), [](const std::string &l) {
              return l.find("Network manager") != std::string::npos;
            }));

  // Seeded with 7: the same numbers as srand(7).
  std::vector<int> after_start;
  platform::srand(7);
  for (int i = 0; i < 3; i++) after_start.push_back(platform::rand());
  TestEnv env2;
  env2.writeConfig("headless:true,networking:false,random_seed:7,\n");
  ASSERT_EQ(0, env2.startEngine());
  for (int i = 0; i < 3; i++) EXPECT_EQ(after_start[i], platform::rand());
}

TEST(GameManager, UnseededWithMinusOne) {
  TestEnv env;
  LogManager::getInstance().setLogLevel(10);
  env.writeConfig("headless:true,networking:false,random_seed:-1,\n");
  platform::srand(12345);
  int expected = platform::rand();
  platform::srand(12345);
  ASSERT_EQ(0, env.startEngine());
  EXPECT_EQ(expected, platform::rand());
  EXPECT_FALSE(env.logContains("srand()"));
}

TEST(GameManager, SecondStartUpIsRefused) {
  TestEnv env;
  ASSERT_EQ(0, env.startEngine());
  EXPECT_EQ(-1, GameManager::getInstance().startUp());
  EXPECT_EQ("GameManager::startup(): Warning! GameManager already started.", env.logLines().back());
  EXPECT_TRUE(GameManager::getInstance().isStarted());
}

TEST(GameManager, UnopenableLogFailsStartUp) {
  TestEnv env;
  env.writeConfig();
  std::string bad = env.dir() + "/missing/vexmoor.log";
  setenv("VEXMOOR_LOG", bad.c_str(), 1);
  LogManager::getInstance().setLogTimeString(false);
  LogManager::getInstance().setLogStepCount(false);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(-1, GameManager::getInstance().startUp());
  GameManager::getInstance().shutDown();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ("LogManager::startup(): Warning! Unable to open file '" + bad + "'.\n" +
                "GameManager::startUp(): Error! Starting log manager.\n" + STARS + "\n** Game engine stopped **\n",
            err);
  EXPECT_FALSE(GameManager::getInstance().isStarted());
  EXPECT_FALSE(DisplayManager::getInstance().isStarted());
}

TEST(GameManager, OnlyStepEventsAreValid) {
  GameManager &gm = GameManager::getInstance();
  EXPECT_TRUE(gm.isValid(EVENT_STEP));
  EXPECT_FALSE(gm.isValid("vx-keyboard"));
  EXPECT_FALSE(gm.isValid(EVENT_UNDEFINED));
  EXPECT_EQ("GameManager", gm.getType());
}

TEST_F(LoopFixture, StepsSleepTheRestOfTheFrame) {
  start();
  FakeTime fake;
  Stepper *s = new Stepper({10000, 10000, 10000});
  GameManager::getInstance().setGameOver(true);  // cleared by run
  GameManager::getInstance().run();
  EXPECT_EQ(std::vector<int>({0, 1, 2}), s->steps_seen);
  EXPECT_EQ(3, GameManager::getInstance().getStepCount());
  EXPECT_EQ(std::vector<int>({23, 23, 23}), FakeTime::s_sleeps);
  EXPECT_TRUE(keepUpLines(env).empty());

  // Each run counts from 0 again.
  s->work = {5000, 5000};
  s->steps_seen.clear();
  FakeTime::s_sleeps.clear();
  GameManager::getInstance().run();
  EXPECT_EQ(std::vector<int>({0, 1}), s->steps_seen);
  EXPECT_EQ(std::vector<int>({28, 28}), FakeTime::s_sleeps);
}

TEST_F(LoopFixture, OversleepShortensTheNextSleep) {
  start();
  FakeTime fake;
  FakeTime::s_sleep_extra = 1500;
  new Stepper({10000, 10000, 10000});
  GameManager::getInstance().run();
  // 23 ms + 1.5 over; 21.5 ms -> 21 (+1.5 over: 1.0 carried); 22 ms.
  EXPECT_EQ(std::vector<int>({23, 21, 22}), FakeTime::s_sleeps);
}

TEST_F(LoopFixture, LateStepsLogCantKeepUp) {
  start();
  FakeTime fake;
  new Stepper({40000, 40000, 45999});
  GameManager::getInstance().run();
  EXPECT_TRUE(FakeTime::s_sleeps.empty());
  // Step 0 never logs; each later late step does.
  EXPECT_EQ(std::vector<std::string>({"GameManager::run(): Can't keep up! frame_time 33 ms, split 40 ms",
                                      "GameManager::run(): Can't keep up! frame_time 33 ms, split 45 ms"}),
            keepUpLines(env));
}

TEST_F(LoopFixture, LateStepAfterOversleepOnlyClearsIt) {
  start();
  FakeTime fake;
  FakeTime::s_sleep_extra = 1500;
  new Stepper({10000, 40000, 40000});
  GameManager::getInstance().run();
  EXPECT_EQ(std::vector<int>({23}), FakeTime::s_sleeps);
  EXPECT_EQ(std::vector<std::string>({"GameManager::run(): Can't keep up! frame_time 33 ms, split 40 ms"}),
            keepUpLines(env));
}

TEST_F(LoopFixture, ZeroFrameTimeNeverSleepsNorLogs) {
  start("frame_time:0,\n");
  FakeTime fake;
  new Stepper({1000, 1000, 1000});
  GameManager::getInstance().run();
  EXPECT_TRUE(FakeTime::s_sleeps.empty());
  EXPECT_TRUE(keepUpLines(env).empty());
}

TEST_F(LoopFixture, ClockGoingBackNeverSleepsLongerThanAFrame) {
  start();
  FakeTime fake(int64_t(40) * 24 * 3600 * 1000000);
  // A reading a month back, then a huge jump forward, then normal work.
  new Stepper({-int64_t(30) * 24 * 3600 * 1000000, int64_t(3600) * 1000000, 10000, 10000});
  GameManager::getInstance().run();
  ASSERT_EQ(3u, FakeTime::s_sleeps.size());
  EXPECT_EQ(33, FakeTime::s_sleeps[0]);
  EXPECT_EQ(23, FakeTime::s_sleeps[1]);
  EXPECT_EQ(23, FakeTime::s_sleeps[2]);
  for (int ms : FakeTime::s_sleeps) EXPECT_LE(ms, 33);
}

TEST_F(LoopFixture, LongOversleepIsNotCarriedForever) {
  start();
  FakeTime fake;
  FakeTime::s_sleep_extra = int64_t(10) * 1000000;  // each sleep overshoots by 10 s
  new Stepper({10000, 10000, 10000, 10000});
  GameManager::getInstance().run();
  // Slept, then late with a pending oversleep (cleared), then slept again.
  EXPECT_EQ(std::vector<int>({23, 23}), FakeTime::s_sleeps);
  EXPECT_TRUE(keepUpLines(env).empty());
}
