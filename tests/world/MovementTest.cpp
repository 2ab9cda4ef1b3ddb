#include <cmath>

#include "world/Geometry.h"
#include "world/WorldFixture.h"

using namespace vx;
using world_test::eventLog;
using world_test::Probe;
using world_test::WorldTest;

namespace {

std::string id(Object *o) { return std::to_string(o->getId()); }

std::string coll(Object *receiver, Object *o1, Object *o2) {
  return id(receiver) + ":vx-collision:" + id(o1) + ":" + id(o2);
}

} // namespace

TEST_F(WorldTest, SpectralMoversPassSilently) {
  Probe *ghost = make(Vector(10, 10), SPECTRAL);
  Probe *wall = make(Vector(11, 10), HARD);
  EXPECT_EQ(0, wm().moveObject(ghost, Vector(11, 10)));
  EXPECT_EQ(Vector(11, 10), ghost->getPosition());
  EXPECT_TRUE(eventLog().empty());
  EXPECT_EQ(0, wall->collisions);
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, HardAgainstHardBlocksAfterBothHearIt) {
  Probe *mover = make(Vector(10, 10));
  Probe *wall = make(Vector(11, 10));
  EXPECT_EQ(-1, wm().moveObject(mover, Vector(11, 10)));
  EXPECT_EQ(Vector(10, 10), mover->getPosition());
  EXPECT_EQ((std::vector<std::string>{coll(mover, mover, wall), coll(wall, mover, wall)}), eventLog());
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, SoftAndHardPassThroughUnlessNoSoft) {
  Probe *mover = make(Vector(10, 10));
  Probe *soft = make(Vector(11, 10), SOFT);
  EXPECT_EQ(0, wm().moveObject(mover, Vector(11, 10)));
  EXPECT_EQ(1, mover->collisions);
  EXPECT_EQ(1, soft->collisions);
  EXPECT_EQ(Vector(11, 10), mover->getPosition());
  mover->setNoSoft(true);
  EXPECT_EQ(-1, wm().moveObject(mover, Vector(11.5f, 10)));
  EXPECT_EQ(Vector(11, 10), mover->getPosition());
  EXPECT_EQ(2, soft->collisions);
  // A soft mover passes through hard objects.
  Probe *s = make(Vector(30, 5), SOFT);
  Probe *hard = make(Vector(31, 5), HARD);
  EXPECT_EQ(0, wm().moveObject(s, Vector(31, 5)));
  EXPECT_EQ(1, s->collisions);
  EXPECT_EQ(1, hard->collisions);
  // Soft against soft with no_soft blocks too.
  s->setNoSoft(true);
  Probe *s2 = make(Vector(32, 5), SOFT);
  EXPECT_EQ(-1, wm().moveObject(s, Vector(32, 5)));
  EXPECT_EQ(1, s2->collisions);
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, TwoObstaclesEachHearOnce) {
  Probe *mover = make(Vector(10, 10));
  mover->setBox(Box(Vector(-0.5f, -0.5f), 2, 0.99f));
  Probe *w1 = make(Vector(11, 10));
  Probe *w2 = make(Vector(12, 10));
  EXPECT_EQ(-1, wm().moveObject(mover, Vector(11, 10)));
  EXPECT_EQ((std::vector<std::string>{coll(mover, mover, w1), coll(w1, mover, w1), coll(mover, mover, w2),
                                      coll(w2, mover, w2)}),
            eventLog());
  EXPECT_EQ(2, mover->collisions);
}

TEST_F(WorldTest, HandlerMovingTheMoverCancelsTheMove) {
  Probe *mover = make(Vector(10, 10));
  Probe *soft = make(Vector(11, 10), SOFT);
  soft->on_event = [&](Probe *, const Event *) { mover->setPosition(Vector(5, 5)); };
  EXPECT_EQ(-1, wm().moveObject(mover, Vector(11, 10)));
  EXPECT_EQ(Vector(5, 5), mover->getPosition());
  EXPECT_WORLD_OK();
  // A handler that turns the obstacle spectral: solidness is read after the handlers.
  Probe *wall = make(Vector(20, 10));
  Probe *m2 = make(Vector(19, 10));
  wall->on_event = [](Probe *self, const Event *) { self->setSolidness(SPECTRAL); };
  EXPECT_EQ(0, wm().moveObject(m2, Vector(20, 10)));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, AvoidingObjectsSlideAlongHardObstacles) {
  Probe *mover = make(Vector(10, 10));
  mover->setAvoidCollisions(true);
  Probe *wall = make(Vector(11.4f, 10.8f));
  mover->setDirection(Vector(0.6f, 0.8f));
  mover->setSpeed(1);
  EXPECT_EQ(Vector(-1, 0), getNormal(mover, wall));
  EXPECT_EQ(0, wm().moveObject(mover, mover->predictPosition()));
  EXPECT_EQ(Vector(10, 11), mover->getPosition());
  EXPECT_TRUE(eventLog().empty());  // nothing at the slide position
  EXPECT_WORLD_OK();

  // Straight into the wall: a zero slide, staying in place.
  Probe *m2 = make(Vector(30, 10));
  m2->setAvoidCollisions(true);
  Probe *w2 = make(Vector(31, 10));
  m2->setVelocity(Vector(1, 0));
  EXPECT_EQ(0, wm().moveObject(m2, Vector(31, 10)));
  EXPECT_EQ(Vector(30, 10), m2->getPosition());
  EXPECT_EQ(0, w2->collisions);

  // Onto a corner: a diagonal normal keeps both parts of the direction, the
  // horizontal one reversed, at the full speed.
  Probe *m3 = make(Vector(10, 20));
  m3->setAvoidCollisions(true);
  Probe *corner = make(Vector(11.2f, 21.2f));
  m3->setDirection(Vector(1, 1));
  m3->setSpeed(2);
  EXPECT_EQ(Vector(-1, -1), getNormal(m3, corner));
  EXPECT_EQ(0, wm().moveObject(m3, m3->predictPosition()));
  EXPECT_NEAR(10 - std::sqrt(2.0f), m3->getPosition().getX(), 1e-5);
  EXPECT_NEAR(20 + std::sqrt(2.0f), m3->getPosition().getY(), 1e-5);
  EXPECT_EQ(0, corner->collisions);

  // Only HARD movers slide.
  Probe *soft_mover = make(Vector(50, 10), SOFT);
  soft_mover->setAvoidCollisions(true);
  make(Vector(51, 10));
  soft_mover->setVelocity(Vector(1, 0));
  EXPECT_EQ(0, wm().moveObject(soft_mover, Vector(51, 10)));
  EXPECT_EQ(Vector(51, 10), soft_mover->getPosition());
}

TEST_F(WorldTest, SlidingIntoASecondHardObjectIsADoubleCollision) {
  LogManager::getInstance().setLogLevel(5);
  Probe *mover = make(Vector(10, 10));
  mover->setAvoidCollisions(true);
  make(Vector(11.4f, 10.8f));
  Probe *below = make(Vector(10, 11.5f));
  mover->setDirection(Vector(0.6f, 0.8f));
  mover->setSpeed(1);
  EXPECT_EQ(-1, wm().moveObject(mover, mover->predictPosition()));
  EXPECT_EQ(Vector(10, 10), mover->getPosition());
  EXPECT_EQ(0, below->collisions);
  EXPECT_TRUE(eventLog().empty());
  EXPECT_EQ(1, logCount("WorldManager::moveObject(): Double collision. Object (avoid obstacles) cannot move."));
  // A soft object at the slide place does not stop the slide but hears of it.
  below->setSolidness(SOFT);
  EXPECT_EQ(0, wm().moveObject(mover, mover->predictPosition()));
  EXPECT_EQ(Vector(10, 11), mover->getPosition());
  EXPECT_EQ(1, below->collisions);
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, OutEventOnceWhenLeavingTheBoundary) {
  Probe *o = make(Vector(78, 12));
  EXPECT_EQ(0, wm().moveObject(o, Vector(80, 12)));  // box still touches x 80
  EXPECT_EQ(0, o->outs);
  EXPECT_EQ(0, wm().moveObject(o, Vector(81, 12)));
  EXPECT_EQ(1, o->outs);
  EXPECT_EQ(0, wm().moveObject(o, Vector(85, 12)));
  EXPECT_EQ(1, o->outs);
  EXPECT_EQ(0, wm().moveObject(o, Vector(40, 12)));
  EXPECT_EQ(0, wm().moveObject(o, Vector(40, -2)));
  EXPECT_EQ(2, o->outs);
  EXPECT_WORLD_OK();
  // Spectral objects get it too, through update.
  Probe *s = make(Vector(1, 1), SPECTRAL);
  s->setVelocity(Vector(-1, 0));
  for (int i = 0; i < 5; i++) wm().update();
  EXPECT_EQ(1, s->outs);
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, ViewFollowsWithinItsSlack) {
  wm().setBoundary(Box(Vector(0, 0), 300, 90));
  wm().setView(Box(Vector(0, 0), 80, 24));
  wm().setViewSlack(Vector(0.25f, 0.25f));
  Probe *o = make(Vector(40, 12), SPECTRAL);
  ASSERT_EQ(0, wm().setViewFollowing(o));
  EXPECT_EQ(Vector(0, 0), wm().getView().getCorner());
  wm().moveObject(o, Vector(50, 15));  // on the window's edges: no scroll
  EXPECT_EQ(Vector(0, 0), wm().getView().getCorner());
  wm().moveObject(o, Vector(52, 12));
  EXPECT_EQ(Vector(2, 0), wm().getView().getCorner());
  wm().moveObject(o, Vector(52, 17));
  EXPECT_EQ(Vector(2, 2), wm().getView().getCorner());
  wm().moveObject(o, Vector(20, 17));  // left of the window (32..52): back to 0
  EXPECT_EQ(Vector(0, 2), wm().getView().getCorner());
  wm().moveObject(o, Vector(299, 89));
  EXPECT_EQ(Vector(220, 66), wm().getView().getCorner());
  // Slack 0 keeps the object centred (within the boundary).
  wm().setViewSlack(Vector(0, 0));
  wm().moveObject(o, Vector(150, 45));
  EXPECT_EQ(Vector(110, 33), wm().getView().getCorner());
  // Other movers do not scroll the view.
  Probe *p = make(Vector(10, 10), SPECTRAL);
  wm().moveObject(p, Vector(290, 80));
  EXPECT_EQ(Vector(110, 33), wm().getView().getCorner());
  // A narrow world clamps at 0.
  wm().setBoundary(Box(Vector(0, 0), 60, 90));
  wm().moveObject(o, Vector(55, 45));
  EXPECT_EQ(0, wm().getView().getCorner().getX());
}

TEST_F(WorldTest, ManyMoversStayIndexedAcrossSteps) {
  wm().setBoundary(Box(Vector(0, 0), 120, 48));
  std::vector<Object *> all;
  unsigned seed = 99;
  auto rnd = [&]() {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 16) & 0x7fff) / 32767.0f;
  };
  for (int i = 0; i < 150; i++) {
    Probe *o = make(Vector(rnd() * 120, rnd() * 48), static_cast<Solidness>(i % 3));
    o->setVelocity(Vector(rnd() * 2 - 1, rnd() * 2 - 1));
    if (i % 7 == 0) o->setAvoidCollisions(true);
    if (i % 11 == 0) o->setBox(Box(Vector(-2, -1), 4, 2));
    all.push_back(o);
  }
  for (int step = 0; step < 40; step++) {
    wm().update();
    if (step % 5 == 0) {
      Object *o = all[step];
      o->setActive(!o->isActive());
      o->setSolidness(static_cast<Solidness>((o->getSolidness() + 1) % 3));
    }
    ASSERT_EQ("", vx::test::checkWorld(all)) << "step " << step;
    ObjectList solid = wm().solidObjects();
    for (int i = 0; i < solid.getCount(); i++) {
      Object *o = solid[i];
      Vector where = o->predictPosition();
      ASSERT_TRUE(vx::test::slowCollisions(o, where) == wm().getCollisions(o, where)) << "step " << step;
    }
  }
  wm().markForDelete(wm().getAllObjects(true));
  wm().update();
  EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{}));
}
