// Animation: stepping at the sprite's slowdown, transforms, box, equality,
// text and the raw form.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>

#include "ResourceSupport.h"
#include "core/Config.h"
#include "display/Animation.h"
#include "display/Sprite.h"

using vx::test::ResourceTest;
using Lines = std::vector<std::string>;

namespace {

class AnimationTest : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    vx::Config::getInstance().setHeadless(true);  // draws fail quietly
  }
};

// A sprite of count 1 x 1 frames "0", "1", ...
vx::Sprite *makeSprite(int count, int slowdown, const std::string &label = "anim") {
  vx::Sprite *p = new vx::Sprite(count);
  p->setWidth(1);
  p->setHeight(1);
  p->setSlowdown(slowdown);
  p->setLabel(label);
  for (int i = 0; i < count; i++) p->addFrame(vx::Frame(1, 1, std::string(1, char('0' + i))));
  return p;
}

std::vector<int> indicesOverDraws(vx::Animation &a, int draws) {
  std::vector<int> shown;
  for (int i = 0; i < draws; i++) {
    shown.push_back(a.getIndex());
    a.draw(vx::Vector(5, 5));
  }
  return shown;
}

}  // namespace

TEST_F(AnimationTest, StepsAtTheSlowdown) {
  std::unique_ptr<vx::Sprite> p(makeSprite(3, 2));
  vx::Animation a;
  a.setSprite(p.get());
  EXPECT_EQ((std::vector<int>{0, 0, 1, 1, 2, 2, 0, 0, 1, 1}), indicesOverDraws(a, 10));

  // Slowdown 0 behaves like 1.
  std::unique_ptr<vx::Sprite> fast(makeSprite(3, 0));
  a.setSprite(fast.get());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 1}), indicesOverDraws(a, 5));
}

TEST_F(AnimationTest, FreezeAndResume) {
  std::unique_ptr<vx::Sprite> p(makeSprite(3, 1));
  vx::Animation a;
  a.setSprite(p.get());
  a.draw(vx::Vector());
  a.setSlowdownCount(-1);
  EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), indicesOverDraws(a, 4));
  EXPECT_EQ(-1, a.getSlowdownCount());
  a.setSlowdownCount(0);
  EXPECT_EQ((std::vector<int>{1, 2, 0}), indicesOverDraws(a, 3));
}

TEST_F(AnimationTest, StaleIndexWrapsAtNextStep) {
  std::unique_ptr<vx::Sprite> p(makeSprite(2, 1));
  vx::Animation a;
  a.setSprite(p.get());
  a.setIndex(7);
  EXPECT_EQ(0, a.draw(vx::Vector()));  // empty frame: nothing drawn, no failure
  EXPECT_EQ(0, a.getIndex());
  vx::Animation none;
  EXPECT_EQ(0, none.draw(vx::Vector()));
  EXPECT_EQ(0, none.getIndex());
}

TEST_F(AnimationTest, ModifiedFlagAndSetters) {
  vx::Animation a;
  EXPECT_TRUE(a.isModified());
  vx::Animation b;
  EXPECT_TRUE(a == b);
  std::unique_ptr<vx::Sprite> p(makeSprite(2, 1, "hero"));
  a.setSprite(p.get());
  EXPECT_EQ("hero", a.getName());
  EXPECT_EQ(p.get(), a.getSprite());
  a.setIndex(1);
  a.setSprite(nullptr);  // keeps the name, clears the rest
  EXPECT_EQ("hero", a.getName());
  EXPECT_EQ(nullptr, a.getSprite());
  EXPECT_EQ(0, a.getIndex());
  EXPECT_EQ(0, a.getSlowdownCount());

  mark();
  a.setTransform(4);
  EXPECT_EQ((Lines{"Animation::setTransform(): Error! Unknown transform 4. Ignoring."}), since());
  EXPECT_EQ(vx::NONE, a.getTransform());
  a.setTransform(vx::HORIZONTAL);
  EXPECT_EQ(vx::HORIZONTAL, a.getTransform());

  // Differing only in transform: equal.
  vx::Animation c = a;
  c.setTransform(vx::BOTH);
  EXPECT_TRUE(a == c);
  c.setIndex(1);
  EXPECT_TRUE(a != c);
}

TEST_F(AnimationTest, BoxAndText) {
  vx::Animation a;
  vx::Box none = a.getBox();
  EXPECT_FLOAT_EQ(-0.5f, none.getCorner().getX());
  EXPECT_FLOAT_EQ(-0.5f, none.getCorner().getY());
  EXPECT_FLOAT_EQ(0.99f, none.getHorizontal());
  EXPECT_FLOAT_EQ(0.99f, none.getVertical());

  vx::Sprite s(1);
  s.setWidth(3);
  s.setHeight(2);
  s.setLabel("hero");
  a.setSprite(&s);
  vx::Box b = a.getBox();
  EXPECT_FLOAT_EQ(-1.5f, b.getCorner().getX());
  EXPECT_FLOAT_EQ(-1.0f, b.getCorner().getY());
  EXPECT_FLOAT_EQ(3.0f, b.getHorizontal());
  EXPECT_FLOAT_EQ(2.0f, b.getVertical());

  a.setIndex(2);
  a.setTransform(vx::HORIZONTAL);
  EXPECT_EQ("sprite hero, frame_idx 2, slowdown_count 0, transform HORIZONTAL", a.toString());
}

TEST_F(AnimationTest, RawFormIsByteExact) {
  vx::Animation a;
  a.setName("hero");
  a.setName("her");
  a.setIndex(1);
  a.setSlowdownCount(2);
  a.setTransform(3);
  std::stringstream ss;
  ASSERT_EQ(0, a.serialize(&ss));
  std::string raw = ss.str();
  ASSERT_EQ(23u, raw.size());
  const unsigned char expect[23] = {3, 0, 0, 0, 0, 0, 0, 0, 'h', 'e', 'r', 1, 0, 0, 0,
                                    2, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(expect, raw.data(), 23));

  vx::Animation b;
  ASSERT_EQ(0, b.deserialize(&ss));
  EXPECT_EQ("her", b.getName());
  EXPECT_EQ(1, b.getIndex());
  EXPECT_EQ(2, b.getSlowdownCount());
  EXPECT_EQ(3, b.getTransform());
  EXPECT_EQ(nullptr, b.getSprite());
}

TEST_F(AnimationTest, DeserializeRejectsBadLengths) {
  // A length larger than the bytes that follow, and the largest one
  // (which would wrap to a zero-byte buffer).
  for (uint64_t n : {uint64_t(13), ~uint64_t(0), uint64_t(1) << 40}) {
    std::stringstream ss;
    ss.write(reinterpret_cast<const char *>(&n), 8);
    ss.write("abc\1\0\0\0\2\0\0\0", 11);
    vx::Animation a;
    a.setName("keep");
    mark();
    EXPECT_EQ(-1, a.deserialize(&ss)) << n;
    EXPECT_EQ("keep", a.getName());
    EXPECT_EQ(1u, since().size());
    EXPECT_FALSE(ss.good());
  }
  // Truncated streams.
  std::stringstream shortlen("abc");
  vx::Animation a;
  mark();
  EXPECT_EQ(-1, a.deserialize(&shortlen));
  EXPECT_EQ((Lines{"Animation::deserialize(): Error! Stream eof."}), since());
  std::stringstream truncated;
  uint64_t two = 2;
  truncated.write(reinterpret_cast<const char *>(&two), 8);
  truncated.write("ab\1\0", 4);
  a.setIndex(9);
  mark();
  EXPECT_EQ(-1, a.deserialize(&truncated));
  EXPECT_EQ(9, a.getIndex());
  EXPECT_EQ((Lines{"Animation::deserialize(): Error! Stream eof."}), since());
}

TEST_F(AnimationTest, DeserializeNameStopsAtZeroByte) {
  std::stringstream ss;
  uint64_t n = 4;
  ss.write(reinterpret_cast<const char *>(&n), 8);
  ss.write("ab\0c", 4);
  int32_t v[3] = {0, 0, 1};
  ss.write(reinterpret_cast<const char *>(v), 12);
  vx::Animation a;
  ASSERT_EQ(0, a.deserialize(&ss));
  EXPECT_EQ("ab", a.getName());
  EXPECT_EQ(1, a.getTransform());
}
