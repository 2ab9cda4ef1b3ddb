#pragma once

#include <string>

namespace vx {

// The event types that a manager other than the world manager takes
// interests in. The event classes live with their managers.
const std::string EVENT_KEYBOARD = "vx-keyboard";
const std::string EVENT_MOUSE = "vx-mouse";
const std::string EVENT_NETWORK = "vx-network";
const std::string EVENT_KEYBOARD_NETWORK = "vx-keyboard-network";
const std::string EVENT_MOUSE_NETWORK = "vx-mouse-network";
const std::string EVENT_NETWORK_CREATE = "vx-network-create";
const std::string EVENT_CUSTOM_NETWORK = "vx-custom-network";
const std::string EVENT_NETWORK_DELETE = "vx-network-delete";
const std::string EVENT_NETWORK_GAME_OVER = "vx-network-game-over";
const std::string EVENT_NETWORK_SYNC = "vx-network-sync";

// The manager that takes interests in an event type.
enum class EventOwner {
  INPUT,    // "vx-keyboard", "vx-mouse"
  GAME,     // "vx-step"
  NETWORK,  // the eight network types
  WORLD,    // every other type
};

// The one place that routes an event type to its manager.
EventOwner eventOwner(const std::string &event_type);
// The owner's manager type: "InputManager", "GameManager", "NetworkManager"
// or "WorldManager".
const char *ownerType(EventOwner owner);

} // namespace vx
