#pragma once

#include <string>

#include <SFML/Window/Event.hpp>

#include "core/Manager.h"
#include "display/EventKeyboard.h"

namespace vx {

// Turns the window's keyboard and mouse activity into events, once per step.
class InputManager : public Manager {
 private:
  InputManager();
  InputManager(const InputManager &) = delete;
  void operator=(const InputManager &) = delete;

 public:
  ~InputManager();
  static InputManager &getInstance();

  bool isValid(std::string event_type) const override;
  int startUp() override;
  void shutDown() override;

  void getInput();

  // The key of a key event, its action left undefined.
  EventKeyboard toEventKeyboard(const sf::Event &event) const;
};

// The engine code of an SFML key, -1 when it has none.
int keyFromSFML(int sfml_key);
// A readable name of an SFML key, for log lines.
std::string sfmlKeyName(int sfml_key);

} // namespace vx
