// Frames drawn in a real window: centring, transforms and transparency,
// each compared with the same cells drawn one by one through drawCh.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "display/Animation.h"
#include "display/Frame.h"
#include "display/Sprite.h"
#include "display/window/WindowTestSupport.h"

using namespace vx;
using namespace vx::test;

namespace {

class FrameWindowTest : public ::testing::Test {
 protected:
  DisplayEnv d;

  void SetUp() override {
    std::string title = uniqueTitle("VexmoorFrame");
    windowConfig(title);
    Config::getInstance().setWindowBackgroundColor(BLUE);
    ASSERT_EQ(0, DisplayManager::getInstance().startUp());
    ASSERT_NE(nullptr, DisplayManager::getInstance().getWindow());
    waitForWindow(title);
  }

  // The window's pixels after drawing into a freshly cleared frame.
  sf::Image render(const std::function<void()> &draw) {
    DisplayManager::getInstance().swapBuffers();
    draw();
    return captureWindow();
  }

  static bool same(const sf::Image &a, const sf::Image &b) {
    if (a.getSize() != b.getSize()) return false;
    return std::memcmp(a.getPixelsPtr(), b.getPixelsPtr(), size_t(a.getSize().x) * a.getSize().y * 4) == 0;
  }

  static void ch(float x, float y, char c, Color color = WHITE) {
    DisplayManager::getInstance().drawCh(Vector(x, y), c, color, 0);
  }
};

}  // namespace

TEST_F(FrameWindowTest, FramesAreCentredOnThePosition) {
  sf::Image blank = render([] {});
  sf::Image one = render([] { EXPECT_EQ(0, Frame(1, 1, "@").draw(Vector(10, 5), RED, 0, 0)); });
  EXPECT_FALSE(same(blank, one));
  EXPECT_TRUE(same(one, render([] { ch(10, 5, '@', RED); })));

  EXPECT_TRUE(same(render([] { Frame(3, 1, "abc").draw(Vector(10, 5), WHITE, 0, 0); }),
                   render([] {
                     ch(9, 5, 'a');
                     ch(10, 5, 'b');
                     ch(11, 5, 'c');
                   })));
  // Even sizes put the cells on half-cell positions.
  EXPECT_TRUE(same(render([] { Frame(2, 2, "abcd").draw(Vector(10, 5), WHITE, 0, 0); }),
                   render([] {
                     ch(9.5f, 4.5f, 'a');
                     ch(10.5f, 4.5f, 'b');
                     ch(9.5f, 5.5f, 'c');
                     ch(10.5f, 5.5f, 'd');
                   })));
}

TEST_F(FrameWindowTest, TransformsReverseRowsAndColumns) {
  auto frame = [&](const char *text, int transform) {
    return render([=] { EXPECT_EQ(0, Frame(2, 2, text).draw(Vector(8, 6), GREEN, 0, transform)); });
  };
  sf::Image plain = frame("abcd", NONE);
  EXPECT_TRUE(same(frame("abcd", VERTICAL), frame("cdab", NONE)));
  EXPECT_TRUE(same(frame("abcd", HORIZONTAL), frame("badc", NONE)));
  EXPECT_TRUE(same(frame("abcd", BOTH), frame("dcba", NONE)));
  EXPECT_FALSE(same(frame("abcd", BOTH), plain));
  EXPECT_TRUE(same(frame("abcd", 5), plain));
  EXPECT_TRUE(same(frame("abcd", -1), plain));
}

TEST_F(FrameWindowTest, TransparentCellsLeaveWhatIsBehind) {
  // A red mark under the middle cell survives a transparent cell, and is
  // covered by the background of a drawn one.
  const sf::Color SF_RED(255, 0, 0);
  sf::Image kept = render([] {
    ch(10, 5, '#', RED);
    Frame(3, 1, "a.b").draw(Vector(10, 5), WHITE, '.', 0);
  });
  EXPECT_GT(countColor(kept, SF_RED, 0, 0, 480, 288), 20);
  EXPECT_TRUE(same(kept, render([] {
    ch(10, 5, '#', RED);
    ch(9, 5, 'a');
    ch(11, 5, 'b');
  })));
  sf::Image covered = render([] {
    ch(10, 5, '#', RED);
    Frame(3, 1, "a.b").draw(Vector(10, 5), WHITE, 0, 0);
  });
  EXPECT_EQ(0, countColor(covered, SF_RED, 0, 0, 480, 288));
}

TEST_F(FrameWindowTest, AnimationDrawsItsFrameMirrored) {
  Sprite s(2);
  s.setWidth(3);
  s.setHeight(1);
  s.setColor(YELLOW);
  s.setTransparency(' ');
  s.addFrame(Frame(3, 1, "ab "));
  s.addFrame(Frame(3, 1, "xyz"));
  Animation a;
  a.setSprite(&s);
  a.setTransform(HORIZONTAL);
  sf::Image drawn = render([&] { EXPECT_EQ(0, a.draw(Vector(20, 6))); });
  EXPECT_TRUE(same(drawn, render([] {
    ch(20, 6, 'b', YELLOW);
    ch(21, 6, 'a', YELLOW);
  })));
  EXPECT_EQ(1, a.getIndex());
  EXPECT_TRUE(same(render([&] { a.draw(Vector(20, 6)); }), render([] {
    ch(19, 6, 'z', YELLOW);
    ch(20, 6, 'y', YELLOW);
    ch(21, 6, 'x', YELLOW);
  })));
}

TEST_F(FrameWindowTest, SpriteFarLargerThanTheWindowDrawsWhatTheWindowShows) {
  // 3001 x 3001 cells centred on cell (20, 6) of a 40 x 12 window; every
  // fifth character transparent.
  const int side = 3001, half = side / 2;
  auto at = [](int x, int y) {
    int k = (x * 7 + y * 3) % 31;
    return k % 5 == 0 ? '.' : char('A' + k % 26);
  };
  std::string cells(size_t(side) * size_t(side), ' ');
  for (int y = 0; y < side; y++)
    for (int x = 0; x < side; x++) cells[size_t(y) * size_t(side) + size_t(x)] = at(x, y);
  Sprite s(1);
  s.setWidth(side);
  s.setHeight(side);
  s.setColor(GREEN);
  s.setTransparency('.');
  ASSERT_EQ(0, s.addFrame(Frame(side, side, cells)));
  cells.clear();
  cells.shrink_to_fit();

  // The same shake for both pictures, moving glyphs by more than a cell.
  DisplayManager &dm = DisplayManager::getInstance();
  auto shaken = [&](const std::function<void()> &draw) {
    platform::srand(12);
    dm.shake(40, 40, 1);
    return render(draw);
  };
  // Then more cells than one batch holds (a blank cell, over and over) and a
  // mark on top: every batch reaches the window, in order.
  auto blankAndMark = [] {
    for (int i = 0; i < 140000; i++) ch(0, 0, ' ');
    ch(20, 6, '@', RED);
  };
  sf::Image drawn = shaken([&] {
    EXPECT_EQ(0, s.draw(0, Vector(20, 6), '.', 0));
    blankAndMark();
  });
  EXPECT_GT(std::abs(dm.getShakeX()), 12);
  EXPECT_GT(std::abs(dm.getShakeY()), 12);
  // Cell by cell, with a wide border of cells that could only be seen
  // through the shake.
  sf::Image expected = shaken([&] {
    for (int y = -8; y < 20; y++)
      for (int x = -8; x < 48; x++) {
        char c = at(x - 20 + half, y - 6 + half);
        if (c != '.') ch(float(x), float(y), c, GREEN);
      }
    blankAndMark();
  });
  EXPECT_GT(countColor(drawn, sf::Color(0, 255, 0), 0, 0, 480, 288), 2000);
  EXPECT_GT(countColor(drawn, sf::Color(255, 0, 0), 0, 0, 480, 288), 20);
  EXPECT_TRUE(same(drawn, expected));
}
