#include "display/InputManager.h"

#include <cstring>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/Mouse.hpp>

#include "core/Config.h"
#include "core/EventOwner.h"
#include "core/LogManager.h"
#include "core/LoopState.h"
#include "display/DisplayManager.h"
#include "display/EventMouse.h"

namespace vx {

namespace {

struct KeyCode {
  sf::Keyboard::Key sfml;
  int engine;
};

// Held keys, in the order they are polled each step (F11 and F12 are not).
const KeyCode POLLED_KEYS[] = {
    {sf::Keyboard::Up, Keyboard::UPARROW},
    {sf::Keyboard::Down, Keyboard::DOWNARROW},
    {sf::Keyboard::Left, Keyboard::LEFTARROW},
    {sf::Keyboard::Right, Keyboard::RIGHTARROW},
    {sf::Keyboard::Space, Keyboard::SPACE},
    {sf::Keyboard::Enter, Keyboard::ENTER},
    {sf::Keyboard::Tab, Keyboard::TAB},
    {sf::Keyboard::Escape, Keyboard::ESCAPE},
    {sf::Keyboard::Pause, Keyboard::PAUSE},
    {sf::Keyboard::Subtract, Keyboard::MINUS},
    {sf::Keyboard::Add, Keyboard::PLUS},
    {sf::Keyboard::Tilde, Keyboard::TILDE},
    {sf::Keyboard::Period, Keyboard::PERIOD},
    {sf::Keyboard::Comma, Keyboard::COMMA},
    {sf::Keyboard::Slash, Keyboard::SLASH},
    {sf::Keyboard::Equal, Keyboard::EQUAL},
    {sf::Keyboard::Backslash, Keyboard::BACKSLASH},
    {sf::Keyboard::Multiply, Keyboard::MULTIPLY},
    {sf::Keyboard::Quote, Keyboard::QUOTE},
    {sf::Keyboard::LBracket, Keyboard::LEFTBRACKET},
    {sf::Keyboard::RBracket, Keyboard::RIGHTBRACKET},
    {sf::Keyboard::Semicolon, Keyboard::SEMICOLON},
    {sf::Keyboard::LControl, Keyboard::LEFTCONTROL},
    {sf::Keyboard::RControl, Keyboard::RIGHTCONTROL},
    {sf::Keyboard::LShift, Keyboard::LEFTSHIFT},
    {sf::Keyboard::RShift, Keyboard::RIGHTSHIFT},
    {sf::Keyboard::F1, Keyboard::F1},
    {sf::Keyboard::F2, Keyboard::F2},
    {sf::Keyboard::F3, Keyboard::F3},
    {sf::Keyboard::F4, Keyboard::F4},
    {sf::Keyboard::F5, Keyboard::F5},
    {sf::Keyboard::F6, Keyboard::F6},
    {sf::Keyboard::F7, Keyboard::F7},
    {sf::Keyboard::F8, Keyboard::F8},
    {sf::Keyboard::F9, Keyboard::F9},
    {sf::Keyboard::F10, Keyboard::F10},
    {sf::Keyboard::A, Keyboard::A},
    {sf::Keyboard::B, Keyboard::B},
    {sf::Keyboard::C, Keyboard::C},
    {sf::Keyboard::D, Keyboard::D},
    {sf::Keyboard::E, Keyboard::E},
    {sf::Keyboard::F, Keyboard::F},
    {sf::Keyboard::G, Keyboard::G},
    {sf::Keyboard::H, Keyboard::H},
    {sf::Keyboard::I, Keyboard::I},
    {sf::Keyboard::J, Keyboard::J},
    {sf::Keyboard::K, Keyboard::K},
    {sf::Keyboard::L, Keyboard::L},
    {sf::Keyboard::M, Keyboard::M},
    {sf::Keyboard::N, Keyboard::N},
    {sf::Keyboard::O, Keyboard::O},
    {sf::Keyboard::P, Keyboard::P},
    {sf::Keyboard::Q, Keyboard::Q},
    {sf::Keyboard::R, Keyboard::R},
    {sf::Keyboard::S, Keyboard::S},
    {sf::Keyboard::T, Keyboard::T},
    {sf::Keyboard::U, Keyboard::U},
    {sf::Keyboard::V, Keyboard::V},
    {sf::Keyboard::W, Keyboard::W},
    {sf::Keyboard::X, Keyboard::X},
    {sf::Keyboard::Y, Keyboard::Y},
    {sf::Keyboard::Z, Keyboard::Z},
    {sf::Keyboard::Num1, Keyboard::NUM1},
    {sf::Keyboard::Num2, Keyboard::NUM2},
    {sf::Keyboard::Num3, Keyboard::NUM3},
    {sf::Keyboard::Num4, Keyboard::NUM4},
    {sf::Keyboard::Num5, Keyboard::NUM5},
    {sf::Keyboard::Num6, Keyboard::NUM6},
    {sf::Keyboard::Num7, Keyboard::NUM7},
    {sf::Keyboard::Num8, Keyboard::NUM8},
    {sf::Keyboard::Num9, Keyboard::NUM9},
    {sf::Keyboard::Num0, Keyboard::NUM0},
    {sf::Keyboard::Backspace, Keyboard::BACKSPACE},
};

// Names of SFML's keys, indexed by its key code.
const char *const SFML_KEY_NAMES[] = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T",
    "U", "V", "W", "X", "Y", "Z", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "Escape",
    "Left Control", "Left Shift", "Left Alt", "Left System", "Right Control", "Right Shift", "Right Alt",
    "Right System", "Menu", "[", "]", ";", ",", ".", "'", "/", "\\", "`", "=", "-", "Space", "Enter",
    "Backspace", "Tab", "Page Up", "Page Down", "End", "Home", "Insert", "Delete", "Numpad +", "Numpad -",
    "Numpad *", "Numpad /", "Left", "Right", "Up", "Down", "Numpad 0", "Numpad 1", "Numpad 2", "Numpad 3",
    "Numpad 4", "Numpad 5", "Numpad 6", "Numpad 7", "Numpad 8", "Numpad 9", "F1", "F2", "F3", "F4", "F5",
    "F6", "F7", "F8", "F9", "F10", "F11", "F12", "F13", "F14", "F15", "Pause",
};

static_assert(sizeof(SFML_KEY_NAMES) / sizeof(SFML_KEY_NAMES[0]) == sf::Keyboard::KeyCount,
              "one name per SFML key");

void send(const Event &event) { InputManager::getInstance().onEvent(&event); }

} // namespace

int keyFromSFML(int sfml_key) {
  switch (sfml_key) {
    case sf::Keyboard::F11: return Keyboard::F11;
    case sf::Keyboard::F12: return Keyboard::F12;
    default: break;
  }
  for (const KeyCode &k : POLLED_KEYS)
    if (k.sfml == sfml_key) return k.engine;
  return Keyboard::UNDEFINED;
}

std::string sfmlKeyName(int sfml_key) {
  if (sfml_key < 0 || sfml_key >= sf::Keyboard::KeyCount) return "Unknown";
  return SFML_KEY_NAMES[sfml_key];
}

InputManager::InputManager() { setType("InputManager"); }

InputManager::~InputManager() {}

InputManager &InputManager::getInstance() {
  static InputManager input_manager;
  return input_manager;
}

bool InputManager::isValid(std::string event_type) const {
  return eventOwner(event_type) == EventOwner::INPUT;
}

int InputManager::startUp() {
  LogManager &lm = LogManager::getInstance();
  if (refuseSecondStartUp()) return -1;
  if (Config::getInstance().getHeadless()) {
    lm.writeLog(1, "InputManager::startUp(): no input in headless mode.");
    Manager::startUp();
    lm.writeLog(5, "InputManager::startUp(): successfully started.");
    return 0;
  }
  DisplayManager &dm = DisplayManager::getInstance();
  if (!dm.isStarted()) {
    lm.writeLog("InputManager::startUp(): Error! DisplayManager must be started first.");
    return -1;
  }
  if (dm.getWindow() != nullptr) {
    dm.getWindow()->setKeyRepeatEnabled(false);
    lm.writeLog(2, "InputManager::startUp(): Keyboard repeated disabled.");  // "repeated" kept verbatim
  } else {
    lm.writeLog("InputManager::startUp(): Warning! DisplayManager null. Cannot disable keyboard repeat.");
  }
  Manager::startUp();
  lm.writeLog(5, "InputManager::startUp(): successfully started.");
  return 0;
}

void InputManager::shutDown() {
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (p_window != nullptr) {
    p_window->setKeyRepeatEnabled(true);
    LogManager::getInstance().writeLog(2, "InputManager::shutDown(): Keyboard repeat enabled.");
  }
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "InputManager::shutDown(): successfully stopped.");
}

void InputManager::getInput() {
  if (Config::getInstance().getHeadless()) return;
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (p_window == nullptr) {
    LogManager::getInstance().writeLog("InputManager::getInput(): DisplayManager unexpectedly returned null window!");
    return;
  }

  // Edges, from the window's queue.
  sf::Event event;
  while (p_window->pollEvent(event)) {
    switch (event.type) {
      case sf::Event::Closed:
        LogManager::getInstance().writeLog(1, "InputManager::getInput(): Window closed. Setting game over.");
        LoopState::getInstance().setGameOver(true);
        return;
      case sf::Event::KeyPressed: {
        EventKeyboard keyboard = toEventKeyboard(event);
        keyboard.setKeyboardAction(KeyboardAction::PRESSED);
        send(keyboard);
        break;
      }
      case sf::Event::KeyReleased: {
        EventKeyboard keyboard = toEventKeyboard(event);
        keyboard.setKeyboardAction(KeyboardAction::RELEASED);
        send(keyboard);
        break;
      }
      case sf::Event::MouseMoved: {
        EventMouse mouse;
        mouse.setMouseAction(MouseAction::MOVED);
        mouse.setMouseButton(MouseButton::UNDEFINED);
        mouse.setMousePosition(pixelsToSpaces(Vector(float(event.mouseMove.x), float(event.mouseMove.y))));
        send(mouse);
        break;
      }
      case sf::Event::MouseButtonPressed: {
        EventMouse mouse;
        mouse.setMouseAction(MouseAction::CLICKED);
        switch (event.mouseButton.button) {
          case sf::Mouse::Left: mouse.setMouseButton(MouseButton::LEFT); break;
          case sf::Mouse::Right: mouse.setMouseButton(MouseButton::RIGHT); break;
          case sf::Mouse::Middle: mouse.setMouseButton(MouseButton::MIDDLE); break;
          default: mouse.setMouseButton(MouseButton::UNDEFINED); break;
        }
        mouse.setMousePosition(pixelsToSpaces(Vector(float(event.mouseButton.x), float(event.mouseButton.y))));
        send(mouse);
        break;
      }
      default:
        break;
    }
  }

  // Held buttons and keys are read from the whole desktop: they are this
  // window's only while it has the focus.
  if (!p_window->hasFocus()) return;

  // Held mouse buttons, all at one position.
  sf::Vector2i pointer = sf::Mouse::getPosition(*p_window);
  EventMouse held;
  held.setMouseAction(MouseAction::PRESSED);
  held.setMousePosition(pixelsToSpaces(Vector(float(pointer.x), float(pointer.y))));
  const sf::Mouse::Button buttons[] = {sf::Mouse::Left, sf::Mouse::Right, sf::Mouse::Middle};
  const int codes[] = {MouseButton::LEFT, MouseButton::RIGHT, MouseButton::MIDDLE};
  for (int i = 0; i < 3; i++) {
    if (sf::Mouse::isButtonPressed(buttons[i])) {
      held.setMouseButton(codes[i]);
      send(held);
    }
  }

  // Held keys.
  for (const KeyCode &k : POLLED_KEYS) {
    if (sf::Keyboard::isKeyPressed(k.sfml)) {
      EventKeyboard keyboard;
      keyboard.setKeyboardAction(KeyboardAction::DOWN);
      keyboard.setKey(k.engine);
      send(keyboard);
    }
  }
}

EventKeyboard InputManager::toEventKeyboard(const sf::Event &event) const {
  EventKeyboard keyboard;
  if (event.type != sf::Event::KeyPressed && event.type != sf::Event::KeyReleased) {
    // No class in the name: kept verbatim.
    LogManager::getInstance().writeLog("toEventKeyboard(): Error! Called with non-keyboard event.");
    return keyboard;
  }
  // Read as a plain int: the code need not be one of SFML's enumerators.
  int code;
  static_assert(sizeof(code) == sizeof(event.key.code), "key code is an int");
  std::memcpy(&code, &event.key.code, sizeof(code));
  std::string name = sfmlKeyName(code);
  int key = keyFromSFML(code);
  if (key == Keyboard::UNDEFINED)
    LogManager::getInstance().writeLog(1, "InputManager::toEventKeyboard(): Warning key '%s' not handled.",
                                       name.c_str());
  else
    keyboard.setKey(key);
  LogManager::getInstance().writeLog(15, "InputManager::toEventKeyboard(): Keyboard event '%s' (%s)",
                                     keyToString(keyboard.getKey()).c_str(), name.c_str());
  return keyboard;
}

} // namespace vx
