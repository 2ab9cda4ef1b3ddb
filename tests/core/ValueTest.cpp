#include <gtest/gtest.h>

#include <cstring>

#include "core/Box.h"
#include "core/Circle.h"
#include "core/Color.h"
#include "core/Line.h"
#include "core/LogManager.h"
#include "core/Utility.h"
#include "core/Vector.h"
#include "platform/Platform.h"
#include "support/TestEnv.h"

using namespace vx;
using vx::test::TestEnv;

namespace {

std::string bytesOf(float a, float b) {
  std::string s(8, '\0');
  std::memcpy(&s[0], &a, 4);
  std::memcpy(&s[4], &b, 4);
  return s;
}

} // namespace

TEST(Vector, ArithmeticAndNormalize) {
  Vector v(3, 4);
  EXPECT_FLOAT_EQ(5.0f, v.getMagnitude());
  v.normalize();
  EXPECT_FLOAT_EQ(0.6f, v.getX());
  EXPECT_FLOAT_EQ(0.8f, v.getY());
  Vector zero;
  zero.normalize();
  EXPECT_TRUE(zero.isZero());
  Vector a(1, 2), b(0.5f, -1);
  EXPECT_EQ(Vector(1.5f, 1), a + b);
  EXPECT_EQ(Vector(0.5f, 3), a - b);
  a += b;
  EXPECT_EQ(Vector(1.5f, 1), a);
  a.scale(2);
  EXPECT_EQ(Vector(3, 2), a);
  EXPECT_NE(a, b);
  a.setXY(7, 8);
  EXPECT_EQ(7, a.getX());
  EXPECT_EQ(8, a.getY());
}

TEST(ValueTypes, TextForms) {
  EXPECT_EQ("(1.5,2)", Vector(1.5f, 2).toString());
  EXPECT_EQ("(0.5,-1)", Vector(0.5f, -1).toString());
  EXPECT_EQ("(0,0) h: 80 v: 24", Box(Vector(0, 0), 80, 24).toString());
  EXPECT_EQ("[(0,0)(3,4)]", Line(Vector(0, 0), Vector(3, 4)).toString());
  EXPECT_EQ("(1,2) r: 3.000000", Circle(Vector(1, 2), 3).toString());
  EXPECT_EQ("(0,0) r: 0.000000", Circle().toString());
}

TEST(ValueTypes, BoxAccessorsAndEquality) {
  Box b(Vector(1, 2), 3, 4);
  EXPECT_EQ(Vector(1, 2), b.getCorner());
  Box c = b;
  EXPECT_TRUE(b == c);
  c.setVertical(5);
  EXPECT_TRUE(b != c);
  c.setVertical(4);
  c.setCorner(Vector(1, 3));
  EXPECT_FALSE(b == c);
  EXPECT_TRUE(Box() == Box(Vector(), 0, 0));
}

TEST(ValueTypes, RawFormsRoundTrip) {
  TestEnv env;
  std::stringstream ss;
  ASSERT_EQ(0, Vector(1, 2).serialize(&ss));
  EXPECT_EQ(bytesOf(1, 2), ss.str());

  std::stringstream bs;
  ASSERT_EQ(0, Box(Vector(1, 2), 3, 4).serialize(&bs));
  EXPECT_EQ(bytesOf(1, 2) + bytesOf(3, 4), bs.str());

  Box out;
  ASSERT_EQ(0, out.deserialize(&bs));
  EXPECT_EQ(Box(Vector(1, 2), 3, 4), out);
  Vector v;
  ASSERT_EQ(0, v.deserialize(&ss));
  EXPECT_EQ(Vector(1, 2), v);
}

TEST(ValueTypes, ShortStreamsAreReported) {
  TestEnv env;
  ASSERT_EQ(0, LogManager::getInstance().startUp());
  std::stringstream ss(std::string(4, '\0'));
  Vector v(5, 6);
  EXPECT_EQ(-1, v.deserialize(&ss));
  EXPECT_EQ(0, v.getX());
  EXPECT_EQ(6, v.getY());  // a field with missing bytes is kept

  std::stringstream bs(bytesOf(1, 2) + std::string(2, 'x'));
  Box b(Vector(9, 9), 9, 9);
  EXPECT_EQ(-1, b.deserialize(&bs));
  EXPECT_EQ(Box(Vector(1, 2), 9, 9), b);
  EXPECT_EQ(std::vector<std::string>({"Vector::deserialize(): Error! Stream eof.",
                                      "Box::deserialize(): Error! Stream eof."}),
            env.logLines());
  EXPECT_EQ(-1, v.deserialize(nullptr));
}

TEST(Utility, CheckStream) {
  TestEnv env;
  ASSERT_EQ(0, LogManager::getInstance().startUp());
  std::stringstream good("abc");
  EXPECT_EQ(0, checkStream("good", &good));
  std::stringstream s("ab");
  char buf[4];
  s.read(buf, 4);
  EXPECT_EQ(-1, checkStream("reader", &s));
  std::stringstream f("x");
  int i = 0;
  f >> i;  // not a number: fail without eof
  EXPECT_EQ(-1, checkStream("parse", &f));
  std::stringstream bad;
  bad.setstate(std::ios::badbit);
  EXPECT_EQ(-1, checkStream("bad", &bad));
  EXPECT_EQ(std::vector<std::string>({"reader: Error! Stream eof.", "parse: Error! Stream fail.",
                                      "bad: Error! Stream fail."}), env.logLines());
}

TEST(Utility, NumberTexts) {
  EXPECT_EQ("-42", toString(-42));
  EXPECT_EQ("2.5", toString(2.5f));
  EXPECT_EQ("3", toString(3.0f));
  EXPECT_EQ("0.1", toString(0.1f));
  EXPECT_EQ("0.666667", toString(2.0f / 3.0f));
  EXPECT_EQ("0", toString('0'));
  EXPECT_EQ("a", toString('a'));
  EXPECT_EQ("true", toString(true));
  EXPECT_EQ("false", toString(false));
  EXPECT_EQ(std::string(29, '0') + "101", toBinaryString(5));
  EXPECT_EQ(std::string(32, '0'), toBinaryString(0));
  EXPECT_EQ("1" + std::string(31, '0'), toBinaryString(2147483648u));
}

TEST(Utility, EnumerationTexts) {
  EXPECT_EQ("hard", solidnessToString(HARD));
  EXPECT_EQ("soft", solidnessToString(SOFT));
  EXPECT_EQ("spectral", solidnessToString(SPECTRAL));
  EXPECT_EQ("undefined", solidnessToString(3));
  const char *transforms[] = {"NONE", "VERTICAL", "HORIZONTAL", "BOTH", "UNKNOWN"};
  for (int i = 0; i < 5; i++) EXPECT_EQ(transforms[i], transformToString(i));
  EXPECT_EQ("UNKNOWN", transformToString(-1));
  const char *locations[] = {"top-left", "top-center", "top-right", "center-left", "center-center",
                             "center-right", "bot-left", "bot-center", "bot-right", "unknown"};
  for (int i = 0; i < 10; i++) EXPECT_EQ(locations[i], locationToString(i));
  EXPECT_EQ("unknown", locationToString(-1));
  const char *labels[] = {"UNDEFINED", "ACCEPT", "CONNCECT", "CLOSE", "DATA", "UNKNOWN"};
  for (int i = -1; i < 5; i++) EXPECT_EQ(labels[i + 1], networkLabelToString(i));
}

TEST(Color, RgbAndText) {
  TestEnv env;
  ASSERT_EQ(0, LogManager::getInstance().startUp());
  unsigned char r = 1, g = 2, b = 3;
  colorToRGB(YELLOW, r, g, b);
  EXPECT_EQ(std::vector<int>({255, 255, 0}), std::vector<int>({r, g, b}));
  colorToRGB(BLACK, r, g, b);
  EXPECT_EQ(std::vector<int>({0, 0, 0}), std::vector<int>({r, g, b}));
  colorToRGB(MAGENTA, r, g, b);
  EXPECT_EQ(std::vector<int>({255, 0, 255}), std::vector<int>({r, g, b}));
  r = 12, g = 34, b = 56;
  colorToRGB(CUSTOM, r, g, b);
  EXPECT_EQ(std::vector<int>({12, 34, 56}), std::vector<int>({r, g, b}));
  EXPECT_TRUE(env.logLines().empty());
  LogManager::getInstance().setLogLevel(5);
  colorToRGB(Color(9), r, g, b);
  EXPECT_EQ(std::vector<int>({12, 34, 56}), std::vector<int>({r, g, b}));
  EXPECT_EQ("colorToRGB(): Color 9 not supported.", env.logLines().back());

  const char *names[] = {"Black", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White", "Unknown color"};
  for (int i = 0; i <= 8; i++) EXPECT_EQ(names[i], colorToString(Color(i)));
  EXPECT_EQ("Unknown color", colorToString(Color(42)));
  EXPECT_EQ("Unknown color", colorToString(UNDEFINED_COLOR));
}

TEST(Platform, RandRangeAndSeeding) {
  platform::srand(1);
  std::vector<int> first;
  for (int i = 0; i < 5; i++) first.push_back(platform::rand());
  platform::srand(1);
  for (int i = 0; i < 5; i++) EXPECT_EQ(first[i], platform::rand());
  platform::srand(7);
  bool differs = false;
  int low = 32767, high = 0;
  for (int i = 0; i < 200000; i++) {
    int r = platform::rand();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, platform::VX_RAND_MAX);
    low = std::min(low, r);
    high = std::max(high, r);
    if (i < 5 && r != first[i]) differs = true;
  }
  EXPECT_TRUE(differs);
  EXPECT_LT(low, 50);
  EXPECT_GT(high, 32700);
}

TEST(Platform, StringHelpersAndDirectory) {
  char *copy = platform::strdup("a,b,,c");
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(nullptr, platform::strdup(nullptr));
  char *save = nullptr;
  std::vector<std::string> parts;
  for (char *p = platform::strtok(copy, ",", &save); p; p = platform::strtok(nullptr, ",", &save)) parts.push_back(p);
  EXPECT_EQ(std::vector<std::string>({"a", "b", "c"}), parts);
  free(copy);

  char buf[4096];
  ASSERT_NE(nullptr, platform::getcwd(buf, sizeof(buf)));
  EXPECT_EQ('/', buf[0]);
  char tiny[2];
  EXPECT_EQ(nullptr, platform::getcwd(tiny, sizeof(tiny)));
  EXPECT_EQ(0, platform::timeBeginPeriod(1));
  EXPECT_EQ(0, platform::timeEndPeriod(1));
}

TEST(Platform, ClockAndSleepOverrides) {
  int64_t a = platform::nowMicros();
  platform::sleepMillis(2);
  int64_t b = platform::nowMicros();
  EXPECT_GE(b - a, 2000);
  platform::sleepMillis(0);
  platform::sleepMillis(-5);  // no time: returns at once

  vx::test::FakeTime fake(500);
  EXPECT_EQ(500, platform::nowMicros());
  platform::sleepMillis(3);
  EXPECT_EQ(3500, platform::nowMicros());
  EXPECT_EQ(std::vector<int>({3}), vx::test::FakeTime::s_sleeps);
  fake.uninstall();
  EXPECT_GE(platform::nowMicros(), b);
}

TEST(ValueTypes, DrawingWithoutAWindowDoesNothing) {
  TestEnv env;
  ASSERT_EQ(0, env.startEngine());  // headless
  Line(Vector(0, 0), Vector(3, 4)).draw();
  Box(Vector(1, 1), 5, 2).draw();
  EXPECT_FALSE(env.logContains("Error"));
}
