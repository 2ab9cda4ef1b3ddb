#pragma once

#include "core/Event.h"

namespace vx {

const std::string EVENT_STEP = "vx-step";

// Sent by the game loop once per step.
class EventStep : public Event {
 private:
  int m_step_count;

 public:
  EventStep();
  explicit EventStep(int init_step_count);

  void setStepCount(int new_step_count);
  int getStepCount() const;
};

} // namespace vx
