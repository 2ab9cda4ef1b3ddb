#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "display/Frame.h"
#include "display/Shape.h"
#include "display/Sprite.h"
#include "support/ParticleCheck.h"
#include "world/Debris.h"
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

namespace {

// What a particle shows, for comparing bursts.
struct Look {
  int age;
  int opacity;
  float vx, vy, size;
  bool operator==(const Look &o) const {
    return age == o.age && opacity == o.opacity && vx == o.vx && vy == o.vy && size == o.size;
  }
};

std::vector<Look> looks(const std::string &type) {
  std::vector<Look> out;
  for (Particle *p : objectsOf<Particle>(type))
    out.push_back({p->getAge(), p->getShape().getOpacity(), p->getVelocity().getX(),
                   p->getVelocity().getY(), p->getShape().getSize()});
  return out;
}

} // namespace

TEST(ParticleEffects, PresetOneBurst) {
  EngineFixture f;
  platform::srand(99);
  ASSERT_EQ(addParticles(1, Vector(40, 12), 1.0f, RED), 0);
  std::vector<Particle *> ps = objectsOf<Particle>("Particle");
  ASSERT_EQ(ps.size(), 50u);
  for (Particle *p : ps) {
    EXPECT_EQ(p->getShape(), circle(1.5f, 255, 0, 0));
    EXPECT_GE(p->getAge(), 8);
    EXPECT_LE(p->getAge(), 22);
    EXPECT_GE(p->getShape().getOpacity(), 218);
    float speed = p->getVelocity().getMagnitude();
    EXPECT_GE(speed, 0.05f - 1e-5f);
    EXPECT_LE(speed, 0.15f + 1e-5f);
    EXPECT_EQ(p->getPosition(), Vector(40, 12));
  }
}

TEST(ParticleEffects, FixedSeedGivesTheSameBurstInTheGivenDrawOrder) {
  EngineFixture f;
  platform::srand(4242);
  ASSERT_EQ(addParticles(1, Vector(10, 10), 1.0f, GREEN), 0);
  std::vector<Look> first = looks("Particle");
  vx::test::particles::clearWorld();
  platform::srand(4242);
  ASSERT_EQ(addParticles(1, Vector(10, 10), 1.0f, GREEN), 0);
  EXPECT_EQ(first, looks("Particle"));

  // The first particle from the draws in order: opacity, age, direction x
  // (two), direction y (two), speed.
  platform::srand(4242);
  int opacity = 255 + platform::rand() % 75 - 37;
  if (opacity > 255) opacity = 255;
  int age = 15 + platform::rand() % 15 - 7;
  int a = platform::rand(), b = platform::rand();
  float x = static_cast<float>((a - b) / 32767.0);
  a = platform::rand();
  b = platform::rand();
  float y = static_cast<float>((a - b) / 32767.0);
  float speed = 0.08f * (1 + 1.0f / 4);
  speed += static_cast<float>(platform::rand() / 32767.0 * speed - speed / 2.0);
  Vector v(x, y);
  v.normalize();
  v.scale(speed);
  EXPECT_EQ(first[0].opacity, opacity);
  EXPECT_EQ(first[0].age, age);
  EXPECT_FLOAT_EQ(first[0].vx, v.getX());
  EXPECT_FLOAT_EQ(first[0].vy, v.getY());
}

TEST(ParticleEffects, PresetScalesAndColours) {
  EngineFixture f;
  ASSERT_EQ(addParticles(1, Vector(5, 5), 0.5f, WHITE), 0);
  std::vector<Particle *> ps = objectsOf<Particle>("Particle");
  ASSERT_EQ(ps.size(), 25u);
  for (Particle *p : ps) {
    EXPECT_GE(p->getAge(), 4);
    EXPECT_LE(p->getAge(), 10);
    EXPECT_EQ(p->getShape(), circle(0.75f, 255, 255, 255));
  }
  vx::test::particles::clearWorld();

  // Preset 3: fireworks shot upward, tinted per firework.
  ASSERT_EQ(addParticles(3, Vector(5, 20), 1.0f, CUSTOM), 0);
  std::vector<Firework *> fw = objectsOf<Firework>("Firework");
  ASSERT_EQ(fw.size(), 4u);
  for (Firework *p : fw) {
    EXPECT_GE(p->getAge(), 10);
    EXPECT_LE(p->getAge(), 29);
    EXPECT_EQ(p->getShape().getSize(), 2);
    bool found = false;
    for (int d = -127; d <= 127 && !found; d++) {
      int r = std::min(255, 255 + d), g = std::max(0, std::min(255, 69 + d));
      found = p->getShape() == circle(2, r, g, 0);
    }
    EXPECT_TRUE(found);
  }
  vx::test::particles::clearWorld();

  // Preset 0 (grey puff) and 2 (pink burst) with CUSTOM keep their colours.
  ASSERT_EQ(addParticles(2, Vector(5, 5), 1.0f, CUSTOM), 0);
  for (Particle *p : objectsOf<Particle>("Particle")) {
    EXPECT_EQ(p->getShape(), circle(2.5f, 255, 20, 147));
    EXPECT_EQ(p->getAge(), 10);
    EXPECT_NEAR(p->getVelocity().getMagnitude(), 0.1f, 1e-5);
  }
  vx::test::particles::clearWorld();
  ASSERT_EQ(addParticles(0, Vector(5, 5), 1.0f, CUSTOM), 0);
  std::vector<Particle *> puff = objectsOf<Particle>("Particle");
  ASSERT_EQ(puff.size(), 20u);
  for (Particle *p : puff) {
    EXPECT_GE(p->getShape().getOpacity(), 103);
    EXPECT_LE(p->getShape().getOpacity(), 152);
    EXPECT_LT(p->getVelocity().getY(), 0);  // upward
  }
  vx::test::particles::clearWorld();

  EXPECT_EQ(addParticles(4, Vector(5, 5), 1.0f, RED), 0);
  EXPECT_EQ(addParticles(-1, Vector(5, 5), 1.0f, RED), 0);
  EXPECT_EQ(countOf("Particle") + countOf("Firework"), 0);
}

TEST(ParticleEffects, GeneralFormSpreads) {
  EngineFixture f;
  // A pure colour keeps its hue; the spread never leaves 0..255.
  ASSERT_EQ(addParticles(200, Vector(1, 1), 2, Vector(1, 0), 0, 1, 0, 0.5f, 0, 10, 0, 128, 50,
                         0, 200, 0, 100, 0),
            0);
  std::vector<Particle *> ps = objectsOf<Particle>("Particle");
  ASSERT_EQ(ps.size(), 200u);
  for (Particle *p : ps) {
    bool found = false;
    for (int g = 150; g <= 249 && !found; g++) found = p->getShape() == circle(1, 0, g, 0);
    EXPECT_TRUE(found);
    EXPECT_GE(p->getShape().getOpacity(), 103);
    EXPECT_LE(p->getShape().getOpacity(), 152);
    EXPECT_EQ(p->getAge(), 10);
    EXPECT_NEAR(p->getVelocity().getX(), 0.5f, 1e-6);
    EXPECT_GE(p->getPosition().getX(), 0);
    EXPECT_LE(p->getPosition().getX(), 2);
  }
  vx::test::particles::clearWorld();

  // Above 255 clamps.
  ASSERT_EQ(addParticles(50, Vector(1, 1), 0, Vector(0, 1), 0, 1, 0, 0.5f, 0, 10, 0, 255, 0,
                         250, 0, 0, 100, 0),
            0);
  for (Particle *p : objectsOf<Particle>("Particle")) {
    bool found = false;
    for (int r = 200; r <= 255 && !found; r++) found = p->getShape() == circle(1, r, 0, 0);
    EXPECT_TRUE(found);
  }
}

TEST(ParticleEffects, GeneralFormRefusesUnknownClass) {
  EngineFixture f;
  EXPECT_EQ(addParticles(5, Vector(1, 1), 0, Vector(0, 0), 0, 1, 0, 1, 0, 10, 0, 255, 0, 1, 1,
                         1, 0, 2),
            -1);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "addParticles(): Type 2 not defined."), 1);
  EXPECT_EQ(countOf("Particle"), 0);
  // A count of 0 does not look at the class.
  EXPECT_EQ(addParticles(0, Vector(1, 1), 0, Vector(0, 0), 0, 1, 0, 1, 0, 10, 0, 255, 0, 1, 1,
                         1, 0, 2),
            0);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "addParticles(): Type 2 not defined."), 1);
}

TEST(ParticleEffects, PrecipitationCountsAndKinds) {
  EngineFixture f;
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 300, 90));
  ASSERT_EQ(addParticles(0, DIRECTION_DOWN, 1.0f), 0);
  std::vector<Precipitation *> snow = objectsOf<Precipitation>("Precipitation");
  ASSERT_EQ(snow.size(), 450u);
  for (Precipitation *p : snow) {
    EXPECT_TRUE(p->getWobble());
    EXPECT_EQ(p->getAltitude(), 4);
    EXPECT_EQ(p->getVelocity(), Vector(0, 0.25f));
    EXPECT_GE(p->getShape().getSize(), 3.0f);
    EXPECT_LE(p->getShape().getSize(), 4.9f + 1e-5f);
    EXPECT_EQ(p->getShape().getOpacity(), 128);
  }
  vx::test::particles::clearWorld();
  ASSERT_EQ(addParticles(2, DIRECTION_LEFT, 1.0f), 0);
  std::vector<Precipitation *> stars = objectsOf<Precipitation>("Precipitation");
  ASSERT_EQ(stars.size(), 225u);
  for (Precipitation *p : stars) {
    EXPECT_FALSE(p->getWobble());
    EXPECT_EQ(p->getAltitude(), 0);
    float speed = -p->getVelocity().getX();
    EXPECT_EQ(p->getVelocity().getY(), 0);
    EXPECT_NEAR(p->getShape().getSize(), 20 * speed, 1e-4);
    EXPECT_GE(speed, 1.0f / 13 - 1e-6f);
    EXPECT_LE(speed, 1.0f / 4 + 1e-6f);
  }
  vx::test::particles::clearWorld();
  ASSERT_EQ(addParticles(1, DIRECTION_UP, 0.5f), 0);
  std::vector<Precipitation *> rain = objectsOf<Precipitation>("Precipitation");
  ASSERT_EQ(rain.size(), 225u);
  EXPECT_EQ(rain[0]->getVelocity(), Vector(0, -0.75f));
  EXPECT_EQ(rain[0]->getShape(), circle(3, 128, 128, 128));
  EXPECT_EQ(addParticles(5, DIRECTION_UP, 1.0f), 0);
  EXPECT_EQ(countOf("Precipitation"), 225);
}

TEST(ParticleEffects, PrecipitationDirectionChecks) {
  EngineFixture f;
  EXPECT_EQ(addParticles(1, 4, 1.0f), -1);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "addParticles(): Error!  Direction 4 not supported."), 1);
  EXPECT_EQ(addParticles(0, -1, 1.0f), -1);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "addParticles(): Error! Direction -1 not supported."), 1);
  EXPECT_EQ(countOf("Precipitation"), 0);
  // A world of no area makes no particle and does not look at the direction.
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 0, 50));
  EXPECT_EQ(addParticles(1, 4, 1.0f), 0);
  EXPECT_EQ(countOf("Precipitation"), 0);
  // A world less than a cell wide still works.
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 0.5f, 1000));
  EXPECT_EQ(addParticles(1, DIRECTION_DOWN, 1.0f), 0);
  EXPECT_EQ(countOf("Precipitation"), 8);
}

TEST(ParticleEffects, ExplodeWithTransformAndTransparency) {
  EngineFixture f;
  Sprite sprite(1);
  sprite.setWidth(3);
  sprite.setHeight(2);
  sprite.setColor(MAGENTA);
  sprite.setTransparency('.');
  sprite.addFrame(Frame(3, 2, "ab..cd"));

  ASSERT_EQ(explode(&sprite, 0, Vector(10, 10), 16, 1.0f, 20, HORIZONTAL), 0);
  std::vector<Debris *> ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 4u);
  const char chars[] = {'b', 'a', 'd', 'c'};
  const Vector places[] = {Vector(10, 9.5f), Vector(11, 9.5f), Vector(9, 10.5f),
                           Vector(10, 10.5f)};
  for (int i = 0; i < 4; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ds[i]->getCharacter(), chars[i]);
    EXPECT_EQ(ds[i]->getPosition(), places[i]);
    EXPECT_EQ(ds[i]->getColor(), MAGENTA);
    EXPECT_GE(ds[i]->getAge(), 14);
    EXPECT_LE(ds[i]->getAge(), 17);
    float speed = ds[i]->getVelocity().getMagnitude();
    EXPECT_GE(speed, 0.5f - 1e-5f);
    EXPECT_LT(speed, 1.0f);
    float rs = std::fabs(ds[i]->getRotationSpeed());
    EXPECT_GE(rs, 10);
    EXPECT_LT(rs, 20);
    EXPECT_EQ(ds[i]->getShape().getOpacity(), 255);
  }
  vx::test::particles::clearWorld();

  ASSERT_EQ(explode(&sprite, 0, Vector(10, 10), 16, 1.0f, 20, NONE), 0);
  ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 4u);
  EXPECT_EQ(ds[0]->getCharacter(), 'a');
  EXPECT_EQ(ds[0]->getPosition(), Vector(9, 9.5f));
  vx::test::particles::clearWorld();

  ASSERT_EQ(explode(&sprite, 0, Vector(10, 10), 16, 1.0f, 20, BOTH), 0);
  ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 4u);
  EXPECT_EQ(ds[0]->getCharacter(), 'd');
  EXPECT_EQ(ds[0]->getPosition(), Vector(9, 9.5f));
  vx::test::particles::clearWorld();

  // Without transparency blanks make debris too.
  Sprite plain(1);
  plain.setWidth(2);
  plain.setHeight(1);
  plain.addFrame(Frame(2, 1, " x"));
  ASSERT_EQ(explode(&plain, 0, Vector(3, 3), 8, 1.0f, 10, 7), 0);
  ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 2u);
  for (Debris *d : ds) {
    EXPECT_GE(d->getAge(), 7);
    EXPECT_LE(d->getAge(), 8);
  }
}

TEST(ParticleEffects, ExplodeEdgeCases) {
  EngineFixture f;
  EXPECT_EQ(explode(nullptr, 0, Vector(1, 1), 8, 1, 1, 0), -1);
  EXPECT_EQ(vx::test::particles::countLines(f.env, "explode(): Warning! sprite is NULL."), 1);

  Sprite sprite(2);
  sprite.setWidth(3);  // the sprite's size disagrees with its frames
  sprite.setHeight(3);
  sprite.addFrame(Frame(2, 2, "abcd"));
  sprite.addFrame(Frame(3, 3, "abcd"));  // too short for its size
  EXPECT_EQ(explode(&sprite, 5, Vector(1, 1), 8, 1, 1, 0), 0);
  EXPECT_EQ(countOf("Debris"), 0);

  ASSERT_EQ(explode(&sprite, 0, Vector(5, 5), 8, 1, 1, 0), 0);
  std::vector<Debris *> ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 4u);
  EXPECT_EQ(ds[3]->getCharacter(), 'd');
  EXPECT_EQ(ds[3]->getPosition(), Vector(5.5f, 5.5f));
  vx::test::particles::clearWorld();

  EXPECT_EQ(explode(&sprite, 1, Vector(5, 5), 8, 1, 1, 0), 0);
  EXPECT_EQ(countOf("Debris"), 0);
  EXPECT_TRUE(f.env.logContains("explode(): Warning! Frame 1 is 3 x 3 but holds 4 characters."));

  // An age below 4 has no spread and draws no number for it: five draws per
  // piece (two jitters, speed, rotation speed, its sign).
  Sprite one(1);
  one.setWidth(1);
  one.setHeight(1);
  one.addFrame(Frame(1, 1, "*"));
  platform::srand(77);
  ASSERT_EQ(explode(&one, 0, Vector(5, 5), 3, 1, 1, 0), 0);
  int after = platform::rand();
  platform::srand(77);
  for (int i = 0; i < 5; i++) platform::rand();
  EXPECT_EQ(after, platform::rand());
  ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 1u);
  EXPECT_EQ(ds[0]->getAge(), 3);
}

namespace {

float replayJitter(float s) {
  return static_cast<float>(platform::rand() / 32767.0 * s - s / 2.0);
}

} // namespace

TEST(ParticleEffects, GeneralFormDrawOrder) {
  EngineFixture f;
  platform::srand(2024);
  ASSERT_EQ(addParticles(1, Vector(10, 10), 2, Vector(1, 0), 0.5f, 3, 1, 0.5f, 0.2f, 20, 6, 200,
                         40, 100, 0, 50, 30, 0),
            0);
  std::vector<Particle *> ps = objectsOf<Particle>("Particle");
  ASSERT_EQ(ps.size(), 1u);
  const int after = platform::rand();

  // Opacity, age, size, colour, direction x then y, speed, position x then y.
  platform::srand(2024);
  int opacity = std::max(0, std::min(255, 200 + platform::rand() % 40 - 20));
  int age = 20 + platform::rand() % 6 - 3;
  float size = 3;
  size += replayJitter(1);
  int d = platform::rand() % 30 - 15;
  float x = 1, y = 0;
  x += replayJitter(0.5f);
  y += replayJitter(0.5f);
  Vector v(x, y);
  v.normalize();
  float speed = 0.5f;
  speed += replayJitter(0.2f);
  v.scale(speed);
  float px = 10, py = 10;
  px += replayJitter(2);
  py += replayJitter(2);
  EXPECT_EQ(after, platform::rand());  // no other draw

  Particle *p = ps[0];
  EXPECT_EQ(p->getShape().getOpacity(), opacity);
  EXPECT_EQ(p->getAge(), age);
  EXPECT_EQ(p->getShape(), circle(size, static_cast<unsigned char>(100 + d), 0,
                                  static_cast<unsigned char>(50 + d)));
  EXPECT_FLOAT_EQ(p->getVelocity().getX(), v.getX());
  EXPECT_FLOAT_EQ(p->getVelocity().getY(), v.getY());
  EXPECT_FLOAT_EQ(p->getPosition().getX(), px);
  EXPECT_FLOAT_EQ(p->getPosition().getY(), py);
}

TEST(ParticleEffects, ExplodeDrawOrderPerCell) {
  EngineFixture f;
  Sprite one(1);
  one.setWidth(1);
  one.setHeight(1);
  one.setColor(CYAN);
  one.addFrame(Frame(1, 1, "*"));
  platform::srand(555);
  ASSERT_EQ(explode(&one, 0, Vector(5, 5), 16, 2.0f, 40, NONE), 0);
  std::vector<Debris *> ds = objectsOf<Debris>("Debris");
  ASSERT_EQ(ds.size(), 1u);

  // Jitter x then y, age, speed, rotation speed, its sign.
  platform::srand(555);
  Vector v(0, 0);
  v.setX(v.getX() + replayJitter(1.5f));
  v.setY(v.getY() + replayJitter(1.5f));
  v.normalize();
  int age = 16 - 2 + platform::rand() % 4;
  float s = 1.0f + (platform::rand() % 1000) * 1.0f / 1000;
  v.scale(s);
  float rs = 20.0f + (platform::rand() % 1000) * 20.0f / 1000;
  if (platform::rand() % 2 == 0) rs = -rs;

  EXPECT_EQ(ds[0]->getAge(), age);
  EXPECT_FLOAT_EQ(ds[0]->getVelocity().getX(), v.getX());
  EXPECT_FLOAT_EQ(ds[0]->getVelocity().getY(), v.getY());
  EXPECT_FLOAT_EQ(ds[0]->getRotationSpeed(), rs);
  EXPECT_EQ(ds[0]->getColor(), CYAN);
  EXPECT_EQ(ds[0]->getPosition(), Vector(5, 5));
}

TEST(ParticleEffects, PrecipitationDrawsSizesBeforeStarts) {
  EngineFixture f;
  WorldManager::getInstance().setBoundary(Box(Vector(0, 0), 120, 2));  // two particles
  platform::srand(31);
  ASSERT_EQ(addParticles(2, DIRECTION_RIGHT, 1.0f), 0);
  std::vector<Precipitation *> ps = objectsOf<Precipitation>("Precipitation");
  ASSERT_EQ(ps.size(), 2u);

  platform::srand(31);
  int d0 = platform::rand() % 10 + 4;
  int d1 = platform::rand() % 10 + 4;
  EXPECT_EQ(ps[0]->getShape().getSize(), 20.0f / d0);
  EXPECT_EQ(ps[1]->getShape().getSize(), 20.0f / d1);
  EXPECT_EQ(ps[0]->getVelocity(), Vector(1.0f / d0, 0));
  EXPECT_EQ(ps[1]->getVelocity(), Vector(1.0f / d1, 0));
}
