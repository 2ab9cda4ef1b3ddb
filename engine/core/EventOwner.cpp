#include "core/EventOwner.h"

#include "core/EventStep.h"

namespace vx {

namespace {

// The eight network types.
const std::string *const NETWORK_TYPES[] = {
    &EVENT_NETWORK,        &EVENT_KEYBOARD_NETWORK, &EVENT_MOUSE_NETWORK,
    &EVENT_NETWORK_CREATE, &EVENT_CUSTOM_NETWORK,   &EVENT_NETWORK_DELETE,
    &EVENT_NETWORK_GAME_OVER, &EVENT_NETWORK_SYNC,
};

} // namespace

EventOwner eventOwner(const std::string &event_type) {
  if (event_type == EVENT_KEYBOARD || event_type == EVENT_MOUSE) return EventOwner::INPUT;
  if (event_type == EVENT_STEP) return EventOwner::GAME;
  for (const std::string *p_type : NETWORK_TYPES)
    if (event_type == *p_type) return EventOwner::NETWORK;
  return EventOwner::WORLD;
}

const char *ownerType(EventOwner owner) {
  switch (owner) {
    case EventOwner::INPUT: return "InputManager";
    case EventOwner::GAME: return "GameManager";
    case EventOwner::NETWORK: return "NetworkManager";
    case EventOwner::WORLD: break;
  }
  return "WorldManager";
}

} // namespace vx
