#include "core/Clock.h"

#include "platform/Platform.h"

namespace vx {

Clock::Clock() : m_previous_time(platform::nowMicros()) {}

int64_t Clock::delta() {
  int64_t now = platform::nowMicros();
  int64_t elapsed = now - m_previous_time;
  m_previous_time = now;
  return elapsed;
}

int64_t Clock::split() const { return platform::nowMicros() - m_previous_time; }

} // namespace vx
