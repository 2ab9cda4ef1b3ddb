#include "support/ClockSeam.h"

#include "platform/Platform.h"

namespace vx {

namespace {

ClockSeam::ClockFunction g_clock = nullptr;
ClockSeam::SleepFunction g_sleep = nullptr;

} // namespace

void ClockSeam::setClock(ClockFunction fn) { g_clock = fn; }
void ClockSeam::setSleep(SleepFunction fn) { g_sleep = fn; }

namespace platform {

int64_t nowMicros() { return g_clock ? g_clock() : systemMicros(); }

void sleepMillis(int ms) {
  if (g_sleep)
    g_sleep(ms);
  else
    systemSleepMillis(ms);
}

} // namespace platform
} // namespace vx
