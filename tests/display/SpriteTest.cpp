// Sprites and frames without a window: capacity, look-ups, text, and the
// drawing paths that fail or draw nothing.
#include <gtest/gtest.h>

#include "ResourceSupport.h"
#include "core/Config.h"
#include "display/Animation.h"
#include "display/Frame.h"
#include "display/Sprite.h"

using vx::test::ResourceTest;
using Lines = std::vector<std::string>;

class SpriteTest : public ResourceTest {};

TEST_F(SpriteTest, CapacityAndFrames) {
  vx::Sprite zero(0);
  EXPECT_EQ(-1, zero.addFrame(vx::Frame(1, 1, "x")));
  EXPECT_EQ(0, zero.getFrameCount());

  vx::Sprite two(2);
  EXPECT_EQ(0, two.addFrame(vx::Frame(1, 1, "a")));
  EXPECT_EQ(0, two.addFrame(vx::Frame(1, 1, "b")));
  EXPECT_EQ(-1, two.addFrame(vx::Frame(1, 1, "c")));
  EXPECT_EQ(2, two.getFrameCount());
  EXPECT_EQ("b", two.getFrame(1).getString());
  for (int bad : {-1, 2}) {
    vx::Frame f = two.getFrame(bad);
    EXPECT_EQ("", f.getString());
    EXPECT_EQ(0, f.getWidth());
    EXPECT_EQ(0, f.getHeight());
  }

  // A huge capacity costs nothing until frames arrive.
  vx::Sprite huge(2000000000);
  for (int i = 0; i < 100; i++) ASSERT_EQ(0, huge.addFrame(vx::Frame(1, 1, "z")));
  EXPECT_EQ(100, huge.getFrameCount());
  vx::Sprite negative(-3);
  EXPECT_EQ(-1, negative.addFrame(vx::Frame(1, 1, "x")));
}

TEST_F(SpriteTest, DefaultsAndText) {
  vx::Sprite s(2);
  EXPECT_EQ("[Undefined], 0frames, 0 x 0, White", s.toString());
  EXPECT_EQ(1, s.getSlowdown());
  EXPECT_EQ(0, s.getTransparency());
  s.setLabel("hero");
  s.setWidth(3);
  s.setHeight(4);
  s.addFrame(vx::Frame(3, 4, std::string(12, '#')));
  s.addFrame(vx::Frame(3, 4, std::string(12, '#')));
  EXPECT_EQ("hero, 2frames, 3 x 4, White", s.toString());
  s.setColor(vx::MAGENTA);
  EXPECT_EQ("hero, 2frames, 3 x 4, Magenta", s.toString());
}

TEST_F(SpriteTest, FrameDrawWithoutDisplay) {
  // Empty frames draw nothing and succeed.
  EXPECT_EQ(0, vx::Frame().draw(vx::Vector(1, 1), vx::WHITE, 0, 0));
  vx::Sprite s(1);
  EXPECT_EQ(0, s.draw(5, vx::Vector(), 0, 0));

  // The display is not started: the first cell fails and stops the frame.
  mark();
  EXPECT_EQ(-1, vx::Frame(2, 2, "abcd").draw(vx::Vector(1, 1), vx::WHITE, 0, 0));
  EXPECT_EQ((Lines{"DisplayManager not started!"}), since());

  // Transparent cells are never sent to the display.
  mark();
  EXPECT_EQ(0, vx::Frame(2, 2, "....").draw(vx::Vector(1, 1), vx::RED, '.', 3));
  EXPECT_EQ(-1, vx::Frame(2, 1, ".a").draw(vx::Vector(1, 1), vx::RED, '.', 0));
  EXPECT_EQ((Lines{"DisplayManager not started!"}), since());
  // With transparency 0 even blanks and dots are drawn.
  EXPECT_EQ(-1, vx::Frame(1, 1, " ").draw(vx::Vector(1, 1), vx::RED, 0, 0));
}

TEST_F(SpriteTest, ShortFrameStringDrawsNothing) {
  mark();
  EXPECT_EQ(-1, vx::Frame(3, 3, "abcd").draw(vx::Vector(1, 1), vx::WHITE, 0, vx::NONE));
  EXPECT_EQ((Lines{"Frame::draw(): Error! Frame has 4 characters, 3 x 3 needed."}), since());
  EXPECT_EQ(-1, vx::Frame(100000, 100000, "x").draw(vx::Vector(), vx::WHITE, 0, 3));
  // A sprite drawing such a frame passes the failure on.
  vx::Sprite s(1);
  s.addFrame(vx::Frame(2, 2, "ab"));
  EXPECT_EQ(-1, s.draw(0, vx::Vector(), 0, 2));
}
