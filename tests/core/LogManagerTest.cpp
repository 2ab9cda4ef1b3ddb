#include <gtest/gtest.h>


#include "core/Config.h"
#include "core/LogManager.h"
#include "loop/GameManager.h"
#include "support/GameManagerSeam.h"
#include "support/TestEnv.h"

using vx::LogManager;
using vx::test::TestEnv;

namespace {

// The step prefix as the log writes it now.
std::string stepPrefix() {
  char buf[32];
  snprintf(buf, sizeof(buf), "%4d ", vx::GameManager::getInstance().getStepCount());
  return buf;
}

// Starts only the log manager on the test's log file.
struct LogFixture : ::testing::Test {
  TestEnv env;
  LogManager &log = LogManager::getInstance();
  void SetUp() override { ASSERT_EQ(0, log.startUp()); }
};

} // namespace

TEST_F(LogFixture, LineFormatHasTimeAndStepPrefixes) {
  int n = log.writeLog("GameManager::run(): starting game loop");
  EXPECT_EQ(int(std::string("GameManager::run(): starting game loop").size()), n);
  std::vector<std::string> lines = env.readLog();
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(vx::test::isTimeString(lines[0].substr(0, 8))) << lines[0];
  EXPECT_EQ(" " + stepPrefix() + "GameManager::run(): starting game loop", lines[0].substr(8));

  // The step prefix shows the game loop's step count.
  log.setLogTimeString(false);
  int was = vx::LoopState::getInstance().getStepCount();
  vx::GameManagerSeam::setStepCount(12);
  log.writeLog("told");
  vx::GameManagerSeam::setStepCount(was);
  EXPECT_EQ("  12 told", env.readLog().back());
}

TEST_F(LogFixture, LevelsAndPrefixSwitches) {
  log.setLogTimeString(false);
  EXPECT_EQ(0, log.writeLog(1, "dropped at level %d", 1));
  log.writeLog("always %d", 1);
  log.writeLog(0, "level zero");
  log.setLogStepCount(false);
  log.writeLog("bare %s", "line");
  log.setLogTimeString(true);
  log.writeLog("time only");
  log.setLogLevel(1);  // below 2: not announced
  log.setLogTimeString(false);
  log.writeLog(1, "now written");
  log.writeLog(2, "still dropped");
  log.setLogLevel(3);
  log.writeLog(3, "level three");

  std::vector<std::string> lines = env.readLog();
  ASSERT_EQ(7u, lines.size());
  EXPECT_EQ(stepPrefix() + "always 1", lines[0]);
  EXPECT_EQ(stepPrefix() + "level zero", lines[1]);
  EXPECT_EQ("bare line", lines[2]);
  EXPECT_TRUE(vx::test::isTimeString(lines[3].substr(0, 8))) << lines[3];
  EXPECT_EQ(" time only", lines[3].substr(8));
  EXPECT_EQ("now written", lines[4]);
  EXPECT_EQ("LogManager::setLogLevel(): log level 3", lines[5]);
  EXPECT_EQ("level three", lines[6]);
}

TEST_F(LogFixture, SecondStartUpRefusedAndShutDownReturnsToStderr) {
  log.setLogTimeString(false);
  log.setLogStepCount(false);
  EXPECT_EQ(-1, log.startUp());
  log.setLogLevel(5);
  log.shutDown();
  EXPECT_FALSE(log.isStarted());
  ::testing::internal::CaptureStderr();
  log.writeLog("after shut down");
  EXPECT_EQ("after shut down\n", ::testing::internal::GetCapturedStderr());
  std::vector<std::string> lines = env.readLog();
  EXPECT_EQ(std::vector<std::string>({"LogManager::startup(): Warning! LogManager already started.",
                                      "LogManager::setLogLevel(): log level 5",
                                      "LogManager::shutDown(): successfully stopped."}),
            lines);
}

TEST(LogManager, BeforeStartUpLinesGoToStderr) {
  TestEnv env;
  LogManager &log = LogManager::getInstance();
  log.setLogTimeString(false);
  ::testing::internal::CaptureStderr();
  log.writeLog("early %d", 42);
  EXPECT_EQ(stepPrefix() + "early 42\n", ::testing::internal::GetCapturedStderr());
}

TEST(LogManager, EnvironmentOverridesLogfileAndUnwritableNameFails) {
  TestEnv env;
  LogManager &log = LogManager::getInstance();
  std::string configured = env.path("configured.log");
  vx::Config::getInstance().setLogFile(configured);

  ASSERT_EQ(0, log.startUp());
  log.writeLog("to the env file");
  log.shutDown();
  EXPECT_TRUE(env.logContains("to the env file"));
  EXPECT_TRUE(TestEnv::readLines(configured).empty());

  // An unwritable VEXMOOR_LOG fails even though logfile would work.
  std::string bad = env.dir() + "/no-such-dir/x.log";
  setenv("VEXMOOR_LOG", bad.c_str(), 1);
  log.setLogTimeString(false);
  log.setLogStepCount(false);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(-1, log.startUp());
  EXPECT_EQ("LogManager::startup(): Warning! Unable to open file '" + bad + "'.\n",
            ::testing::internal::GetCapturedStderr());
  EXPECT_FALSE(log.isStarted());
}

TEST_F(LogFixture, WriteMyLogUsesTheMainLogAsOpenedAndSideFiles) {
  log.setLogTimeString(false);
  log.setLogStepCount(false);
  log.writeLog("first main line");

  // The name of the file actually opened is the main log, not reopened.
  EXPECT_GT(log.writeMyLog(env.logPath(), 1, "via writeMyLog %d", 1), 0);

  // The configured logfile was not opened (VEXMOOR_LOG won): a side file.
  std::string configured = env.path("configured.log");
  vx::Config::getInstance().setLogFile(configured);
  log.writeMyLog(configured, "side %d", 1);

  std::string side = env.path("side.log");
  log.writeMyLog(side, 99, "side line %d", 1);
  log.writeMyLog(side, "side line %d", 2);
  log.flush();

  std::vector<std::string> main_lines = env.readLog();
  ASSERT_EQ(2u, main_lines.size());
  EXPECT_EQ("first main line", main_lines[0]);
  EXPECT_EQ("via writeMyLog 1", main_lines[1]);
  log.shutDown();  // closes the side files
  EXPECT_EQ(std::vector<std::string>({"side 1"}), TestEnv::readLines(configured));
  EXPECT_EQ(std::vector<std::string>({"side line 1", "side line 2"}), TestEnv::readLines(side));
}

TEST_F(LogFixture, WriteMyLogUnopenableFileWarnsAndRetries) {
  log.setLogTimeString(false);
  log.setLogStepCount(false);
  std::string bad = env.dir() + "/missing/side.log";
  ::testing::internal::CaptureStderr();
  log.writeMyLog(bad, "lost? %d", 1);
  log.writeMyLog(bad, "lost? %d", 2);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ("lost? 1\nlost? 2\n", err);  // the lines still reach stderr
  std::vector<std::string> lines = env.readLog();
  std::string warn = "LogManager::startup(): Warning! Can't open file '" + bad + "'.";
  EXPECT_EQ(std::vector<std::string>({warn, "", warn, ""}), lines);
}

TEST(LogManager, TimeStringFormat) {
  std::string t = vx::getTimeString();
  EXPECT_TRUE(vx::test::isTimeString(t)) << t;
  EXPECT_LE(t.substr(0, 2), "23");
  EXPECT_EQ(vx::test::stripLogPrefix(t + "   7 message"), "message");
  EXPECT_EQ(vx::test::stripLogPrefix(t + " 12345 message"), "message");
  EXPECT_EQ(vx::test::stripLogPrefix("plain message"), "plain message");
}
