#pragma once
// The test programs' clock: the platform's nowMicros and sleepMillis are
// linked from tests/support/ClockSeam.cpp in place of the engine's, and read
// the system's clock unless a test puts functions of its own in.

#include <cstdint>

namespace vx {

struct ClockSeam {
  using ClockFunction = int64_t (*)();
  using SleepFunction = void (*)(int ms);
  // nullptr restores the system's clock or sleep.
  static void setClock(ClockFunction fn);
  static void setSleep(SleepFunction fn);
};

} // namespace vx
