#include <gtest/gtest.h>

#include "core/EventStep.h"
#include "core/LogManager.h"
#include "core/Manager.h"
#include "support/TestEnv.h"
#include "world/Object.h"

using namespace vx;
using vx::test::TestEnv;

namespace {

// A manager that takes every type except "refused".
class TestManager : public Manager {
 public:
  TestManager() { setType("TestManager"); }
  bool isValid(std::string event_type) const override { return event_type != "refused"; }
  int registerInterest(Object *p_o, std::string t) { return Manager::registerInterest(p_o->getListener(), t); }
  int unregisterInterest(Object *p_o, std::string t) { return Manager::unregisterInterest(p_o->getListener(), t); }
};

// Counts its events; may act on the manager while handling one.
class Probe : public Object {
 public:
  int handled = 0;
  int result = 1;
  TestManager *p_unregister_from = nullptr;
  Probe() { setType("Probe"); }
  int eventHandler(const Event *p_e) override {
    handled++;
    if (p_unregister_from) p_unregister_from->unregisterInterest(this, p_e->getType());
    return result;
  }
};

Event eventOf(const std::string &type) {
  Event e;
  e.setType(type);
  return e;
}

// Objects live in the world: the engine runs headless for these tests.
struct ManagerFixture : ::testing::Test {
  TestEnv env;
  TestManager m;
  void SetUp() override { ASSERT_EQ(0, env.startEngine()); }
};

} // namespace

TEST(Manager, BaseStartUpAndShutDown) {
  TestEnv env;
  ASSERT_EQ(0, LogManager::getInstance().startUp());
  LogManager::getInstance().setLogLevel(1);
  TestManager m;
  EXPECT_EQ("TestManager", m.getType());
  EXPECT_FALSE(m.isStarted());
  EXPECT_EQ(0, m.startUp());
  EXPECT_EQ(0, m.startUp());
  EXPECT_TRUE(m.isStarted());
  m.shutDown();
  m.shutDown();
  EXPECT_FALSE(m.isStarted());
  EXPECT_EQ(std::vector<std::string>({"Manager::startUp(): Warning! TestManager already started.",
                                      "Manager::shutDown(): Warning! TestManager not started."}),
            env.logLines());
  Manager plain;
  EXPECT_EQ("Manager", plain.getType());
  EXPECT_FALSE(plain.isValid("anything"));
}

TEST(Event, TypesAndStepCount) {
  Event e;
  EXPECT_EQ(EVENT_UNDEFINED, e.getType());
  e.setType("x");
  Event copy(e);
  EXPECT_EQ("x", copy.getType());
  EventStep s;
  EXPECT_EQ("vx-step", s.getType());
  EXPECT_EQ(0, s.getStepCount());
  EventStep s2(12);
  EXPECT_EQ(12, s2.getStepCount());
  s2.setStepCount(13);
  EXPECT_EQ(13, s2.getStepCount());
}

TEST_F(ManagerFixture, RegisterDeliverAndDuplicates) {
  LogManager::getInstance().setLogLevel(1);
  Probe *a = new Probe, *b = new Probe;
  EXPECT_EQ(0, m.registerInterest(a, "e1"));
  EXPECT_EQ(0, m.registerInterest(b, "e1"));
  EXPECT_EQ(0, m.registerInterest(a, "e1"));  // once only, with a warning
  EXPECT_EQ("Manager::registerInterest(): Warning! Not adding id " + std::to_string(a->getId()) +
                " (Probe) twice for event e1.",
            env.logLines().back());
  b->result = 0;
  Event e1 = eventOf("e1");
  EXPECT_EQ(1, m.onEvent(&e1));  // b handled it but returned 0
  EXPECT_EQ(1, a->handled);
  EXPECT_EQ(1, b->handled);

  Event other = eventOf("e2");
  EXPECT_EQ(0, m.onEvent(&other));
  EXPECT_EQ(-1, m.registerInterest(a, "refused"));
  EXPECT_EQ("Manager(TestManager)::registerInterest(): Event 'refused' not valid for this Manager",
            env.logLines().back());
}

TEST_F(ManagerFixture, UndefinedAndInvalidEventsReachNobody) {
  LogManager::getInstance().setLogLevel(1);
  Probe *a = new Probe;
  m.registerInterest(a, EVENT_UNDEFINED);
  Event undefined;
  EXPECT_EQ(0, m.onEvent(&undefined));
  EXPECT_EQ("Manager(TestManager)::onEvent(): Warning! Event type vx-undefined is undefined.", env.logLines().back());
  Event refused = eventOf("refused");
  EXPECT_EQ(0, m.onEvent(&refused));
  EXPECT_EQ("Manager(TestManager)::onEvent(): Error! Event type refused not valid.", env.logLines().back());
  EXPECT_EQ(0, a->handled);
}

TEST_F(ManagerFixture, InactiveObjectsAreSkipped) {
  Probe *a = new Probe, *b = new Probe;
  m.registerInterest(a, "e");
  m.registerInterest(b, "e");
  b->setActive(false);
  Event e = eventOf("e");
  EXPECT_EQ(1, m.onEvent(&e));
  EXPECT_EQ(0, b->handled);
  b->setActive(true);
  EXPECT_EQ(2, m.onEvent(&e));
}

TEST_F(ManagerFixture, UnregisterShiftsLaterTypes) {
  Probe *a = new Probe, *b = new Probe, *c = new Probe;
  m.registerInterest(a, "t0");
  m.registerInterest(b, "t1");
  m.registerInterest(c, "t2");
  EXPECT_EQ(-1, m.unregisterInterest(a, "t1"));  // not registered there
  EXPECT_EQ(-1, m.unregisterInterest(a, "none"));
  EXPECT_EQ(0, m.unregisterInterest(a, "t0"));
  EXPECT_EQ(-1, m.unregisterInterest(a, "t0"));
  Event t1 = eventOf("t1"), t2 = eventOf("t2"), t0 = eventOf("t0");
  EXPECT_EQ(1, m.onEvent(&t1));
  EXPECT_EQ(1, m.onEvent(&t2));
  EXPECT_EQ(0, m.onEvent(&t0));
  EXPECT_EQ(1, b->handled);
  EXPECT_EQ(1, c->handled);
  EXPECT_EQ(0, a->handled);
  // The freed slot takes a new type.
  EXPECT_EQ(0, m.registerInterest(a, "t3"));
  Event t3 = eventOf("t3");
  EXPECT_EQ(1, m.onEvent(&t3));
}

TEST_F(ManagerFixture, HundredTypesAtMost) {
  Probe *a = new Probe;
  for (int i = 0; i < MAX_EVENTS; i++) ASSERT_EQ(0, m.registerInterest(a, "type" + std::to_string(i)));
  int lines = int(env.logLines().size());
  EXPECT_EQ(-1, m.registerInterest(a, "one-too-many"));
  EXPECT_EQ(lines, int(env.logLines().size()));  // silently
  EXPECT_EQ(0, m.registerInterest(new Probe, "type99"));  // existing types still take objects
  for (int i = 0; i < MAX_EVENTS; i++) {
    Event e = eventOf("type" + std::to_string(i));
    EXPECT_EQ(i == 99 ? 2 : 1, m.onEvent(&e));
  }
  EXPECT_EQ(0, m.unregisterInterest(a, "type0"));
  EXPECT_EQ(0, m.registerInterest(a, "one-too-many"));
  Event last = eventOf("one-too-many");
  EXPECT_EQ(1, m.onEvent(&last));
}

TEST_F(ManagerFixture, DeliveryWalksACopy) {
  Probe *a = new Probe, *b = new Probe;
  a->p_unregister_from = &m;
  m.registerInterest(a, "e");
  m.registerInterest(b, "e");
  Event e = eventOf("e");
  EXPECT_EQ(2, m.onEvent(&e));  // a unregistered itself and still counts
  EXPECT_EQ(1, m.onEvent(&e));
  EXPECT_EQ(1, a->handled);
  EXPECT_EQ(2, b->handled);
}
