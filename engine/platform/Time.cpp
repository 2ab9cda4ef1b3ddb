// The engine's clock and sleep: the system's. Alone in this file, so that a
// test program can link a clock of its own in their place.
#include "platform/Platform.h"

namespace vx {
namespace platform {

int64_t nowMicros() { return systemMicros(); }

void sleepMillis(int ms) { systemSleepMillis(ms); }

} // namespace platform
} // namespace vx
