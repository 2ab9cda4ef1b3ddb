#include <gtest/gtest.h>

#include <utility>

#include <SFML/Window/Keyboard.hpp>

#include "display/EventKeyboard.h"
#include "display/EventMouse.h"
#include "display/InputManager.h"

using namespace vx;

TEST(EventKeyboard, DefaultsAndCopies) {
  EventKeyboard e;
  EXPECT_EQ(e.getType(), "vx-keyboard");
  EXPECT_EQ(e.getKey(), -1);
  EXPECT_EQ(e.getKeyboardAction(), -1);

  e.setKey(Keyboard::RIGHTARROW);
  e.setKeyboardAction(KeyboardAction::DOWN);
  EventKeyboard copy(e);
  EXPECT_EQ(copy.getType(), "vx-keyboard");
  EXPECT_EQ(copy.getKey(), 5);
  EXPECT_EQ(copy.getKeyboardAction(), 2);
  EventKeyboard assigned;
  assigned = e;
  EXPECT_EQ(assigned.getKey(), 5);
  EXPECT_EQ(assigned.getKeyboardAction(), 2);

  // Accessors are virtual: reachable through the base.
  Event *p_base = &copy;
  EXPECT_EQ(dynamic_cast<EventKeyboard *>(p_base)->getKey(), 5);
}

TEST(EventMouse, DefaultsAndCopies) {
  EventMouse e;
  EXPECT_EQ(e.getType(), "vx-mouse");
  EXPECT_EQ(e.getMouseAction(), -1);
  EXPECT_EQ(e.getMouseButton(), -1);
  EXPECT_EQ(e.getMousePosition(), Vector(0, 0));
  e.setMouseAction(MouseAction::CLICKED);
  e.setMouseButton(MouseButton::MIDDLE);
  e.setMousePosition(Vector(5, 1.5f));
  EventMouse copy = e;
  EXPECT_EQ(copy.getType(), "vx-mouse");
  EXPECT_EQ(copy.getMouseAction(), 0);
  EXPECT_EQ(copy.getMouseButton(), 2);
  EXPECT_EQ(copy.getMousePosition(), Vector(5, 1.5f));
}

TEST(EventKeyboard, EnumerationValues) {
  const std::pair<int, int> values[] = {
      {Keyboard::F1, 24},          {Keyboard::F12, 35},         {Keyboard::A, 36},         {Keyboard::Z, 61},
      {Keyboard::NUM1, 62},        {Keyboard::NUM9, 70},        {Keyboard::NUM0, 71},      {Keyboard::BACKSPACE, 72},
      {Keyboard::LEFTBRACKET, 74}, {Keyboard::RIGHTBRACKET, 75}, {MouseAction::MOVED, 2}, {MouseButton::RIGHT, 1}};
  for (const std::pair<int, int> &v : values) EXPECT_EQ(v.first, v.second) << "value " << v.second;
}

TEST(EventKeyboard, KeyToStringTable) {
  const char *expected[77] = {
      " ", "", "", "", "", "", "", "", "", "-", "+", "~", ".", ",", "/", "=", "\\", "*", "'", ";",
      "",  "", "", "", "", "", "", "", "", "",  "",  "",  "",  "",  "",  "",  "A",  "B", "C", "D",
      "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X",
      "Y", "Z", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "", "", "[", "]", "`"};
  for (int k = 0; k <= 76; k++) EXPECT_EQ(keyToString(k), expected[k]) << "key " << k;
  EXPECT_EQ(keyToString(-1), "");
  EXPECT_EQ(keyToString(77), "");
  EXPECT_EQ(keyToString(-1000), "");
  EXPECT_EQ(keyToString(1 << 30), "");
}

TEST(EventKeyboard, SFMLKeysMapToEngineCodes) {
  struct Row {
    sf::Keyboard::Key sfml;
    int code;
  };
  const Row rows[] = {
      {sf::Keyboard::Space, 0},     {sf::Keyboard::Enter, 1},     {sf::Keyboard::Escape, 2},
      {sf::Keyboard::Tab, 3},       {sf::Keyboard::Left, 4},      {sf::Keyboard::Right, 5},
      {sf::Keyboard::Up, 6},        {sf::Keyboard::Down, 7},      {sf::Keyboard::Pause, 8},
      {sf::Keyboard::Subtract, 9},  {sf::Keyboard::Add, 10},      {sf::Keyboard::Tilde, 11},
      {sf::Keyboard::Period, 12},   {sf::Keyboard::Comma, 13},    {sf::Keyboard::Slash, 14},
      {sf::Keyboard::Equal, 15},    {sf::Keyboard::Backslash, 16}, {sf::Keyboard::Multiply, 17},
      {sf::Keyboard::Quote, 18},    {sf::Keyboard::Semicolon, 19}, {sf::Keyboard::LControl, 20},
      {sf::Keyboard::RControl, 21}, {sf::Keyboard::LShift, 22},   {sf::Keyboard::RShift, 23},
      {sf::Keyboard::F1, 24},       {sf::Keyboard::F10, 33},      {sf::Keyboard::F11, 34},
      {sf::Keyboard::F12, 35},      {sf::Keyboard::A, 36},        {sf::Keyboard::M, 48},
      {sf::Keyboard::Z, 61},        {sf::Keyboard::Num1, 62},     {sf::Keyboard::Num9, 70},
      {sf::Keyboard::Num0, 71},     {sf::Keyboard::Backspace, 72}, {sf::Keyboard::LBracket, 74},
      {sf::Keyboard::RBracket, 75},
  };
  for (const Row &r : rows) EXPECT_EQ(keyFromSFML(r.sfml), r.code) << sfmlKeyName(r.sfml);

  // Keys without an engine code.
  for (sf::Keyboard::Key k : {sf::Keyboard::LAlt, sf::Keyboard::RAlt, sf::Keyboard::LSystem, sf::Keyboard::Menu,
                              sf::Keyboard::Hyphen, sf::Keyboard::PageUp, sf::Keyboard::Home, sf::Keyboard::Delete,
                              sf::Keyboard::Divide, sf::Keyboard::Numpad0, sf::Keyboard::Numpad5,
                              sf::Keyboard::Numpad9, sf::Keyboard::F13, sf::Keyboard::F15, sf::Keyboard::Unknown})
    EXPECT_EQ(keyFromSFML(k), -1) << sfmlKeyName(k);
  EXPECT_EQ(keyFromSFML(101), -1);
  EXPECT_EQ(keyFromSFML(5000), -1);

  // Every code 0..75 but 73 comes from exactly one SFML key.
  int hits[77] = {0};
  for (int k = -1; k < sf::Keyboard::KeyCount; k++) {
    int code = keyFromSFML(k);
    if (code >= 0) hits[code]++;
  }
  for (int c = 0; c <= 76; c++) EXPECT_EQ(hits[c], (c == 73 || c == 76) ? 0 : 1) << "code " << c;
}

TEST(EventKeyboard, SFMLKeyNames) {
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::A), "A");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::Num0), "0");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::Numpad5), "Numpad 5");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::LAlt), "Left Alt");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::Pause), "Pause");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::F15), "F15");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::Unknown), "Unknown");
  EXPECT_EQ(sfmlKeyName(sf::Keyboard::KeyCount), "Unknown");
  EXPECT_EQ(sfmlKeyName(-77), "Unknown");
}
