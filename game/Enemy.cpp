#include "Enemy.h"

#include <cstdlib>

#include "GameTimer.h"
#include "Hero.h"
#include "core/EventStep.h"
#include "core/ObjectList.h"
#include "display/DisplayManager.h"
#include "platform/Platform.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

namespace {

struct KindStats {
  const char *sprite;
  int max_hp;
  int damage;
  int reward;
  int move_delay;
  int sight_range;
  vx::Color burst;
};

const KindStats KINDS[3] = {
    {"slime", 3, 1, 10, 16, 7, vx::GREEN},
    {"bat", 2, 1, 15, 7, 6, vx::MAGENTA},
    {"brute", 8, 3, 50, 22, 9, vx::RED},
};

// Unknown kinds behave as slimes.
const KindStats &statsOf(int kind) { return (kind == 1 || kind == 2) ? KINDS[kind] : KINDS[0]; }

int sign(int v) { return (v > 0) - (v < 0); }

} // namespace

Enemy::Enemy(int kind, int x, int y) {
  setType("Enemy");
  setAltitude(2);
  registerInterest(vx::EVENT_STEP);
  m_kind = kind;
  const KindStats &k = statsOf(kind);
  setSprite(k.sprite);
  m_max_hp = k.max_hp;
  m_damage = k.damage;
  m_reward = k.reward;
  m_move_delay = k.move_delay;
  m_sight_range = k.sight_range;
  m_hp = m_max_hp;
  m_move_countdown = vx::platform::rand() % m_move_delay + m_move_delay;
  m_stun_timer = 0;
  m_base_max_hp = m_max_hp;
  m_base_damage = m_damage;
  m_level_applied = 0;
  applyLevel(GameTimer::getEnemyLevel());
  setGridPosition(x, y);
}

Enemy::~Enemy() {}

void Enemy::applyLevel(int level) {
  if (level <= m_level_applied) return;
  m_level_applied = level;
  int new_max = m_base_max_hp + (m_base_max_hp * 50 * level + 99) / 100;
  m_hp += new_max - m_max_hp;
  m_max_hp = new_max;
  m_damage = m_base_damage + level;
}

int Enemy::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() != vx::EVENT_STEP) return 0;
  if (m_hp < 1) return 1;
  if (m_stun_timer > 0) {
    m_stun_timer--;
    return 1;
  }
  m_move_countdown--;
  if (m_move_countdown > 0) return 1;
  m_move_countdown = m_move_delay;
  think();
  return 1;
}

void Enemy::think() {
  Hero *p_hero = findHero();
  if (!p_hero) {
    wander();
    return;
  }
  int hx = p_hero->getGridX();
  int hy = p_hero->getGridY();
  int d = std::abs(hx - getGridX()) + std::abs(hy - getGridY());
  if (d == 1) {
    if (p_hero->tryBlock())
      stun(STUN_STEPS);
    else
      p_hero->takeDamage(m_damage);
    return;
  }
  if (d > m_sight_range) {
    if (m_kind == 1 || vx::platform::rand() % 3 == 0) wander();
    return;
  }
  if (!stepToward(hx, hy)) wander();
}

bool Enemy::stepToward(int tx, int ty) {
  int dx = tx - getGridX();
  int dy = ty - getGridY();
  int sx = sign(dx), sy = sign(dy);
  int fx, fy, gx, gy;
  if (std::abs(dx) < std::abs(dy)) {
    fx = 0, fy = sy, gx = sx, gy = 0;
  } else {
    fx = sx, fy = 0, gx = 0, gy = sy;
  }
  bool second_zero = gx == 0 && gy == 0;
  if (fx == 0 && fy == 0) return second_zero ? false : tryMove(gx, gy);
  if (tryMove(fx, fy)) return true;
  return second_zero ? false : tryMove(gx, gy);
}

bool Enemy::wander() {
  static const int DIRS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  int i = vx::platform::rand() % 4;
  return tryMove(DIRS[i][0], DIRS[i][1]);
}

void Enemy::stun(int n) {
  m_stun_timer = n;
  vx::addParticles(1, getPosition(), 0.5f, vx::YELLOW);
}

void Enemy::die() {
  vx::addParticles(1, getPosition(), 1.0f, statsOf(m_kind).burst);
  Hero *p_hero = findHero();
  if (p_hero) p_hero->rewardKill(m_reward);
  vx::WorldManager::getInstance().markForDelete(this);
}

void Enemy::removeQuietly() {
  m_hp = 0;
  vx::WorldManager::getInstance().markForDelete(this);
}

Hero *Enemy::findHero() {
  vx::ObjectList list = vx::WorldManager::getInstance().objectsOfType("Hero");
  if (list.isEmpty()) return nullptr;
  return dynamic_cast<Hero *>(list[0]);
}

int Enemy::draw() {
  int result = vx::Object::draw();
  if (m_stun_timer > 0) {
    vx::DisplayManager &dm = vx::DisplayManager::getInstance();
    float x = getPosition().getX();
    float y = getPosition().getY() - 1;
    int off = ((m_stun_timer / 4) % 2 == 1) ? 1 : 2;
    dm.drawCh(vx::Vector(x - off, y), '*', vx::YELLOW, 0);
    dm.drawCh(vx::Vector(x + off, y), '*', vx::YELLOW, 0);
  }
  return result;
}

int Enemy::getKind() const { return m_kind; }
int Enemy::getReward() const { return m_reward; }
int Enemy::getDamage() const { return m_damage; }
int Enemy::getMoveDelay() const { return m_move_delay; }
int Enemy::getMoveCountdown() const { return m_move_countdown; }
int Enemy::getSightRange() const { return m_sight_range; }
int Enemy::getStunTimer() const { return m_stun_timer; }
int Enemy::getLevelApplied() const { return m_level_applied; }
bool Enemy::isStunned() const { return m_stun_timer > 0; }
