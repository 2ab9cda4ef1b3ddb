#include "Shop.h"

#include "GridEntity.h"
#include "Hero.h"
#include "Level.h"
#include "Overlay.h"
#include "core/EventStep.h"
#include "core/Utility.h"
#include "display/EventKeyboard.h"
#include "world/WorldManager.h"

namespace {
const int MENU_ROWS = 14;
const char *const LABELS[5] = {
    "[1] Full heal ................ ",
    "[2] +5 Max HP ................ ",
    "[3] +1 Melee damage .......... ",
    "[4] +1 Ranged damage ......... ",
    "[5] Door Key ................. ",
};
// The messages of items 2 to 4 bought.
const char *const UPGRADED[3] = {
    "+5 Max HP!",
    "Sword sharpened: +1 melee damage!",
    "Arrows reinforced: +1 ranged damage!",
};
} // namespace

Shop::Shop(Hero *p_hero) {
  setUpOverlay(this, "Shop");
  m_p_hero = p_hero;
  m_is_open = false;
  m_has_key = false;
  m_price_max_hp = 40;
  m_price_melee = 50;
  m_price_ranged = 50;
  m_message = "";
  m_message_timer = 0;
}

Shop::~Shop() {}

void Shop::open() {
  if (m_is_open) return;
  m_is_open = true;
  registerInterest(vx::EVENT_KEYBOARD);
  setMessage("Welcome! Press a number to buy, E to leave.");
}

void Shop::close() {
  if (!m_is_open) return;
  m_is_open = false;
  unregisterInterest(vx::EVENT_KEYBOARD);
}

bool Shop::isOpen() const { return m_is_open; }

void Shop::setMessage(std::string text) {
  m_message = text;
  m_message_timer = MESSAGE_STEPS;
}

void Shop::buy(int item) {
  if (!m_p_hero) return;
  Hero &h = *m_p_hero;
  std::string result;
  switch (item) {
    case 1:
      if (h.getHp() >= h.getMaxHp())
        result = "Already at full health.";
      else if (h.spendGold(PRICE_HEAL)) {
        h.healFull();
        result = "Healed!";
      } else
        result = "Not enough gold.";
      break;
    case 2:
    case 3:
    case 4: {
      // The upgrades: each paid, its price grows by half.
      int &price = item == 2 ? m_price_max_hp : item == 3 ? m_price_melee : m_price_ranged;
      if (!h.spendGold(price)) {
        result = "Not enough gold.";
        break;
      }
      if (item == 2)
        h.addMaxHp(5);
      else if (item == 3)
        h.addMeleeDamage(1);
      else
        h.addRangedDamage(1);
      price = (price * 3) / 2;
      result = UPGRADED[item - 2];
      break;
    }
    case 5:
      if (m_has_key)
        result = "You already have the key.";
      else if (h.spendGold(PRICE_KEY)) {
        m_has_key = true;
        Level *p_level = findLevel();
        if (p_level) p_level->setDoorsOpen(true);
        result = "Key acquired! Locked doors (+) are now open.";
      } else
        result = "Not enough gold.";
      break;
    default:
      return;
  }
  setMessage(result);
}

int Shop::eventHandler(const vx::Event *p_e) {
  if (p_e->getType() == vx::EVENT_STEP) {
    if (m_message_timer > 0) {
      m_message_timer--;
      if (m_message_timer == 0) m_message = "";
    }
    return 1;
  }
  if (p_e->getType() == vx::EVENT_KEYBOARD && m_is_open) {
    const vx::EventKeyboard *p_k = dynamic_cast<const vx::EventKeyboard *>(p_e);
    if (p_k && p_k->getKeyboardAction() == vx::KeyboardAction::PRESSED) {
      int key = p_k->getKey();
      if (key >= vx::Keyboard::NUM1 && key <= vx::Keyboard::NUM5) buy(key - vx::Keyboard::NUM1 + 1);
    }
    return 1;
  }
  return 0;
}

std::string Shop::rowText(int row) const {
  switch (row) {
    case 0:
    case 13: return std::string(56, '=');
    case 1: return "=  S H O P  =";
    case 2: return "Gold: " + vx::toString(m_p_hero ? m_p_hero->getGold() : 0);
    case 4: return std::string(LABELS[0]) + vx::toString(PRICE_HEAL) + "g";
    case 5: return std::string(LABELS[1]) + vx::toString(m_price_max_hp) + "g";
    case 6: return std::string(LABELS[2]) + vx::toString(m_price_melee) + "g";
    case 7: return std::string(LABELS[3]) + vx::toString(m_price_ranged) + "g";
    case 8:
      return std::string(LABELS[4]) + (m_has_key ? std::string("OWNED") : vx::toString(PRICE_KEY) + "g");
    case 10: return "Press E to leave";
    case 12: return m_message;
    default: return "";
  }
}

int Shop::draw() {
  if (!m_is_open) return 0;
  vx::Box view = vx::WorldManager::getInstance().getView();
  float cx = view.getHorizontal() / 2;
  float top = view.getVertical() / 2 - 7;
  for (int r = 0; r < MENU_ROWS; r++) {
    if (r == 3 || r == 9 || r == 11) continue;
    if (r == 12 && m_message.empty()) continue;
    vx::Color color = vx::WHITE;
    if (r == 0 || r == 1 || r == 13) color = vx::YELLOW;
    if (r == 10) color = vx::CYAN;
    if (r == 12) color = vx::GREEN;
    drawCentred(cx, top + r, rowText(r), color);
  }
  return 0;
}

bool Shop::getHasKey() const { return m_has_key; }
int Shop::getPriceMaxHp() const { return m_price_max_hp; }
int Shop::getPriceMelee() const { return m_price_melee; }
int Shop::getPriceRanged() const { return m_price_ranged; }
std::string Shop::getMessage() const { return m_message; }
int Shop::getMessageTimer() const { return m_message_timer; }
