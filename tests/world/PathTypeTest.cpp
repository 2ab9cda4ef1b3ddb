#include <sstream>

#include "display/Path.h"
#include "world/EventPath.h"
#include "world/WorldFixture.h"

using namespace vx;

TEST(PathType, NewPathIsDone) {
  Path p;
  EXPECT_TRUE(p.isDone());
  EXPECT_EQ(Vector(0, 0), p.getCurrent());
  EXPECT_EQ(Vector(0, 0), p.getPrevious());
  EXPECT_EQ("", p.toString());
  p++;
  EXPECT_EQ(0, p.getIndex());
}

TEST(PathType, AdvanceClampsAndIndexIsChecked) {
  Path p;
  p.setWaypoints({Vector(1, 2), Vector(3, 4), Vector(5, 6)});
  EXPECT_EQ(Vector(1, 2), p.getCurrent());
  Path after = p++;
  EXPECT_EQ(1, after.getIndex());
  EXPECT_EQ(Vector(1, 2), p.getPrevious());
  p++;
  p++;
  p++;
  EXPECT_EQ(3, p.getIndex());
  EXPECT_TRUE(p.isDone());
  EXPECT_EQ(Vector(5, 6), p.getPrevious());
  EXPECT_EQ(Vector(5, 6), p.getFinal());
  EXPECT_EQ(-1, p.setIndex(-1));
  EXPECT_EQ(-1, p.setIndex(3));
  EXPECT_EQ(3, p.getIndex());
  EXPECT_EQ(0, p.setIndex(0));
  EXPECT_EQ(Vector(1, 2), p.getCurrent());
  EXPECT_EQ(Vector(1, 2).toString() + "|" + Vector(3, 4).toString() + "|" + Vector(5, 6).toString() + "|",
            p.toString());
  // A shorter list keeps the index.
  p.setIndex(2);
  p.setWaypoints({Vector(0, 0)});
  EXPECT_EQ(2, p.getIndex());
  EXPECT_TRUE(p.isDone());
}

TEST(PathType, EqualityIncludesTheIndex) {
  Path a, b;
  a.setWaypoints({Vector(1, 1), Vector(2, 2)});
  b.setWaypoints({Vector(1, 1), Vector(2, 2)});
  EXPECT_TRUE(a == b);
  b++;
  EXPECT_TRUE(a != b);
  a++;
  EXPECT_TRUE(a == b);
  b.setWaypoints({Vector(1, 1), Vector(2, 2.5f)});
  EXPECT_TRUE(a != b);
}

TEST(PathType, SerialisedForm) {
  Path p;
  p.setWaypoints({Vector(1, 2), Vector(3, 4)});
  std::stringstream ss;
  EXPECT_EQ(0, p.serialize(&ss));
  std::string bytes = ss.str();
  ASSERT_EQ(24u, bytes.size());
  EXPECT_EQ(2, bytes[0]);
  for (int i = 1; i < 8; i++) EXPECT_EQ(0, bytes[i]);
  float f[4];
  memcpy(f, bytes.data() + 8, 16);
  EXPECT_EQ(1, f[0]);
  EXPECT_EQ(4, f[3]);
  Path q;
  q.setWaypoints({Vector(9, 9)});
  q.setIndex(0);
  EXPECT_EQ(0, q.deserialize(&ss));
  EXPECT_EQ(p.getWaypoints(), q.getWaypoints());
  EXPECT_EQ(0, q.getIndex());
}

TEST(PathType, CutOrHostileStreamsLoseNothingRead) {
  vx::test::TestEnv env;
  env.writeConfig();
  LogManager::getInstance().startUp();
  Path p;
  p.setWaypoints({Vector(1, 2), Vector(3, 4), Vector(5, 6)});
  std::stringstream full;
  p.serialize(&full);
  std::string bytes = full.str();
  // Cut after the first waypoint and half of the second: reported once, by the path.
  std::stringstream cut(bytes.substr(0, 8 + 8 + 4));
  Path q;
  EXPECT_EQ(-1, q.deserialize(&cut));
  ASSERT_EQ(1u, q.getWaypoints().size());
  EXPECT_EQ(Vector(1, 2), q.getWaypoints()[0]);
  EXPECT_EQ(std::vector<std::string>{"Path::deserialize(): Error! Stream eof."}, env.logLines());
  // A huge count with no data behind it.
  std::string huge(8, '\0');
  huge[0] = '\xff';
  huge[1] = '\xff';
  huge[2] = '\xff';
  huge[3] = '\x7f';
  std::stringstream h(huge);
  EXPECT_EQ(-1, q.deserialize(&h));
  EXPECT_TRUE(q.getWaypoints().empty());
  // A negative low half reads nothing.
  std::string neg(8, '\0');
  neg[3] = '\x80';
  std::stringstream n(neg + std::string(16, '\0'));
  EXPECT_EQ(0, q.deserialize(&n));
  EXPECT_TRUE(q.getWaypoints().empty());
  // An empty stream, and no stream at all: each says so in the log.
  std::stringstream e;
  EXPECT_EQ(-1, q.deserialize(&e));
  EXPECT_EQ(-1, p.serialize(nullptr));
  EXPECT_EQ(-1, q.deserialize(nullptr));
  EXPECT_TRUE(env.logContains("Path::serialize(): Error! Stream fail."));
  EXPECT_TRUE(env.logContains("Path::deserialize(): Error! Stream fail."));
  // Random bytes never crash.
  unsigned seed = 12345;
  for (int round = 0; round < 300; round++) {
    std::string junk;
    int len = round % 40;
    for (int i = 0; i < len; i++) {
      seed = seed * 1103515245u + 12345u;
      junk.push_back(static_cast<char>(seed >> 16));
    }
    std::stringstream js(junk);
    Path r;
    r.deserialize(&js);
    EXPECT_LE(r.getWaypoints().size(), static_cast<size_t>(len / 8));
  }
  LogManager::getInstance().shutDown();
}

TEST(PathType, EventPathCarriesResultAndPath) {
  Path p;
  p.setWaypoints({Vector(7, 7)});
  EventPath e(p);
  EXPECT_EQ("vx-path", e.getType());
  EXPECT_EQ(p, e.getPath());
  e.setResult(FOUND);
  EXPECT_EQ(FOUND, e.getResult());
  EventPath d;
  EXPECT_EQ(EVENT_PATH, d.getType());
  EXPECT_TRUE(d.getPath().isDone());
  d.setPath(p);
  EXPECT_EQ(p, d.getPath());
}

TEST(CollisionEvents, Fields) {
  Object *a = reinterpret_cast<Object *>(0x10);
  Object *b = reinterpret_cast<Object *>(0x20);
  EventCollision c(a, b, Vector(3, 4));
  EXPECT_EQ(a, c.getObject1());
  EXPECT_EQ(b, c.getObject2());
  EXPECT_EQ(Vector(3, 4), c.getPosition());
  EXPECT_EQ("vx-collision", c.getType());
  EventCollision d;
  EXPECT_EQ(Vector(0, 0), d.getPosition());
  EXPECT_EQ(nullptr, d.getObject1());
  EXPECT_EQ(EVENT_COLLISION, d.getType());
  d.setObject1(b);
  d.setObject2(a);
  d.setPosition(Vector(1, 1));
  EXPECT_EQ(b, d.getObject1());
  EXPECT_EQ(a, d.getObject2());
  EXPECT_EQ(Vector(1, 1), d.getPosition());
  EXPECT_EQ("vx-out", EventOut().getType());
}
