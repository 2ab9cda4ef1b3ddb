#include <cstddef>
#include <new>

#include "support/ListItems.h"
#include "world/ViewObject.h"
#include "world/WorldFixture.h"

using namespace vx;
using vx::test::items;
using world_test::eventLog;
using world_test::Probe;
using world_test::WorldTest;

namespace {

// Ids of deleted objects, in order.
std::vector<int> &deleted() {
  static std::vector<int> d;
  return d;
}

class Doomed : public Object {
 public:
  Object *p_partner = nullptr;  // marked from the destructor, like the hero's shop
  Doomed() { setType("Doomed"); }
  ~Doomed() override {
    deleted().push_back(getId());
    if (p_partner) WorldManager::getInstance().markForDelete(p_partner);
  }
};

// Made in one place of memory: a new one lands where the last one was.
class Reborn : public Object {
 public:
  static void *operator new(size_t size) {
    alignas(std::max_align_t) static unsigned char s_place[2048];
    return size <= sizeof s_place ? s_place : throw std::bad_alloc();
  }
  static void operator delete(void *) {}
};

class ViewProbe : public ViewObject {
 public:
  int draws = 0;
  int draw() override {
    draws++;
    return 0;
  }
};

} // namespace

TEST_F(WorldTest, StartUpShutDownAndValidity) {
  EXPECT_EQ(-1, wm().startUp());
  EXPECT_EQ(1, logCount("WorldManager::startup(): Warning! WorldManager already started."));
  EXPECT_FALSE(wm().isValid("vx-collision"));
  EXPECT_EQ(1, logCount("WorldManager::isValid(): Event vx-collision handled automatically."));
  EXPECT_FALSE(wm().isValid("vx-out"));
  EXPECT_FALSE(wm().isValid("vx-step"));
  EXPECT_EQ(1, logCount("WorldManager::isValid(): WorldManager does not handle vx-step"));
  EXPECT_FALSE(wm().isValid("vx-keyboard"));
  EXPECT_FALSE(wm().isValid("vx-mouse"));
  EXPECT_TRUE(wm().isValid("vx-view"));
  EXPECT_TRUE(wm().isValid("vx-path"));
  Object *a = new Object;
  Object *b = new Object;
  b->setActive(false);
  (void)a;
  wm().shutDown();
  EXPECT_EQ(0, wm().getAllObjects(true).getCount());
  // Not started: objects are refused (the reason is written at level 2).
  Object *c = new Object;
  char line[120];
  snprintf(line, sizeof line, "Object::Object(): Error! Unable to add %p to game world.", static_cast<void *>(c));
  EXPECT_EQ(1, logCount(line));
  const std::string not_adding = "WorldManager::insertObject(): Warning! Not adding Object " + std::to_string(c->getId());
  const std::string because = std::string(30, ' ') + "because WorldManager not started.";
  EXPECT_EQ(0, logCount(not_adding));
  LogManager::getInstance().setLogLevel(2);
  EXPECT_EQ(-1, wm().insertObject(c));
  LogManager::getInstance().setLogLevel(0);
  EXPECT_EQ(1, logCount(not_adding));
  EXPECT_EQ(1, logCount(because));
  EXPECT_EQ(0, wm().getAllObjects(true).getCount());
  delete c;
  ASSERT_EQ(0, wm().startUp());
}

TEST_F(WorldTest, QueriesByPlaceIdAndType) {
  Object *a = new Probe("Bat");
  a->setPosition(Vector(3, 4));
  Object *b = new Probe("Slime");
  b->setPosition(Vector(3.9f, 4));  // box reaches x 4.39
  Object *c = new Probe("Bat");
  c->setPosition(Vector(3, 4));
  c->setActive(false);
  Object *d = new Probe("Bat");
  d->setPosition(Vector(20, 20));
  d->setSolidness(SPECTRAL);
  d->setVisible(false);
  EXPECT_EQ((std::vector<Object *>{a, b}), items(wm().objectsAtPosition(Vector(3, 4))));
  EXPECT_EQ((std::vector<Object *>{a, b, d}), items(wm().getAllObjects()));
  EXPECT_EQ((std::vector<Object *>{a, b, d, c}), items(wm().getAllObjects(true)));
  EXPECT_EQ((std::vector<Object *>{a, d}), items(wm().objectsOfType("Bat")));
  EXPECT_TRUE(wm().objectsOfType("Nobody").isEmpty());
  EXPECT_EQ(c, wm().objectWithId(c->getId()));
  EXPECT_EQ(nullptr, wm().objectWithId(-12345));
  // Touching edges count; solidness and visibility do not matter.
  EXPECT_EQ((std::vector<Object *>{d}), items(wm().objectsInBox(Box(Vector(20.49f, 20.49f), 3, 3))));
  EXPECT_TRUE(wm().objectsInBox(Box(Vector(20.5f, 20.5f), 3, 3)).isEmpty());
  EXPECT_EQ((std::vector<Object *>{a, b}), items(wm().objectsInBox(Box(Vector(0, 0), 4, 4))));
  EXPECT_EQ((std::vector<Object *>{d}), items(wm().objectsInCircle(Circle(Vector(21, 21), 1))));
  EXPECT_EQ((std::vector<Object *>{a, b}), items(wm().objectsOnLine(Line(Vector(0, 4), Vector(10, 4)))));
  EXPECT_EQ((std::vector<Object *>{a, b}), items(wm().solidObjects()));
  EXPECT_EQ((std::vector<Object *>{b}), items(wm().getCollisions(a, a->getPosition())));
  // Shared ids: the earliest active object, else the earliest inactive one;
  // a changed id is found under the new one only.
  int old_id = b->getId();
  b->setId(d->getId());
  EXPECT_EQ(nullptr, wm().objectWithId(old_id));
  EXPECT_EQ(b, wm().objectWithId(d->getId()));
  c->setId(d->getId());
  a->setId(d->getId());
  EXPECT_EQ(a, wm().objectWithId(d->getId()));
  a->setActive(false);
  b->setActive(false);
  d->setActive(false);
  EXPECT_EQ(c, wm().objectWithId(d->getId()));
  delete c;
  EXPECT_EQ(a, wm().objectWithId(d->getId()));
  a->setActive(true);
  a->setId(old_id);
  EXPECT_EQ(b, wm().objectWithId(d->getId()));
  EXPECT_EQ(a, wm().objectWithId(old_id));
}

TEST_F(WorldTest, MarkingTwiceDeletesOnce) {
  deleted().clear();
  Doomed *a = new Doomed;
  int id = a->getId();
  EXPECT_EQ(0, wm().markForDelete(a));
  EXPECT_EQ(0, wm().markForDelete(a));
  EXPECT_EQ(1, wm().getDeletionCount());
  // Marked objects finish the step.
  a->setVelocity(Vector(1, 0));
  wm().update();
  EXPECT_EQ((std::vector<int>{id}), deleted());
  EXPECT_EQ(0, wm().getDeletionCount());
  EXPECT_WORLD_OK();
  ObjectList none;
  EXPECT_EQ(0, wm().markForDelete(none));
  EXPECT_EQ(-1, wm().markForDelete(static_cast<Object *>(nullptr)));
  EXPECT_EQ(1, logCount("WorldManager::markForDelete(): Error! unable to add Object (nil) to deletions list"));
}

TEST_F(WorldTest, DeletionOrderAndMarksMadeByDestructors) {
  deleted().clear();
  Doomed *hero = new Doomed;
  Doomed *shop = new Doomed;
  Doomed *other = new Doomed;
  hero->p_partner = shop;
  // Only the hero is marked: its destructor marks the shop, deleted in the same loop.
  int hero_id = hero->getId(), shop_id = shop->getId(), other_id = other->getId();
  wm().markForDelete(other);
  wm().markForDelete(hero);
  wm().update();
  EXPECT_EQ((std::vector<int>{other_id, hero_id, shop_id}), deleted());
  EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{}));
}

TEST_F(WorldTest, DestructorMarkingAnAlreadyDeletedObject) {
  deleted().clear();
  Doomed *shop = new Doomed;
  Doomed *hero = new Doomed;
  int shop_id = shop->getId(), hero_id = hero->getId();
  hero->p_partner = shop;
  // The shop goes first; the hero's destructor then marks the freed shop.
  wm().markForDelete(wm().getAllObjects());
  wm().update();
  EXPECT_EQ((std::vector<int>{shop_id, hero_id}), deleted());
  EXPECT_EQ(0, wm().getDeletionCount());
  EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{}));
  // Objects created later may reuse the addresses and are deleted normally.
  Doomed *again = new Doomed;
  wm().markForDelete(again);
  wm().update();
  EXPECT_EQ(3u, deleted().size());
}

TEST_F(WorldTest, RemovedObjectsLeaveDeletionsAndFollowing) {
  deleted().clear();
  Doomed *a = new Doomed;
  Doomed *b = new Doomed;
  wm().markForDelete(a);
  EXPECT_EQ(0, wm().setViewFollowing(a));
  EXPECT_EQ(a, wm().getViewFollowing());
  delete a;  // by its owner, outside the world's loop
  EXPECT_EQ(0, wm().getDeletionCount());
  EXPECT_EQ(nullptr, wm().getViewFollowing());
  wm().update();
  EXPECT_EQ(1u, deleted().size());
  // Shutting down drops pending marks with the objects.
  wm().markForDelete(b);
  wm().shutDown();
  EXPECT_EQ(0, wm().getDeletionCount());
  EXPECT_EQ(2u, deleted().size());
  ASSERT_EQ(0, wm().startUp());
  wm().update();
  EXPECT_EQ(2u, deleted().size());
}

TEST_F(WorldTest, ShutDownWithDestructorsThatMarkOthers) {
  deleted().clear();
  Doomed *shop = new Doomed;
  Doomed *hero = new Doomed;
  hero->p_partner = shop;
  Doomed *shop2 = new Doomed;
  Doomed *hero2 = new Doomed;
  hero2->p_partner = shop2;
  hero2->setActive(false);
  wm().shutDown();
  EXPECT_EQ(4u, deleted().size());
  EXPECT_EQ(0, wm().getDeletionCount());
  ASSERT_EQ(0, wm().startUp());
}

TEST_F(WorldTest, UpdateOrderAndObjectsBornDuringTheStep) {
  Probe *mover = new Probe;
  mover->setPosition(Vector(10, 10));
  mover->setVelocity(Vector(1, 0));
  Probe *soft = new Probe;
  soft->setSolidness(SOFT);
  soft->setPosition(Vector(11, 10));
  Probe *born = nullptr;
  mover->on_event = [&](Probe *, const Event *e) {
    if (e->getType() == EVENT_COLLISION && !born) {
      born = new Probe;
      born->setSolidness(SPECTRAL);
      born->setPosition(Vector(40, 5));
      born->setVelocity(Vector(0, 1));
    }
  };
  wm().update();
  ASSERT_NE(nullptr, born);
  EXPECT_EQ(Vector(11, 10), mover->getPosition());
  EXPECT_EQ(Vector(40, 5), born->getPosition());
  wm().update();
  EXPECT_EQ(Vector(40, 6), born->getPosition());
  EXPECT_WORLD_OK();
  // Acceleration is applied after the move: the velocity counts next step.
  Probe *rest = new Probe;
  rest->setSolidness(SPECTRAL);
  rest->setPosition(Vector(60, 2));
  rest->setAcceleration(Vector(0, 0.5f));
  wm().update();
  EXPECT_EQ(Vector(60, 2), rest->getPosition());
  EXPECT_FLOAT_EQ(0.5f, rest->getSpeed());
  wm().update();
  EXPECT_EQ(Vector(60, 2.5f), rest->getPosition());
  EXPECT_WORLD_OK();

  // A handler deletes outright the mover's other party and a later object,
  // and makes a new one that lands at the later one's address: the move
  // skips the deleted party without reading it, and the new object waits for
  // the next step.
  Probe *walker = make(Vector(20, 20), SOFT);
  walker->setVelocity(Vector(1, 0));
  Probe *first = make(Vector(21, 20), SOFT);
  Probe *second = make(Vector(21, 20), SOFT);
  Object *later = new Reborn;
  later->setSolidness(SPECTRAL);
  Object *reborn = nullptr;
  first->on_event = [&](Probe *, const Event *e) {
    if (e->getType() != EVENT_COLLISION || reborn) return;
    delete second;
    delete later;
    reborn = new Reborn;
    reborn->setSolidness(SPECTRAL);
    reborn->setPosition(Vector(70, 10));
    reborn->setVelocity(Vector(0, 1));
  };
  wm().update();
  ASSERT_EQ(later, reborn);
  EXPECT_EQ(Vector(70, 10), reborn->getPosition());
  EXPECT_EQ(Vector(21, 20), walker->getPosition());
  EXPECT_EQ(1, walker->collisions);
  wm().update();
  EXPECT_EQ(Vector(70, 11), reborn->getPosition());
  EXPECT_WORLD_OK();
}

// The step walks its copy of the active objects: one deactivated by an
// earlier object's handler still takes its whole part of the step, one
// activated by it waits for the next step.
TEST_F(WorldTest, TheStepWalksItsCopyOfTheActiveObjects) {
  Probe *first = make(Vector(10, 10));
  first->setVelocity(Vector(1, 0));
  make(Vector(11, 10), SOFT);
  Probe *later = make(Vector(30, 10), SPECTRAL);
  later->setVelocity(Vector(0, 1));
  later->setAcceleration(Vector(0.5f, 0));
  Probe *asleep = make(Vector(50, 10), SPECTRAL);
  asleep->setVelocity(Vector(1, 0));
  ASSERT_EQ(0, asleep->setActive(false));
  first->on_event = [&](Probe *, const Event *e) {
    if (e->getType() != EVENT_COLLISION) return;
    later->setActive(false);
    asleep->setActive(true);
  };
  wm().update();
  EXPECT_FALSE(later->isActive());
  EXPECT_EQ(Vector(30, 11), later->getPosition());
  EXPECT_NEAR(0.5f, later->getVelocity().getX(), 1e-6);
  EXPECT_NEAR(1, later->getVelocity().getY(), 1e-6);
  EXPECT_EQ(Vector(50, 10), asleep->getPosition());
  wm().update();
  EXPECT_EQ(Vector(30, 11), later->getPosition());
  EXPECT_EQ(Vector(51, 10), asleep->getPosition());
  EXPECT_WORLD_OK();
}

// An object taken out of the world during a step takes no further part in
// it: the step does not move it, it collides with nobody, and a move of an
// object out of the world only sets its position.
TEST_F(WorldTest, ObjectsTakenOutDuringTheStepTakeNoPart) {
  Probe *mover = make(Vector(9, 10), SOFT);
  mover->setVelocity(Vector(1, 0));
  Probe *bullet = make(Vector(10, 10), SOFT);
  bullet->setVelocity(Vector(9.5f, 0));
  bullet->setAcceleration(Vector(1, 0));
  Probe *wall = make(Vector(19.5f, 10));
  // Pooled by its own handler when the mover steps onto it.
  bullet->on_event = [&](Probe *p, const Event *e) {
    if (e->getType() == EVENT_COLLISION) {
      EXPECT_EQ(0, wm().removeObject(p));
    }
  };
  // An arrow that pools itself at its first hit reaches no second target.
  Probe *arrow = make(Vector(40, 5), SOFT);
  arrow->setVelocity(Vector(1, 0));
  Probe *first = make(Vector(41, 5), SOFT);
  Probe *second = make(Vector(41, 5), SOFT);
  arrow->on_event = [&](Probe *p, const Event *e) {
    if (e->getType() == EVENT_COLLISION) {
      EXPECT_EQ(0, wm().removeObject(p));
    }
  };
  auto id = [](Object *o) { return std::to_string(o->getId()); };
  wm().update();
  EXPECT_EQ(Vector(10, 10), mover->getPosition());
  EXPECT_EQ(Vector(10, 10), bullet->getPosition());
  EXPECT_NEAR(9.5f, bullet->getVelocity().getX(), 1e-6);
  EXPECT_EQ(Vector(41, 5), arrow->getPosition());
  const std::string c = std::string(":") + EVENT_COLLISION + ":";
  EXPECT_EQ((std::vector<std::string>{id(mover) + c + id(mover) + ":" + id(bullet),
                                      id(bullet) + c + id(mover) + ":" + id(bullet),
                                      id(arrow) + c + id(arrow) + ":" + id(first),
                                      id(first) + c + id(arrow) + ":" + id(first)}),
            eventLog());
  EXPECT_EQ(0, wall->collisions);
  EXPECT_EQ(0, second->collisions);

  // Parked, a move is the setter alone: onto the wall and out of the world,
  // with no event for anyone and nothing filed.
  eventLog().clear();
  EXPECT_EQ(0, wm().moveObject(bullet, Vector(19.5f, 10)));
  EXPECT_EQ(Vector(19.5f, 10), bullet->getPosition());
  EXPECT_EQ(0, wm().moveObject(bullet, Vector(200, 10)));
  EXPECT_EQ(Vector(200, 10), bullet->getPosition());
  EXPECT_TRUE(eventLog().empty());
  EXPECT_EQ(0, wm().getCollisions(wall, wall->getPosition()).getCount());
  EXPECT_WORLD_OK();
  EXPECT_EQ(0, wm().insertObject(bullet));
  EXPECT_EQ(0, wm().insertObject(arrow));
  EXPECT_WORLD_OK();
}

TEST_F(WorldTest, DrawByAltitudeInsideTheView) {
  std::vector<int> order;
  auto rec = [&](Probe *p) { order.push_back(p->getId()); };
  Probe *top = new Probe;
  top->setAltitude(4);
  top->setPosition(Vector(5, 5));
  Probe *bottom = new Probe;
  bottom->setAltitude(0);
  bottom->setPosition(Vector(6, 5));
  Probe *mid = new Probe;
  mid->setPosition(Vector(7, 5));
  Probe *outside = new Probe;
  outside->setPosition(Vector(200, 5));
  Probe *hidden = new Probe;
  hidden->setVisible(false);
  Probe *edge = new Probe;
  edge->setPosition(Vector(80.49f, 5));  // box touches the view's right edge
  for (Probe *p : {top, bottom, mid, outside, hidden, edge}) p->on_draw = rec;
  ViewProbe *label = new ViewProbe;
  label->Object::setPosition(Vector(500, 500));
  wm().setBoundary(Box(Vector(0, 0), 300, 90));
  wm().draw();
  EXPECT_EQ((std::vector<int>{bottom->getId(), mid->getId(), edge->getId(), top->getId()}), order);
  EXPECT_EQ(0, outside->draws);
  EXPECT_EQ(0, hidden->draws);
  EXPECT_EQ(1, label->draws);
}

TEST_F(WorldTest, BoundaryViewAndSlack) {
  Object *o = new Object;
  o->setPosition(Vector(30, 10));
  Grid &g = wm().getSceneGraph().getGrid();
  wm().setBoundary(Box(Vector(0, 0), 80, 24));  // same box: no restart
  EXPECT_EQ(1, g.getObjects(Cell(1, 1)).getCount());
  wm().setBoundary(Box(Vector(0, 0), 300, 90));  // restarted, the object filed again
  EXPECT_EQ(1, g.getObjects(Cell(1, 1)).getCount());
  EXPECT_WORLD_OK();
  EXPECT_EQ(Box(Vector(0, 0), 300, 90), wm().getBoundary());

  wm().setViewSlack(Vector(1.5f, 0.5f));
  EXPECT_EQ(1, logCount("WorldManager::setViewSlack(): Warning! view slack units out of range [0-1]"));
  EXPECT_EQ(Vector(1.5f, 0.5f), wm().getViewSlack());
  wm().setViewSlack(Vector(1, 0));
  EXPECT_EQ(1, logCount("WorldManager::setViewSlack(): Warning! view slack units out of range [0-1]"));

  wm().setView(Box(Vector(0, 0), 80, 24));
  wm().setViewPosition(Vector(299, 89));
  EXPECT_EQ(Vector(220, 66), wm().getView().getCorner());
  wm().setViewPosition(Vector(100, 40));
  EXPECT_EQ(Vector(60, 28), wm().getView().getCorner());
  wm().setViewPosition(Vector(-5, -5));
  EXPECT_EQ(Vector(0, 0), wm().getView().getCorner());
  EXPECT_EQ(80, wm().getView().getHorizontal());
  wm().setBoundary(Box(Vector(0, 0), 60, 20));
  wm().setViewPosition(Vector(30, 10));  // view larger than the world
  EXPECT_EQ(Vector(0, 0), wm().getView().getCorner());
}

TEST_F(WorldTest, ViewFollowingTargets) {
  wm().setBoundary(Box(Vector(0, 0), 300, 90));
  Object *o = new Object;
  o->setPosition(Vector(100, 40));
  EXPECT_EQ(0, wm().setViewFollowing(o));
  EXPECT_EQ(Vector(60, 28), wm().getView().getCorner());
  Object *sleeper = new Object;
  sleeper->setActive(false);
  EXPECT_EQ(0, wm().setViewFollowing(sleeper));
  EXPECT_EQ(sleeper, wm().getViewFollowing());
  Object *stranger = reinterpret_cast<Object *>(o + 1);
  EXPECT_EQ(-1, wm().setViewFollowing(stranger));
  EXPECT_EQ(sleeper, wm().getViewFollowing());
  EXPECT_EQ(0, wm().setViewFollowing(nullptr));
  EXPECT_EQ(nullptr, wm().getViewFollowing());
}

// A pooled object: taken out of the world, changed, and entered again. Out of
// the world a setter changes only the object, silently, and the object meets
// no mover; entered again it is filed once by its state of that moment, and
// once deleted nothing of it is left to move through or draw.
TEST_F(WorldTest, PooledObjectChangedOutsideTheWorldIsFiledOnce) {
  struct Case {
    const char *name;
    std::function<void(Probe *)> before;  // while still in the world
    std::function<int(Probe *)> change;   // while out of it
  };
  const Case cases[] = {
      {"spectral to soft", [](Probe *p) { p->setSolidness(SPECTRAL); }, [](Probe *p) { return p->setSolidness(SOFT); }},
      {"spectral to hard", [](Probe *p) { p->setSolidness(SPECTRAL); }, [](Probe *p) { return p->setSolidness(HARD); }},
      {"visible", [](Probe *p) { p->setVisible(false); }, [](Probe *p) { return p->setVisible(true); }},
      {"invisible", [](Probe *) {}, [](Probe *p) { return p->setVisible(false); }},
      {"altitude", [](Probe *) {}, [](Probe *p) { return p->setAltitude(4); }},
      {"deactivated", [](Probe *) {}, [](Probe *p) { return p->setActive(false); }},
      {"activated", [](Probe *p) { p->setActive(false); }, [](Probe *p) { return p->setActive(true); }},
      {"type", [](Probe *) {}, [](Probe *p) { p->setType("Spare"); return 0; }},
      {"position", [](Probe *) {}, [](Probe *p) { return p->setPosition(Vector(50, 20)); }},
      {"box", [](Probe *) {}, [](Probe *p) { p->setBox(Box(Vector(-2, -2), 4, 4)); return 0; }},
  };
  for (const Case &c : cases) {
    Probe *walker = make(Vector(70, 2));
    Probe *p = make(Vector(30, 10), HARD, "Bullet");
    c.before(p);
    ASSERT_EQ(0, wm().removeObject(p)) << c.name;
    size_t lines = env.logLines().size();
    EXPECT_EQ(0, c.change(p)) << c.name;
    EXPECT_EQ(lines, env.logLines().size()) << c.name;
    EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{walker})) << c.name;
    EXPECT_TRUE(wm().getCollisions(walker, p->getPosition()).isEmpty()) << c.name;

    ASSERT_EQ(0, wm().insertObject(p)) << c.name;
    EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{walker, p})) << c.name;
    wm().draw();
    EXPECT_EQ(p->isActive() && p->isVisible() ? 1 : 0, p->draws) << c.name;
    EXPECT_EQ(p->isActive() && p->isSolid() ? 1 : 0, wm().getCollisions(walker, p->getPosition()).getCount())
        << c.name;

    Vector at = p->getPosition();
    wm().markForDelete(p);
    wm().update();
    EXPECT_EQ("", vx::test::checkWorld(std::vector<Object *>{walker})) << c.name;
    EXPECT_EQ(0, wm().moveObject(walker, at)) << c.name;
    EXPECT_EQ(0, walker->collisions) << c.name;
    wm().draw();
    wm().markForDelete(walker);
    wm().update();
  }
}
