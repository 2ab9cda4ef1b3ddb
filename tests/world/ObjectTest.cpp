#include <cmath>
#include <limits>

#include "core/EventStep.h"
#include "display/EventKeyboard.h"
#include "loop/GameManager.h"
#include "network/EventNetwork.h"
#include "network/NetworkManager.h"
#include "world/EventPath.h"
#include "world/Geometry.h"
#include "world/WorldFixture.h"

using namespace vx;
using world_test::Probe;
using world_test::WorldTest;

namespace {

class IdPeek : public Object {
 public:
  static int nextId() { return s_next_id; }
  static void giveBack() { s_next_id--; }
};

bool near(Vector a, Vector b) { return std::fabs(a.getX() - b.getX()) < 1e-5f && std::fabs(a.getY() - b.getY()) < 1e-5f; }

} // namespace

TEST_F(WorldTest, FreshObjectHasTheDefaults) {
  Object *a = new Object;
  Object *b = new Object;
  EXPECT_EQ(a->getId() + 1, b->getId());
  EXPECT_EQ(b->getId() + 1, IdPeek::nextId());
  EXPECT_EQ("(Undefined)", a->getType());
  EXPECT_EQ(2, a->getAltitude());
  EXPECT_EQ(HARD, a->getSolidness());
  EXPECT_TRUE(a->isActive());
  EXPECT_TRUE(a->isVisible());
  EXPECT_EQ(Vector(1, 1), a->getPosition());
  EXPECT_EQ(Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f), a->getBox());
  EXPECT_EQ(0x3ffffu, a->getModified());
  EXPECT_EQ(ShapeType::UNDEFINED, a->getShape().getType());
  EXPECT_EQ(nullptr, a->getPathFind());
  EXPECT_WORLD_OK();
  // A subclass may give an id back.
  IdPeek::giveBack();
  Object *c = new Object;
  EXPECT_EQ(b->getId(), c->getId());
}

TEST_F(WorldTest, SetIdRaisesNextIdOnly) {
  Object *a = new Object;
  a->setModified(0);
  a->setId(IdPeek::nextId() + 40);
  int raised = a->getId();
  EXPECT_TRUE(a->isModified(ID));
  Object *b = new Object;
  EXPECT_EQ(raised + 1, b->getId());
  b->setId(5);
  EXPECT_EQ(5, b->getId());
  EXPECT_EQ(raised + 2, IdPeek::nextId());
  a->setModified(0);
  a->setId(raised);  // unchanged: nothing happens
  EXPECT_FALSE(a->isModified());
}

TEST_F(WorldTest, AltitudeAndSolidnessValidation) {
  Object *o = new Object;
  o->setModified(0);
  EXPECT_EQ(-1, o->setAltitude(5));
  EXPECT_EQ(-1, o->setAltitude(-1));
  EXPECT_EQ(1, logCount("Object::setAltitude(): Altitude 5 not in range [0,4].  Ignored."));
  EXPECT_EQ(1, logCount("Object::setAltitude(): Altitude -1 not in range [0,4].  Ignored."));
  EXPECT_EQ(2, o->getAltitude());
  EXPECT_FALSE(o->isModified());
  EXPECT_EQ(0, o->setAltitude(2));
  EXPECT_FALSE(o->isModified());
  EXPECT_EQ(0, o->setAltitude(4));
  EXPECT_EQ(4, o->getAltitude());
  EXPECT_TRUE(o->isModified(ALTITUDE));
  EXPECT_WORLD_OK();
  EXPECT_EQ(-1, o->setSolidness(static_cast<Solidness>(3)));
  EXPECT_EQ(1, logCount("Object::setSolidness(): Solidness 3 not one of HARD, SOFT or SPECTRAL."));
  EXPECT_EQ(HARD, o->getSolidness());
  EXPECT_EQ(0, o->setSolidness(HARD));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, EverySetterKeepsTheIndicesInStep) {
  Object *o = new Object;
  Object *other = new Object;
  EXPECT_WORLD_OK();
  o->setType("Bat");
  EXPECT_WORLD_OK();
  o->setModified(0);
  o->setType("Bat");  // same type: still through the scene graph, TYPE set
  EXPECT_TRUE(o->isModified(TYPE));
  EXPECT_WORLD_OK();
  EXPECT_EQ(1, wm().objectsOfType("Bat").getCount());
  o->setPosition(Vector(30, 10));
  EXPECT_WORLD_OK();
  o->setPosition(Vector(40.2f, 10));  // across a column border
  EXPECT_WORLD_OK();
  o->setPosition(Vector(40.2f, 16.6f));  // across a row border
  EXPECT_WORLD_OK();
  o->setPosition(Vector(0, 0));  // partly out of bounds
  EXPECT_WORLD_OK();
  o->setAltitude(0);
  EXPECT_WORLD_OK();
  o->setVisible(false);
  EXPECT_WORLD_OK();
  o->setAltitude(3);  // invisible: no list change
  EXPECT_WORLD_OK();
  o->setVisible(true);
  EXPECT_WORLD_OK();
  EXPECT_EQ(1, wm().getSceneGraph().visibleObjects(3).getCount());
  o->setSolidness(SOFT);
  EXPECT_WORLD_OK();
  o->setSolidness(SPECTRAL);
  EXPECT_WORLD_OK();
  o->setPosition(Vector(60, 20));  // spectral: not in the grid
  EXPECT_WORLD_OK();
  o->setSolidness(HARD);
  EXPECT_WORLD_OK();
  o->setActive(false);
  EXPECT_WORLD_OK();
  o->setPosition(Vector(20, 4));  // inactive move
  o->setType("Slime");
  o->setAltitude(1);
  o->setSolidness(SOFT);
  o->setVisible(false);
  o->setVisible(true);
  EXPECT_WORLD_OK();
  EXPECT_EQ(0, wm().objectsOfType("Slime").getCount());
  o->setActive(true);
  EXPECT_WORLD_OK();
  EXPECT_EQ(1, wm().objectsOfType("Slime").getCount());
  EXPECT_EQ(0, wm().objectsOfType("Bat").getCount());
  o->setBox(Box(Vector(-3, -2), 25, 9));  // covers several cells
  EXPECT_WORLD_OK();
  o->setPosition(Vector(39.5f, 7.5f));
  EXPECT_WORLD_OK();
  o->setBox(Box(Vector(0, 0), 1, 1));
  EXPECT_WORLD_OK();
  wm().markForDelete(o);
  wm().update();
  EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{other}));
}

TEST_F(WorldTest, NaNAndHugePositionsGoOutOfBounds) {
  float nan = std::numeric_limits<float>::quiet_NaN();
  Object *o = new Object;
  o->setPosition(Vector(nan, nan));
  EXPECT_WORLD_OK();
  Grid &g = wm().getSceneGraph().getGrid();
  EXPECT_EQ(1, g.getObjects(Cell(-1, -1)).getCount());
  o->setPosition(Vector(1e30f, -1e30f));
  EXPECT_WORLD_OK();
  o->setPosition(Vector(-std::numeric_limits<float>::infinity(), 5));
  EXPECT_WORLD_OK();
  o->setPosition(Vector(10, 4));
  EXPECT_WORLD_OK();
  EXPECT_EQ(0, g.getObjects(Cell(-1, -1)).getCount());
  EXPECT_EQ(1, g.getObjects(Cell(0, 0)).getCount());
  o->setBox(Box(Vector(nan, 0), 1e30f, nan));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, InterestsRouteToTheOwningManager) {
  Probe *o = new Probe;
  EXPECT_EQ(0, o->registerInterest(EVENT_STEP));
  EXPECT_EQ(0, o->registerInterest(EVENT_NETWORK));
  EXPECT_EQ(0, o->registerInterest("game-event"));
  EXPECT_EQ(0, o->registerInterest(EVENT_KEYBOARD));
  EXPECT_EQ(0, o->unregisterInterest(EVENT_KEYBOARD));
  EXPECT_EQ(3, o->getEventCount());
  // Routing asks no manager that logs a refusal of a type it then sends elsewhere.
  for (const std::string &l : env.logLines()) {
    EXPECT_EQ(std::string::npos, l.find("NetworkManager::isValid()")) << l;
    EXPECT_EQ(std::string::npos, l.find("WorldManager::isValid()")) << l;
  }
  EXPECT_TRUE(o->isModified(EVENTS));
  EventStep step(7);
  EventNetwork net(NetworkEventLabel::DATA);
  Event game;
  game.setType("game-event");
  // Each type reaches the object only through its own manager.
  world_test::eventLog().clear();
  wm().onEvent(&step);
  wm().onEvent(&net);
  NetworkManager::getInstance().onEvent(&game);
  EXPECT_TRUE(world_test::eventLog().empty());
  GameManager::getInstance().onEvent(&step);
  NetworkManager::getInstance().onEvent(&net);
  wm().onEvent(&game);
  std::string id = std::to_string(o->getId());
  EXPECT_EQ((std::vector<std::string>{id + ":vx-step", id + ":vx-network", id + ":game-event"}),
            world_test::eventLog());
  // Every network type goes to the network manager, both ways.
  const char *net_types[] = {"vx-keyboard-network", "vx-mouse-network", "vx-network-create", "vx-custom-network",
                             "vx-network-delete", "vx-network-game-over", "vx-network-sync"};
  for (const char *t : net_types) EXPECT_EQ(0, o->registerInterest(t)) << t;
  for (const char *t : net_types) EXPECT_EQ(0, o->unregisterInterest(t)) << t;

  EXPECT_EQ(0, o->unregisterInterest(EVENT_NETWORK));
  EXPECT_EQ(2, o->getEventCount());
  EXPECT_EQ(EVENT_STEP, o->getEventName(0));
  EXPECT_EQ("game-event", o->getEventName(1));
  world_test::eventLog().clear();
  NetworkManager::getInstance().onEvent(&net);
  EXPECT_TRUE(world_test::eventLog().empty());
  // The destructor unregisters the rest: no delivery reaches freed memory.
  delete o;
  GameManager::getInstance().onEvent(&step);
  wm().onEvent(&game);
  EXPECT_TRUE(world_test::eventLog().empty());
}

TEST_F(WorldTest, InterestRefusalsAndLimit) {
  Object *o = new Object;
  EXPECT_EQ(-1, o->registerInterest(EVENT_COLLISION));
  EXPECT_EQ(-1, o->registerInterest(EVENT_OUT));
  EXPECT_EQ(0, o->getEventCount());
  EXPECT_EQ(1, logCount("WorldManager::isValid(): Event vx-collision handled automatically."));
  EXPECT_EQ(-1, o->unregisterInterest("never"));
  EXPECT_EQ(1, logCount("Object::unregisterInterest(): event 'never' not previously registered"));
  for (int i = 0; i < 100; i++) ASSERT_EQ(0, o->registerInterest("type-" + std::to_string(i)));
  EXPECT_EQ(-1, o->registerInterest("one-too-many"));
  EXPECT_EQ(1, logCount("Object::registerInterest(): maximum (100) reached, cannot register for event "
                        "'one-too-many'"));
  EXPECT_EQ(100, o->getEventCount());
  EXPECT_EQ(0, o->unregisterInterest("type-0"));
  EXPECT_EQ("type-1", o->getEventName(0));
  EXPECT_EQ("type-99", o->getEventName(98));
}

TEST_F(WorldTest, ToStringAndEquality) {
  Object *a = new Object;
  std::string s = a->toString();
  EXPECT_EQ(0u, s.find(std::to_string(a->getId()) + ", (Undefined), "));
  EXPECT_NE(std::string::npos, s.find(", alt 2, hard, [ani "));
  EXPECT_NE(std::string::npos, s.find(", active true, visible true, ["));
  EXPECT_NE(std::string::npos, s.find("], false, no soft 0, [shape "));
  EXPECT_NE(std::string::npos, s.find("], [path , follow false, avoidfalse]"));
  EXPECT_EQ(s.size() - std::string(", avoidfalse]").size(), s.rfind(", avoidfalse]"));

  Object *b = new Object;
  EXPECT_TRUE(*a != *b);  // ids differ
  b->setId(a->getId());
  EXPECT_TRUE(*a == *b);
  b->setModified(0);  // not compared
  EXPECT_TRUE(*a == *b);
  b->registerInterest("x");
  EXPECT_TRUE(*a != *b);
  a->registerInterest("y");
  EXPECT_TRUE(*a != *b);  // same count, other name
  a->unregisterInterest("y");
  b->unregisterInterest("x");
  a->setSpeed(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FALSE(*a == *a);
}

TEST_F(WorldTest, VelocityDirectionAndAcceleration) {
  Object *o = new Object;
  o->setModified(0);
  o->setVelocity(Vector(3, 4));
  EXPECT_FLOAT_EQ(5, o->getSpeed());
  EXPECT_TRUE(near(Vector(0.6f, 0.8f), o->getDirection()));
  EXPECT_EQ(unsigned(SPEED | DIRECTION), o->getModified());
  o->setVelocity(Vector(0, 0));
  EXPECT_EQ(0, o->getSpeed());
  EXPECT_EQ(Vector(0, 0), o->getDirection());

  o->setSpeed(2);
  o->setDirection(Vector(0, 2));
  EXPECT_EQ(Vector(0, 1), o->getDirection());
  EXPECT_EQ(2, o->getSpeed());
  o->setDirection(Vector(0, 0));
  EXPECT_EQ(Vector(0, 0), o->getDirection());

  o->setPosition(Vector(10, 5));
  o->setDirection(Vector(1, 0));
  o->setSpeed(0.5f);
  EXPECT_EQ(Vector(10.5f, 5), o->predictPosition());
  EXPECT_EQ(Vector(10, 5), o->getPosition());

  o->setVelocity(Vector(0, 0));
  o->setModified(0);
  o->applyAcceleration();  // zero acceleration: nothing
  EXPECT_FALSE(o->isModified());
  o->setAcceleration(Vector(0, 0.01f));
  o->applyAcceleration();
  EXPECT_FLOAT_EQ(0.01f, o->getSpeed());
  EXPECT_EQ(Vector(0, 1), o->getDirection());

  o->setSpeed(3);
  o->headToward(Vector(10, 1));
  EXPECT_EQ(Vector(0, -1), o->getDirection());
  EXPECT_EQ(3, o->getSpeed());
  o->headToward(Vector(10, 5));
  EXPECT_EQ(Vector(0, 0), o->getDirection());
}

TEST_F(WorldTest, PathFollowingSnapsWithinThreshold) {
  Object *o = new Object;
  o->setPosition(Vector(10, 10));
  o->setSpeed(1);
  Path p;
  // 0.75 away (snapped), then 0.75 further (snapped), then 0.76 away (steered).
  p.setWaypoints({Vector(10.75f, 10), Vector(11.5f, 10), Vector(11.5f, 10.76f)});
  o->setPath(p);
  o->setFollowPath(true);
  EXPECT_EQ(Vector(1, 0), o->getDirection());
  o->setModified(0);
  o->followPathStep();
  EXPECT_EQ(Vector(11.5f, 10), o->getPosition());
  EXPECT_EQ(2, o->getPath().getIndex());
  EXPECT_TRUE(near(Vector(0, 1), o->getDirection()));
  EXPECT_TRUE(o->isModified(PATH));
  EXPECT_TRUE(o->isModified(POSITION));
  EXPECT_WORLD_OK();
  // At the end: stop, follow off, speed kept.
  o->setPosition(Vector(11.5f, 10.5f));
  o->followPathStep();
  EXPECT_EQ(Vector(11.5f, 10.76f), o->getPosition());
  EXPECT_EQ(Vector(0, 0), o->getDirection());
  EXPECT_FALSE(o->getFollowPath());
  EXPECT_EQ(1, o->getSpeed());
  // Not following: nothing happens.
  o->setPosition(Vector(3, 3));
  o->followPathStep();
  EXPECT_EQ(Vector(3, 3), o->getPosition());
}

TEST_F(WorldTest, SetFollowPathFalseStillTurnsTowardTheWaypoint) {
  Object *o = new Object;
  o->setPosition(Vector(5, 5));
  Path p;
  p.setWaypoints({Vector(5, 9)});
  o->setPath(p);
  o->setFollowPath(false);
  EXPECT_EQ(Vector(0, 1), o->getDirection());
  EXPECT_FALSE(o->getFollowPath());
  // Speed 0: only a waypoint exactly at the position is snapped.
  o->setFollowPath(true);
  o->followPathStep();
  EXPECT_EQ(Vector(5, 5), o->getPosition());
  o->setPosition(Vector(5, 9));
  o->followPathStep();
  EXPECT_FALSE(o->getFollowPath());
}

TEST_F(WorldTest, PathEventHandling) {
  Probe *o = new Probe;
  o->setPosition(Vector(2, 2));
  Path before;
  before.setWaypoints({Vector(1, 1)});
  o->setPath(before);

  EventPath none;
  none.setResult(NO_PATH);
  EXPECT_EQ(1, o->eventHandler(&none));
  EXPECT_EQ(before, o->getPath());
  EXPECT_FALSE(o->getFollowPath());

  Path found;
  found.setWaypoints({Vector(2, 6), Vector(3, 6)});
  EventPath ok(found);
  ok.setResult(FOUND);
  EXPECT_EQ(1, o->eventHandler(&ok));
  EXPECT_EQ(found, o->getPath());
  EXPECT_TRUE(o->getFollowPath());
  EXPECT_EQ(Vector(0, 1), o->getDirection());

  Event fake;
  fake.setType(EVENT_PATH);
  EXPECT_EQ(0, o->eventHandler(&fake));
  EXPECT_EQ(1, logCount("Object::eventHandler(): Error! Dynamic cast to EventPath failed."));
  Event other;
  other.setType("something");
  EXPECT_EQ(0, o->eventHandler(&other));
}

TEST_F(WorldTest, MissingSpriteAndNullPathTarget) {
  Object *o = new Object;
  Box box = o->getBox();
  EXPECT_EQ(-1, o->setSprite("no-such-sprite"));
  EXPECT_EQ(1, logCount("Object::setSprite(): Warning! Sprite 'no-such-sprite' not found"));
  EXPECT_EQ(box, o->getBox());
  EXPECT_EQ("", o->getAnimation().getName());
  o->setModified(0);
  o->pathTo(static_cast<Object *>(nullptr));
  EXPECT_EQ(nullptr, o->getPathFind());
  EXPECT_FALSE(o->isModified());
}
