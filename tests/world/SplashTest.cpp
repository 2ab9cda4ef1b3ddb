#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/EventStep.h"
#include "display/Animation.h"
#include "display/EventKeyboard.h"
#include "display/InputManager.h"
#include "display/Sprite.h"
#include "loop/GameManager.h"
#include "loop/SplashLoop.h"
#include "support/ParticleCheck.h"
#include "world/Splash.h"
#include "world/SplashVexmoor.h"
#include "world/WorldManager.h"

using namespace vx;
using vx::test::particles::EngineFixture;
using vx::test::particles::countOf;
using vx::test::particles::objectsOf;

namespace {

// Calls back on every step event; created before the splash objects, it
// sees the state the previous steps left.
class StepProbe : public Object {
 public:
  std::function<void(int)> on_step;
  int steps = 0;
  StepProbe() {
    setType("Probe");
    setSolidness(SPECTRAL);
    registerInterest(EVENT_STEP);
  }
  int eventHandler(const Event *p_e) override {
    if (p_e->getType() != EVENT_STEP) return 0;
    steps++;
    if (on_step) on_step(steps);
    return 1;
  }
};

void pressKey() {
  EventKeyboard key;
  key.setKey(Keyboard::Q);
  key.setKeyboardAction(KeyboardAction::PRESSED);
  InputManager::getInstance().onEvent(&key);
}

bool frameSized(const Sprite *p_s, int i, int w, int h) {
  Frame fr = p_s->getFrame(i);
  return fr.getWidth() == w && fr.getHeight() == h &&
         fr.getString().size() == static_cast<std::size_t>(w * h);
}

} // namespace

TEST(Splash, BannerStartsBeyondTheRightEdge) {
  EngineFixture f;
  Splash *s = new Splash;
  EXPECT_EQ(s->getType(), "Splash");
  EXPECT_EQ(s->getSolidness(), SPECTRAL);
  EXPECT_EQ(s->getPosition(), Vector(103.5f, 12));
  EXPECT_FLOAT_EQ(s->getVelocity().getX(), -4.65625f);
  EXPECT_EQ(s->getVelocity().getY(), 0);
  EXPECT_EQ(s->getBox(), Box(Vector(-23.5f, -4), 47, 8));
  EXPECT_EQ(s->getCountdown(), 15);
  Animation a = s->getAnimation();
  EXPECT_EQ(a.getSlowdownCount(), -1);
  EXPECT_EQ(a.getIndex(), 0);
  Sprite *p_s = a.getSprite();
  ASSERT_NE(p_s, nullptr);
  EXPECT_EQ(p_s->getLabel(), "splash");
  EXPECT_EQ(p_s->getFrameCount(), 2);
  EXPECT_EQ(p_s->getColor(), GREEN);
  EXPECT_TRUE(frameSized(p_s, 0, 47, 8));
  EXPECT_TRUE(frameSized(p_s, 1, 47, 8));
  EXPECT_EQ(s->getEventName(0), EVENT_STEP);
  EXPECT_EQ(s->getEventName(1), EVENT_KEYBOARD);

  SplashVexmoor *e = new SplashVexmoor(Vector(62, 13));
  EXPECT_EQ(e->getPosition(), Vector(62, 30));
  EXPECT_NEAR(e->getVelocity().getY(), -17.0f / 30, 1e-6);
  Sprite *p_e = e->getAnimation().getSprite();
  ASSERT_NE(p_e, nullptr);
  EXPECT_EQ(p_e->getLabel(), "splash-vexmoor");
  EXPECT_EQ(p_e->getColor(), BLUE);
  EXPECT_EQ(p_e->getSlowdown(), 2);
  EXPECT_EQ(p_e->getFrameCount(), 2);
  EXPECT_TRUE(frameSized(p_e, 0, 11, 7));
  EXPECT_TRUE(frameSized(p_e, 1, 11, 7));
  EXPECT_NE(p_e->getFrame(0).getString(), p_e->getFrame(1).getString());
  EXPECT_NE(p_e->getFrame(0).getString().find("(O)"), std::string::npos);
}

TEST(Splash, ShortFrameTimeStillMoves) {
  EngineFixture f("headless:true,\nnetworking:false,\nframe_time:1,\n");
  Splash *s = new Splash;
  EXPECT_FLOAT_EQ(s->getVelocity().getX(), -74.5f);
}

TEST(Splash, Timeline) {
  EngineFixture f;
  vx::test::FakeTime clock;
  StepProbe *probe = new StepProbe;
  Splash *banner = new Splash;
  bool checked_stop = false, checked_rest = false, checked_land = false;
  float emblem_x = 0;
  // At probe step k the banner has handled k - 1 steps.
  probe->on_step = [&](int k) {
    if (k <= 15) {
      EXPECT_EQ(countOf("SplashVexmoor"), 0);
      EXPECT_LT(banner->getVelocity().getX(), 0);
    }
    if (k == 16) {
      checked_stop = true;
      EXPECT_EQ(banner->getVelocity(), Vector(0, 0));
      EXPECT_EQ(banner->getAnimation().getIndex(), 1);
      std::vector<SplashVexmoor *> e = objectsOf<SplashVexmoor>("SplashVexmoor");
      ASSERT_EQ(e.size(), 1u);
      EXPECT_EQ(e[0]->getEndPosition(),
                Vector(banner->getPosition().getX() + 24, banner->getPosition().getY() + 1));
      EXPECT_EQ(e[0]->getCountdown(), 30);
    }
    if (k == 46) {
      std::vector<SplashVexmoor *> e = objectsOf<SplashVexmoor>("SplashVexmoor");
      ASSERT_EQ(e.size(), 1u);
      EXPECT_EQ(e[0]->getVelocity(), Vector(0, 0)) << e[0]->getPosition().getY();
    }
    if (k == 47) {
      checked_rest = true;
      std::vector<SplashVexmoor *> e = objectsOf<SplashVexmoor>("SplashVexmoor");
      ASSERT_EQ(e.size(), 1u);
      EXPECT_EQ(e[0]->getVelocity(), Vector(0, 0));
      EXPECT_NEAR(e[0]->getPosition().getY(), e[0]->getEndPosition().getY(), 0.6);
      emblem_x = e[0]->getPosition().getX();
    }
    if (k == 61) {
      checked_land = true;
      std::vector<SplashVexmoor *> e = objectsOf<SplashVexmoor>("SplashVexmoor");
      ASSERT_EQ(e.size(), 1u);
      EXPECT_EQ(e[0]->getCountdown(), -15);
      Animation a = e[0]->getAnimation();
      ASSERT_NE(a.getSprite(), nullptr);
      EXPECT_EQ(a.getIndex(), 0);
      EXPECT_EQ(a.getSprite()->getColor(), GREEN);
      EXPECT_EQ(a.getSprite()->getFrameCount(), 1);
      EXPECT_TRUE(frameSized(a.getSprite(), 0, 9, 6));
      EXPECT_EQ(e[0]->getBox().getHorizontal(), 9);
      EXPECT_FLOAT_EQ(e[0]->getPosition().getX(), emblem_x - 1);
    }
  };
  GameManager::getInstance().run();
  EXPECT_TRUE(checked_stop && checked_rest && checked_land);
  EXPECT_EQ(GameManager::getInstance().getStepCount(), 90);
  EXPECT_EQ(probe->steps, 90);
  EXPECT_EQ(countOf("Splash"), 0);
  EXPECT_EQ(countOf("SplashVexmoor"), 0);
  // About three seconds of frames.
  EXPECT_EQ(clock.s_sleeps.size(), 90u);
}

TEST(Splash, AnyKeyEndsItAtOnce) {
  EngineFixture f;
  vx::test::FakeTime clock;
  StepProbe *probe = new StepProbe;
  int emblems = 0;
  probe->on_step = [&](int k) {
    emblems += countOf("SplashVexmoor");
    if (k == 1) pressKey();
  };
  new Splash;
  GameManager::getInstance().run();
  EXPECT_EQ(GameManager::getInstance().getStepCount(), 1);
  EXPECT_EQ(emblems, 0);
  EXPECT_EQ(countOf("Splash"), 0);

  // A key while the emblem rises ends both.
  probe->steps = 0;
  probe->on_step = [&](int k) {
    if (k == 20) {
      EXPECT_EQ(countOf("SplashVexmoor"), 1);
      pressKey();
    }
  };
  new Splash;
  GameManager::getInstance().run();
  EXPECT_EQ(GameManager::getInstance().getStepCount(), 20);
  EXPECT_EQ(countOf("Splash"), 0);
  EXPECT_EQ(countOf("SplashVexmoor"), 0);
}

TEST(Splash, RunsTwiceAndTheGameLoopFollows) {
  EngineFixture f(vx::test::DEFAULT_TEST_CONFIG, 10);
  vx::test::FakeTime clock;
  EXPECT_EQ(splash(), 0);
  EXPECT_EQ(GameManager::getInstance().getStepCount(), 90);
  EXPECT_EQ(splash(), 0);
  EXPECT_EQ(GameManager::getInstance().getStepCount(), 90);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "splash(): Started."), 2);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "splash(): Finished."), 2);

  StepProbe *probe = new StepProbe;
  probe->on_step = [](int k) {
    if (k == 3) GameManager::getInstance().setGameOver(true);
  };
  GameManager::getInstance().run();
  EXPECT_EQ(probe->steps, 3);
}

TEST(Splash, RefusedBeforeStartUp) {
  vx::test::TestEnv env;
  LogManager::getInstance().startUp();
  EXPECT_EQ(splash(), -1);
  EXPECT_TRUE(env.logContains(
      "splash(): Error! Cannot run splash screen until game manger is started."));
  EXPECT_EQ(WorldManager::getInstance().getAllObjects(true).getCount(), 0);
}
