#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "core/Box.h"
#include "display/Shape.h"
#include "display/window/WindowTestSupport.h"
#include "world/Geometry.h"

using namespace vx;
using namespace vx::test;

namespace {

const sf::Color SF_RED(255, 0, 0), SF_GREEN(0, 255, 0), SF_YELLOW(255, 255, 0), SF_BLUE(0, 0, 255);

#if defined(__SANITIZE_ADDRESS__)
#define VX_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_LEAK_CHECKED 1
#endif
#endif

// Window tests run with the leak checker off (the GL driver's threads upset
// it at exit). In the sanitizer build this runs test again in a child with
// it on and the software GL driver drawing in one thread; the child's status.
int runLeakChecked(const std::string &test) {
#ifdef VX_LEAK_CHECKED
  if (getenv("VX_LEAK_CHILD") != nullptr) return 0;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n <= 0) return -1;
  self[n] = '\0';
  std::string cmd = "VX_LEAK_CHILD=1 LP_NUM_THREADS=0 ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=1\" '" +
                    std::string(self) + "' --gtest_filter=" + test;
  return std::system(cmd.c_str());
#else
  (void)test;
  return 0;
#endif
}

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

  // None of the failed start-ups leaves anything unfreed.
  EXPECT_EQ(runLeakChecked("DisplayWindow.MissingFontFailsStartUp"), 0);
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

TEST(DisplayWindow, PixelSizesTheDisplayCannotTakeAreRefused) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorNeg"));
  Config::getInstance().setWindowHorizontalPixels(-640);
  DisplayManager &dm = DisplayManager::getInstance();
  EXPECT_EQ(dm.startUp(), -1);
  EXPECT_EQ(dm.getWindow(), nullptr);
  EXPECT_EQ(d.count("DisplayManager::startUp(): Error! Window size (-640, 288) pixels is negative."), 1);

  // Beyond 16384 pixels a side: refused before SFML is asked (65536 ends
  // the process inside Xlib, larger sizes hang).
  for (int big : {16385, 65536, INT_MAX}) {
    Config::getInstance().setWindowHorizontalPixels(480);
    Config::getInstance().setWindowVerticalPixels(big);
    EXPECT_EQ(dm.startUp(), -1);
    EXPECT_FALSE(dm.isStarted());
    EXPECT_EQ(dm.getWindow(), nullptr);
    EXPECT_EQ(d.count("DisplayManager::startUp(): Error! Window size (480, " + std::to_string(big) +
                      ") pixels exceeds (16384, 16384)."),
              1);
  }
  Config::getInstance().setWindowVerticalPixels(16384);
  ASSERT_EQ(dm.startUp(), 0);
  EXPECT_EQ(dm.getWindow()->getSize(), sf::Vector2u(480, 16384));
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

namespace {

// One cell as drawn before batching: a background rectangle, then a
// one-character text, each straight into the window.
struct DirectCells {
  sf::Font font;
  sf::RectangleShape rect;
  sf::Text text;

  DirectCells() : rect(sf::Vector2f(charWidth(), charHeight())), text("", font, 24) {
    font.loadFromFile(Config::getInstance().getFontFile());
    text.setFont(font);
    text.setStyle(sf::Text::Bold);
    rect.setFillColor(DisplayManager::getInstance().getBackgroundColor());
  }

  void draw(sf::RenderWindow &w, Vector world_pos, char ch, sf::Color c, float rotation, int sx, int sy) {
    Vector pixel = spacesToPixels(worldToView(world_pos));
    rect.setPosition(pixel.getX() - charWidth() / 10, pixel.getY() + charHeight() / 5);
    rect.setRotation(rotation);
    w.draw(rect);
    text.setString(sf::String(sf::Uint32(static_cast<unsigned char>(ch))));
    text.setPosition(pixel.getX() + float(sx), pixel.getY() + float(sy));
    text.setFillColor(c);
    text.setRotation(rotation);
    w.draw(text);
  }
};

// Cells of the mixed scene, drawn in this order; `after` says what the
// scene draws once the cell is down.
struct SceneCell {
  float x, y;
  char ch;
  Color color;
  float rotation;
};

const SceneCell FIRST_CELLS[] = {
    {3, 2, 'H', RED, 0},       {4, 2, 'i', GREEN, 0},    {5.5f, 3.25f, '*', YELLOW, 37.5f},
    {7, 2, ' ', WHITE, 0},     {8, 2, 'g', MAGENTA, 0},  {9, 2, char(0xe9), CYAN, 0},
    {10, 2, '\t', WHITE, 0},   {4.4f, 7.6f, '@', BLUE, 200},
};
// Drawn over the circle, then the line runs across them.
const SceneCell OVER_SHAPE[] = {{5, 8, 'O', WHITE, 0}, {6, 8, 'k', RED, 0}, {5.5f, 8.5f, '#', GREEN, 90}};
// The last two lie past the right and bottom edges and reach in only
// turned; the third is nowhere near.
const SceneCell LAST_CELLS[] = {{12, 4, 'Z', YELLOW, 0},   {13, 4, '~', BLUE, 0},
                                {40.5f, 6, 'W', CYAN, 180}, {20, 12.5f, 'V', CYAN, 180},
                                {1e6f, -1e6f, 'X', CYAN, 45}};

int differingPixels(const sf::Image &a, const sf::Image &b, std::string &where) {
  int n = 0;
  for (unsigned y = 0; y < a.getSize().y; y++)
    for (unsigned x = 0; x < a.getSize().x; x++)
      if (a.getPixel(x, y) != b.getPixel(x, y)) {
        if (n++ < 5) where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
      }
  return n;
}

} // namespace

TEST(DisplayWindow, BatchedCellsMatchCellsDrawnOneByOne) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorBatch"));
  Config::getInstance().setWindowBackgroundColor(BLUE);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  dm.shake(2, 1, 3);
  ASSERT_EQ(dm.swapBuffers(), 0);
  int sx = dm.getShakeX(), sy = dm.getShakeY();

  // Every glyph from '!' on, most loaded for the first time in this frame:
  // the font's page grows while the cells are still pending.
  auto glyphRows = [](auto &&draw) {
    for (int i = 0; i < 120; i++) draw(Vector(float(i % 40), float(9 + i / 40)), char('!' + i % 94), Color(1 + i % 7));
  };

  Shape circle;
  circle.setColor(GREEN);
  circle.setSize(10);
  for (const SceneCell &c : FIRST_CELLS) EXPECT_EQ(dm.drawCh(Vector(c.x, c.y), c.ch, c.color, c.rotation), 0);
  glyphRows([&](Vector p, char ch, Color c) { dm.drawCh(p, ch, c); });
  circle.draw(Vector(5, 8));
  for (const SceneCell &c : OVER_SHAPE) EXPECT_EQ(dm.drawCh(Vector(c.x, c.y), c.ch, c.color, c.rotation), 0);
  EXPECT_EQ(dm.drawSegment(Vector(40, 200), Vector(120, 190)), 0);
  for (const SceneCell &c : LAST_CELLS) EXPECT_EQ(dm.drawCh(Vector(c.x, c.y), c.ch, c.color, c.rotation), 0);
  EXPECT_EQ(dm.drawString(Vector(30, 1), "Vexmoor", CENTER_JUSTIFIED, RED), 0);
  sf::Image batched = captureWindow();
  ASSERT_EQ(dm.swapBuffers(), 0);

  // The same scene, the old way, into the same (now cleared) window.
  sf::RenderWindow &w = *dm.getWindow();
  DirectCells cells;
  auto direct = [&](const SceneCell &c) {
    cells.draw(w, Vector(c.x, c.y), c.ch, colorToSFML(c.color), c.rotation, sx, sy);
  };
  for (const SceneCell &c : FIRST_CELLS) direct(c);
  glyphRows([&](Vector p, char ch, Color c) { cells.draw(w, p, ch, colorToSFML(c), 0, sx, sy); });
  sf::CircleShape figure(0, 30);
  figure.setFillColor(sf::Color(0, 255, 0, 255));
  figure.setPointCount(10);
  figure.setRadius(10);
  Vector centre = spacesToPixels(worldToView(Vector(5, 8)));
  figure.setPosition(centre.getX() - 5, centre.getY() - 5);
  w.draw(figure);
  for (const SceneCell &c : OVER_SHAPE) direct(c);
  sf::Vertex line[2] = {sf::Vertex(sf::Vector2f(40, 200)), sf::Vertex(sf::Vector2f(120, 190))};
  w.draw(line, 2, sf::Lines);
  for (const SceneCell &c : LAST_CELLS) direct(c);
  for (int i = 0; i < 7; i++)
    cells.draw(w, Vector(float(27 + i), 1), "Vexmoor"[i], sf::Color(255, 0, 0), 0, sx, sy);
  sf::Image one_by_one = captureWindow();
  // The same glyphs, loaded in the same frame, outgrew the first page.
  EXPECT_GT(cells.font.getTexture(24).getSize().x, 128u);

  // Something of every kind is there...
  EXPECT_GT(countColor(batched, SF_RED, 0, 0, 480, 288), 100);
  EXPECT_GT(countColor(batched, sf::Color::White, 40, 185, 121, 201), 20);
  // The circle's top is left; the cells drawn over it hide the rest.
  EXPECT_GT(countColor(batched, SF_GREEN, 40, 180, 80, 196), 10);
  EXPECT_LT(countColor(batched, SF_GREEN, 40, 180, 80, 220), 250);
  EXPECT_GT(countColor(batched, sf::Color(0, 255, 255), 460, 120, 480, 168), 10);
  EXPECT_GT(countColor(batched, sf::Color(0, 255, 255), 220, 270, 260, 288), 10);
  // ...and every pixel is the same.
  std::string where;
  EXPECT_EQ(differingPixels(batched, one_by_one, where), 0) << "first at" << where;
}

TEST(DisplayWindow, CellsPendingAtShutDownAreDropped) {
  DisplayEnv d;
  windowConfig(uniqueTitle("VexmoorDrop"));
  Config::getInstance().setWindowBackgroundColor(BLUE);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_EQ(dm.swapBuffers(), 0);
  EXPECT_EQ(dm.drawString(Vector(2, 2), "gone", LEFT_JUSTIFIED, RED), 0);
  dm.shutDown();
  EXPECT_EQ(dm.getWindow(), nullptr);

  // A new window and font: nothing of the old frame reaches them.
  windowConfig(uniqueTitle("VexmoorDrop2"));
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_EQ(dm.swapBuffers(), 0);
  sf::Image img = captureWindow();
  EXPECT_EQ(countColor(img, SF_BLUE, 0, 0, 480, 288), 480 * 288);
  EXPECT_EQ(dm.drawCh(Vector(2, 2), 'x', RED), 0);
  img = captureWindow();
  EXPECT_GT(glyphPixels(img, SF_RED, 2, 2), 10);  // a thin, slanted glyph
  EXPECT_EQ(countColor(img, SF_RED, 0, 0, 480, 288), glyphPixels(img, SF_RED, 2, 2));
}
