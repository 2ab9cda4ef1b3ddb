#include <cmath>
#include <limits>

#include "core/PlaneGeometry.h"
#include "world/Geometry.h"
#include "world/WorldFixture.h"

using namespace vx;
using world_test::WorldTest;

TEST(Geometry, RangesAndContainmentAreInclusive) {
  EXPECT_TRUE(valueInRange(4, 0, 4));
  EXPECT_TRUE(valueInRange(0, 0, 4));
  EXPECT_FALSE(valueInRange(4.0001f, 0, 4));
  EXPECT_FALSE(valueInRange(std::numeric_limits<float>::quiet_NaN(), 0, 4));
  Box b(Vector(2, 3), 4, 5);
  EXPECT_TRUE(boxContainsPosition(b, Vector(2, 3)));
  EXPECT_TRUE(boxContainsPosition(b, Vector(6, 8)));
  EXPECT_FALSE(boxContainsPosition(b, Vector(6.01f, 8)));
  EXPECT_TRUE(boxContainsBox(b, b));
  EXPECT_TRUE(boxContainsBox(b, Box(Vector(3, 4), 1, 1)));
  EXPECT_FALSE(boxContainsBox(b, Box(Vector(3, 4), 4, 1)));
}

TEST(Geometry, BoxesThatTouchIntersect) {
  Box a(Vector(0, 0), 1, 1);
  EXPECT_TRUE(boxIntersectsBox(a, Box(Vector(1, 0), 1, 1)));
  EXPECT_TRUE(boxIntersectsBox(a, Box(Vector(1, 1), 1, 1)));  // corner only
  EXPECT_FALSE(boxIntersectsBox(a, Box(Vector(1.01f, 0), 1, 1)));
  EXPECT_FALSE(boxIntersectsBox(a, Box(Vector(0, -1.01f), 1, 1)));
  // Containment either way.
  EXPECT_TRUE(boxIntersectsBox(Box(Vector(-5, -5), 20, 20), a));
  EXPECT_TRUE(boxIntersectsBox(a, Box(Vector(-5, -5), 20, 20)));
}

TEST(Geometry, Lines) {
  Line d1(Vector(0, 0), Vector(2, 2));
  EXPECT_TRUE(lineIntersectsLine(d1, Line(Vector(0, 2), Vector(2, 0))));
  EXPECT_FALSE(lineIntersectsLine(Line(Vector(0, 0), Vector(1, 0)), Line(Vector(0, 1), Vector(1, 1))));
  EXPECT_TRUE(lineIntersectsLine(Line(Vector(0, 0), Vector(1, 1)), Line(Vector(1, 1), Vector(2, 0))));
  // Collinear overlapping segments count as parallel.
  EXPECT_FALSE(lineIntersectsLine(Line(Vector(0, 0), Vector(2, 0)), Line(Vector(1, 0), Vector(3, 0))));
  EXPECT_FALSE(lineIntersectsLine(d1, Line(Vector(3, 0), Vector(5, -2))));

  Box b(Vector(0, 0), 4, 4);
  EXPECT_TRUE(lineIntersectsBox(Line(Vector(1, 1), Vector(2, 2)), b));      // inside
  EXPECT_TRUE(lineIntersectsBox(Line(Vector(-1, 2), Vector(5, 2)), b));     // crosses
  EXPECT_FALSE(lineIntersectsBox(Line(Vector(5, 0), Vector(6, 4)), b));     // beside
  EXPECT_TRUE(lineIntersectsBox(Line(Vector(2, 2), Vector(9, 2)), b));      // leaves
}

TEST(Geometry, CirclesCountOnlyCorners) {
  Box b(Vector(0, 0), 1, 1);
  EXPECT_TRUE(circleIntersectsBox(Circle(Vector(0.5f, 0.5f), 1), b));
  EXPECT_FALSE(circleIntersectsBox(Circle(Vector(0.5f, 0.5f), 0.1f), b));
  // Distance exactly the radius is not closer.
  EXPECT_FALSE(circleIntersectsBox(Circle(Vector(-1, 0), 1), b));
  EXPECT_TRUE(circleIntersectsBox(Circle(Vector(-1, 0), 1.001f), b));
  // Across an edge between corners: no.
  EXPECT_FALSE(circleIntersectsBox(Circle(Vector(0.5f, -0.3f), 0.55f), Box(Vector(0, 0), 3, 3)));
}

TEST(Geometry, AnglesAndDistances) {
  EXPECT_FLOAT_EQ(5, distance(Vector(0, 0), Vector(3, 4)));
  EXPECT_NEAR(0, getAngle(Vector(0, -1)), 1e-4);
  EXPECT_NEAR(90, getAngle(Vector(1, 0)), 1e-4);
  EXPECT_NEAR(180, getAngle(Vector(0, 1)), 1e-4);
  EXPECT_NEAR(270, getAngle(Vector(-1, 0)), 1e-4);
  EXPECT_NEAR(-45, getAngle(Vector(-1, -1)), 1e-4);
  EXPECT_NEAR(90, getAngle(Vector(0, 0)), 1e-4);
}

TEST_F(WorldTest, ObjectGeometry) {
  Object *o = new Object;
  o->setPosition(Vector(10, 5));
  EXPECT_FLOAT_EQ(-1, distance(nullptr, o));
  EXPECT_FLOAT_EQ(-1, distance(o, nullptr));
  Object *p = new Object;
  p->setPosition(Vector(13, 9));
  EXPECT_FLOAT_EQ(5, distance(o, p));
  EXPECT_EQ(Box(Vector(9.5f, 4.5f), 0.99f, 0.99f), getWorldBox(o));
  EXPECT_EQ(Box(Vector(1.5f, 2.5f), 0.99f, 0.99f), getWorldBox(o, Vector(2, 3)));
  wm().setView(Box(Vector(20, 10), 80, 24));
  EXPECT_EQ(Vector(5, 2), worldToView(Vector(25, 12)));
  EXPECT_EQ(Vector(25, 12), viewToWorld(Vector(5, 2)));
}

TEST_F(WorldTest, NormalsPointFromTheObstacleToTheMover) {
  Object *mover = new Object;
  Object *wall = new Object;
  wall->setSolidness(SPECTRAL);  // keep the two apart from the grid's view
  mover->setPosition(Vector(0, 0));
  wall->setPosition(Vector(1, 0));
  mover->setVelocity(Vector(1, 0));
  EXPECT_EQ(Vector(-1, 0), getNormal(mover, wall));
  mover->setPosition(Vector(1, -1));
  mover->setVelocity(Vector(0, 1));
  EXPECT_EQ(Vector(0, -1), getNormal(mover, wall));
  mover->setPosition(Vector(1, 1));
  mover->setVelocity(Vector(0, -1));
  EXPECT_EQ(Vector(0, 1), getNormal(mover, wall));
  mover->setPosition(Vector(2, 0));
  mover->setVelocity(Vector(-1, 0));
  EXPECT_EQ(Vector(1, 0), getNormal(mover, wall));
  // Diagonal approach onto the corner.
  mover->setPosition(Vector(0, -1));
  mover->setVelocity(Vector(1, 1));
  EXPECT_EQ(Vector(-1, -1), getNormal(mover, wall));
  // Far away: no probe touches.
  LogManager::getInstance().setLogLevel(1);
  mover->setPosition(Vector(40, 20));
  EXPECT_EQ(Vector(0, 0), getNormal(mover, wall));
  EXPECT_EQ(1, logCount("getNormal(): No collision detected. Returning (0,0)."));
}
