#pragma once

#include <string>

#include "core/Event.h"
#include "core/EventOwner.h"

namespace vx {

// The engine's own key codes; game code never sees SFML's.
namespace Keyboard {
enum Key {
  UNDEFINED = -1,
  SPACE = 0,
  ENTER,
  ESCAPE,
  TAB,
  LEFTARROW,
  RIGHTARROW,
  UPARROW,
  DOWNARROW,
  PAUSE,
  MINUS,
  PLUS,
  TILDE,
  PERIOD,
  COMMA,
  SLASH,
  EQUAL,
  BACKSLASH,
  MULTIPLY,
  QUOTE,
  SEMICOLON,
  LEFTCONTROL,
  RIGHTCONTROL,
  LEFTSHIFT,
  RIGHTSHIFT,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
  A,
  B,
  C,
  D,
  E,
  F,
  G,
  H,
  I,
  J,
  K,
  L,
  M,
  N,
  O,
  P,
  Q,
  R,
  S,
  T,
  U,
  V,
  W,
  X,
  Y,
  Z,
  NUM1,
  NUM2,
  NUM3,
  NUM4,
  NUM5,
  NUM6,
  NUM7,
  NUM8,
  NUM9,
  NUM0,
  BACKSPACE,
  UNUSED_KEY = 73,  // produced by no key
  LEFTBRACKET = 74,
  RIGHTBRACKET = 75,
  BACKQUOTE = 76,   // produced by no key
};
} // namespace Keyboard

namespace KeyboardAction {
enum Action {
  UNDEFINED = -1,
  PRESSED = 0,   // went down (from the window's queue)
  RELEASED = 1,  // went up (from the queue)
  DOWN = 2,      // held, sent every step
};
} // namespace KeyboardAction

class EventKeyboard : public Event {
 private:
  int m_key;
  int m_keyboard_action;

 public:
  EventKeyboard();
  EventKeyboard(const EventKeyboard &other) = default;
  EventKeyboard &operator=(const EventKeyboard &other) = default;
  virtual ~EventKeyboard();

  virtual void setKey(int new_key);
  virtual int getKey() const;
  virtual void setKeyboardAction(int new_action);
  virtual int getKeyboardAction() const;
};

// Printable text of an engine key code; "" for keys without one.
std::string keyToString(int key);

} // namespace vx
