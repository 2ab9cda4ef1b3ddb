#include <cfloat>
#include <climits>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/Config.h"
#include "core/LogManager.h"
#include "core/Utility.h"
#include "support/TestEnv.h"

using vx::Config;
using vx::LogManager;
using vx::test::TestEnv;

namespace {

// The log is started so that the configuration's messages land in its file.
struct ConfigFixture : ::testing::Test {
  TestEnv env;
  Config &config = Config::getInstance();
  void SetUp() override {
    ASSERT_EQ(0, LogManager::getInstance().startUp());
    LogManager::getInstance().setLogTimeString(false);
    LogManager::getInstance().setLogStepCount(false);
  }
  void loadFile(const std::string &text) {
    env.writeConfig(text);
    config.loadConfig();
  }
};

// Every setting at its default.
void expectDefaults(const Config &config) {
  EXPECT_EQ(33, config.getFrameTime());
  EXPECT_EQ(1024, config.getWindowHorizontalPixels());
  EXPECT_EQ(768, config.getWindowVerticalPixels());
  EXPECT_EQ(80, config.getWindowHorizontalChars());
  EXPECT_EQ(24, config.getWindowVerticalChars());
  EXPECT_EQ(5, config.getWindowStyle());
  EXPECT_EQ(0, config.getWindowState());
  EXPECT_EQ(0, config.getWindowBackgroundColor());
  EXPECT_FLOAT_EQ(2.0f, config.getFontScale());
  EXPECT_EQ("Vexmoor", config.getWindowTitle());
  EXPECT_FALSE(config.getShowMouse());
  EXPECT_FALSE(config.getHeadless());
  EXPECT_EQ("vx-font.ttf", config.getFontFile());
  EXPECT_EQ("vexmoor.log", config.getLogFile());
  EXPECT_EQ(0, config.getRandomSeed());
  EXPECT_TRUE(config.getNetworking());
  EXPECT_EQ(1, config.getQuadtreeThreshold());
  EXPECT_EQ(10, config.getQuadtreeDepth());
  EXPECT_EQ(20, config.getGridWidth());
  EXPECT_EQ(8, config.getGridHeight());
  EXPECT_TRUE(config.getSignals());
  EXPECT_EQ("", config.getConfig());
}

} // namespace

TEST_F(ConfigFixture, DefaultsWithoutAFileAndTheFileNamed) {
  LogManager::getInstance().setLogLevel(1);
  std::string missing = env.dir() + "/absent.txt";
  setenv("VEXMOOR_CONFIG", missing.c_str(), 1);
  config.loadConfig();
  expectDefaults(config);
  EXPECT_EQ(std::vector<std::string>(
                {"Config::readConfig(): Cannot open Vexmoor configuration file '" + missing + "'."}),
            env.logLines());
}

// Anything but a regular file is as if missing, and answered at once (a
// FIFO in a child that an alarm ends, should it wait).
TEST_F(ConfigFixture, OnlyARegularFileIsRead) {
  LogManager::getInstance().setLogLevel(1);
  std::string fifo = env.path("fifo");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  setenv("VEXMOOR_CONFIG", fifo.c_str(), 1);
  EXPECT_EQ(0, vx::test::inChild([&] {
              config.loadConfig();
              return config.getConfig().empty() && config.getFrameTime() == 33;
            }));
  setenv("VEXMOOR_CONFIG", env.dir().c_str(), 1);
  config.loadConfig();
  expectDefaults(config);
  EXPECT_EQ(std::vector<std::string>(
                {"Config::readConfig(): Vexmoor configuration file '" + fifo + "' is not a regular file.",
                 "Config::readConfig(): Vexmoor configuration file '" + env.dir() + "' is not a regular file."}),
            env.logLines());
}

TEST_F(ConfigFixture, EveryKeyIsApplied) {
  loadFile(
      "frame_time:16,\nfont_scale:1.5,\nwindow_horizontal_pixels:640,\nwindow_vertical_pixels:480,\n"
      "window_horizontal_chars:60,\nwindow_vertical_chars:30,\nwindow_background_color:cyan,\n"
      "window_style:7,\nwindow_state:fullscreen,\nwindow_title:My Game,\nshow_mouse:true,\nheadless:true,\n"
      "font_file:other.ttf,\nlogfile:other.log,\nrandom_seed:-1,\nnetworking:false,\ngrid_width:5,\n"
      "grid_height:6,\nquadtree_depth:3,\nquadtree_threshold:4,\nsignals:false,\n");
  EXPECT_EQ(16, config.getFrameTime());
  EXPECT_FLOAT_EQ(1.5f, config.getFontScale());
  EXPECT_EQ(640, config.getWindowHorizontalPixels());
  EXPECT_EQ(480, config.getWindowVerticalPixels());
  EXPECT_EQ(60, config.getWindowHorizontalChars());
  EXPECT_EQ(30, config.getWindowVerticalChars());
  EXPECT_EQ(6, config.getWindowBackgroundColor());
  EXPECT_EQ(7, config.getWindowStyle());
  EXPECT_EQ(1, config.getWindowState());
  EXPECT_EQ("MyGame", config.getWindowTitle());  // blanks are dropped
  EXPECT_TRUE(config.getShowMouse());
  EXPECT_TRUE(config.getHeadless());
  EXPECT_EQ("other.ttf", config.getFontFile());
  EXPECT_EQ("other.log", config.getLogFile());
  EXPECT_EQ(-1, config.getRandomSeed());
  EXPECT_FALSE(config.getNetworking());
  EXPECT_EQ(5, config.getGridWidth());
  EXPECT_EQ(6, config.getGridHeight());
  EXPECT_EQ(3, config.getQuadtreeDepth());
  EXPECT_EQ(4, config.getQuadtreeThreshold());
  EXPECT_FALSE(config.getSignals());
  EXPECT_TRUE(env.logLines().empty());

  config.reset();
  expectDefaults(config);
}

TEST_F(ConfigFixture, LinesAreJoinedWithoutSeparator) {
  loadFile("frame_time:16\nheadless:true,\n");
  EXPECT_EQ(16, config.getFrameTime());  // "16headless" reads as 16
  EXPECT_FALSE(config.getHeadless());
  EXPECT_EQ("16headless", config.match("frame_time"));
}

TEST_F(ConfigFixture, CommentsCrLfAndBlankLines) {
  loadFile("# frame_time:16,\r\n\r\n #frame_time:20,\r\nheadless:true,\r\n\nwindow_title:A B\tC,\r\n");
  EXPECT_EQ(33, config.getFrameTime());
  EXPECT_EQ("20", config.match("#frame_time"));  // a '#' after a blank is no comment
  EXPECT_TRUE(config.getHeadless());
  EXPECT_EQ("ABC", config.getWindowTitle());
  EXPECT_EQ(" #frame_time:20,headless:true,window_title:A B\tC,", config.getConfig());
}

TEST_F(ConfigFixture, FirstKeyWinsAndExtraPartsAreDropped) {
  loadFile("frame_time:10,frame_time:20,a:b:c,,,d:,e,\n");
  EXPECT_EQ(10, config.getFrameTime());
  EXPECT_EQ("b", config.match("a"));
  EXPECT_EQ("", config.match("d"));
  EXPECT_EQ("", config.match("e"));
  EXPECT_EQ("", config.match("missing"));
  EXPECT_EQ("", config.match("FRAME_TIME"));  // case-sensitive
}

TEST_F(ConfigFixture, LoneColonEndsTheParse) {
  loadFile("headless:true,:,frame_time:16,\n");
  EXPECT_TRUE(config.getHeadless());
  EXPECT_EQ(33, config.getFrameTime());
  EXPECT_EQ("", vx::match("::,frame_time:16", "frame_time"));
  EXPECT_EQ("1", vx::match(":a:1,b:2", "a"));  // leading ':' are skipped
}

TEST_F(ConfigFixture, UnsupportedValuesAreReportedAndKept) {
  loadFile(
      "window_background_color:Purple,window_style:0,window_state:maximized,networking:TRUE,headless:yes,\n");
  EXPECT_EQ(0, config.getWindowBackgroundColor());
  EXPECT_EQ(5, config.getWindowStyle());
  EXPECT_EQ(0, config.getWindowState());
  EXPECT_FALSE(config.getNetworking());
  EXPECT_FALSE(config.getHeadless());
  EXPECT_EQ(std::vector<std::string>({"loadConfig(): Unsupported window color 'Purple'",
                                      "loadConfig(): Unsupported window style '0'",
                                      "loadConfig(): Unsupported window state 'maximized'"}),
            env.logLines());

  loadFile("window_style:none,window_state:fullscreen,\n");
  EXPECT_EQ(0, config.getWindowStyle());
  EXPECT_EQ(1, config.getWindowState());
  loadFile("window_style:big,window_state:default,\n");
  EXPECT_EQ(0, config.getWindowStyle());
  EXPECT_EQ(0, config.getWindowState());
  EXPECT_EQ("loadConfig(): Unsupported window style 'big'", env.logLines().back());
}

TEST_F(ConfigFixture, NumbersAreNotValidated) {
  loadFile("frame_time:abc,font_scale:x,grid_width:12cells,\n");
  EXPECT_EQ(0, config.getFrameTime());
  EXPECT_FLOAT_EQ(0.0f, config.getFontScale());
  EXPECT_EQ(12, config.getGridWidth());
  // Out of range numbers saturate instead of overflowing.
  loadFile("frame_time:99999999999999999999,grid_width:-4294967297,font_scale:1e300,\n");
  EXPECT_EQ(INT_MAX, config.getFrameTime());
  EXPECT_EQ(INT_MIN, config.getGridWidth());
  EXPECT_EQ(FLT_MAX, config.getFontScale());
}

TEST_F(ConfigFixture, HighBytesAreNotWhiteSpace) {
  // Bytes above 127 are kept as they are (no sign-extended isspace).
  std::string title = "window_title:Caf\xc3\xa9\xa0X,";
  config.loadConfig(title);
  EXPECT_EQ("Caf\xc3\xa9\xa0X", config.getWindowTitle());
}

TEST_F(ConfigFixture, TextArgumentIsUsedInsteadOfTheFile) {
  env.writeConfig("frame_time:50,\n");
  config.loadConfig("frame_time:25,");
  EXPECT_EQ(25, config.getFrameTime());
  EXPECT_EQ("frame_time:25,", config.getConfig());
}

TEST_F(ConfigFixture, WriteConfigDump) {
  LogManager::getInstance().setLogLevel(1);
  loadFile("headless:true,networking:false,window_state:fullscreen,\n");
  config.writeConfig();
  std::vector<std::string> lines = env.logLines();
  const std::string rule(35, '-');
  std::vector<std::string> expected = {rule,
                                       "Vexmoor configuration:",
                                       "  Window horizontal pixels: 1024",
                                       "  Window vertical pixels: 768",
                                       "  Window horizontal characters: 80",
                                       "  Window vertical characters: 24",
                                       "  Window background color: 0",
                                       "  Frame time: 33",
                                       "  Window style: 5",
                                       "  Window state: fullscreen",
                                       "  Window title: Vexmoor",
                                       "  Show mouse: false",
                                       "  Headless: true",
                                       "  Font file: vx-font.ttf",
                                       "  Log file: vexmoor.log",
                                       "  Random seed: 0",
                                       "  Networking: false",
                                       "  Scene graph: grid",
                                       "  Grid width: 20",
                                       "  Grid height: 8",
                                       rule};
  EXPECT_EQ(expected, lines);
}

TEST(Match, EmptyAndWhiteSpaceOnlyTexts) {
  TestEnv env;
  EXPECT_EQ("", vx::match("", "a"));
  EXPECT_EQ("", vx::match(" \t\n", "a"));
  EXPECT_EQ("", vx::match(",,,", "a"));
  EXPECT_EQ("2", vx::match(" a : 1 , b:2", "b"));
  EXPECT_EQ("", vx::match("a:1", ""));
}
