#include <algorithm>
#include <tuple>

#include "GamePlay.h"
#include "world/EventView.h"

using game_test::GamePlay;
using game_test::all;

namespace {

using Seen = std::tuple<std::string, int, bool>;  // tag, value, delta

// Records every display event in the order it is sent.
class ViewRecorder : public vx::Object {
 public:
  std::vector<Seen> seen;
  ViewRecorder() {
    setType("ViewRecorder");
    setSolidness(vx::SPECTRAL);
    registerInterest(vx::EVENT_VIEW);
  }
  int eventHandler(const vx::Event *p_e) override {
    const vx::EventView *p_v = dynamic_cast<const vx::EventView *>(p_e);
    if (!p_v) return 0;
    seen.emplace_back(p_v->getTag(), p_v->getValue(), p_v->getDelta());
    return 1;
  }
  std::vector<Seen> take() {
    std::vector<Seen> out;
    out.swap(seen);
    return out;
  }
};

class HudTest : public GamePlay {};

std::vector<Seen> hudOf(int hp, int gold, int score) {
  return {Seen{"HP", hp, false}, Seen{"Gold", gold, false}, Seen{"Score", score, false}};
}

TEST_F(HudTest, HeroSendsHpGoldScoreInOrderOnlyWhenTheyChange) {
  startGame(false);
  Hero *h = hero();
  ViewRecorder *rec = new ViewRecorder;
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();

  h->rewardKill(30);
  EXPECT_EQ(rec->take(), hudOf(10, 30, 30));
  EXPECT_FALSE(h->spendGold(31));
  EXPECT_TRUE(rec->take().empty());
  EXPECT_TRUE(h->spendGold(30));
  EXPECT_EQ(rec->take(), hudOf(10, 0, 30));
  h->addMeleeDamage(1);
  h->addRangedDamage(1);
  EXPECT_TRUE(rec->take().empty());
  h->addMaxHp(5);
  EXPECT_EQ(rec->take(), hudOf(15, 0, 30));

  // A hit: shake 6 for 4 frames, then the display.
  dm.shake(0, 0, 0);
  EXPECT_FALSE(h->takeDamage(2));
  EXPECT_EQ(dm.getShakeDuration(), 4);
  EXPECT_EQ(rec->take(), hudOf(13, 0, 30));
  // Invulnerable: no shake, no display event.
  dm.shake(0, 0, 0);
  EXPECT_FALSE(h->takeDamage(2));
  EXPECT_EQ(dm.getShakeDuration(), 0);
  EXPECT_TRUE(rec->take().empty());
  h->healFull();
  EXPECT_EQ(rec->take(), hudOf(15, 0, 30));

  // The fatal hit shows HP 0 after the game-over object exists.
  step(10);
  rec->take();
  EXPECT_TRUE(h->takeDamage(99));
  EXPECT_EQ(rec->take(), hudOf(0, 0, 30));
  EXPECT_EQ(all<GameOver>("GameOver").size(), 1u);
}

TEST_F(HudTest, StairsSendTheFloorAndTheTimerShakesOnALevelRise) {
  startGame(false, "frame_time:1000,\n");
  Hero *h = hero();
  ViewRecorder *rec = new ViewRecorder;
  h->setGridPosition(44, 27);
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(rec->take(), std::vector<Seen>{Seen("Floor", 2, false)});
  step([] { press(vx::Keyboard::E); });
  EXPECT_EQ(rec->take(), std::vector<Seen>{Seen("Floor", 1, false)});

  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  clearEnemies();
  step(117);
  ASSERT_EQ(GameTimer::getEnemyLevel(), 0);
  dm.shake(0, 0, 0);
  vx::EventStep s(0);
  m_timer->eventHandler(&s);  // the 120th second
  ASSERT_EQ(GameTimer::getEnemyLevel(), 1);
  EXPECT_EQ(dm.getShakeDuration(), 6);
  std::vector<std::string> lines = env.logLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "GameTimer: enemies boosted to level 1"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "useStairs(): floor 1 -> floor 2"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "useStairs(): floor 2 -> floor 1"), 1);
}

} // namespace
