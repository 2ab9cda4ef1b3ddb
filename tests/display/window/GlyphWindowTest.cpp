// The game's font at the default window: each glyph fits its cell, so the
// next cell's background leaves it whole.
#include <gtest/gtest.h>

#include <string>

#include "display/window/WindowTestSupport.h"

using namespace vx;
using namespace vx::test;

namespace {

// Printable characters, one every 4 cells across and 4 rows down.
const int FIRST = 33, LAST = 126;
Vector cellOf(int c) {
  int i = c - FIRST;
  return Vector(float(2 + (i % 19) * 4), float(1 + (i / 19) * 4));
}

// Glyphs are white, neighbours red: a pixel is the glyph's ink while its
// green channel is lit.
bool ink(const sf::Image &img, unsigned x, unsigned y) { return img.getPixel(x, y).g > 127; }

TEST(GlyphWindow, GlyphsKeepTheirInkBesideTheNextCell) {
  DisplayEnv d;
  std::string title = uniqueTitle("VexmoorGlyph");
  windowConfig(title);
  // The game's window: 1024 x 768 pixels of 80 x 24 cells.
  gridConfig(1024, 768, 80, 24);
  DisplayManager &dm = DisplayManager::getInstance();
  ASSERT_EQ(dm.startUp(), 0);
  ASSERT_NE(dm.getWindow(), nullptr);
  waitForWindow(title);

  dm.swapBuffers();
  for (int ch = FIRST; ch <= LAST; ch++) dm.drawCh(cellOf(ch), char(ch), WHITE);
  sf::Image alone = captureWindow();
  dm.swapBuffers();
  for (int ch = FIRST; ch <= LAST; ch++) {
    Vector at = cellOf(ch);
    dm.drawCh(at, char(ch), WHITE);
    dm.drawCh(Vector(at.getX() + 1, at.getY()), 'M', RED);
  }
  sf::Image beside = captureWindow();

  // Each glyph's ink within two cells either side and the rows around it.
  const float cw = charWidth(), chh = charHeight();
  double sum = 0, worst = 1;
  char worst_ch = 0;
  for (int ch = FIRST; ch <= LAST; ch++) {
    Vector at = cellOf(ch);
    int x0 = int((at.getX() - 1.5f) * cw), x1 = int((at.getX() + 2.5f) * cw);
    int y0 = int((at.getY() - 0.5f) * chh), y1 = int((at.getY() + 1.5f) * chh);
    int total = 0, kept = 0;
    for (int y = y0; y < y1; y++)
      for (int x = x0; x < x1; x++)
        if (ink(alone, unsigned(x), unsigned(y))) {
          total++;
          if (ink(beside, unsigned(x), unsigned(y))) kept++;
        }
    ASSERT_GT(total, 0) << "no ink for '" << char(ch) << "'";
    double share = double(kept) / total;
    sum += share;
    if (share < worst) worst = share, worst_ch = char(ch);
  }
  double mean = sum / (LAST - FIRST + 1);
  RecordProperty("ink_kept_mean", std::to_string(mean));
  RecordProperty("ink_kept_worst", std::string(1, worst_ch) + " " + std::to_string(worst));
  EXPECT_GE(mean, 0.98);
  EXPECT_GE(worst, 0.85) << "'" << worst_ch << "'";
}

} // namespace
