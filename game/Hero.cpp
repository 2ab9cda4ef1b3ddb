#include "Hero.h"

#include <cmath>

#include "GameOver.h"
#include "Level.h"
#include "Projectile.h"
#include "Shop.h"
#include "Slash.h"
#include "Stairs.h"
#include "core/EventStep.h"
#include "display/DisplayManager.h"
#include "display/EventKeyboard.h"
#include "display/EventMouse.h"
#include "loop/GameManager.h"
#include "world/EventView.h"
#include "world/Geometry.h"
#include "world/ParticleEffects.h"
#include "world/WorldManager.h"

Hero::Hero() {
  m_mouse_position = vx::Vector(0, 0);
  setType("Hero");
  setSprite("hero");
  setAltitude(3);
  registerInterest(vx::EVENT_KEYBOARD);
  registerInterest(vx::EVENT_MOUSE);
  registerInterest(vx::EVENT_STEP);
  m_move_cooldown = 0;
  m_melee_cooldown = 0;
  m_ranged_cooldown = 0;
  m_invuln_timer = 0;
  m_shield_timer = 0;
  m_shield_cooldown = 0;
  m_max_hp = START_HP;
  m_hp = START_HP;
  m_melee_damage = 2;
  m_ranged_damage = 1;
  m_score = 0;
  m_gold = 0;
  m_kills = 0;
  Level *p_level = findLevel();
  if (p_level) setGridPosition(p_level->getStartX(), p_level->getStartY());
  m_mouse_position = vx::worldToView(getPosition());
  m_p_shop = new Shop(this);
  vx::WorldManager::getInstance().setViewFollowing(this);
  updateHud();
}

Hero::~Hero() {
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  wm.setViewFollowing(nullptr);
  if (m_p_shop) wm.markForDelete(m_p_shop);
}

int Hero::eventHandler(const vx::Event *p_e) {
  std::string type = p_e->getType();
  if (type == vx::EVENT_KEYBOARD) {
    keyboard(dynamic_cast<const vx::EventKeyboard *>(p_e));
    return 1;
  }
  if (type == vx::EVENT_MOUSE) {
    mouse(dynamic_cast<const vx::EventMouse *>(p_e));
    return 1;
  }
  if (type == vx::EVENT_STEP) {
    step();
    return 1;
  }
  return 0;
}

void Hero::keyboard(const vx::EventKeyboard *p_e) {
  // A fallen hero waits for deletion at the end of the step: no more input.
  if (!p_e || m_hp < 1) return;
  bool shop_open = m_p_shop && m_p_shop->isOpen();
  int key = p_e->getKey();
  int action = p_e->getKeyboardAction();
  if (action == vx::KeyboardAction::PRESSED) {
    if (key == vx::Keyboard::E) {
      if (!m_p_shop) return;
      if (shop_open) {
        m_p_shop->close();
        return;
      }
      Level *p_level = findLevel();
      if (p_level) {
        int tile = p_level->tileAt(getGridX(), getGridY());
        if (tile == TILE_SHOP)
          m_p_shop->open();
        else if (tile == TILE_STAIRS)
          useStairs(this);
      }
      return;
    }
    if (key == vx::Keyboard::Q) {
      vx::GameManager::getInstance().setGameOver(true);
      return;
    }
  }
  if (shop_open) return;
  if (action == vx::KeyboardAction::PRESSED &&
      (key == vx::Keyboard::LEFTSHIFT || key == vx::Keyboard::RIGHTSHIFT)) {
    raiseShield();
    return;
  }
  if (action == vx::KeyboardAction::DOWN) {
    switch (key) {
      case vx::Keyboard::LEFTARROW:
      case vx::Keyboard::A: tryStep(-1, 0); break;
      case vx::Keyboard::RIGHTARROW:
      case vx::Keyboard::D: tryStep(1, 0); break;
      case vx::Keyboard::UPARROW:
      case vx::Keyboard::W: tryStep(0, -1); break;
      case vx::Keyboard::DOWNARROW:
      case vx::Keyboard::S: tryStep(0, 1); break;
      default: break;
    }
  }
}

void Hero::tryStep(int dx, int dy) {
  if (m_move_cooldown < 1 && tryMove(dx, dy)) m_move_cooldown = MOVE_COOLDOWN;
}

void Hero::raiseShield() {
  if (m_shield_cooldown < 1) {
    m_shield_timer = SHIELD_STEPS;
    m_shield_cooldown = SHIELD_COOLDOWN;
  }
}

void Hero::step() {
  if (m_move_cooldown > 0) m_move_cooldown--;
  if (m_melee_cooldown > 0) m_melee_cooldown--;
  if (m_ranged_cooldown > 0) m_ranged_cooldown--;
  if (m_invuln_timer > 0) m_invuln_timer--;
  if (m_shield_timer > 0) m_shield_timer--;
  if (m_shield_cooldown > 0) m_shield_cooldown--;
}

void Hero::mouse(const vx::EventMouse *p_e) {
  if (!p_e || m_hp < 1) return;
  m_mouse_position = p_e->getMousePosition();
  if (m_p_shop && m_p_shop->isOpen()) return;
  if (p_e->getMouseAction() != vx::MouseAction::CLICKED) return;
  if (p_e->getMouseButton() == vx::MouseButton::LEFT)
    meleeAttack();
  else if (p_e->getMouseButton() == vx::MouseButton::RIGHT)
    rangedAttack();
}

void Hero::getAimDirection(int &dx, int &dy) const {
  vx::Vector m = vx::viewToWorld(m_mouse_position);
  vx::Vector d(m.getX() - getPosition().getX(), m.getY() - getPosition().getY());
  vx::Vector p = vx::spacesToPixels(d);
  dx = 0;
  dy = 0;
  if (std::fabs(p.getX()) >= std::fabs(p.getY()))
    dx = p.getX() >= 0 ? 1 : -1;
  else
    dy = p.getY() >= 0 ? 1 : -1;
}

void Hero::meleeAttack() {
  if (m_melee_cooldown >= 1) return;
  m_melee_cooldown = MELEE_COOLDOWN;
  int dx, dy;
  getAimDirection(dx, dy);
  int x = getGridX() + dx;
  int y = getGridY() + dy;
  Level *p_level = findLevel();
  if (p_level && p_level->tileAt(x, y) == TILE_WALL) return;
  new Slash(x, y, m_melee_damage, this);
}

void Hero::rangedAttack() {
  if (m_ranged_cooldown >= 1) return;
  m_ranged_cooldown = RANGED_COOLDOWN;
  int dx, dy;
  getAimDirection(dx, dy);
  new Projectile(getGridX(), getGridY(), dx, dy, m_ranged_damage, this);
}

bool Hero::takeDamage(int amount) {
  if (m_p_shop && m_p_shop->isOpen()) return false;
  if (m_invuln_timer > 0) return false;
  m_invuln_timer = INVULN_STEPS;
  vx::DisplayManager::getInstance().shake(6, 6, 4, false);
  vx::addParticles(1, getPosition(), 1.0f, vx::RED);
  bool killed = GridEntity::takeDamage(amount);
  updateHud();
  return killed;
}

bool Hero::tryBlock() {
  if (!isShielded()) return false;
  vx::addParticles(1, getPosition(), 1.0f, vx::YELLOW);
  return true;
}

void Hero::die() {
  vx::WorldManager::getInstance().markForDelete(this);
  new GameOver(m_score, m_kills);
  vx::addParticles(1, getPosition(), 3.0f, vx::CYAN);
  vx::addParticles(1, getPosition(), 3.0f, vx::RED);
}

int Hero::draw() {
  if (m_invuln_timer > 0 && (m_invuln_timer / 2) % 2 == 0) return 0;
  int result = vx::Object::draw();
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  float x = getPosition().getX();
  float y = getPosition().getY();
  if (isShielded()) {
    dm.drawCh(vx::Vector(x - 2, y - 1), '[', vx::YELLOW, 0);
    dm.drawCh(vx::Vector(x - 2, y + 1), '[', vx::YELLOW, 0);
    dm.drawCh(vx::Vector(x + 2, y - 1), ']', vx::YELLOW, 0);
    dm.drawCh(vx::Vector(x + 2, y + 1), ']', vx::YELLOW, 0);
  }
  int dx, dy;
  getAimDirection(dx, dy);
  dm.drawCh(Level::cellToWorld(getGridX() + dx, getGridY() + dy), '+', vx::WHITE, 0);
  return result;
}

void Hero::updateHud() {
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  vx::EventView hp("HP", m_hp, false);
  wm.onEvent(&hp);
  vx::EventView gold("Gold", m_gold, false);
  wm.onEvent(&gold);
  vx::EventView score("Score", m_score, false);
  wm.onEvent(&score);
}

void Hero::rewardKill(int n) {
  // The game-over screen already holds the final score.
  if (m_hp < 1) return;
  m_score += n;
  m_gold += n;
  m_kills += 1;
  updateHud();
}

bool Hero::spendGold(int cost) {
  if (m_gold < cost) return false;
  m_gold -= cost;
  updateHud();
  return true;
}

void Hero::addMaxHp(int n) {
  m_max_hp += n;
  m_hp += n;
  updateHud();
}

void Hero::healFull() {
  m_hp = m_max_hp;
  updateHud();
}

void Hero::addMeleeDamage(int n) { m_melee_damage += n; }
void Hero::addRangedDamage(int n) { m_ranged_damage += n; }

int Hero::getGold() const { return m_gold; }
int Hero::getScore() const { return m_score; }
int Hero::getKills() const { return m_kills; }
int Hero::getMeleeDamage() const { return m_melee_damage; }
int Hero::getRangedDamage() const { return m_ranged_damage; }
bool Hero::isShielded() const { return m_shield_timer > 0; }
Shop *Hero::getShop() const { return m_p_shop; }
int Hero::getMoveCooldown() const { return m_move_cooldown; }
int Hero::getMeleeCooldown() const { return m_melee_cooldown; }
int Hero::getRangedCooldown() const { return m_ranged_cooldown; }
int Hero::getInvulnTimer() const { return m_invuln_timer; }
int Hero::getShieldTimer() const { return m_shield_timer; }
int Hero::getShieldCooldown() const { return m_shield_cooldown; }
vx::Vector Hero::getMousePosition() const { return m_mouse_position; }
