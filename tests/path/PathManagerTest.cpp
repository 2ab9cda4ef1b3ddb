// The path manager: its list rules, its passes and its time budget.

#include "PathTestWorld.h"
#include "loop/GameManager.h"
#include "platform/Platform.h"
#include "support/ClockSeam.h"
#include "world/EventPath.h"

using namespace vx;
using pathtest::PathWorld;

namespace {

// Records the path events it receives; optionally keeps its search.
class Seeker : public Object {
 public:
  static std::string s_order;
  std::string name;
  bool forward = true;
  int events = 0;
  int last_result = -1;
  size_t last_path_size = 0;
  int advance_clock_ms = 0;

  explicit Seeker(std::string n) : name(n) {}
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() == EVENT_PATH) {
      const EventPath *p_ep = dynamic_cast<const EventPath *>(p_e);
      events++;
      last_result = p_ep->getResult();
      last_path_size = p_ep->getPath().getWaypoints().size();
      s_order += name;
      if (advance_clock_ms) test::FakeTime::advanceMillis(advance_clock_ms);
      if (!forward) return 1;
    }
    return Object::eventHandler(p_e);
  }
};
std::string Seeker::s_order;

// A clock that moves 100 us on every reading.
int64_t ticking() { return test::FakeTime::s_now += 100; }

class PathManagerTest : public PathWorld {
 protected:
  PathManager &pm = PathManager::getInstance();
  void SetUp() override {
    PathWorld::SetUp();
    setWorld(30, 20);
    Seeker::s_order.clear();
  }
  // n seekers, each asking for the cell it stands on (done in one expansion).
  std::vector<Seeker *> seekers(int n) {
    std::vector<Seeker *> v;
    for (int i = 0; i < n; i++) {
      Seeker *p_s = new Seeker(std::string(1, (char)('A' + i % 26)));
      p_s->setSolidness(SPECTRAL);
      p_s->setPosition(Vector((float)(i % 30), (float)(i / 30)));
      p_s->pathTo(p_s->getPosition());
      v.push_back(p_s);
    }
    return v;
  }
  int countEvents(const std::vector<Seeker *> &v) {
    int n = 0;
    for (Seeker *p_s : v) n += p_s->events;
    return n;
  }
};

TEST_F(PathManagerTest, StartedByTheEngineWithATenthOfTheFrame) {
  EXPECT_TRUE(pm.isStarted());
  EXPECT_EQ(3, pm.getCycleTime());
  EXPECT_EQ(-1, pm.startUp());
  EXPECT_TRUE(env.logContains("PathManager::startup(): Warning! PathManager already started."));
  // Level-5 lines stay out of a level-0 log.
  EXPECT_FALSE(env.logContains("PathManager::startUp(): successfully started."));
  pm.setCycleTime(7);
  EXPECT_EQ(7, pm.getCycleTime());
}

TEST_F(PathManagerTest, AddAndRemoveRules) {
  Object *p_o = place(1, 1);
  PathFind a(p_o, Vector(1, 1), Vector(5, 5));
  PathFind b(p_o, Vector(1, 1), Vector(6, 6));
  EXPECT_EQ(-1, pm.addPath(nullptr));
  EXPECT_EQ(0, pm.addPath(&a));
  EXPECT_EQ(-1, pm.addPath(&a));
  EXPECT_EQ(1, pm.getNumPaths());
  EXPECT_EQ(-1, pm.removePath(&b));
  EXPECT_EQ(-1, pm.removePath(nullptr));
  EXPECT_EQ(1, pm.getNumPaths());
  EXPECT_EQ(0, pm.addPath(&b));
  EXPECT_EQ(0, pm.removePath(&a));
  EXPECT_EQ(1, pm.getNumPaths());
  EXPECT_EQ(-1, pm.removePath(&a));
  EXPECT_EQ(0, pm.removePath(&b));
  EXPECT_EQ(0, pm.getNumPaths());
}

// A ends in the first pass and leaves; B moves into its place while the index
// moves on to C, so B waits for the next pass: the order is A, C, B.
TEST_F(PathManagerTest, RemovalDuringAPassSkipsTheMovedSearch) {
  std::vector<Seeker *> v = seekers(3);
  EXPECT_EQ(3, pm.getNumPaths());
  pm.cycle(50);
  EXPECT_EQ("ACB", Seeker::s_order);
  EXPECT_EQ(0, pm.getNumPaths());
  for (Seeker *p_s : v) {
    EXPECT_EQ(FOUND, p_s->last_result);
    EXPECT_EQ(1u, p_s->last_path_size);
    EXPECT_EQ(nullptr, p_s->getPathFind());
  }
}

// An object that keeps its ended search still hears of it only once.
TEST_F(PathManagerTest, EndedSearchLeavesTheListEvenIfKept) {
  std::vector<Seeker *> v = seekers(1);
  v[0]->forward = false;
  pm.cycle(5);
  EXPECT_EQ(1, v[0]->events);
  EXPECT_EQ(0, pm.getNumPaths());
  EXPECT_NE(nullptr, v[0]->getPathFind());  // the object still owns it
  pm.cycle(5);
  EXPECT_EQ(1, v[0]->events);
}

TEST_F(PathManagerTest, SearchOutsideTheWorldDeliversNoPath) {
  Seeker *p_s = new Seeker("X");
  p_s->setPosition(Vector(2, 2));
  p_s->pathTo(Vector(45, 2));
  pm.cycle(5);
  EXPECT_EQ(1, p_s->events);
  EXPECT_EQ(NO_PATH, p_s->last_result);
  EXPECT_EQ(0u, p_s->last_path_size);
  EXPECT_EQ(0, pm.getNumPaths());
}

// With a clock that ticks on every reading, the number of expansions a call
// makes depends only on its limit: the larger of cycle time and time_ms.
TEST_F(PathManagerTest, BudgetIsTheLargerOfCycleTimeAndTimeGiven) {
  const int whole = 30 * 20 - 9;  // expansions of a search to an enclosed goal
  auto expansionsWith = [&](int cycle_time, int time_ms) {
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++)
        if (dx || dy) place((float)(25 + dx), (float)(15 + dy));
    Seeker *p_s = new Seeker("S");
    p_s->setSolidness(SPECTRAL);
    p_s->setPosition(Vector(0, 0));
    p_s->pathTo(Vector(25, 15));
    pm.setCycleTime(cycle_time);
    test::FakeTime fake;
    ClockSeam::setClock(&ticking);
    pm.cycle(time_ms);
    ClockSeam::setClock(nullptr);
    // The rest of the search, run here, tells how much the call did.
    PathFind *p_pf = p_s->getPathFind();
    EXPECT_EQ(0, pm.removePath(p_pf));
    int rest = 0;
    EXPECT_EQ(NO_PATH, runSearch(*p_pf, &rest));
    clearWorld();
    return whole - rest;
  };
  const int three = expansionsWith(3, 0);
  EXPECT_GE(three, 10);  // 100 us per reading: at least 3 ms of work
  EXPECT_LT(three, whole);
  EXPECT_EQ(three, expansionsWith(3, -20));
  EXPECT_EQ(three, expansionsWith(0, 3));
  EXPECT_EQ(three, expansionsWith(2, 3));
  const int ten = expansionsWith(3, 10);
  EXPECT_GT(ten, three);
  EXPECT_LT(ten, whole);
}

TEST_F(PathManagerTest, ExceededLineIsLevelFive) {
  test::FakeTime fake;
  {
    std::vector<Seeker *> v = seekers(1);
    v[0]->advance_clock_ms = 5;  // the delivery overruns the 3 ms limit
    pm.cycle(0);
    EXPECT_EQ(1, v[0]->events);
  }
  const std::string line = "PathManager::cycle(): cycle time 3 exceeded.";
  EXPECT_FALSE(env.logContains(line));
  LogManager::getInstance().setLogLevel(5);
  std::vector<Seeker *> v = seekers(1);
  v[0]->advance_clock_ms = 5;
  pm.cycle(2);
  EXPECT_TRUE(env.logContains(line));
}

TEST_F(PathManagerTest, EmptyCycleLogsNothing) {
  LogManager::getInstance().setLogLevel(5);
  const size_t before = env.readLog().size();
  pm.cycle(0);
  pm.cycle(-10);
  EXPECT_EQ(before, env.readLog().size());
}

TEST_F(PathManagerTest, CycleWorksWithoutStartUp) {
  pm.shutDown();
  EXPECT_FALSE(pm.isStarted());
  std::vector<Seeker *> v = seekers(2);
  pm.cycle(5);
  EXPECT_EQ(2, countEvents(v));
  EXPECT_EQ(0, pm.startUp());
}

}  // namespace
