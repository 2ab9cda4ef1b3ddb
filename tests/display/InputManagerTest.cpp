#include <gtest/gtest.h>

#include <cstring>

#include "display/DisplayTestSupport.h"
#include "display/EventKeyboard.h"
#include "display/InputManager.h"

using namespace vx;
using vx::test::DisplayEnv;

namespace {

sf::Event keyEvent(sf::Event::EventType type, sf::Keyboard::Key code) {
  sf::Event e;
  e.type = type;
  e.key.code = code;
  e.key.alt = e.key.control = e.key.shift = e.key.system = false;
  return e;
}

} // namespace

TEST(InputManager, AcceptsOnlyKeyboardAndMouseEvents) {
  InputManager &im = InputManager::getInstance();
  EXPECT_EQ(im.getType(), "InputManager");
  EXPECT_TRUE(im.isValid("vx-keyboard"));
  EXPECT_TRUE(im.isValid("vx-mouse"));
  EXPECT_FALSE(im.isValid("vx-step"));
  EXPECT_FALSE(im.isValid("vx-collision"));
  EXPECT_FALSE(im.isValid(""));
}

TEST(InputManager, HeadlessStartUpAndShutDown) {
  DisplayEnv d(5);
  Config::getInstance().setHeadless(true);
  InputManager &im = InputManager::getInstance();
  ASSERT_EQ(im.startUp(), 0);
  EXPECT_TRUE(im.isStarted());
  im.getInput();  // nothing, and no message
  EXPECT_FALSE(d.has("getInput"));
  EXPECT_EQ(im.startUp(), -1);
  im.shutDown();
  EXPECT_FALSE(im.isStarted());
  std::vector<std::string> expected = {
      "InputManager::startUp(): no input in headless mode.",
      "InputManager::startUp(): successfully started.",
      "InputManager::startup(): Warning! InputManager already started.",
      "InputManager::shutDown(): successfully stopped.",
  };
  std::vector<std::string> got;
  for (const std::string &l : d.lines())
    if (l.find("InputManager") != std::string::npos) got.push_back(l);
  EXPECT_EQ(got, expected);
}

TEST(InputManager, NeedsTheDisplayManagerFirst) {
  DisplayEnv d;
  Config::getInstance().setHeadless(false);
  InputManager &im = InputManager::getInstance();
  ASSERT_FALSE(DisplayManager::getInstance().isStarted());
  EXPECT_EQ(im.startUp(), -1);
  EXPECT_FALSE(im.isStarted());
  EXPECT_EQ(d.count("InputManager::startUp(): Error! DisplayManager must be started first."), 1);
}

TEST(InputManager, StartedDisplayWithoutWindowOnlyWarns) {
  DisplayEnv d;
  Config::getInstance().setHeadless(true);
  ASSERT_EQ(DisplayManager::getInstance().startUp(), 0);
  Config::getInstance().setHeadless(false);
  InputManager &im = InputManager::getInstance();
  EXPECT_EQ(im.startUp(), 0);
  EXPECT_EQ(d.count("InputManager::startUp(): Warning! DisplayManager null. Cannot disable keyboard repeat."), 1);
  im.getInput();
  EXPECT_EQ(d.count("InputManager::getInput(): DisplayManager unexpectedly returned null window!"), 1);
}

TEST(InputManager, ToEventKeyboardMapsKeysAndLogs) {
  DisplayEnv d(15);
  InputManager &im = InputManager::getInstance();

  EventKeyboard right = im.toEventKeyboard(keyEvent(sf::Event::KeyPressed, sf::Keyboard::Right));
  EXPECT_EQ(right.getKey(), Keyboard::RIGHTARROW);
  EXPECT_EQ(right.getKeyboardAction(), -1);
  EXPECT_EQ(right.getType(), "vx-keyboard");

  EventKeyboard zero = im.toEventKeyboard(keyEvent(sf::Event::KeyReleased, sf::Keyboard::Num0));
  EXPECT_EQ(zero.getKey(), 71);
  EXPECT_EQ(d.count("InputManager::toEventKeyboard(): Keyboard event '0' (0)"), 1);

  EventKeyboard pad = im.toEventKeyboard(keyEvent(sf::Event::KeyPressed, sf::Keyboard::Numpad5));
  EXPECT_EQ(pad.getKey(), -1);
  EXPECT_EQ(d.count("InputManager::toEventKeyboard(): Warning key 'Numpad 5' not handled."), 1);
  EXPECT_EQ(d.count("InputManager::toEventKeyboard(): Keyboard event '' (Numpad 5)"), 1);

  EventKeyboard unknown = im.toEventKeyboard(keyEvent(sf::Event::KeyPressed, sf::Keyboard::Unknown));
  EXPECT_EQ(unknown.getKey(), -1);
  EXPECT_EQ(d.count("InputManager::toEventKeyboard(): Warning key 'Unknown' not handled."), 1);

  // Codes beyond SFML's table.
  sf::Event odd = keyEvent(sf::Event::KeyPressed, sf::Keyboard::A);
  int big = 250;
  std::memcpy(&odd.key.code, &big, sizeof(big));
  EXPECT_EQ(im.toEventKeyboard(odd).getKey(), -1);

  sf::Event moved;
  moved.type = sf::Event::MouseMoved;
  moved.mouseMove.x = 3;
  moved.mouseMove.y = 4;
  EventKeyboard none = im.toEventKeyboard(moved);
  EXPECT_EQ(none.getKey(), -1);
  EXPECT_EQ(d.count("toEventKeyboard(): Error! Called with non-keyboard event."), 1);
}

TEST(InputManager, UnhandledKeyWarningIsLevelOne) {
  DisplayEnv d;
  InputManager::getInstance().toEventKeyboard(keyEvent(sf::Event::KeyPressed, sf::Keyboard::LAlt));
  EXPECT_FALSE(d.has("not handled"));
  EXPECT_FALSE(d.has("Keyboard event"));
}
