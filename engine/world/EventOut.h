#pragma once

#include "core/Event.h"

namespace vx {

const std::string EVENT_OUT = "vx-out";

// A moving object's box has left the world boundary.
class EventOut : public Event {
 public:
  EventOut();
};

} // namespace vx
