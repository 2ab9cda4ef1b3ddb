#include "core/Event.h"

namespace vx {

Event::Event() : m_event_type(EVENT_UNDEFINED) {}

Event::~Event() {}

void Event::setType(std::string new_type) { m_event_type = new_type; }

std::string Event::getType() const { return m_event_type; }

} // namespace vx
