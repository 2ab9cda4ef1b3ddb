#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/EventStep.h"
#include "display/DisplayManager.h"
#include "display/EventKeyboard.h"
#include "display/Shape.h"
#include "support/ParticleCheck.h"
#include "support/WorldCheck.h"
#include "world/Debris.h"
#include "world/EventOut.h"
#include "world/Firework.h"
#include "world/Particle.h"
#include "world/ParticleEffects.h"
#include "world/Precipitation.h"
#include "world/WorldManager.h"

using namespace vx;
using vx::test::particles::EngineFixture;
using vx::test::particles::circle;
using vx::test::particles::countOf;
using vx::test::particles::objectsOf;
using vx::test::particles::stepWorld;

TEST(Particle, ConstructionTakesNoIdentifier) {
  EngineFixture f;
  Object *p_a = new Object;
  for (int i = 0; i < 100; i++) new Particle(1, 10, 255, RED);
  Object *p_b = new Object;
  EXPECT_EQ(p_b->getId(), p_a->getId() + 1);
  std::vector<Particle *> ps = objectsOf<Particle>("Particle");
  ASSERT_EQ(ps.size(), 100u);
  for (Particle *p : ps) {
    EXPECT_EQ(p->getId(), 0);
    EXPECT_EQ(p->getSolidness(), SPECTRAL);
    EXPECT_EQ(p->getAltitude(), 4);
    EXPECT_EQ(p->getShape(), circle(1, 255, 0, 0));
    EXPECT_EQ(p->getShape().getOpacity(), 255);
  }
  // Colour forms: CUSTOM keeps white.
  Particle custom(2, 1, 9, CUSTOM);
  EXPECT_EQ(custom.getShape(), circle(2, 255, 255, 255));
  EXPECT_EQ(custom.getShape().getOpacity(), 9);
  custom.setColor(BLUE);
  EXPECT_EQ(custom.getShape(), circle(2, 0, 0, 255));
  custom.setColor(1, 2, 3);
  EXPECT_EQ(custom.getShape(), circle(2, 1, 2, 3));
}

TEST(Particle, AgesAndIsDeletedOnItsLastStep) {
  EngineFixture f;
  Particle *p = new Particle(1, 3, 255, WHITE);
  new Particle(1, 0, 255, WHITE);  // marked on its first step
  stepWorld(1);
  EXPECT_EQ(p->getAge(), 2);
  EXPECT_EQ(countOf("Particle"), 1);  // the age-0 one is gone
  stepWorld(1);
  EXPECT_EQ(p->getAge(), 1);
  EXPECT_EQ(countOf("Particle"), 1);
  stepWorld(1);
  EXPECT_EQ(countOf("Particle"), 0);

  Particle *q = new Particle(1, 2, 255, WHITE);
  EventStep step(0);
  EventKeyboard key;
  EXPECT_EQ(q->eventHandler(&key), 0);
  EXPECT_EQ(q->getAge(), 2);
  EXPECT_EQ(q->eventHandler(&step), 1);
  EXPECT_EQ(WorldManager::getInstance().getDeletionCount(), 0);
  EXPECT_EQ(q->eventHandler(&step), 1);
  EXPECT_EQ(WorldManager::getInstance().getDeletionCount(), 1);
  WorldManager::getInstance().update();
  EXPECT_EQ(countOf("Particle"), 0);
}

TEST(Particle, LeavingTheWorldDeletesIt) {
  EngineFixture f;
  Particle *p = new Particle(1, 1000, 255, WHITE);
  p->setPosition(Vector(79, 12));
  p->setVelocity(Vector(2, 0));
  stepWorld(1);
  EXPECT_EQ(countOf("Particle"), 0);
  Particle *q = new Particle(1, 1000, 255, WHITE);
  EventOut out;
  EXPECT_EQ(q->eventHandler(&out), 1);
  WorldManager::getInstance().update();
  EXPECT_EQ(countOf("Particle"), 0);
}

TEST(Particle, DebrisSpinsWithinAFullTurn) {
  EngineFixture f;
  Debris back(10, 255, YELLOW, Vector(0.5f, 0), '#', -30);
  EXPECT_EQ(back.getType(), "Debris");
  EXPECT_EQ(back.getShape().getType(), ShapeType::UNDEFINED);
  EXPECT_NEAR(back.getVelocity().getX(), 0.5f, 1e-6);
  EXPECT_EQ(back.getRotation(), 0);
  back.draw();
  EXPECT_FLOAT_EQ(back.getRotation(), 330);
  back.draw();
  EXPECT_FLOAT_EQ(back.getRotation(), 300);
  Debris fast(10, 255, YELLOW, Vector(0, 0), '#', 400);
  fast.draw();
  EXPECT_FLOAT_EQ(fast.getRotation(), 40);
  EXPECT_EQ(fast.getId(), 0);
}

TEST(Particle, FireworkLeavesStillTrail) {
  EngineFixture f;
  Firework *fw = new Firework(2, 20, 128, 10, 20, 30);
  fw->setPosition(Vector(10, 10));
  EXPECT_EQ(fw->getType(), "Firework");
  EXPECT_EQ(fw->getAcceleration(), Vector(0, 0.01f));
  stepWorld(1);
  std::vector<Particle *> trail = objectsOf<Particle>("Particle");
  ASSERT_EQ(trail.size(), 1u);
  EXPECT_EQ(trail[0]->getPosition(), Vector(10, 10));
  EXPECT_EQ(trail[0]->getAge(), 5);
  EXPECT_EQ(trail[0]->getShape(), circle(1, 10, 20, 30));
  EXPECT_EQ(trail[0]->getShape().getOpacity(), 255);
  // Pulled downward: moving from the second step on.
  stepWorld(1);
  EXPECT_GT(fw->getPosition().getY(), 10);
  EXPECT_EQ(countOf("Particle"), 2);
  trail = objectsOf<Particle>("Particle");
  EXPECT_EQ(trail[0]->getPosition(), trail[1]->getPosition());
  EXPECT_EQ(trail[0]->getVelocity(), Vector(0, 0));

  // Marked on its last step, it still leaves a trail particle.
  vx::test::particles::clearWorld();
  new Firework(2, 1, 255, 1, 1, 1);
  stepWorld(1);
  EXPECT_EQ(countOf("Firework"), 0);
  EXPECT_EQ(countOf("Particle"), 1);
}

TEST(Particle, PrecipitationStartsInsideTheWorld) {
  EngineFixture f;
  for (int i = 0; i < 200; i++) {
    Precipitation *p = new Precipitation(3, DIRECTION_LEFT, 128, 255, 255, 255);
    Vector pos = p->getPosition();
    EXPECT_GE(pos.getX(), 0);
    EXPECT_LT(pos.getX(), 80 + 10);
    EXPECT_GE(pos.getY(), 0);
    EXPECT_LT(pos.getY(), 24);
    EXPECT_EQ(p->getType(), "Precipitation");
    EXPECT_FALSE(p->getWobble());
    EXPECT_EQ(p->getHeading(), DIRECTION_LEFT);
  }
}

TEST(Particle, PrecipitationReentersOppositeItsHeading) {
  EngineFixture f;
  struct Range { int heading; float x0, x1, y0, y1; };
  // Cells plus up to one cell of scatter.
  const Range ranges[] = {
      {DIRECTION_UP, 0, 80, 24, 29},
      {DIRECTION_DOWN, 0, 80, -4, 1},
      {DIRECTION_LEFT, 80, 85, 0, 24},
      {DIRECTION_RIGHT, -4, 1, 0, 24},
  };
  EventOut out;
  for (const Range &r : ranges) {
    SCOPED_TRACE(r.heading);
    Precipitation *p = new Precipitation(3, r.heading, 128, 255, 255, 255);
    p->setVelocity(Vector(0.5f, -0.25f));
    for (int i = 0; i < 100; i++) {
      EXPECT_EQ(p->eventHandler(&out), 1);
      Vector pos = p->getPosition();
      EXPECT_GE(pos.getX(), r.x0);
      EXPECT_LT(pos.getX(), r.x1);
      EXPECT_GE(pos.getY(), r.y0);
      EXPECT_LT(pos.getY(), r.y1);
    }
    EXPECT_EQ(p->getVelocity(), Vector(0.5f, -0.25f));
  }
}

TEST(Particle, PrecipitationCrossesTheWorldAgain) {
  EngineFixture f;
  Precipitation *p = new Precipitation(3, DIRECTION_UP, 128, 255, 255, 255);
  p->setPosition(Vector(40, 0.2f));
  p->setVelocity(Vector(0, -0.25f));
  bool below = false;
  for (int i = 0; i < 20 && !below; i++) {
    stepWorld(1);
    below = p->getPosition().getY() >= 24;
  }
  ASSERT_TRUE(below);
  EXPECT_LT(p->getPosition().getY(), 29);
  EXPECT_EQ(p->getVelocity(), Vector(0, -0.25f));
  // It comes back up through the world and never dies.
  for (int i = 0; i < 400; i++) stepWorld(1);
  EXPECT_EQ(countOf("Precipitation"), 1);
  EventKeyboard key;
  EventStep step(1);
  EXPECT_EQ(p->eventHandler(&key), 0);
  EXPECT_EQ(p->eventHandler(&step), 0);
}

TEST(Particle, WobbleStaysNearTheBaseVelocity) {
  EngineFixture f;
  Precipitation *p = new Precipitation(3, DIRECTION_DOWN, 128, 255, 255, 255);
  p->setVelocity(Vector(0, 0.25f));
  p->setWobble(true);
  EventStep step(1);
  bool moved_x = false;
  for (int i = 0; i < 2000; i++) {
    EXPECT_EQ(p->eventHandler(&step), 0);
    Vector v = p->getVelocity();
    EXPECT_LE(std::fabs(v.getX()), 0.0625f + 1e-5f);
    EXPECT_GE(v.getY(), 0.1875f - 1e-5f);
    EXPECT_LE(v.getY(), 0.3125f + 1e-5f);
    if (v.getX() != 0) moved_x = true;
  }
  EXPECT_TRUE(moved_x);
  EXPECT_EQ(p->getBaseVelocity(), Vector(0, 0.25f));

  // Standing still: x wobbles all the same, y keeps its value on that step.
  Precipitation *still = new Precipitation(3, DIRECTION_DOWN, 128, 255, 255, 255);
  still->setWobble(true);
  bool still_moved_x = false;
  for (int i = 0; i < 50 && !still_moved_x; i++) {
    still->eventHandler(&step);
    EXPECT_EQ(0, still->getVelocity().getY());
    EXPECT_LE(std::fabs(still->getVelocity().getX()), 0.099f + 1e-5f);
    still_moved_x = still->getVelocity().getX() != 0;
  }
  EXPECT_TRUE(still_moved_x);
}

TEST(Particle, PrecipitationBeyondTheEdgeDoesNotStayForEver) {
  EngineFixture f;
  // Beyond the right edge, falling: no out event would ever come.
  Precipitation *p = new Precipitation(3, DIRECTION_DOWN, 128, 255, 255, 255);
  p->setPosition(Vector(86, 10));
  p->setVelocity(Vector(0, 0.75f));
  stepWorld(1);
  EXPECT_LT(p->getPosition().getX(), 80);
  EXPECT_LT(p->getPosition().getY(), 2);
  // Heading right from beyond the right edge: back at the left edge.
  Precipitation *q = new Precipitation(3, DIRECTION_RIGHT, 128, 255, 255, 255);
  q->setPosition(Vector(84, 10));
  q->setVelocity(Vector(0.75f, 0));
  stepWorld(1);
  EXPECT_LT(q->getPosition().getX(), 2);
  // Heading left from there is fine: it comes in by itself.
  Precipitation *r = new Precipitation(3, DIRECTION_LEFT, 128, 255, 255, 255);
  r->setPosition(Vector(84, 10));
  r->setVelocity(Vector(-0.75f, 0));
  stepWorld(1);
  EXPECT_NEAR(r->getPosition().getX(), 83.25f, 1e-4);
  // A heading it cannot re-enter by: removed.
  Precipitation *bad = new Precipitation(3, 7, 128, 255, 255, 255);
  bad->setPosition(Vector(90, 10));
  bad->setVelocity(Vector(0, 1));
  stepWorld(1);
  EXPECT_EQ(countOf("Precipitation"), 3);
  // Every precipitation particle started by the effect stays in play.
  vx::test::particles::clearWorld();
  ASSERT_EQ(addParticles(1, DIRECTION_DOWN, 4.0f), 0);
  int n = countOf("Precipitation");
  for (int i = 0; i < 40; i++) stepWorld(1);
  ASSERT_EQ(countOf("Precipitation"), n);
  Box world = WorldManager::getInstance().getBoundary();
  for (Precipitation *pp : objectsOf<Precipitation>("Precipitation"))
    EXPECT_LT(pp->getPosition().getX(), world.getHorizontal() + 1);
  // Re-entries kept the world's indices in step.
  addParticles(1, Vector(40, 12), 1.0f, RED);
  stepWorld(5);
  EXPECT_EQ("", vx::test::checkWorld());
}

TEST(Particle, UnsupportedHeadingOnReentry) {
  EngineFixture f(vx::test::DEFAULT_TEST_CONFIG, 1);
  Precipitation *p = new Precipitation(3, 9, 128, 255, 255, 255);
  Vector before = p->getPosition();
  EventOut out;
  EXPECT_EQ(p->eventHandler(&out), -1);
  EXPECT_EQ(p->getPosition(), before);
  EXPECT_TRUE(f.env.logContains(
      "Precipitation::eventHandler(): warning! Direction 9 not supported."));
}

TEST(Particle, TinyWorldOrCellsDrawNothingForEmptyRanges) {
  EngineFixture f;
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 0.5f, 0.5f));
  platform::srand(3);
  Precipitation *p = new Precipitation(3, DIRECTION_UP, 128, 255, 255, 255);
  EXPECT_GE(p->getPosition().getX(), 0);
  EXPECT_LT(p->getPosition().getX(), 10);
  EXPECT_LT(p->getPosition().getY(), 1);
  EventOut out;
  EXPECT_EQ(p->eventHandler(&out), 1);
  EXPECT_LT(p->getPosition().getX(), 1);
}

TEST(Particle, SerialisationOnlyWarns) {
  EngineFixture f(vx::test::DEFAULT_TEST_CONFIG, 1);
  Particle p(1, 5, 255, RED);
  std::stringstream ss;
  p.serialize(&ss, 0);
  p.deserialize(&ss, nullptr);
  EXPECT_TRUE(f.env.logContains(
      "Particle::serialize(): Warning!  Particles attributes are not serialized."));
  EXPECT_TRUE(f.env.logContains(
      "Particle::deserialize(): Warning!  Cannot deserialize particles."));
  EXPECT_EQ(p.getAge(), 5);
}

namespace {

// A cell moved by a drawn fraction of a cell, y first.
Vector replayScatter(int x, int y) {
  Vector p = spacesToPixels(Vector(static_cast<float>(x), static_cast<float>(y)));
  p.setY(p.getY() + platform::rand() % static_cast<int>(charHeight()));
  p.setX(p.getX() + platform::rand() % static_cast<int>(charWidth()));
  return pixelsToSpaces(p);
}

} // namespace

TEST(Particle, PrecipitationDrawOrders) {
  EngineFixture f;
  ASSERT_GE(charWidth(), 1);
  ASSERT_GE(charHeight(), 1);
  // Start: y, then x, then the extra x, then the scatter.
  platform::srand(808);
  Precipitation *p = new Precipitation(3, DIRECTION_LEFT, 128, 255, 255, 255);
  platform::srand(808);
  int y = platform::rand() % 24;
  int x = platform::rand() % 80;
  x += platform::rand() % 10;
  EXPECT_EQ(p->getPosition(), replayScatter(x, y));

  // Re-entry: x before y.
  EventOut out;
  platform::srand(909);
  ASSERT_EQ(p->eventHandler(&out), 1);
  platform::srand(909);
  x = 80 + platform::rand() % 5;
  y = platform::rand() % 24;
  EXPECT_EQ(p->getPosition(), replayScatter(x, y));

  // Wobble: y's two draws, then x's two.
  p->setVelocity(Vector(0, 4));
  p->setWobble(true);
  EventStep step(1);
  platform::srand(1010);
  p->eventHandler(&step);
  platform::srand(1010);
  double ny = 4 + (platform::rand() % 100) / 1000.0;
  ny -= (platform::rand() % 100) / 1000.0;
  double nx = 0 + (platform::rand() % 100) / 1000.0;
  nx -= (platform::rand() % 100) / 1000.0;
  EXPECT_NEAR(p->getVelocity().getX(), nx, 1e-6);
  EXPECT_NEAR(p->getVelocity().getY(), ny, 1e-6);
}
