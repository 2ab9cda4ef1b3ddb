#include <gtest/gtest.h>

#include "core/Box.h"
#include "display/Shape.h"
#include "display/window/WindowTestSupport.h"

using namespace vx;
using namespace vx::test;

namespace {

const sf::Color SF_RED(255, 0, 0), SF_GREEN(0, 255, 0), SF_YELLOW(255, 255, 0), SF_BLUE(0, 0, 255);

// Where a glyph drawn at cell (cx, cy) may put its pixels.
int glyphPixels(const sf::Image &img, sf::Color c, int cx, int cy) {
  return countColor(img, c, cx * 12 - 3, cy * 24, cx * 12 + 18, cy * 24 + 36);
}

} // namespace

TEST(DisplayWindow, DrawsGlyphsInTheirCellsAndColours) {
  DisplayEnv d(5);
  std::string title = uniqueTitle("VexmoorDisplay");
  windowConfig(title);
  Config::getInstance().setWindowBackgroundColor(BLUE);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_NE(dm.getWindow(), nullptr);
  EXPECT_FALSE(waitForWindow(title).empty());
  EXPECT_EQ(dm.getWindow()->getSize(), sf::Vector2u(480, 288));
  EXPECT_EQ(dm.getBackgroundColor(), SF_BLUE);
  EXPECT_TRUE(d.has("DisplayManager::startUp(): window resolution ("));
  EXPECT_EQ(d.count("DisplayManager::startUp(): successfully started."), 1);

  ASSERT_EQ(dm.swapBuffers(), 0);  // starts a frame cleared to blue
  EXPECT_EQ(dm.drawCh(Vector(3, 2), 'H', RED), 0);
  EXPECT_EQ(dm.drawCh(Vector(30, 8), '#', 0, 255, 0), 0);
  // "AB" centred at 20: cells 19 and 20.
  EXPECT_EQ(dm.drawString(Vector(20, 5), "AB", CENTER_JUSTIFIED, YELLOW), 0);
  EXPECT_EQ(dm.drawString(Vector(20, 5), "", CENTER_JUSTIFIED, YELLOW), 0);
  // The custom colour has no bytes of its own here: white.
  EXPECT_EQ(dm.drawCh(Vector(8, 10), 'W', CUSTOM), 0);
  sf::Image img = captureWindow();
  ASSERT_EQ(img.getSize(), sf::Vector2u(480, 288));

  EXPECT_GT(glyphPixels(img, SF_RED, 3, 2), 20);
  EXPECT_GT(glyphPixels(img, SF_GREEN, 30, 8), 20);
  EXPECT_GT(glyphPixels(img, SF_YELLOW, 19, 5), 20);
  EXPECT_GT(glyphPixels(img, SF_YELLOW, 20, 5), 20);
  // Nothing of those colours anywhere else.
  EXPECT_EQ(countColor(img, SF_RED, 0, 0, 480, 288), glyphPixels(img, SF_RED, 3, 2));
  EXPECT_EQ(countColor(img, SF_GREEN, 0, 0, 480, 288), glyphPixels(img, SF_GREEN, 30, 8));
  EXPECT_EQ(countColor(img, SF_YELLOW, 0, 0, 480, 288),
            countColor(img, SF_YELLOW, 19 * 12 - 3, 5 * 24, 20 * 12 + 18, 5 * 24 + 36));
  EXPECT_EQ(countColor(img, SF_YELLOW, 17 * 12, 5 * 24, 19 * 12 - 3, 5 * 24 + 36), 0);  // cells 17, 18 empty
  EXPECT_GT(glyphPixels(img, sf::Color::White, 8, 10), 20);
  EXPECT_EQ(countColor(img, sf::Color::White, 0, 0, 480, 288), glyphPixels(img, sf::Color::White, 8, 10));
  // The rest is the background.
  EXPECT_TRUE(near(img.getPixel(2, 2), SF_BLUE));
  EXPECT_TRUE(near(img.getPixel(470, 280), SF_BLUE));
  EXPECT_GT(countColor(img, SF_BLUE, 0, 0, 480, 288), 480 * 288 * 9 / 10);
  EXPECT_EQ(dm.swapBuffers(), 0);

  // The next frame starts empty.
  img = captureWindow();
  EXPECT_EQ(countColor(img, SF_RED, 0, 0, 480, 288), 0);
  EXPECT_EQ(countColor(img, SF_BLUE, 0, 0, 480, 288), 480 * 288);
}

TEST(DisplayWindow, BackgroundCellHidesWhatIsBehindAndStaysUnshaken) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorCells"));
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_TRUE(dm.setBackgroundColor(BLUE));
  ASSERT_EQ(dm.swapBuffers(), 0);
  // A red block, then a character over it: the cell's rectangle covers it.
  sf::RectangleShape block(sf::Vector2f(48, 72));
  block.setFillColor(SF_RED);
  block.setPosition(120, 48);
  dm.getWindow()->draw(block);
  EXPECT_EQ(dm.drawCh(Vector(11, 3), '.', YELLOW), 0);
  sf::Image img = captureWindow();
  // The rectangle sits at (x - w/10, y + h/5) with the cell's size.
  int rx = int(11 * 12 - 1.2f + 0.5f), ry = int(3 * 24 + 4.8f + 0.5f);
  EXPECT_TRUE(near(img.getPixel(unsigned(rx + 2), unsigned(ry + 2)), SF_BLUE));
  EXPECT_TRUE(near(img.getPixel(unsigned(rx + 9), unsigned(ry + 20)), SF_BLUE) ||
              near(img.getPixel(unsigned(rx + 9), unsigned(ry + 20)), SF_YELLOW));
  EXPECT_TRUE(near(img.getPixel(unsigned(rx - 4), unsigned(ry + 2)), SF_RED));
  EXPECT_TRUE(near(img.getPixel(unsigned(rx + 2), unsigned(ry - 3)), SF_RED));

  // Shaken: the glyph moves by the offsets, the rectangle does not.
  dm.swapBuffers();
  dm.drawCh(Vector(11, 3), 'M', YELLOW);
  sf::Image still = captureWindow();
  dm.shake(0, 0, 1);
  dm.swapBuffers();  // offsets (1, 1) for this frame
  ASSERT_EQ(dm.getShakeX(), 1);
  dm.drawCh(Vector(11, 3), 'M', YELLOW);
  sf::Image shaken = captureWindow();
  int moved = 0, same_bg = 0;
  for (unsigned y = 60; y < 130; y++)
    for (unsigned x = 120; x < 160; x++) {
      if (near(still.getPixel(x, y), SF_YELLOW) && x + 1 < 480 && y + 1 < 288 &&
          near(shaken.getPixel(x + 1, y + 1), SF_YELLOW))
        moved++;
      if (near(still.getPixel(x, y), SF_BLUE) == near(shaken.getPixel(x, y), SF_BLUE)) same_bg++;
    }
  EXPECT_GT(moved, 20);
  EXPECT_EQ(countColor(still, SF_YELLOW, 0, 0, 480, 288), countColor(shaken, SF_YELLOW, 0, 0, 480, 288));
  dm.swapBuffers();
  EXPECT_EQ(dm.getShakeX(), 0);
}

TEST(DisplayWindow, LinesAndShapesDrawInTheWindow) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorLines"));
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.drawSegment(Vector(10, 100), Vector(200, 100)), 0);
  Box(Vector(20, 1), 10, 4).draw();
  sf::Image img = captureWindow();
  sf::Color white(255, 255, 255);
  EXPECT_GT(countColor(img, white, 10, 99, 201, 102), 150);
  // The box's top edge runs through the centres of row 1's cells.
  EXPECT_GT(countColor(img, white, 20 * 12 + 6, 1 * 24 + 11, 30 * 12 + 6, 1 * 24 + 14), 100);
  dm.swapBuffers();

  Shape s;
  s.setColor(GREEN);
  s.setSize(10);
  LogManager::getInstance().setLogLevel(25);
  s.draw(Vector(5, 8));
  LogManager::getInstance().setLogLevel(0);
  EXPECT_EQ(d.count("Shape::draw(): Drawing at (60.00, 192.00)"), 1);
  s.setType(ShapeType::SQUARE);
  s.setColor(RED);
  s.draw(Vector(25, 8));
  s.setType(ShapeType::TRIANGLE);
  s.setColor(10, 20, 250);
  s.draw(Vector(35, 4));
  img = captureWindow();
  // A circle of radius 10 centred at the pixel + 5.
  EXPECT_GT(countColor(img, SF_GREEN, 45, 187, 75, 217), 250);
  EXPECT_GT(countColor(img, SF_RED, 0, 0, 480, 288), 50);
  EXPECT_GT(countColor(img, sf::Color(10, 20, 250), 400, 80, 440, 110), 20);
  dm.swapBuffers();
}

TEST(DisplayWindow, MissingFontFailsStartUp) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorNoFont"));
  Config::getInstance().setFontFile("no-such-font.ttf");
  DisplayManager &dm = DisplayManager::getInstance();
  EXPECT_EQ(dm.startUp(), -1);
  EXPECT_FALSE(dm.isStarted());
  EXPECT_EQ(d.count("DisplayManager::startUp(): Error! Unable to open font from file 'no-such-font.ttf'."), 1);
  EXPECT_EQ(dm.drawCh(Vector(1, 1), 'a', RED), -1);
  EXPECT_EQ(d.count("DisplayManager not started!"), 1);
  sf::RenderWindow *p_first = dm.getWindow();
  ASSERT_NE(p_first, nullptr);  // left open by the failure

  // A headless start after it keeps no window.
  Config::getInstance().setHeadless(true);
  EXPECT_EQ(dm.startUp(), 0);
  EXPECT_EQ(dm.getWindow(), nullptr);
  dm.shutDown();
  Config::getInstance().setHeadless(false);
  EXPECT_EQ(dm.startUp(), -1);  // windowed again, still no font
  ASSERT_NE(dm.getWindow(), nullptr);

  // A second try replaces what the first left, and can succeed.
  windowConfig(uniqueTitle("VexmoorFontAgain"));
  EXPECT_EQ(dm.startUp(), 0);
  EXPECT_TRUE(dm.isStarted());
  EXPECT_EQ(dm.drawCh(Vector(1, 1), 'a', RED), 0);
  dm.shutDown();
  EXPECT_EQ(dm.getWindow(), nullptr);
}

TEST(DisplayWindow, FullscreenStateAndStyleNoneOpen) {
  {
    DisplayEnv d;
    windowConfig(uniqueTitle("VexmoorFull"));
    Config::getInstance().setWindowState(1);
    DisplayManager &dm = DisplayManager::getInstance();
    ASSERT_EQ(dm.startUp(), 0);
    EXPECT_TRUE(dm.getWindow()->isOpen());
    EXPECT_EQ(dm.swapBuffers(), 0);
  }
  {
    DisplayEnv d;
    windowConfig(uniqueTitle("VexmoorBare"));
    Config::getInstance().setWindowStyle(0);
    DisplayManager &dm = DisplayManager::getInstance();
    ASSERT_EQ(dm.startUp(), 0);
    EXPECT_EQ(dm.getWindow()->getSize(), sf::Vector2u(480, 288));
  }
}

TEST(DisplayWindow, ZeroPixelSizeTakesTheDesktop) {
  DisplayEnv d(5);
  windowConfig(uniqueTitle("VexmoorDesk"));
  Config::getInstance().setWindowHorizontalPixels(0);
  Config::getInstance().setWindowVerticalPixels(0);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  sf::VideoMode desk = sf::VideoMode::getDesktopMode();
  EXPECT_EQ(dm.getHorizontalPixels(), int(desk.width));
  EXPECT_EQ(dm.getVerticalPixels(), int(desk.height));
  EXPECT_EQ(d.count("DisplayManager::startUp(): window resolution (" + std::to_string(desk.width) + ", " +
                    std::to_string(desk.height) + ") pixels."),
            1);
}

TEST(DisplayWindow, NegativePixelSizeIsRefused) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorNeg"));
  Config::getInstance().setWindowHorizontalPixels(-640);
  DisplayManager &dm = DisplayManager::getInstance();
  EXPECT_EQ(dm.startUp(), -1);
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_EQ(d.count("DisplayManager::startUp(): Error! Window size (-640, 288) pixels is negative."), 1);
}

TEST(DisplayWindow, GlyphSizeIsTheSmallerCellSideTimesTheScaleTruncated) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorGlyph"));
  // Cells of 12.5 x 24: glyphs of (int)(12.5 * 2) = 25.
  Config::getInstance().setWindowHorizontalPixels(500);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_EQ(dm.swapBuffers(), 0);
  sf::Font font;
  ASSERT_TRUE(font.loadFromFile(std::string(VX_BUILD_DIR) + "/vx-font.ttf"));
  // The engine's glyph at pixel (50, 48); references of sizes 25 and 24 at
  // (250, 48) and (375, 48), all on whole pixels.
  ASSERT_EQ(dm.drawCh(Vector(4, 2), 'M', YELLOW), 0);
  for (unsigned size : {25u, 24u}) {
    sf::Text ref("M", font, size);
    ref.setStyle(sf::Text::Bold);
    ref.setFillColor(SF_YELLOW);
    ref.setPosition(size == 25 ? 250 : 375, 48);
    dm.getWindow()->draw(ref);
  }
  sf::Image img = captureWindow();
  auto lit = [&](int x, int y) { return img.getPixel(unsigned(x), unsigned(y)).r > 100; };
  int differ25 = 0, differ24 = 0, on = 0;
  for (int dy = 0; dy < 40; dy++)
    for (int dx = 0; dx < 40; dx++) {
      bool engine = lit(50 + dx, 48 + dy);
      on += engine;
      differ25 += engine != lit(250 + dx, 48 + dy);
      differ24 += engine != lit(375 + dx, 48 + dy);
    }
  EXPECT_GT(on, 40);
  EXPECT_EQ(differ25, 0);
  EXPECT_GT(differ24, 0);
}
