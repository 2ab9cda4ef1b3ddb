#include <gtest/gtest.h>

#include <SFML/Graphics.hpp>
#include <functional>
#include <memory>

#include "display/DisplayManager.h"
#include "support/ParticleCheck.h"
#include "world/ParticleEffects.h"
#include "world/Splash.h"
#include "world/ViewObject.h"
#include "world/WorldManager.h"

using namespace vx;
using vx::test::particles::EngineFixture;

namespace {

const std::string WINDOW_CONFIG = "headless:false,\nnetworking:false,\n";

// The engine started with a window.
std::unique_ptr<EngineFixture> startWindow() {
  return std::unique_ptr<EngineFixture>(new EngineFixture(WINDOW_CONFIG));
}

// Pixels of one frame as drawn so far (taken before it is shown).
sf::Image capture() {
  sf::RenderWindow *p_w = DisplayManager::getInstance().getWindow();
  sf::Texture texture;
  texture.create(p_w->getSize().x, p_w->getSize().y);
  texture.update(*p_w);
  return texture.copyToImage();
}

using PixelTest = std::function<bool(sf::Color)>;

bool lit(sf::Color c) { return c.r > 100 || c.g > 100 || c.b > 100; }
bool yellow(sf::Color c) { return c.r > 150 && c.g > 150 && c.b < 80; }
bool red(sf::Color c) { return c.r > 150 && c.g < 60 && c.b < 60; }
bool green(sf::Color c) { return c.g > 150 && c.r < 80 && c.b < 80; }

// Pixels in the rectangle [x0, x1) x [y0, y1) that pass the test.
int countIn(const sf::Image &img, int x0, int y0, int x1, int y1, const PixelTest &test) {
  int n = 0;
  sf::Vector2u size = img.getSize();
  for (int y = std::max(0, y0); y < std::min<int>(y1, size.y); y++)
    for (int x = std::max(0, x0); x < std::min<int>(x1, size.x); x++)
      if (test(img.getPixel(x, y))) n++;
  return n;
}

// Passing pixels in character cell (cx, cy).
int countInCell(const sf::Image &img, int cx, int cy, const PixelTest &test) {
  float w = charWidth(), h = charHeight();
  return countIn(img, static_cast<int>(cx * w), static_cast<int>(cy * h),
                 static_cast<int>((cx + 1) * w), static_cast<int>((cy + 1) * h), test);
}

// Clears, draws the world and captures, until check accepts the picture or
// the attempts run out. The first drawing of each glyph and shape makes the
// driver's resources for it: that one runs unwatched by the leak checker.
bool drawUntil(const std::function<bool(const sf::Image &)> &check, sf::Image *p_out = nullptr) {
  {
      DisplayManager::getInstance().swapBuffers();
    WorldManager::getInstance().draw();
  }
  for (int attempt = 0; attempt < 10; attempt++) {
    DisplayManager::getInstance().swapBuffers();
    WorldManager::getInstance().draw();
    sf::Image img = capture();
    if (p_out) *p_out = img;
    if (check(img)) return true;
  }
  return false;
}

} // namespace

TEST(ViewWindow, ViewObjectWithBorder) {
  std::unique_ptr<EngineFixture> f = startWindow();
  ASSERT_EQ(f->started, 0);
  ASSERT_NE(DisplayManager::getInstance().getWindow(), nullptr);
  ViewObject *v = new ViewObject;
  v->setViewString("HP");
  v->setValue(10);
  v->setColor(YELLOW);
  // " HP 10 " in cells 37..43 of row 1, dashes above and below, bars at 36, 44.
  sf::Image img;
  bool ok = drawUntil([](const sf::Image &i) { return countInCell(i, 38, 1, yellow) > 0; }, &img);
  ASSERT_TRUE(ok);
  EXPECT_GT(countInCell(img, 38, 1, yellow), 10);  // H
  EXPECT_GT(countInCell(img, 41, 1, yellow), 5);   // 1
  EXPECT_GT(countInCell(img, 36, 1, yellow), 5);   // left bar
  EXPECT_GT(countInCell(img, 44, 1, yellow), 5);   // right bar
  for (int x = 37; x <= 43; x++) {
    EXPECT_GT(countInCell(img, x, 0, yellow), 0) << x;  // dashes above
    EXPECT_GT(countInCell(img, x, 2, yellow), 0) << x;  // and below
  }
  EXPECT_EQ(countInCell(img, 34, 0, lit), 0);
  EXPECT_EQ(countInCell(img, 46, 1, lit), 0);
  EXPECT_EQ(countIn(img, 0, 4 * 32, 1024, 768, lit), 0);

  // Without border: "HP 10" on row 0, no bars, nothing on row 1.
  v->setBorder(false);
  ok = drawUntil([](const sf::Image &i) { return countInCell(i, 38, 0, yellow) > 0; }, &img);
  ASSERT_TRUE(ok);
  EXPECT_EQ(countIn(img, 0, 32, 1024, 768, lit), 0);
  EXPECT_EQ(countInCell(img, 36, 0, lit), 0);
}

TEST(ViewWindow, BurstOfParticles) {
  std::unique_ptr<EngineFixture> f = startWindow();
  ASSERT_EQ(f->started, 0);
  platform::srand(5);
  ASSERT_EQ(addParticles(1, Vector(40, 12), 3.0f, RED), 0);
  sf::Image img;
  // All start at the centre cell: (512, 384) in pixels.
  bool ok = drawUntil([](const sf::Image &i) { return countIn(i, 500, 372, 530, 400, red) > 20; },
                      &img);
  ASSERT_TRUE(ok);
  EXPECT_EQ(countIn(img, 0, 0, 1024, 300, lit), 0);

  // Spread out after some steps: red well away from the centre too.
  vx::test::particles::stepWorld(10);
  ok = drawUntil([](const sf::Image &i) {
    int all = countIn(i, 0, 0, 1024, 768, red);
    int centre = countIn(i, 490, 362, 540, 410, red);
    return all - centre > 200;
  }, &img);
  EXPECT_TRUE(ok);
  EXPECT_EQ(countIn(img, 0, 0, 1024, 200, lit), 0);
}

TEST(ViewWindow, SplashBanner) {
  std::unique_ptr<EngineFixture> f = startWindow();
  ASSERT_EQ(f->started, 0);
  new Splash;
  // Until it comes to rest, upright lettering showing.
  vx::test::particles::stepWorld(15);
  Splash *s = vx::test::particles::objectsOf<Splash>("Splash")[0];
  ASSERT_EQ(s->getVelocity(), Vector(0, 0));
  float left = s->getPosition().getX() - 23;  // x of column 0
  float top = s->getPosition().getY() - 3.5f;  // y of row 0
  float cw = charWidth(), ch = charHeight();
  int x0 = static_cast<int>(left * cw), x1 = static_cast<int>((left + 47) * cw);
  int y0 = static_cast<int>(top * ch), y1 = static_cast<int>((top + 8) * ch);
  sf::Image img;
  bool ok = drawUntil([&](const sf::Image &i) { return countIn(i, x0, y0, x1, y1, green) > 500; },
                      &img);
  ASSERT_TRUE(ok);
  // Lettering across the whole width, nothing green outside the banner.
  int quarter = (x1 - x0) / 4;
  for (int q = 0; q < 4; q++)
    EXPECT_GT(countIn(img, x0 + q * quarter, y0, x0 + (q + 1) * quarter, y1, green), 50) << q;
  EXPECT_EQ(countIn(img, 0, 0, 1024, y0 - 2, green), 0);
  EXPECT_EQ(countIn(img, 0, y1 + 2, 1024, 768, green), 0);
  // Row 1 begins "|    |": bars in columns 0 and 5, blanks between them.
  int row1 = static_cast<int>((top + 1) * ch);
  EXPECT_GT(countIn(img, x0, row1, static_cast<int>(x0 + cw), row1 + ch, green), 5);
  EXPECT_GT(countIn(img, static_cast<int>(x0 + 5 * cw), row1, static_cast<int>(x0 + 6 * cw),
                    row1 + ch, green), 5);
  EXPECT_EQ(countIn(img, static_cast<int>(x0 + 1.5f * cw), row1 + 4,
                    static_cast<int>(x0 + 4.5f * cw), row1 + ch - 4, green), 0);
}
