// Object attribute records: byte layout, round trips through a second object,
// the modified bits, and damaged or hostile records.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "display/Animation.h"
#include "display/Path.h"
#include "display/ResourceManager.h"
#include "display/Shape.h"
#include "world/ViewObject.h"
#include "world/WorldFixture.h"

using namespace vx;

namespace {

// Builds an expected record byte by byte.
struct Bytes {
  std::string s;
  template <typename T>
  Bytes &put(T v) {
    s.append(reinterpret_cast<const char *>(&v), sizeof(T));
    return *this;
  }
  Bytes &text(const std::string &t) {
    put<uint64_t>(t.size());
    s += t;
    return *this;
  }
  Bytes &vec(float x, float y) { return put(x).put(y); }
};

std::stringstream streamOf(const std::string &bytes) {
  std::stringstream ss;
  ss.write(bytes.data(), std::streamsize(bytes.size()));
  return ss;
}

class SerializeTest : public world_test::WorldTest {
 protected:
  // Log lines (prefixes stripped) that begin with one of the prefixes.
  std::vector<std::string> tracesFrom(size_t first_line) {
    std::vector<std::string> all = env.logLines(), out;
    for (size_t i = first_line; i < all.size(); i++) out.push_back(all[i]);
    return out;
  }

  // A two-frame 3 x 1 sprite "ser" (slowdown 4) in the resource manager.
  void loadSprite() {
    ResourceManager &rm = ResourceManager::getInstance();
    if (!rm.isStarted()) {
      ASSERT_EQ(0, rm.startUp());
    }
    std::string file = env.path("ser.txt");
    std::ofstream(file) << "2\n3\n1\n4\ngreen\nabc\ndef\n";
    ASSERT_EQ(0, rm.loadSprite(file, "ser"));
  }

  void TearDown() override {
    WorldTest::TearDown();
    if (ResourceManager::getInstance().isStarted()) ResourceManager::getInstance().shutDown();
  }
};

} // namespace

TEST_F(SerializeTest, IdAndAltitudeWriteTwelveBytesAndClearOnlyTheirBits) {
  LogManager::getInstance().setLogLevel(25);
  size_t mark = env.logLines().size();
  Object *o = new Object;
  o->setId(7);
  o->setAltitude(3);
  std::stringstream ss;
  ASSERT_EQ(0, o->serialize(&ss, 0x101));
  const unsigned char want[12] = {1, 1, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(want), 12), ss.str());
  EXPECT_EQ(ALL_ATTRIBUTES & ~0x101u, o->getModified());

  Object *back = new Object;
  unsigned int attr = 0;
  ASSERT_EQ(0, back->deserialize(&ss, &attr));
  EXPECT_EQ(0x101u, attr);
  EXPECT_EQ(7, back->getId());
  EXPECT_EQ(3, back->getAltitude());
  EXPECT_EQ(0u, back->getModified());
  EXPECT_WORLD_OK();
  std::vector<std::string> want_log = {
      "Object::serialize(): attr is 257, modified is 262143 (true)",
      "\t00000000000000000000000100000001",
      "\tID: 7",
      "\tALTITUDE: 3",
      "Object::deserialize(): attr 257 (00000000000000000000000100000001)",
      "\tID: 7",
      "\tALTITUDE: 3",
      "Object::deserialize(): done checking all types.",
  };
  std::vector<std::string> got;
  for (const std::string &l : tracesFrom(mark))
    if (l.rfind("Object::", 0) == 0 || l.rfind("\t", 0) == 0) got.push_back(l);
  EXPECT_EQ(want_log, got);
}

TEST_F(SerializeTest, TypeAndFieldOrder) {
  Object *o = new Object;
  o->setType("Hero");
  std::stringstream ss;
  ASSERT_EQ(0, o->serialize(&ss, TYPE));
  EXPECT_EQ(Bytes().put<uint32_t>(TYPE).text("Hero").s, ss.str());
  // Read back, a zero byte ends a type and an event name.
  Bytes z;
  z.put<uint32_t>(EVENTS | TYPE).put<int32_t>(1).text(std::string("ser-z\0q", 7)).text(std::string("He\0ro", 5));
  std::stringstream zero = streamOf(z.s);
  EXPECT_EQ(0, o->deserialize(&zero, nullptr));
  EXPECT_EQ("He", o->getType());
  ASSERT_EQ(1, o->getEventCount());
  EXPECT_EQ("ser-z", o->getEventName(0));

  // Direction before speed, the follow flag before the path.
  o->setDirection(Vector(0, -1));
  o->setSpeed(2.5f);
  Path p;
  p.setWaypoints({Vector(4, 5)});
  o->setPath(p);
  o->setFollowPath(false);
  std::stringstream ss2;
  ASSERT_EQ(0, o->serialize(&ss2, SPEED | DIRECTION | PATH | FOLLOW_PATH));
  Bytes want;
  want.put<uint32_t>(SPEED | DIRECTION | PATH | FOLLOW_PATH);
  want.vec(o->getDirection().getX(), o->getDirection().getY()).put(2.5f).put<uint8_t>(0);
  want.put<uint64_t>(1).vec(4, 5);
  EXPECT_EQ(want.s, ss2.str());
}

TEST_F(SerializeTest, FreshObjectWritesEveryAttributeOnceThenOnlyAnEmptyMask) {
  LogManager::getInstance().setLogLevel(25);
  Object *o = new Object;
  size_t mark = env.logLines().size();
  std::stringstream ss;
  ASSERT_EQ(0, o->serialize(&ss, 0));
  float size = o->getShape().getSize();
  Bytes w;
  w.put<uint32_t>(0x3ffff).put<int32_t>(o->getId()).put<uint8_t>(1).put<uint8_t>(1).put<int32_t>(0);
  w.vec(-0.5f, -0.5f).put(0.99f).put(0.99f).vec(1, 1).text("(Undefined)");
  w.text("").put<int32_t>(0).put<int32_t>(0).put<int32_t>(0);
  w.put<int32_t>(2).put<int32_t>(HARD).put<uint8_t>(0).vec(0, 0).put(0.0f).vec(0, 0);
  w.put<int32_t>(-1).put(size).put<int32_t>(WHITE).put<uint8_t>(255);
  w.put<uint8_t>(0).put<uint64_t>(0).put<uint8_t>(0);
  EXPECT_EQ(w.s, ss.str());
  EXPECT_EQ(4u + 4 + 1 + 1 + 4 + 16 + 8 + 19 + 20 + 4 + 4 + 1 + 8 + 4 + 8 + 13 + 1 + 8 + 1, ss.str().size());
  EXPECT_EQ(0u, o->getModified());

  const char *labels[] = {"ID", "ACTIVE", "VISIBLE", "EVENTS", "BOX", "POSITION", "TYPE", "ANIMATION", "ALTITUDE",
                          "SOLIDNESS", "NO_SOFT", "DIRECTION", "SPEED", "ACCELERATION", "SHAPE", "FOLLOW_PATH",
                          "PATH", "AVOID_COLLISIONS"};
  std::vector<std::string> got;
  for (const std::string &l : tracesFrom(mark))
    if (l.rfind("\t", 0) == 0 && l.find(':') != std::string::npos) got.push_back(l.substr(1, l.find(':') - 1));
  EXPECT_EQ(std::vector<std::string>(std::begin(labels), std::end(labels)), got);
  std::vector<std::string> all = tracesFrom(mark);
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "\tSOLIDNESS: hard"));
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "\tSPEED: 0.000000"));

  std::stringstream again;
  ASSERT_EQ(0, o->serialize(&again, 0));
  EXPECT_EQ(std::string(4, '\0'), again.str());
}

// Each attribute alone: the record's size, the value in a second object, and
// the world's indices.
TEST_F(SerializeTest, EveryAttributeAloneSurvivesARoundTrip) {
  struct Case {
    unsigned int bit;
    size_t bytes;
    std::function<void(Object &)> set;
    std::function<bool(const Object &, const Object &)> same;
  };
  Shape shape;
  shape.setType(ShapeType::SQUARE);
  shape.setSize(7);
  shape.setColor(RED);
  shape.setOpacity(100);
  Path path;
  path.setWaypoints({Vector(2, 3), Vector(4, 5)});
  Animation ani;
  ani.setIndex(2);
  ani.setSlowdownCount(1);
  ani.setTransform(HORIZONTAL);
  std::vector<Case> cases = {
      {ID, 4, [](Object &o) { o.setId(500); }, [](const Object &, const Object &b) { return b.getId() == 500; }},
      {ACTIVE, 1, [](Object &o) { o.setActive(false); }, [](const Object &, const Object &b) { return !b.isActive(); }},
      {VISIBLE, 1, [](Object &o) { o.setVisible(false); },
       [](const Object &, const Object &b) { return !b.isVisible(); }},
      {EVENTS, 4 + 13 + 13,
       [](Object &o) {
         o.registerInterest("ser-a");
         o.registerInterest("ser-b");
       },
       [](const Object &, const Object &b) {
         return b.getEventCount() == 2 && b.getEventName(0) == "ser-a" && b.getEventName(1) == "ser-b";
       }},
      {BOX, 16, [](Object &o) { o.setBox(Box(Vector(-1, -2), 3, 4)); },
       [](const Object &a, const Object &b) { return a.getBox() == b.getBox(); }},
      {POSITION, 8, [](Object &o) { o.setPosition(Vector(10.5f, 7)); },
       [](const Object &, const Object &b) { return b.getPosition() == Vector(10.5f, 7); }},
      {TYPE, 11, [](Object &o) { o.setType("Ser"); }, [](const Object &, const Object &b) { return b.getType() == "Ser"; }},
      {ANIMATION, 20, [&](Object &o) { o.setAnimation(ani, false); },
       [](const Object &, const Object &b) {
         Animation got = b.getAnimation();
         return got.getIndex() == 2 && got.getSlowdownCount() == 1 && got.getTransform() == HORIZONTAL;
       }},
      {ALTITUDE, 4, [](Object &o) { o.setAltitude(4); }, [](const Object &, const Object &b) { return b.getAltitude() == 4; }},
      {SOLIDNESS, 4, [](Object &o) { o.setSolidness(SOFT); },
       [](const Object &, const Object &b) { return b.getSolidness() == SOFT; }},
      {NO_SOFT, 1, [](Object &o) { o.setNoSoft(true); }, [](const Object &, const Object &b) { return b.getNoSoft(); }},
      {DIRECTION, 8, [](Object &o) { o.setDirection(Vector(0, -1)); },
       [](const Object &, const Object &b) { return b.getDirection() == Vector(0, -1); }},
      {SPEED, 4, [](Object &o) { o.setSpeed(1.25f); }, [](const Object &, const Object &b) { return b.getSpeed() == 1.25f; }},
      {ACCELERATION, 8, [](Object &o) { o.setAcceleration(Vector(0.5f, 0.25f)); },
       [](const Object &, const Object &b) { return b.getAcceleration() == Vector(0.5f, 0.25f); }},
      {SHAPE, 13, [&](Object &o) { o.setShape(shape); },
       [](const Object &a, const Object &b) {
         return a.getShape() == b.getShape() && b.getShape().getOpacity() == 100;
       }},
      {FOLLOW_PATH, 1, [](Object &o) { o.setFollowPath(true); },
       [](const Object &, const Object &b) { return b.getFollowPath(); }},
      {PATH, 24, [&](Object &o) { o.setPath(path); }, [&](const Object &, const Object &b) { return b.getPath() == path; }},
      {AVOID_COLLISIONS, 1, [](Object &o) { o.setAvoidCollisions(true); },
       [](const Object &, const Object &b) { return b.getAvoidCollisions(); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bit);
    Object *src = new Object, *dst = new Object;
    c.set(*src);
    std::stringstream ss;
    ASSERT_EQ(0, src->serialize(&ss, c.bit));
    EXPECT_EQ(4 + c.bytes, ss.str().size());
    EXPECT_FALSE(src->isModified(c.bit));
    unsigned int attr = 0;
    EXPECT_EQ(0, dst->deserialize(&ss, &attr));
    EXPECT_EQ(c.bit, attr);
    EXPECT_TRUE(c.same(*src, *dst));
    EXPECT_EQ(0u, dst->getModified());
    EXPECT_WORLD_OK();
  }
}

TEST_F(SerializeTest, AllAttributesTogetherRebuildAnEqualObjectInTheIndices) {
  loadSprite();
  Object *src = new Object;
  src->setType("SerAll");
  src->setPosition(Vector(30, 10));
  src->setAltitude(1);
  src->setSolidness(SOFT);
  src->setNoSoft(true);
  ASSERT_EQ(0, src->setSprite("ser"));
  Animation a = src->getAnimation();
  a.setIndex(1);
  a.setSlowdownCount(2);
  a.setTransform(BOTH);
  src->setAnimation(a, true);
  src->registerInterest("ser-a");
  src->registerInterest("ser-b");
  Path p;
  p.setWaypoints({Vector(31, 10), Vector(32, 11)});
  src->setPath(p);
  src->setFollowPath(true);
  src->setDirection(Vector(0, 1));
  src->setSpeed(0.5f);
  src->setAcceleration(Vector(0, 0.125f));
  src->setAvoidCollisions(true);
  src->setVisible(false);
  Shape s;
  s.setType(ShapeType::TRIANGLE);
  src->setShape(s);

  std::stringstream ss;
  ASSERT_EQ(0, src->serialize(&ss, 0));
  Object *dst = new Object;
  dst->registerInterest("ser-old");
  unsigned int attr = 0;
  ASSERT_EQ(0, dst->deserialize(&ss, &attr));
  EXPECT_EQ(unsigned(ALL_ATTRIBUTES), attr);
  EXPECT_TRUE(*src == *dst) << src->toString() << "\n" << dst->toString();
  EXPECT_EQ(ResourceManager::getInstance().getSprite("ser"), dst->getAnimation().getSprite());
  EXPECT_EQ(1, dst->getAnimation().getIndex());
  EXPECT_EQ(2, dst->getAnimation().getSlowdownCount());
  EXPECT_EQ(Box(Vector(-1.5f, -0.5f), 3, 1), dst->getBox());
  EXPECT_EQ(0u, dst->getModified());
  EXPECT_EQ(2, wm().objectsOfType("SerAll").getCount());
  EXPECT_EQ(std::string(""), vx::test::checkWorld());
}

TEST_F(SerializeTest, ViewObjectAppendsValueAndAppearance) {
  ViewObject *v = new ViewObject;
  v->setViewString("HP");
  v->setValue(10);
  v->setColor(RED);
  std::stringstream ss;
  ASSERT_EQ(0, v->serialize(&ss, ID | VALUE | APPEARANCE));
  Bytes w;
  w.put<uint32_t>(ID | VALUE | APPEARANCE).put<int32_t>(v->getId()).put<int32_t>(10).text("HP");
  w.put<uint8_t>(1).put<int32_t>(RED).put<int32_t>(TOP_CENTER).put<uint8_t>(1);
  EXPECT_EQ(w.s, ss.str());
  EXPECT_FALSE(v->isModified(ID | VALUE | APPEARANCE));

  ViewObject *back = new ViewObject;
  unsigned int attr = 0;
  ASSERT_EQ(0, back->deserialize(&ss, &attr));
  EXPECT_EQ(unsigned(ID | VALUE | APPEARANCE), attr);
  EXPECT_EQ(v->getId(), back->getId());
  EXPECT_EQ("HP", back->getViewString());
  EXPECT_EQ(10, back->getValue());
  EXPECT_EQ(RED, back->getColor());
  EXPECT_EQ(TOP_CENTER, back->getLocation());
  EXPECT_WORLD_OK();
}

TEST_F(SerializeTest, EmptyMaskAndEmptyEventList) {
  Object *o = new Object;
  o->registerInterest("ser-a");
  std::string before = o->toString();
  std::stringstream ss = streamOf(Bytes().put<uint32_t>(0).s);
  EXPECT_EQ(0, o->deserialize(&ss, nullptr));
  EXPECT_EQ(before, o->toString());
  EXPECT_EQ(0u, o->getModified());

  std::stringstream ev = streamOf(Bytes().put<uint32_t>(EVENTS).put<int32_t>(0).s);
  EXPECT_EQ(0, o->deserialize(&ev, nullptr));
  EXPECT_EQ(0, o->getEventCount());
}

TEST_F(SerializeTest, RefusedValuesAreLoggedAndReadingGoesOn) {
  Object *o = new Object;
  Bytes w;
  w.put<uint32_t>(EVENTS | ALTITUDE | SOLIDNESS | ACTIVE | NO_SOFT).put<uint8_t>(2);  // any non-zero flag is true
  w.put<int32_t>(2).text(EVENT_COLLISION).text("ser-ok");
  w.put<int32_t>(9).put<int32_t>(7).put<uint8_t>(0xff);
  std::stringstream ss = streamOf(w.s);
  o->setActive(false);
  EXPECT_EQ(0, o->deserialize(&ss, nullptr));
  EXPECT_TRUE(o->isActive());
  EXPECT_EQ(1, o->getEventCount());
  EXPECT_EQ("ser-ok", o->getEventName(0));
  EXPECT_EQ(2, o->getAltitude());
  EXPECT_EQ(HARD, o->getSolidness());
  EXPECT_TRUE(o->getNoSoft());
  EXPECT_EQ(1, logCount("Object::deserialize(): Error! Register interest: vx-collision"));
  EXPECT_EQ(1, logCount("Object::setAltitude(): Altitude 9 not in range [0,4].  Ignored."));
  EXPECT_EQ(1, logCount("Object::setSolidness(): Solidness 7 not one of HARD, SOFT or SPECTRAL."));

  // An id at the top of the range would overflow the next id.
  int id = o->getId();
  std::stringstream s1 = streamOf(Bytes().put<uint32_t>(ID).put<int32_t>(0x7fffffff).s);
  EXPECT_EQ(0, o->deserialize(&s1, nullptr));
  EXPECT_EQ(id, o->getId());
  EXPECT_EQ(1, logCount("Object::deserialize(): Error! Id 2147483647 leaves no room for the next id. Ignored."));

  // Colours outside the enumeration: the shape's and the view's colour are kept.
  int old_color = o->getShape().getColor();
  Bytes sh;
  sh.put<uint32_t>(SHAPE | AVOID_COLLISIONS).put<int32_t>(ShapeType::SQUARE).put(3.0f).put<int32_t>(117526600);
  sh.put<uint8_t>(9).put<uint8_t>(1);
  std::stringstream s2 = streamOf(sh.s);
  EXPECT_EQ(0, o->deserialize(&s2, nullptr));
  EXPECT_EQ(ShapeType::SQUARE, o->getShape().getType());
  EXPECT_EQ(old_color, o->getShape().getColor());
  EXPECT_TRUE(o->getAvoidCollisions());
  EXPECT_EQ(1, logCount("Shape::deserialize(): Error! Color 117526600 out of range. Ignored."));
  ViewObject *v = new ViewObject;
  Bytes vw;
  vw.put<uint32_t>(APPEARANCE).text("HP").put<uint8_t>(1).put<int32_t>(23358575).put<int32_t>(0).put<uint8_t>(1);
  std::stringstream s3 = streamOf(vw.s);
  EXPECT_EQ(0, v->deserialize(&s3, nullptr));
  EXPECT_EQ("HP", v->getViewString());
  EXPECT_EQ(WHITE, v->getColor());
  EXPECT_EQ(TOP_LEFT, v->getLocation());
}

TEST_F(SerializeTest, RecordCutShortKeepsWhatCameBefore) {
  Object *src = new Object;
  src->setId(70);
  src->setPosition(Vector(5, 6));
  src->setAltitude(0);
  std::stringstream ss;
  ASSERT_EQ(0, src->serialize(&ss, ID | POSITION | ALTITUDE));
  std::string rec = ss.str();
  Object *dst = new Object;
  std::stringstream cut = streamOf(rec.substr(0, rec.size() - 2));
  EXPECT_EQ(-1, dst->deserialize(&cut, nullptr));
  EXPECT_EQ(70, dst->getId());
  EXPECT_EQ(Vector(5, 6), dst->getPosition());
  EXPECT_EQ(2, dst->getAltitude());
  EXPECT_EQ(1, logCount("Object::deserialize(): Error! Stream eof."));

  // Every prefix of a full record fails cleanly and leaves the indices sound.
  loadSprite();
  src->setSprite("ser");
  src->registerInterest("ser-a");
  src->setType("SerCut");
  std::stringstream full;
  ASSERT_EQ(0, src->serialize(&full, ALL_ATTRIBUTES));
  rec = full.str();
  for (size_t n = 0; n < rec.size(); n++) {
    Object *o = new Object;
    std::stringstream part = streamOf(rec.substr(0, n));
    EXPECT_EQ(-1, o->deserialize(&part, nullptr)) << n;
    EXPECT_EQ(0u, o->getModified());
  }
  EXPECT_WORLD_OK();
}

TEST_F(SerializeTest, HostileLengthsAndCountsAreRefused) {
  const uint64_t huge[] = {~0ull, ~0ull - 7, 1ull << 40, 5};
  for (uint64_t n : huge) {
    SCOPED_TRACE(n);
    Object *o = new Object;
    o->registerInterest("ser-keep");
    // Type: ID before it applies, nothing after it does.
    std::stringstream t = streamOf(Bytes().put<uint32_t>(ID | TYPE | ALTITUDE).put<int32_t>(90).put(n).s + "abc");
    EXPECT_EQ(-1, o->deserialize(&t, nullptr));
    EXPECT_EQ(90, o->getId());
    EXPECT_EQ("(Undefined)", o->getType());
    // An event name: the current interests stay.
    std::stringstream e = streamOf(Bytes().put<uint32_t>(EVENTS).put<int32_t>(2).text("ser-x").put(n).s + "ab");
    EXPECT_EQ(-1, o->deserialize(&e, nullptr));
    ASSERT_EQ(1, o->getEventCount());
    EXPECT_EQ("ser-keep", o->getEventName(0));
    // The animation's name, the path's count, the view string.
    std::stringstream a = streamOf(Bytes().put<uint32_t>(ANIMATION).put(n).s + "ab");
    EXPECT_EQ(-1, o->deserialize(&a, nullptr));
    EXPECT_EQ("", o->getAnimation().getName());
    std::stringstream p = streamOf(Bytes().put<uint32_t>(PATH).put(n).vec(1, 2).s);
    EXPECT_EQ(-1, o->deserialize(&p, nullptr));
    EXPECT_TRUE(o->getPath().getWaypoints().empty());
    ViewObject *v = new ViewObject;
    std::stringstream vs = streamOf(Bytes().put<uint32_t>(APPEARANCE).put(n).s + "ab");
    EXPECT_EQ(-1, v->deserialize(&vs, nullptr));
    EXPECT_EQ("", v->getViewString());
  }
  EXPECT_TRUE(env.logContains("Object::deserialize(): Error! Type length 18446744073709551615 exceeds the 3 bytes left."));
  EXPECT_TRUE(env.logContains("Object::deserialize(): Error! Event name length 5 exceeds the 2 bytes left."));

  // A count far beyond the stream ends at once.
  Object *o = new Object;
  std::stringstream c = streamOf(Bytes().put<uint32_t>(EVENTS).put<int32_t>(0x7fffffff).text("ser-a").s);
  EXPECT_EQ(-1, o->deserialize(&c, nullptr));
  EXPECT_WORLD_OK();

  // A negative count is refused too, the interests kept.
  o->registerInterest("ser-keep");
  std::stringstream neg = streamOf(Bytes().put<uint32_t>(EVENTS).put<int32_t>(-1).s);
  EXPECT_EQ(-1, o->deserialize(&neg, nullptr));
  ASSERT_EQ(1, o->getEventCount());
  EXPECT_EQ("ser-keep", o->getEventName(0));
  EXPECT_TRUE(env.logContains("Object::deserialize(): Error! Event count -1 is negative."));

  // No stream at all.
  EXPECT_EQ(-1, o->serialize(nullptr, ID));
  EXPECT_EQ(-1, o->deserialize(nullptr, nullptr));
}

// Every value type refuses a null stream the same way: -1 where it gives a
// result, and one "Stream fail." line naming the operation.
TEST_F(SerializeTest, EveryValueTypeRefusesANullStream) {
  size_t first = env.logLines().size();
  Vector v(1, 2);
  Box b(Vector(1, 2), 3, 4);
  Path p;
  p.setWaypoints({Vector(5, 6)});
  Animation a;
  Shape s;
  EXPECT_EQ(-1, v.serialize(nullptr));
  EXPECT_EQ(-1, v.deserialize(nullptr));
  EXPECT_EQ(-1, b.serialize(nullptr));
  EXPECT_EQ(-1, b.deserialize(nullptr));
  EXPECT_EQ(-1, p.serialize(nullptr));
  EXPECT_EQ(-1, p.deserialize(nullptr));
  EXPECT_EQ(-1, a.serialize(nullptr));
  EXPECT_EQ(-1, a.deserialize(nullptr));
  s.serialize(nullptr);
  s.deserialize(nullptr);
  std::vector<std::string> lines;
  for (const char *type : {"Vector", "Box", "Path", "Animation", "Shape"})
    for (const char *op : {"serialize", "deserialize"})
      lines.push_back(std::string(type) + "::" + op + "(): Error! Stream fail.");
  EXPECT_EQ(lines, tracesFrom(first));
  // Nothing was read into them.
  EXPECT_EQ(Vector(1, 2), v);
  EXPECT_EQ(Box(Vector(1, 2), 3, 4), b);
  EXPECT_EQ(std::vector<Vector>{Vector(5, 6)}, p.getWaypoints());
}
