// Resource manager: limits, label look-ups, unloading, lifecycle.
#include <gtest/gtest.h>

#include "ResourceSupport.h"
#include "display/ResourceManager.h"

using vx::test::ResourceTest;
using vx::test::spritePath;
using Lines = std::vector<std::string>;

class ResourceManagerTest : public ResourceTest {};

TEST_F(ResourceManagerTest, SpriteLimitIsAThousand) {
  std::string file = spritePath("robust-minimal.txt");
  for (int i = 0; i < vx::MAX_SPRITES; i++) ASSERT_EQ(0, rm().loadSprite(file, "s" + std::to_string(i)));
  mark();
  EXPECT_EQ(-1, rm().loadSprite(file, "extra"));
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Cannot add more Sprites (max is 1000).",
                   "RM::loadRobustSprite(): Sprite 'extra' not loaded."}),
            since());
  EXPECT_NE(nullptr, rm().getSprite("s999"));
  // Room again after an unload.
  EXPECT_EQ(0, rm().unloadSprite("s500"));
  EXPECT_EQ(0, rm().loadSprite(file, "extra"));
  EXPECT_NE(nullptr, rm().getSprite("extra"));
}

TEST_F(ResourceManagerTest, FirstLabelWinsAndUnloadKeepsOrder) {
  ASSERT_EQ(0, rm().loadSprite(spritePath("simple-ok.txt"), "dup"));
  ASSERT_EQ(0, rm().loadSprite(spritePath("robust-ok.txt"), "dup"));
  ASSERT_EQ(0, rm().loadSprite(spritePath("robust-minimal.txt"), "other"));
  EXPECT_EQ(vx::RED, rm().getSprite("dup")->getColor());
  EXPECT_EQ(0, rm().unloadSprite("dup"));
  EXPECT_EQ(vx::GREEN, rm().getSprite("dup")->getColor());
  EXPECT_EQ(0, rm().unloadSprite("dup"));
  mark();
  EXPECT_EQ(nullptr, rm().getSprite("dup"));
  EXPECT_EQ((Lines{"RM::getSprite(): Warning! Sprite 'dup' not found."}), since());
  EXPECT_EQ(-1, rm().unloadSprite("dup"));
  ASSERT_NE(nullptr, rm().getSprite("other"));
  EXPECT_EQ("abcd", rm().getSprite("other")->getFrame(0).getString());
  EXPECT_EQ(nullptr, rm().getSprite("Other"));  // case-sensitive
}

TEST_F(ResourceManagerTest, LookUpLinesAtLevelFive) {
  level(5);
  ASSERT_EQ(0, rm().loadSprite(spritePath("robust-minimal.txt"), "hero"));
  mark();
  EXPECT_NE(nullptr, rm().getSprite("hero"));
  EXPECT_EQ(nullptr, rm().getSound("boom"));
  EXPECT_EQ(nullptr, rm().getMusic("tune"));
  EXPECT_EQ((Lines{"RM::getSprite(): Looking for sprite 'hero'.",
                   "RM::getSound(): Looking for sound 'boom'.",
                   "RM::getSound(): Warning! Sound 'boom' not found.",
                   "RM::getMusic(): Looking for music 'tune'.",
                   "RM::getMusic(): Warning! Music 'tune' not found."}),
            since());
}

TEST_F(ResourceManagerTest, NotStarted) {
  rm().shutDown();
  mark();
  EXPECT_EQ(-1, rm().loadSprite(spritePath("simple-ok.txt"), "s"));
  EXPECT_EQ(-1, rm().unloadSprite("s"));
  EXPECT_EQ(-1, rm().loadSound("x.wav", "s"));
  EXPECT_EQ(-1, rm().unloadSound("s"));
  EXPECT_EQ(-1, rm().loadMusic("x.ogg", "s"));
  EXPECT_EQ(-1, rm().unloadMusic("s"));
  EXPECT_EQ(nullptr, rm().getSprite("s"));  // searches anyway
  Lines expect(6, "ResourceManager not started!");
  expect.push_back("RM::getSprite(): Warning! Sprite 's' not found.");
  EXPECT_EQ(expect, since());
}

TEST_F(ResourceManagerTest, StartTwiceKeepsResources) {
  ASSERT_EQ(0, rm().loadSprite(spritePath("simple-ok.txt"), "keep"));
  mark();
  EXPECT_EQ(-1, rm().startUp());
  EXPECT_EQ((Lines{"ResourceManager::startup(): Warning! ResourceManager already started."}), since());
  EXPECT_NE(nullptr, rm().getSprite("keep"));
}

TEST_F(ResourceManagerTest, ShutDownDeletesSpritesAndRestartIsEmpty) {
  level(5);
  ASSERT_EQ(0, rm().loadSprite(spritePath("simple-ok.txt"), "a"));
  mark();
  rm().shutDown();
  EXPECT_EQ((Lines{"RM::shutDown(): successfully stopped."}), since());
  EXPECT_FALSE(rm().isStarted());
  ASSERT_EQ(0, rm().startUp());
  level(0);
  EXPECT_EQ(nullptr, rm().getSprite("a"));
}

TEST_F(ResourceManagerTest, SoundAndMusicLoadFailures) {
  mark();
  EXPECT_EQ(-1, rm().loadSound("/nonexistent/a.wav", "a"));
  EXPECT_EQ(-1, rm().loadMusic("/nonexistent/a.ogg", "a"));
  EXPECT_EQ(-1, rm().loadMusic("/nonexistent/a.ogg", ""));
  Lines lines = since();
  // SFML writes its own complaints to its error stream, not to the log.
  EXPECT_EQ((Lines{"RM::loadSound(): Error! Cannot load sound from file '/nonexistent/a.wav'.",
                   "RM::loadmusic(): Error! Cannot load music from file '/nonexistent/a.ogg'.",
                   "RM::loadMusic(): Error! Must provide label for music."}),
            lines);
  EXPECT_EQ(nullptr, rm().getSound("a"));
  EXPECT_EQ(nullptr, rm().getMusic("a"));
}
