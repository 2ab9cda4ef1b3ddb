#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "core/EventStep.h"
#include "display/EventKeyboard.h"
#include "support/ParticleCheck.h"
#include "world/EventView.h"
#include "world/ViewObject.h"
#include "world/WorldManager.h"

using namespace vx;
using vx::test::particles::EngineFixture;

namespace {

// Exposes the text the view object draws.
class ViewProbe : public ViewObject {
 public:
  using ViewObject::buildText;
};

// An event of the view type that is not an EventView.
class FakeViewEvent : public Event {
 public:
  FakeViewEvent() { setType(EVENT_VIEW); }
};

void expectAt(const ViewObject &v, float x, float y) {
  EXPECT_NEAR(v.getPosition().getX(), x, 1e-4);
  EXPECT_NEAR(v.getPosition().getY(), y, 1e-4);
}

template <typename T>
void put(std::stringstream &ss, T v) {
  ss.write(reinterpret_cast<const char *>(&v), sizeof(T));
}

} // namespace

TEST(ViewObject, LocationsOfAnEightyByTwentyFourView) {
  EngineFixture f;
  ASSERT_EQ(f.started, 0);
  ASSERT_EQ(WorldManager::getInstance().getView().getHorizontal(), 80);
  ViewObject v;
  const float h = 80, third = h / 6;
  struct Expect { int loc; float x, y_border, y_plain; };
  const Expect cases[] = {
      {TOP_LEFT, third, 1, 0},           {TOP_CENTER, 40, 1, 0},
      {TOP_RIGHT, h * 5 / 6, 1, 0},      {CENTER_LEFT, third, 12, 11},
      {CENTER_CENTER, 40, 12, 11},       {CENTER_RIGHT, h * 5 / 6, 12, 11},
      {BOTTOM_LEFT, third, 22, 23},      {BOTTOM_CENTER, 40, 22, 23},
      {BOTTOM_RIGHT, h * 5 / 6, 22, 23},
  };
  for (const Expect &c : cases) {
    SCOPED_TRACE(c.loc);
    v.setBorder(true);
    v.setLocation(c.loc);
    EXPECT_EQ(v.getLocation(), c.loc);
    expectAt(v, c.x, c.y_border);
    // Changing the border recomputes the place of a located object.
    v.setBorder(false);
    EXPECT_EQ(v.getLocation(), c.loc);
    expectAt(v, c.x, c.y_plain);
  }
  EXPECT_NEAR(third, 13.3333f, 1e-3);
}

TEST(ViewObject, FreshObjectDefaultsAndModifiedBits) {
  EngineFixture f;
  ViewObject v;
  expectAt(v, 40, 1);
  EXPECT_EQ(v.getLocation(), TOP_CENTER);
  EXPECT_TRUE(v.getBorder());
  EXPECT_TRUE(v.getDrawValue());
  EXPECT_EQ(v.getColor(), WHITE);
  EXPECT_EQ(v.getValue(), 0);
  EXPECT_EQ(v.getViewString(), "");
  EXPECT_EQ(v.getType(), "ViewObject");
  EXPECT_EQ(v.getSolidness(), SPECTRAL);
  EXPECT_EQ(v.getAltitude(), 4);
  EXPECT_TRUE(v.isModified(VALUE));
  EXPECT_TRUE(v.isModified(APPEARANCE));
  EXPECT_EQ(v.getEventCount(), 1);
  EXPECT_EQ(v.getEventName(0), EVENT_VIEW);
}

TEST(ViewObject, OutOfRangeLocationIsIgnoredWithWarning) {
  EngineFixture f;
  ViewObject v;
  v.setLocation(CENTER_LEFT);
  Vector before = v.getPosition();
  v.setLocation(9);
  v.setLocation(-1);
  EXPECT_EQ(v.getLocation(), CENTER_LEFT);
  EXPECT_EQ(v.getPosition(), before);
  EXPECT_EQ(vx::test::particles::countLines(f.env,
                "ViewObject::setLocation(): Warning! Location out of range (9). Ignored."), 1);
  EXPECT_EQ(vx::test::particles::countLines(f.env,
                "ViewObject::setLocation(): Warning! Location out of range (-1). Ignored."), 1);
}

TEST(ViewObject, ExplicitPositionDropsLocationAndKeepsPlaceOnBorderChange) {
  EngineFixture f;
  ViewObject v;
  v.setModified(0);
  EXPECT_EQ(v.setPosition(v.getPosition()), 0);  // same point: nothing changes
  EXPECT_EQ(v.getLocation(), TOP_CENTER);
  EXPECT_FALSE(v.isModified(APPEARANCE));

  v.setPosition(Vector(5, 7));
  EXPECT_EQ(v.getLocation(), UNDEFINED_LOCATION);
  EXPECT_TRUE(v.isModified(APPEARANCE));
  v.setBorder(false);
  expectAt(v, 5, 7);
  EXPECT_FALSE(v.getBorder());
}

TEST(ViewObject, SettersMarkOnlyRealChanges) {
  EngineFixture f;
  ViewObject v;
  v.setModified(0);
  v.setValue(0);
  v.setColor(WHITE);
  v.setDrawValue(true);
  v.setViewString("");
  v.setBorder(true);
  EXPECT_EQ(v.getModified(), 0u);
  v.setValue(3);
  EXPECT_EQ(v.getModified(), static_cast<unsigned>(VALUE));
  v.setModified(0);
  v.setColor(RED);
  EXPECT_EQ(v.getModified(), static_cast<unsigned>(APPEARANCE));
}

TEST(ViewObject, ViewEventsApplyByTag) {
  EngineFixture f;
  ViewObject a, b, other;
  a.setViewString("HP");
  b.setViewString("HP");
  other.setViewString("Gold");
  a.setValue(10);
  b.setValue(10);
  other.setValue(10);

  EventView add("HP", -3, true);
  EXPECT_EQ(WorldManager::getInstance().onEvent(&add), 2);
  EXPECT_EQ(a.getValue(), 7);
  EXPECT_EQ(b.getValue(), 7);
  EXPECT_EQ(other.getValue(), 10);

  EventView set("Gold", 42, false);
  EXPECT_EQ(WorldManager::getInstance().onEvent(&set), 1);
  EXPECT_EQ(other.getValue(), 42);

  EventView none("Score", 5, false);
  EXPECT_EQ(WorldManager::getInstance().onEvent(&none), 0);
  EXPECT_EQ(a.getValue(), 7);

  // Setting the current value changes nothing.
  a.setModified(0);
  EventView same("HP", 7, false);
  EXPECT_EQ(a.eventHandler(&same), 1);
  EXPECT_EQ(a.getModified(), 0u);
}

TEST(ViewObject, DeltaEventsSaturateAtTheIntLimits) {
  EngineFixture f;
  ViewObject v;
  v.setViewString("Score");
  // A value at the top of the range, as a stored record may carry it.
  std::stringstream ss;
  put<unsigned int>(ss, VALUE);
  put<int32_t>(ss, INT32_MAX);
  ASSERT_EQ(v.deserialize(&ss, nullptr), 0);
  ASSERT_EQ(v.getValue(), INT32_MAX);
  v.setModified(0);
  EventView up("Score", 1, true);
  EXPECT_EQ(WorldManager::getInstance().onEvent(&up), 1);
  EXPECT_EQ(v.getValue(), INT32_MAX);
  EXPECT_EQ(v.getModified(), 0u);  // unchanged value, no bit
  EventView far_down("Score", INT32_MIN, true);
  EXPECT_EQ(v.eventHandler(&far_down), 1);
  EXPECT_EQ(v.getValue(), -1);
  EXPECT_EQ(v.eventHandler(&far_down), 1);
  EXPECT_EQ(v.getValue(), INT32_MIN);
  EventView down("Score", -1, true);
  EXPECT_EQ(v.eventHandler(&down), 1);
  EXPECT_EQ(v.getValue(), INT32_MIN);
  EventView far_up("Score", INT32_MAX, true);
  EXPECT_EQ(v.eventHandler(&far_up), 1);
  EXPECT_EQ(v.getValue(), -1);
}

TEST(ViewObject, OtherEventClassesAreIgnored) {
  EngineFixture f;
  ViewObject v;
  v.setViewString("");
  v.setValue(5);
  FakeViewEvent fake;  // typed "vx-view" but not an EventView
  EXPECT_EQ(v.eventHandler(&fake), 0);
  EXPECT_EQ(v.getValue(), 5);
  EXPECT_EQ(WorldManager::getInstance().onEvent(&fake), 0);
  EventStep step(1);
  EventKeyboard key;
  EXPECT_EQ(v.eventHandler(&step), 0);
  EXPECT_EQ(v.eventHandler(&key), 0);
  EXPECT_EQ(v.getValue(), 5);
  EXPECT_EQ(v.eventHandler(nullptr), 0);
}

TEST(ViewObject, TextLayout) {
  EngineFixture f;
  ViewProbe v;
  v.setViewString("HP");
  v.setValue(10);
  EXPECT_EQ(v.buildText(), " HP 10 ");
  v.setBorder(false);
  EXPECT_EQ(v.buildText(), "HP 10");
  v.setValue(-4);
  EXPECT_EQ(v.buildText(), "HP -4");
  v.setDrawValue(false);
  EXPECT_EQ(v.buildText(), "HP");
  v.setBorder(true);
  EXPECT_EQ(v.buildText(), " HP ");
  v.setBorder(false);
  v.setViewString("");
  EXPECT_EQ(v.buildText(), "");
  // Headless: nothing is drawn, each drawing call reports -1.
  EXPECT_EQ(v.draw(), -1);
  v.setBorder(true);
  EXPECT_EQ(v.draw(), -5);
}

TEST(ViewObject, TextAndComparison) {
  EngineFixture f;
  ViewObject a;
  a.setViewString("HP");
  a.setValue(3);
  std::string s = a.toString();
  EXPECT_NE(s.find(", HP, 3, value true, border true, White, top-center"), std::string::npos) << s;
  EXPECT_TRUE(a == a);
  EXPECT_FALSE(a != a);
  ViewObject b;
  EXPECT_TRUE(a != b);  // ids differ at least
}

TEST(ViewObject, SerializeWritesOwnBlocksOnce) {
  EngineFixture f;
  ViewObject v;
  v.setViewString("Gold");
  v.setValue(-12);
  v.setColor(YELLOW);
  std::stringstream ss;
  ASSERT_EQ(v.serialize(&ss, 0), 0);
  std::string bytes = ss.str();
  unsigned int mask = 0;
  ASSERT_GE(bytes.size(), 4u);
  std::memcpy(&mask, bytes.data(), 4);
  EXPECT_EQ(mask & (VALUE | APPEARANCE), static_cast<unsigned>(VALUE | APPEARANCE));
  EXPECT_FALSE(v.isModified(VALUE));
  EXPECT_FALSE(v.isModified(APPEARANCE));
  // The view object's own part sits at the end of the record.
  std::string tail = bytes.substr(bytes.size() - (4 + 8 + 4 + 1 + 4 + 4 + 1));
  int32_t value;
  uint64_t len;
  std::memcpy(&value, tail.data(), 4);
  std::memcpy(&len, tail.data() + 4, 8);
  EXPECT_EQ(value, -12);
  EXPECT_EQ(len, 4u);
  EXPECT_EQ(tail.substr(12, 4), "Gold");
  EXPECT_EQ(tail[16], 1);  // border
  int32_t color, location;
  std::memcpy(&color, tail.data() + 17, 4);
  std::memcpy(&location, tail.data() + 21, 4);
  EXPECT_EQ(color, YELLOW);
  EXPECT_EQ(location, TOP_CENTER);
  EXPECT_EQ(tail[25], 1);  // draw value

  // Nothing modified: the record is the mask alone.
  std::stringstream again;
  ASSERT_EQ(v.serialize(&again, 0), 0);
  EXPECT_EQ(again.str().size(), 4u);
}

TEST(ViewObject, RoundTripThroughStream) {
  EngineFixture f;
  ViewObject src;
  src.setViewString("Score");
  src.setValue(99);
  src.setBorder(false);
  src.setColor(CYAN);
  src.setLocation(BOTTOM_RIGHT);
  src.setDrawValue(false);
  std::stringstream ss;
  ASSERT_EQ(src.serialize(&ss, VALUE | APPEARANCE), 0);

  ViewObject dst;
  unsigned int attr = 0;
  ASSERT_EQ(dst.deserialize(&ss, &attr), 0);
  EXPECT_EQ(attr, static_cast<unsigned>(VALUE | APPEARANCE));
  EXPECT_EQ(dst.getViewString(), "Score");
  EXPECT_EQ(dst.getValue(), 99);
  EXPECT_FALSE(dst.getBorder());
  EXPECT_EQ(dst.getColor(), CYAN);
  EXPECT_EQ(dst.getLocation(), BOTTOM_RIGHT);
  EXPECT_FALSE(dst.getDrawValue());
  expectAt(dst, 80.0f * 5 / 6, 23);
  EXPECT_TRUE(dst.isModified(VALUE));
  EXPECT_TRUE(dst.isModified(APPEARANCE));
}

TEST(ViewObject, ReadingAnUnplacedObjectWarnsForMinusOne) {
  EngineFixture f;
  ViewObject src;
  src.setPosition(Vector(3, 3));
  std::stringstream ss;
  ASSERT_EQ(src.serialize(&ss, APPEARANCE), 0);
  ViewObject dst;
  EXPECT_EQ(dst.deserialize(&ss, nullptr), 0);
  EXPECT_EQ(dst.getLocation(), TOP_CENTER);
  EXPECT_TRUE(f.env.logContains(
      "ViewObject::setLocation(): Warning! Location out of range (-1). Ignored."));
}

TEST(ViewObject, HugeStringLengthIsRefused) {
  EngineFixture f;
  ViewObject v;
  v.setViewString("keep");
  v.setBorder(true);
  std::stringstream ss;
  put<unsigned int>(ss, APPEARANCE);
  put<uint64_t>(ss, 0xffffffffffffffffull);  // would wrap len + 1 to 0
  ss.write("abc", 3);
  put<unsigned char>(ss, 0);
  EXPECT_EQ(v.deserialize(&ss, nullptr), -1);
  EXPECT_EQ(v.getViewString(), "keep");
  EXPECT_TRUE(v.getBorder());  // nothing after the bad length is applied
  EXPECT_TRUE(f.env.logContains("ViewObject::deserialize(): Error! View string length"));

  std::stringstream ss2;
  put<unsigned int>(ss2, APPEARANCE);
  put<uint64_t>(ss2, 1000);
  ss2.write("short", 5);
  EXPECT_EQ(v.deserialize(&ss2, nullptr), -1);
  EXPECT_EQ(v.getViewString(), "keep");
}

TEST(ViewObject, TruncatedRecordKeepsWhatWasRead) {
  EngineFixture f;
  ViewObject v;
  v.setColor(RED);
  std::stringstream ss;
  put<unsigned int>(ss, VALUE | APPEARANCE);
  put<int32_t>(ss, 17);
  put<uint64_t>(ss, 2);
  ss.write("HP", 2);
  put<unsigned char>(ss, 7);  // any non-zero byte is true
  // colour, location and draw value missing
  EXPECT_EQ(v.deserialize(&ss, nullptr), -1);
  EXPECT_EQ(v.getValue(), 17);
  EXPECT_EQ(v.getViewString(), "HP");
  EXPECT_TRUE(v.getBorder());
  EXPECT_EQ(v.getColor(), RED);
  EXPECT_TRUE(v.getDrawValue());
  EXPECT_TRUE(f.env.logContains("ViewObject::deserialize(): Error! Stream eof."));

  // A bool byte other than 0 and 1 reads as true, 0 as false.
  std::stringstream ss2;
  put<unsigned int>(ss2, APPEARANCE);
  put<uint64_t>(ss2, 0);
  put<unsigned char>(ss2, 0);
  put<int32_t>(ss2, GREEN);
  put<int32_t>(ss2, CENTER_CENTER);
  put<unsigned char>(ss2, 200);
  EXPECT_EQ(v.deserialize(&ss2, nullptr), 0);
  EXPECT_FALSE(v.getBorder());
  EXPECT_TRUE(v.getDrawValue());
  EXPECT_EQ(v.getViewString(), "");
  expectAt(v, 40, 11);
}

TEST(ViewObject, RandomStreamsNeverCrash) {
  EngineFixture f;
  ViewObject v;
  unsigned int seed = 12345;
  auto next = [&seed]() { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0xff; };
  for (int round = 0; round < 3000; round++) {
    std::stringstream ss;
    put<unsigned int>(ss, (round % 2) ? APPEARANCE : (VALUE | APPEARANCE));
    int n = static_cast<int>(next() % 48);
    for (int i = 0; i < n; i++) ss.put(static_cast<char>(next()));
    int r = v.deserialize(&ss, nullptr);
    EXPECT_TRUE(r == 0 || r == -1);
  }
  EXPECT_GE(v.getLocation(), -1);
  EXPECT_LE(v.getLocation(), 8);
}

TEST(ViewObject, MissingOrFailedStreams) {
  EngineFixture f;
  ViewObject v;
  v.setViewString("HP");
  // No stream to read: the object part's failure is reported and returned.
  EXPECT_EQ(v.deserialize(nullptr, nullptr), -1);
  EXPECT_EQ(vx::test::particles::countLines(
                f.env, "ViewObject::deserialize(): Error calling Object::deserialize()."),
            1);
  EXPECT_EQ(v.serialize(nullptr, 0), -1);
  EXPECT_TRUE(f.env.logContains("ViewObject::serialize(): Error! Stream fail."));
  EXPECT_TRUE(v.isModified(VALUE));
  EXPECT_TRUE(v.isModified(APPEARANCE));

  // A stream that cannot take the record keeps both blocks pending.
  std::stringstream bad;
  bad.setstate(std::ios::badbit);
  EXPECT_EQ(v.serialize(&bad, 0), -1);
  EXPECT_TRUE(v.isModified(VALUE));
  EXPECT_TRUE(v.isModified(APPEARANCE));
  std::stringstream good;
  EXPECT_EQ(v.serialize(&good, 0), 0);
  EXPECT_FALSE(v.isModified(VALUE));
  EXPECT_FALSE(v.isModified(APPEARANCE));
  ViewObject back;
  ASSERT_EQ(back.deserialize(&good, nullptr), 0);
  EXPECT_EQ(back.getViewString(), "HP");
}
