#include "core/EventStep.h"

namespace vx {

EventStep::EventStep() : m_step_count(0) { setType(EVENT_STEP); }

EventStep::EventStep(int init_step_count) : m_step_count(init_step_count) { setType(EVENT_STEP); }

void EventStep::setStepCount(int new_step_count) { m_step_count = new_step_count; }

int EventStep::getStepCount() const { return m_step_count; }

} // namespace vx
