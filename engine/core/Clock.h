#pragma once

#include <cstdint>

namespace vx {

// A microsecond stopwatch over the platform's monotonic clock.
class Clock {
 private:
  int64_t m_previous_time;

 public:
  Clock();
  // Microseconds since the last delta (or construction); restarts.
  int64_t delta();
  // Microseconds since the last delta (or construction); no restart.
  int64_t split() const;
};

} // namespace vx
