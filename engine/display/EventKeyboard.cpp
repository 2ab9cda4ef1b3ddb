#include "display/EventKeyboard.h"

namespace vx {

EventKeyboard::EventKeyboard() : m_key(Keyboard::UNDEFINED), m_keyboard_action(KeyboardAction::UNDEFINED) {
  setType(EVENT_KEYBOARD);
}

EventKeyboard::~EventKeyboard() {}

void EventKeyboard::setKey(int new_key) { m_key = new_key; }
int EventKeyboard::getKey() const { return m_key; }
void EventKeyboard::setKeyboardAction(int new_action) { m_keyboard_action = new_action; }
int EventKeyboard::getKeyboardAction() const { return m_keyboard_action; }

std::string keyToString(int key) {
  switch (key) {
    case Keyboard::SPACE: return " ";
    case Keyboard::MINUS: return "-";
    case Keyboard::PLUS: return "+";
    case Keyboard::TILDE: return "~";
    case Keyboard::PERIOD: return ".";
    case Keyboard::COMMA: return ",";
    case Keyboard::SLASH: return "/";
    case Keyboard::EQUAL: return "=";
    case Keyboard::BACKSLASH: return "\\";
    case Keyboard::MULTIPLY: return "*";
    case Keyboard::QUOTE: return "'";
    case Keyboard::SEMICOLON: return ";";
    case Keyboard::LEFTBRACKET: return "[";
    case Keyboard::RIGHTBRACKET: return "]";
    case Keyboard::BACKQUOTE: return "`";
    case Keyboard::NUM0: return "0";
    default: break;
  }
  if (key >= Keyboard::A && key <= Keyboard::Z) return std::string(1, char('A' + (key - Keyboard::A)));
  if (key >= Keyboard::NUM1 && key <= Keyboard::NUM9) return std::string(1, char('1' + (key - Keyboard::NUM1)));
  return "";
}

} // namespace vx
