#pragma once
// The seam through which tests replace the platform clock and sleep (a fake
// clock); the engine itself never calls these.

#include <cstdint>

namespace vx {
namespace platform {

// nullptr restores the real clock or sleep.
using ClockFunction = int64_t (*)();
using SleepFunction = void (*)(int ms);
void setClock(ClockFunction fn);
void setSleep(SleepFunction fn);

} // namespace platform
} // namespace vx
