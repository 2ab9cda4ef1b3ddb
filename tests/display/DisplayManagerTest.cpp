#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "display/DisplayManager.h"
#include "display/DisplayTestSupport.h"
#include "platform/Platform.h"

using namespace vx;
using vx::test::DisplayEnv;
using vx::test::headlessConfig;

TEST(DisplayManager, HeadlessStartsWithoutWindowAndRefusesDrawing) {
  DisplayEnv d(5);
  headlessConfig(1024, 768, 100, 30);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  EXPECT_TRUE(dm.isStarted());
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_EQ(dm.getHorizontal(), 100);
  EXPECT_EQ(dm.getVertical(), 30);
  EXPECT_EQ(dm.getHorizontalPixels(), 1024);
  EXPECT_EQ(dm.getVerticalPixels(), 768);
  EXPECT_EQ(dm.drawCh(Vector(1, 1), 'x', RED), -1);
  EXPECT_EQ(dm.drawCh(Vector(1, 1), 'x', 1, 2, 3), -1);
  EXPECT_EQ(dm.drawString(Vector(1, 1), "abc", CENTER_JUSTIFIED, RED), -1);
  EXPECT_EQ(dm.drawSegment(Vector(0, 0), Vector(5, 5)), -1);
  EXPECT_EQ(dm.swapBuffers(), -1);
  EXPECT_FALSE(dm.setBackgroundColor(BLUE));

  int headless = d.indexOf("DisplayManager::startUp(): no graphics in headless mode.");
  int started = d.indexOf("DisplayManager::startUp(): successfully started.");
  EXPECT_GE(headless, 0);
  EXPECT_GT(started, headless);
  EXPECT_FALSE(d.has("not started"));

  // A second start-up is refused.
  EXPECT_EQ(dm.startUp(), -1);
  EXPECT_EQ(d.count("DisplayManager::startup(): Warning! DisplayManager already started."), 1);

  dm.shutDown();
  EXPECT_FALSE(dm.isStarted());
  EXPECT_EQ(d.count("DisplayManager::shutDown(): successfully stopped."), 1);
}

TEST(DisplayManager, DrawingBeforeStartUpLogsNotStarted) {
  DisplayEnv d;
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_FALSE(dm.isStarted());
  EXPECT_EQ(dm.drawCh(Vector(0, 0), 'a', 10, 20, 30), -1);
  EXPECT_EQ(dm.drawCh(Vector(0, 0), 'a', GREEN), -1);
  EXPECT_EQ(dm.drawString(Vector(0, 0), "hi", LEFT_JUSTIFIED, GREEN), -1);
  EXPECT_EQ(dm.swapBuffers(), -1);
  EXPECT_EQ(d.count("DisplayManager not started!"), 4);

  // In headless mode the Color form returns before looking at the start.
  Config::getInstance().setHeadless(true);
  EXPECT_EQ(dm.drawCh(Vector(0, 0), 'a', GREEN), -1);
  EXPECT_EQ(d.count("DisplayManager not started!"), 4);
}

TEST(DisplayManager, CellSizesAndConversions) {
  DisplayEnv d(30);
  headlessConfig();
  ASSERT_EQ(DisplayManager::getInstance().startUp(), 0);
  EXPECT_FLOAT_EQ(charWidth(), 12.8f);
  EXPECT_FLOAT_EQ(charHeight(), 32.0f);

  Vector p = spacesToPixels(Vector(5, 1.5f));
  EXPECT_FLOAT_EQ(p.getX(), 64.0f);
  EXPECT_FLOAT_EQ(p.getY(), 48.0f);
  Vector s = pixelsToSpaces(Vector(64, 48));
  EXPECT_FLOAT_EQ(s.getX(), 5.0f);
  EXPECT_FLOAT_EQ(s.getY(), 1.5f);
  EXPECT_EQ(d.count("spacesToPixels(int): spaces (5.00,1.50) = pixels (64.00,48.00)"), 1);
  EXPECT_EQ(d.count("pixelsToSpaces(): pixels (64.00,48.00) = spaces (5.00,1.50)"), 1);
}

TEST(DisplayManager, ConversionLinesNeedLevelThirty) {
  DisplayEnv d(29);
  headlessConfig();
  ASSERT_EQ(DisplayManager::getInstance().startUp(), 0);
  spacesToPixels(Vector(1, 1));
  pixelsToSpaces(Vector(1, 1));
  EXPECT_FALSE(d.has("spacesToPixels"));
  EXPECT_FALSE(d.has("pixelsToSpaces"));
}

TEST(DisplayManager, NonPositiveCellCountsAreRefused) {
  for (int bad : {0, -4}) {
    DisplayEnv d;
    headlessConfig(1024, 768, bad, 24);
    DisplayManager &dm = DisplayManager::getInstance();
    EXPECT_EQ(dm.startUp(), -1);
    EXPECT_FALSE(dm.isStarted());
    EXPECT_TRUE(d.has("DisplayManager::startUp(): Error! Window needs at least one cell across and down, not (" +
                      std::to_string(bad) + ", 24)."));
    // No division by zero reaches the callers.
    EXPECT_FLOAT_EQ(charWidth(), 0.0f);
    EXPECT_FALSE(std::isnan(pixelsToSpaces(Vector(3, 3)).getX()));
  }
  {
    DisplayEnv d;
    headlessConfig(1024, 768, 80, 0);
    EXPECT_EQ(DisplayManager::getInstance().startUp(), -1);
    EXPECT_TRUE(d.has("not (80, 0)."));
  }
}

TEST(DisplayManager, SetHorizontalAndVerticalIgnoreNonPositiveCounts) {
  DisplayEnv d;
  headlessConfig();
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  dm.setHorizontal(0);
  dm.setVertical(-2);
  EXPECT_EQ(dm.getHorizontal(), 80);
  EXPECT_EQ(dm.getVertical(), 24);
  EXPECT_TRUE(d.has("DisplayManager::setHorizontal(): Warning! Ignoring 0 cells."));
  EXPECT_TRUE(d.has("DisplayManager::setVertical(): Warning! Ignoring -2 cells."));
  dm.setHorizontal(40);
  dm.setVertical(12);
  EXPECT_FLOAT_EQ(charWidth(), 25.6f);
  EXPECT_FLOAT_EQ(charHeight(), 64.0f);
}

TEST(DisplayManager, ShakeOffsetsFollowTheFormulaXThenY) {
  DisplayEnv d;
  DisplayManager &dm = DisplayManager::getInstance();
  dm.shake(4, 2, 6);
  platform::srand(1234);
  // The same draws by hand: x before y, one pair per frame.
  std::vector<std::pair<int, int>> expected;
  for (int i = 0; i < 6; i++) {
    int x = 5 - 2 * (platform::rand() % 5);
    int y = 3 - 2 * (platform::rand() % 3);
    expected.push_back({x, y});
  }
  platform::srand(1234);
  std::set<int> xs;
  for (int i = 0; i < 6; i++) {
    DisplayManagerSeam::advanceShake(dm);
    EXPECT_EQ(dm.getShakeX(), expected[i].first) << "frame " << i;
    EXPECT_EQ(dm.getShakeY(), expected[i].second) << "frame " << i;
    EXPECT_TRUE(std::set<int>({5, 3, 1, -1, -3}).count(dm.getShakeX()));
    EXPECT_TRUE(std::set<int>({3, 1, -1}).count(dm.getShakeY()));
    EXPECT_EQ(dm.getShakeDuration(), 5 - i);
  }
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_EQ(dm.getShakeX(), 0);
  EXPECT_EQ(dm.getShakeY(), 0);
  EXPECT_EQ(dm.getShakeDuration(), 0);
}

TEST(DisplayManager, ShakeOfScaleZeroIsPlusOneAndAddSums) {
  DisplayEnv d;
  DisplayManager &dm = DisplayManager::getInstance();
  dm.shake(0, 0, 3);
  for (int i = 0; i < 3; i++) {
    DisplayManagerSeam::advanceShake(dm);
    EXPECT_EQ(dm.getShakeX(), 1);
    EXPECT_EQ(dm.getShakeY(), 1);
  }
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_EQ(dm.getShakeX(), 0);

  // Replace, then add twice.
  dm.shake(6, 6, 4);
  dm.shake(1, 0, 2, true);
  dm.shake(0, 0, 2, true);
  EXPECT_EQ(dm.getShakeDuration(), 8);
  platform::srand(99);
  int x = 8 - 2 * (platform::rand() % 8);
  int y = 7 - 2 * (platform::rand() % 7);
  platform::srand(99);
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_EQ(dm.getShakeX(), x);
  EXPECT_EQ(dm.getShakeY(), y);
  dm.shake(0, 0, 0);
}

TEST(DisplayManager, NegativeAndHugeShakeAreClamped) {
  DisplayEnv d;
  DisplayManager &dm = DisplayManager::getInstance();
  dm.shake(-3, -7, 2);
  DisplayManagerSeam::advanceShake(dm);  // scale 0: no remainder by zero
  EXPECT_EQ(dm.getShakeX(), 1);
  EXPECT_EQ(dm.getShakeY(), 1);
  dm.shake(0, 0, -5);
  EXPECT_EQ(dm.getShakeDuration(), 0);
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_EQ(dm.getShakeX(), 0);

  dm.shake(2, 2, 4);
  dm.shake(-5, -1, -10, true);
  EXPECT_EQ(dm.getShakeDuration(), 0);
  dm.shake(0, 0, 1, true);
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_EQ(dm.getShakeX(), 1);            // x scale clamped to 0
  EXPECT_TRUE(dm.getShakeY() == 2 || dm.getShakeY() == 0);  // y scale 1

  dm.shake(INT_MAX, INT_MAX, INT_MAX);
  dm.shake(INT_MAX, INT_MAX, INT_MAX, true);
  EXPECT_EQ(dm.getShakeDuration(), INT_MAX);
  DisplayManagerSeam::advanceShake(dm);
  EXPECT_GT(dm.getShakeX(), 0);
  dm.shake(0, 0, 0);
}

TEST(DisplayManager, ColorToSFMLTable) {
  DisplayEnv d(5);
  const sf::Color expected[] = {sf::Color(0, 0, 0),     sf::Color(255, 0, 0),   sf::Color(0, 255, 0),
                                sf::Color(255, 255, 0), sf::Color(0, 0, 255),   sf::Color(255, 0, 255),
                                sf::Color(0, 255, 255), sf::Color(255, 255, 255)};
  for (int c = 0; c < 8; c++) EXPECT_EQ(colorToSFML(Color(c)), expected[c]) << c;
  EXPECT_FALSE(d.has("colorToSFML"));
  EXPECT_EQ(colorToSFML(CUSTOM), sf::Color(255, 255, 255, 255));
  EXPECT_EQ(colorToSFML(Color(42)), sf::Color(255, 255, 255, 255));
  EXPECT_EQ(colorToSFML(UNDEFINED_COLOR), sf::Color(255, 255, 255, 255));
  EXPECT_EQ(d.count("colorToSFML(): Color is CUSTOM."), 1);
  EXPECT_EQ(d.count("colorToSFML(): Color 42 not supported."), 1);
  EXPECT_EQ(d.count("colorToSFML(): Color -1 not supported."), 1);
}

TEST(DisplayManager, StyleBitsForSFML25) {
  EXPECT_EQ(windowStyle(5, 0), unsigned(sf::Style::Titlebar | sf::Style::Close));
  EXPECT_EQ(windowStyle(0, 0), unsigned(sf::Style::None));
  EXPECT_EQ(windowStyle(7, 0), unsigned(sf::Style::Default));
  // Unknown bits (such as 8, fullscreen in 2.5) are dropped.
  EXPECT_EQ(windowStyle(8 | 16 | 1, 0), unsigned(sf::Style::Titlebar));
  EXPECT_EQ(windowStyle(-1, 0), unsigned(sf::Style::Default));
  EXPECT_EQ(windowStyle(5, 1), unsigned(sf::Style::Titlebar | sf::Style::Close | sf::Style::Fullscreen));
  EXPECT_EQ(windowStyle(0, 1), unsigned(sf::Style::Fullscreen));
  EXPECT_EQ(windowStyle(5, 2), unsigned(sf::Style::Titlebar | sf::Style::Close));
}

TEST(DisplayManager, NoXDisplayFailsStartUpWithoutAborting) {
  DisplayEnv d;
  Config::getInstance().setHeadless(false);
  const char *old = getenv("DISPLAY");
  std::string saved = old ? old : "";
  unsetenv("DISPLAY");
  DisplayManager &dm = DisplayManager::getInstance();
  int result = dm.startUp();
  if (old) setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(dm.isStarted());
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_TRUE(d.has("DisplayManager::startUp(): Error! Cannot open X display ''."));
  EXPECT_EQ(d.count("DisplayManager::startUp(): Unable to allocate window!"), 1);
}
