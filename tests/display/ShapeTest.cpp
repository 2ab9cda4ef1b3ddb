#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "display/DisplayTestSupport.h"
#include "display/Shape.h"

using namespace vx;
using vx::test::DisplayEnv;

namespace {

void startHeadless(int h_px, int v_px, int h_ch, int v_ch, float font_scale = 2.0f) {
  vx::test::headlessConfig(h_px, v_px, h_ch, v_ch);
  Config::getInstance().setFontScale(font_scale);
  ASSERT_EQ(DisplayManager::getInstance().startUp(), 0);
}

} // namespace

TEST(Shape, DefaultFromCellSizeAndFontScale) {
  DisplayEnv d;
  startHeadless(1024, 768, 80, 24);
  Shape s;
  EXPECT_EQ(s.getColor(), WHITE);
  EXPECT_EQ(s.getType(), ShapeType::CIRCLE);
  EXPECT_EQ(s.getOpacity(), 255);
  EXPECT_FLOAT_EQ(s.getSize(), 24.0f);  // (int)12.8 * 2
  EXPECT_EQ(s.toString(), "circle, size 24.000000, White, 255");
}

TEST(Shape, SizeTakesTheSmallerCellSideTruncatedFirst) {
  DisplayEnv d;
  startHeadless(700, 100, 100, 40, 1.5f);  // cells 7 x 2.5
  EXPECT_FLOAT_EQ(Shape().getSize(), 3.0f);  // (int)2.5 * 1.5
}

TEST(Shape, DefaultBeforeTheDisplayIsSizedIsZero) {
  DisplayEnv d;
  if (DisplayManager::getInstance().getHorizontal() != 0) GTEST_SKIP() << "display sized by an earlier test";
  Shape s;
  EXPECT_FLOAT_EQ(s.getSize(), 0.0f);
}

TEST(Shape, SetTypeAcceptsKnownTypesOnly) {
  DisplayEnv d;
  Shape s;
  s.setType(ShapeType::SQUARE);
  s.setType(5);
  EXPECT_EQ(s.getType(), ShapeType::SQUARE);
  EXPECT_EQ(d.count("Shape::setType(): Unknown shape type 5. Ignoring."), 1);
  s.setType(-2);
  EXPECT_EQ(d.count("Shape::setType(): Unknown shape type -2. Ignoring."), 1);
  s.setType(-1);
  EXPECT_EQ(s.getType(), ShapeType::UNDEFINED);
  s.setType(2);
  EXPECT_EQ(s.getType(), ShapeType::TRIANGLE);
  EXPECT_EQ(s.toString().substr(0, 9), "triangle,");
  s.setType(-1);
  EXPECT_EQ(s.toString().substr(0, 10), "undefined,");
  s.setType(1);
  s.setColor(CUSTOM);
  s.setOpacity(7);
  s.setSize(2.5f);
  EXPECT_EQ(s.toString(), "square, size 2.500000, Unknown color, 7");
}

TEST(Shape, EqualityIgnoresOpacityAndComparesRGBOnlyWhenCustom) {
  DisplayEnv d;
  Shape a, b;
  b.setOpacity(3);
  EXPECT_TRUE(a == b);
  b.setSize(a.getSize() + 1);
  EXPECT_TRUE(a != b);
  b = a;
  a.setColor(10, 20, 30);
  EXPECT_EQ(a.getColor(), CUSTOM);
  b.setColor(10, 20, 31);
  EXPECT_FALSE(a == b);
  b.setColor(10, 20, 30);
  EXPECT_TRUE(a == b);
  // Named colours ignore the bytes left from a custom colour.
  a.setColor(RED);
  b.setColor(1, 1, 1);
  b.setColor(RED);
  EXPECT_TRUE(a == b);
  b.setType(ShapeType::TRIANGLE);
  EXPECT_FALSE(a == b);
}

TEST(Shape, SerializesThirteenBytesInOrder) {
  DisplayEnv d;
  Shape s;
  s.setType(ShapeType::TRIANGLE);
  s.setSize(7.5f);
  s.setColor(4, 5, 6);
  s.setOpacity(200);
  std::stringstream ss;
  s.serialize(&ss);
  std::string raw = ss.str();
  ASSERT_EQ(raw.size(), 13u);
  int32_t type, color;
  float size;
  std::memcpy(&type, raw.data(), 4);
  std::memcpy(&size, raw.data() + 4, 4);
  std::memcpy(&color, raw.data() + 8, 4);
  EXPECT_EQ(type, 2);
  EXPECT_FLOAT_EQ(size, 7.5f);
  EXPECT_EQ(color, 8);
  EXPECT_EQ(static_cast<unsigned char>(raw[12]), 200);

  // r, g, b do not travel: the reader keeps its own.
  Shape t;
  t.setColor(9, 9, 9);
  t.setColor(WHITE);
  t.deserialize(&ss);
  EXPECT_EQ(t.getType(), 2);
  EXPECT_FLOAT_EQ(t.getSize(), 7.5f);
  EXPECT_EQ(t.getColor(), CUSTOM);
  EXPECT_EQ(t.getOpacity(), 200);
  EXPECT_FALSE(t == s);
  t.setColor(4, 5, 6);
  EXPECT_TRUE(t == s);
  EXPECT_FALSE(d.has("Stream"));
}

TEST(Shape, ShortStreamIsReported) {
  DisplayEnv d;
  std::string bytes(6, '\0');
  std::stringstream ss(bytes);
  Shape s;
  s.deserialize(&ss);
  EXPECT_EQ(d.count("Shape::deserialize(): Error! Stream eof."), 1);
}

TEST(Shape, DrawWithoutWindowOnlyLogs) {
  DisplayEnv d(5);
  startHeadless(1024, 768, 80, 24);
  Shape s;
  s.draw(Vector(3, 3));
  EXPECT_EQ(d.count("Shape::draw(): DisplayManager window not defined."), 1);
}
