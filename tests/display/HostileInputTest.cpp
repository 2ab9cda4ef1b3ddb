// Hostile and extreme inputs to the display, shapes, sprites and animations:
// each case checks the result, the log line and what is kept.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "ResourceSupport.h"
#include "core/Config.h"
#include "display/Animation.h"
#include "display/DisplayManager.h"
#include "display/Shape.h"
#include "display/Sprite.h"

using namespace vx;
using Lines = std::vector<std::string>;

namespace {

class DisplayHostileInput : public vx::test::ResourceTest {
 protected:
  void TearDown() override {
    if (DisplayManager::getInstance().isStarted()) DisplayManager::getInstance().shutDown();
    ResourceTest::TearDown();
  }
};

void gridConfig(bool headless, int h_ch, int v_ch) {
  Config &c = Config::getInstance();
  c.setHeadless(headless);
  c.setWindowHorizontalChars(h_ch);
  c.setWindowVerticalChars(v_ch);
}

template <typename T>
void put(std::string &s, T v) {
  s.append(reinterpret_cast<const char *>(&v), sizeof(T));
}

// A robust sprite file of count 1 x 1 frames "x"; the last "end" line reads
// last_end instead.
void writeManyFrames(const std::string &path, int count, const std::string &last_end = "end") {
  std::ofstream f(path, std::ios::trunc);
  f << "<HEADER>\nframes " << count << "\nwidth 1\nheight 1\n</HEADER>\n<BODY>\n";
  for (int i = 0; i < count; i++) f << "x\n" << (i + 1 < count ? "end" : last_end) << "\n";
  f << "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
}

} // namespace

TEST_F(DisplayHostileInput, RefusedWithALineAndStateKept) {
  DisplayManager &dm = DisplayManager::getInstance();

  // Grids beyond 2^20 cells are refused, windowed or not, before any
  // window or allocation.
  for (bool headless : {false, true}) {
    gridConfig(headless, 30000, 30000);
    mark();
    EXPECT_EQ(-1, dm.startUp());
    EXPECT_FALSE(dm.isStarted());
    EXPECT_EQ(nullptr, dm.getWindow());
    EXPECT_EQ((Lines{"DisplayManager::startUp(): Error! Window of (30000, 30000) cells exceeds 1048576 cells."}),
              since());
  }
  gridConfig(true, 1024, 1024);
  ASSERT_EQ(0, dm.startUp());
  // The setters keep the grid within the same bound.
  mark();
  dm.setHorizontal(1025);
  dm.setVertical(1025);
  EXPECT_EQ(1024, dm.getHorizontal());
  EXPECT_EQ(1024, dm.getVertical());
  EXPECT_EQ((Lines{"DisplayManager::setHorizontal(): Warning! Ignoring 1025 cells.",
                   "DisplayManager::setVertical(): Warning! Ignoring 1025 cells."}),
            since());
  dm.shutDown();

  // Headless, pixel sizes are held to the window's bounds all the same, so
  // no cell is wider than 16384 pixels.
  gridConfig(true, 1, 1);
  Config::getInstance().setWindowHorizontalPixels(INT_MAX);
  Config::getInstance().setWindowVerticalPixels(INT_MAX);
  mark();
  EXPECT_EQ(-1, dm.startUp());
  Config::getInstance().setWindowHorizontalPixels(-3);
  Config::getInstance().setWindowVerticalPixels(16384);
  EXPECT_EQ(-1, dm.startUp());
  EXPECT_FALSE(dm.isStarted());
  EXPECT_EQ((Lines{"DisplayManager::startUp(): Error! Window size (2147483647, 2147483647) pixels exceeds "
                   "(16384, 16384).",
                   "DisplayManager::startUp(): Error! Window size (-3, 16384) pixels is negative."}),
            since());
  Config::getInstance().setWindowHorizontalPixels(16384);
  ASSERT_EQ(0, dm.startUp());
  EXPECT_FLOAT_EQ(16384.0f, charWidth());
  EXPECT_FLOAT_EQ(32768.0f, Shape().getSize());
  dm.shutDown();

  // A shape takes a field only when all its bytes arrived.
  Shape shape;
  shape.setType(ShapeType::SQUARE);
  shape.setSize(7.5f);
  shape.setColor(GREEN);
  shape.setOpacity(9);
  std::string cut;
  put<int32_t>(cut, ShapeType::TRIANGLE);
  cut.append("\x01\x02", 2);
  std::stringstream ss_cut(cut);
  mark();
  shape.deserialize(&ss_cut);
  EXPECT_EQ(ShapeType::TRIANGLE, shape.getType());
  EXPECT_EQ(7.5f, shape.getSize());
  EXPECT_EQ(GREEN, shape.getColor());
  EXPECT_EQ(9, shape.getOpacity());
  EXPECT_EQ((Lines{"Shape::deserialize(): Error! Stream eof."}), since());

  // Out-of-range type and colour are refused; the other fields are taken.
  std::string bad;
  put<int32_t>(bad, 5);
  put<float>(bad, 3.0f);
  put<int32_t>(bad, 117526600);
  put<uint8_t>(bad, 77);
  std::stringstream ss_bad(bad);
  mark();
  shape.deserialize(&ss_bad);
  EXPECT_EQ(ShapeType::TRIANGLE, shape.getType());
  EXPECT_EQ(3.0f, shape.getSize());
  EXPECT_EQ(GREEN, shape.getColor());
  EXPECT_EQ(77, shape.getOpacity());
  EXPECT_EQ((Lines{"Shape::deserialize(): Error! Unknown shape type 5. Ignored.",
                   "Shape::deserialize(): Error! Color 117526600 out of range. Ignored."}),
            since());

  // An index or slowdown count of INT_MAX steps on without overflow; an
  // index beyond the frames returns to 0.
  Config::getInstance().setHeadless(true);
  Sprite sprite(3);
  sprite.setWidth(1);
  sprite.setHeight(1);
  sprite.setSlowdown(2);
  for (const char *s : {"a", "b", "c"}) sprite.addFrame(Frame(1, 1, s));
  Animation anim;
  anim.setSprite(&sprite);
  anim.setIndex(INT_MAX);
  anim.setSlowdownCount(INT_MAX);
  anim.draw(Vector(1, 1));
  EXPECT_EQ(0, anim.getIndex());
  EXPECT_EQ(0, anim.getSlowdownCount());
  anim.setIndex(1);
  anim.setSlowdownCount(INT_MAX - 1);
  anim.draw(Vector(1, 1));
  EXPECT_EQ(2, anim.getIndex());
  EXPECT_EQ(0, anim.getSlowdownCount());

  // A frame too short for its size is logged once, not on every draw.
  Sprite short_frames(2);
  short_frames.setWidth(2);
  short_frames.setHeight(2);
  short_frames.addFrame(Frame(2, 2, "ab"));
  short_frames.addFrame(Frame(2, 2, "abc"));
  anim.setSprite(&short_frames);
  mark();
  for (int i = 0; i < 30; i++) EXPECT_EQ(-1, anim.draw(Vector(1, 1)));
  EXPECT_EQ((Lines{"Frame::draw(): Error! Frame has 2 characters, 2 x 2 needed.",
                   "Frame::draw(): Error! Frame has 3 characters, 2 x 2 needed."}),
            since());

  // A body of many frames loads whole; a fault at its end is reported with
  // its file line number (the header ends at line 5).
  std::string many = env.path("many.txt");
  writeManyFrames(many, 100000);
  mark();
  ASSERT_EQ(0, rm().loadSprite(many, "many"));
  EXPECT_EQ(Lines{}, since());
  Sprite *p_many = rm().getSprite("many");
  ASSERT_NE(nullptr, p_many);
  EXPECT_EQ(100000, p_many->getFrameCount());
  EXPECT_EQ("x", p_many->getFrame(99999).getString());
  writeManyFrames(many, 100000, "ned");
  mark();
  EXPECT_EQ(-1, rm().loadSprite(many, "bad"));
  EXPECT_EQ((Lines{"\tError! Line 200006: Expected 'end'.", "\tLine 200006: 'ned'",
                   "RM::loadRobustSprite(): Error! No frame data to add.", "RM::loadSprite(): Sprite 'bad' NOT loaded."}),
            since());
}
