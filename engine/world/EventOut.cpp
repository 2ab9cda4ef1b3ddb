#include "world/EventOut.h"

namespace vx {

EventOut::EventOut() { setType(EVENT_OUT); }

} // namespace vx
