#include "core/LoopState.h"

namespace vx {

LoopState::LoopState() : m_game_over(false), m_frame_time(0), m_step_count(0) {}

LoopState &LoopState::getInstance() {
  static LoopState state;
  return state;
}

} // namespace vx
