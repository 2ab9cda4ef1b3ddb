#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "display/EventKeyboard.h"
#include "display/EventMouse.h"
#include "display/InputManager.h"
#include "display/window/WindowTestSupport.h"
#include "loop/GameManager.h"
#include "world/Object.h"
#include "world/WorldManager.h"

using namespace vx;
using namespace vx::test;

namespace {

struct Received {
  std::string type;
  int action;
  int code;  // key or button
  Vector position;
};

// Records every keyboard and mouse event it is sent.
class Recorder : public Object {
 public:
  std::vector<Received> events;

  Recorder() {
    setType("Recorder");
    registerInterest(EVENT_KEYBOARD);
    registerInterest(EVENT_MOUSE);
  }

  int eventHandler(const Event *p_e) override {
    if (p_e->getType() == EVENT_KEYBOARD) {
      const EventKeyboard *p_k = dynamic_cast<const EventKeyboard *>(p_e);
      events.push_back({EVENT_KEYBOARD, p_k->getKeyboardAction(), p_k->getKey(), Vector()});
      return 1;
    }
    if (p_e->getType() == EVENT_MOUSE) {
      const EventMouse *p_m = dynamic_cast<const EventMouse *>(p_e);
      events.push_back({EVENT_MOUSE, p_m->getMouseAction(), p_m->getMouseButton(), p_m->getMousePosition()});
      return 1;
    }
    return 0;
  }

  int countKey(int action, int key) const {
    int n = 0;
    for (const Received &r : events)
      if (r.type == EVENT_KEYBOARD && r.action == action && r.code == key) n++;
    return n;
  }
  int indexOfKey(int action, int key, int from = 0) const {
    for (size_t i = size_t(from); i < events.size(); i++)
      if (events[i].type == EVENT_KEYBOARD && events[i].action == action && events[i].code == key) return int(i);
    return -1;
  }
  const Received *findMouse(int action, int button) const {
    for (const Received &r : events)
      if (r.type == EVENT_MOUSE && r.action == action && r.code == button) return &r;
    return nullptr;
  }
};

// Display, input and world started on a real window, plus a recorder.
class InputWindow : public ::testing::Test {
 protected:
  DisplayEnv d{2};
  std::string title;
  std::string window_id;
  Recorder *p_rec = nullptr;

  void SetUp() override {
    title = uniqueTitle("VexmoorInput");
    windowConfig(title);
    ASSERT_EQ(DisplayManager::getInstance().startUp(), 0);
    ASSERT_EQ(InputManager::getInstance().startUp(), 0);
    ASSERT_EQ(WorldManager::getInstance().startUp(), 0);
    p_rec = new Recorder;
    window_id = waitForWindow(title);
    ASSERT_FALSE(window_id.empty());
    runCommand("timeout 10 xdotool windowfocus --sync " + window_id + " 2>&1");
    // Events from mapping and focus are not part of the tests.
    step();
    p_rec->events.clear();
  }

  void TearDown() override {
    runCommand("xdotool keyup Right keyup Up keyup F11 mouseup 1 mouseup 3 2>/dev/null");
    if (WorldManager::getInstance().isStarted()) WorldManager::getInstance().shutDown();  // deletes the recorder
  }

  void step() {
    DisplayManager::getInstance().swapBuffers();
    InputManager::getInstance().getInput();
  }

  // Steps until done() or max_steps have passed.
  bool stepUntil(const std::function<bool()> &done, int max_steps = 300) {
    for (int i = 0; i < max_steps; i++) {
      step();
      if (done()) return true;
      platform::sleepMillis(5);
    }
    return false;
  }

  void xdotool(const std::string &args) { runCommand("timeout 10 xdotool " + args + " 2>&1"); }
};

} // namespace

TEST_F(InputWindow, KeyPressGivesPressedThenReleased) {
  EXPECT_EQ(d.count("InputManager::startUp(): Keyboard repeated disabled."), 1);
  xdotool("key a");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::RELEASED, Keyboard::A) >= 1; }));
  int pressed = p_rec->indexOfKey(KeyboardAction::PRESSED, Keyboard::A);
  int released = p_rec->indexOfKey(KeyboardAction::RELEASED, Keyboard::A);
  ASSERT_GE(pressed, 0);
  EXPECT_GT(released, pressed);
  for (const Received &r : p_rec->events) EXPECT_NE(r.code, -1) << "action " << r.action;

  InputManager::getInstance().shutDown();
  EXPECT_EQ(d.count("InputManager::shutDown(): Keyboard repeat enabled."), 1);
  EXPECT_EQ(d.count("InputManager::shutDown(): successfully stopped."), 0);  // level 5
}

TEST_F(InputWindow, HeldKeyIsPressedOnceThenDownEachStepThenReleased) {
  xdotool("keydown Right");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW) >= 4; }));
  int pressed = p_rec->indexOfKey(KeyboardAction::PRESSED, Keyboard::RIGHTARROW);
  int first_down = p_rec->indexOfKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW);
  ASSERT_GE(pressed, 0);
  EXPECT_LT(pressed, first_down);

  // Each further step while held gives exactly one more DOWN.
  int before = p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW);
  step();
  step();
  EXPECT_EQ(p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW), before + 2);

  xdotool("keyup Right");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::RELEASED, Keyboard::RIGHTARROW) >= 1; }));
  int released = p_rec->indexOfKey(KeyboardAction::RELEASED, Keyboard::RIGHTARROW);
  step();
  step();
  EXPECT_EQ(p_rec->indexOfKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW, released), -1);
  // Key repeat is off: one PRESSED for the whole hold.
  EXPECT_EQ(p_rec->countKey(KeyboardAction::PRESSED, Keyboard::RIGHTARROW), 1);
  EXPECT_EQ(p_rec->countKey(KeyboardAction::RELEASED, Keyboard::RIGHTARROW), 1);
}

TEST_F(InputWindow, KeypadKeyArrivesAsUndefinedWithAWarning) {
  xdotool("key KP_5");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::RELEASED, -1) >= 1; }));
  // xdotool may toggle Num Lock around it, another key without a code.
  EXPECT_GE(p_rec->countKey(KeyboardAction::PRESSED, -1), 1);
  EXPECT_EQ(p_rec->countKey(KeyboardAction::PRESSED, Keyboard::NUM5), 0);
  EXPECT_EQ(d.count("InputManager::toEventKeyboard(): Warning key 'Numpad 5' not handled."), 2);
}

TEST_F(InputWindow, MouseClickAndHoldGiveCellPositions) {
  // Pixel (60, 48) in cells of 12 x 24 is cell (5, 2).
  xdotool("mousemove --window " + window_id + " 60 48");
  ASSERT_TRUE(stepUntil([&] { return p_rec->findMouse(MouseAction::MOVED, MouseButton::UNDEFINED) != nullptr; }));
  xdotool("mousedown 1");
  ASSERT_TRUE(stepUntil([&] {
    return p_rec->findMouse(MouseAction::CLICKED, MouseButton::LEFT) != nullptr &&
           p_rec->findMouse(MouseAction::PRESSED, MouseButton::LEFT) != nullptr;
  }));
  const Received *clicked = p_rec->findMouse(MouseAction::CLICKED, MouseButton::LEFT);
  const Received *pressed = p_rec->findMouse(MouseAction::PRESSED, MouseButton::LEFT);
  EXPECT_FLOAT_EQ(clicked->position.getX(), 5.0f);
  EXPECT_FLOAT_EQ(clicked->position.getY(), 2.0f);
  EXPECT_FLOAT_EQ(pressed->position.getX(), 5.0f);
  EXPECT_FLOAT_EQ(pressed->position.getY(), 2.0f);
  EXPECT_LT(clicked, pressed);
  const Received *moved = p_rec->findMouse(MouseAction::MOVED, MouseButton::UNDEFINED);
  EXPECT_FLOAT_EQ(moved->position.getX(), 5.0f);

  // One PRESSED per step while held, none after the release.
  xdotool("mouseup 1");
  auto count_pressed = [&] {
    int n = 0;
    for (const Received &r : p_rec->events)
      if (r.type == EVENT_MOUSE && r.action == MouseAction::PRESSED) n++;
    return n;
  };
  // The release is seen by the poll at once.
  step();
  int after_release = count_pressed();
  step();
  step();
  EXPECT_EQ(count_pressed(), after_release);
  EXPECT_EQ(p_rec->findMouse(MouseAction::CLICKED, MouseButton::RIGHT), nullptr);
}

TEST_F(InputWindow, RightAndMiddleButtonsAreNamed) {
  xdotool("mousemove --window " + window_id + " 120 120 click 3");
  ASSERT_TRUE(stepUntil([&] { return p_rec->findMouse(MouseAction::CLICKED, MouseButton::RIGHT) != nullptr; }));
  xdotool("click 2");
  ASSERT_TRUE(stepUntil([&] { return p_rec->findMouse(MouseAction::CLICKED, MouseButton::MIDDLE) != nullptr; }));
  const Received *right = p_rec->findMouse(MouseAction::CLICKED, MouseButton::RIGHT);
  EXPECT_FLOAT_EQ(right->position.getX(), 10.0f);
  EXPECT_FLOAT_EQ(right->position.getY(), 5.0f);
}

TEST_F(InputWindow, ClosingTheWindowSetsGameOverAndSkipsHeldKeys) {
  GameManager::getInstance().setGameOver(false);
  xdotool("keydown Right");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW) >= 1; }));
  ASSERT_TRUE(sendWindowClose(DisplayManager::getInstance().getWindow()->getSystemHandle()));
  bool over = false;
  size_t seen = 0;
  for (int i = 0; i < 300 && !over; i++) {
    seen = p_rec->events.size();
    step();
    over = GameManager::getInstance().getGameOver();
    if (!over) platform::sleepMillis(5);
  }
  ASSERT_TRUE(over);
  // That step stopped at the close: no held-key events after it.
  for (size_t i = seen; i < p_rec->events.size(); i++) EXPECT_NE(p_rec->events[i].action, KeyboardAction::DOWN);
  EXPECT_EQ(d.count("InputManager::getInput(): Window closed. Setting game over."), 1);
  xdotool("keyup Right");
  GameManager::getInstance().setGameOver(false);
}

TEST_F(InputWindow, HeldKeysComeInPollOrderAndF11IsNeverDown) {
  // Right pressed before Up; the poll sends Up (6) first.
  xdotool("keydown Right");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW) >= 1; }));
  xdotool("keydown Up");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::DOWN, Keyboard::UPARROW) >= 1; }));
  p_rec->events.clear();
  step();
  std::vector<int> downs;
  for (const Received &r : p_rec->events)
    if (r.type == EVENT_KEYBOARD && r.action == KeyboardAction::DOWN) downs.push_back(r.code);
  EXPECT_EQ(downs, std::vector<int>({Keyboard::UPARROW, Keyboard::RIGHTARROW}));
  xdotool("keyup Up keyup Right");

  xdotool("keydown F11");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::PRESSED, Keyboard::F11) >= 1; }));
  step();
  step();
  xdotool("keyup F11");
  ASSERT_TRUE(stepUntil([&] { return p_rec->countKey(KeyboardAction::RELEASED, Keyboard::F11) >= 1; }));
  EXPECT_EQ(Keyboard::F11, 34);
  EXPECT_EQ(p_rec->countKey(KeyboardAction::DOWN, Keyboard::F11), 0);
}

TEST_F(InputWindow, TwoHeldButtonsGiveLeftThenRightAtOnePosition) {
  xdotool("mousemove --window " + window_id + " 96 72 mousedown 1 mousedown 3");
  ASSERT_TRUE(stepUntil([&] {
    return p_rec->findMouse(MouseAction::PRESSED, MouseButton::LEFT) != nullptr &&
           p_rec->findMouse(MouseAction::PRESSED, MouseButton::RIGHT) != nullptr;
  }));
  p_rec->events.clear();
  step();
  std::vector<Received> held;
  for (const Received &r : p_rec->events)
    if (r.type == EVENT_MOUSE && r.action == MouseAction::PRESSED) held.push_back(r);
  xdotool("mouseup 3 mouseup 1");
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[0].code, MouseButton::LEFT);
  EXPECT_EQ(held[1].code, MouseButton::RIGHT);
  // Pixel (96, 72) in cells of 12 x 24 is (8, 3).
  for (const Received &r : held) {
    EXPECT_FLOAT_EQ(r.position.getX(), 8.0f);
    EXPECT_FLOAT_EQ(r.position.getY(), 3.0f);
  }
}

TEST_F(InputWindow, HeldKeysAndButtonsCountOnlyWhileTheWindowHasTheFocus) {
  // Another window takes the focus and the pointer.
  std::string other_title = uniqueTitle("VexmoorOther");
  sf::Window other(sf::VideoMode(100, 100), other_title, sf::Style::None);
  std::string other_id = waitForWindow(other_title);
  ASSERT_FALSE(other_id.empty());
  bool other_key = false, other_button = false;
  auto pumpOther = [&] {
    sf::Event e;
    while (other.pollEvent(e)) {
      other_key |= e.type == sf::Event::KeyPressed && e.key.code == sf::Keyboard::Right;
      other_button |= e.type == sf::Event::MouseButtonPressed && e.mouseButton.button == sf::Mouse::Left;
    }
  };
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  xdotool("windowfocus --sync " + other_id);
  ASSERT_TRUE(stepUntil([&] { return !p_window->hasFocus(); }));

  // The right arrow and the left button go down, over the other window.
  xdotool("mousemove --window " + other_id + " 50 50 keydown Right mousedown 1");
  ASSERT_TRUE(stepUntil([&] {
    pumpOther();
    return other_key && other_button;
  }));
  for (int i = 0; i < 5; i++) step();
  int keyboard = 0;
  for (const Received &r : p_rec->events) keyboard += r.type == EVENT_KEYBOARD;
  EXPECT_EQ(keyboard, 0);
  EXPECT_EQ(p_rec->findMouse(MouseAction::PRESSED, MouseButton::LEFT), nullptr);

  // With the focus back, the same key and button count as held.
  xdotool("windowfocus --sync " + window_id);
  ASSERT_TRUE(stepUntil([&] {
    return p_rec->countKey(KeyboardAction::DOWN, Keyboard::RIGHTARROW) >= 2 &&
           p_rec->findMouse(MouseAction::PRESSED, MouseButton::LEFT) != nullptr;
  }));
  xdotool("keyup Right mouseup 1");
}
