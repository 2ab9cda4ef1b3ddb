#include "world/EventPath.h"

namespace vx {

EventPath::EventPath() : m_result(NO_PATH) { setType(EVENT_PATH); }

EventPath::EventPath(Path init_path) : m_result(NO_PATH), m_path(init_path) { setType(EVENT_PATH); }

EventPath::~EventPath() {}

Path EventPath::getPath() const { return m_path; }
int EventPath::getResult() const { return m_result; }
void EventPath::setPath(Path new_path) { m_path = new_path; }
void EventPath::setResult(int new_result) { m_result = new_result; }

} // namespace vx
