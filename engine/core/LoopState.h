#pragma once

namespace vx {

// What the game loop shares with the rest of the engine: whether the game
// is over, the frame time and the step count. The game manager (loop/) runs
// the loop and keeps them here; the log writes the step on every line, and
// the input manager, the splash screens and the game end the game through
// them.
class LoopState {
 private:
  LoopState();
  LoopState(const LoopState &) = delete;
  void operator=(const LoopState &) = delete;

  bool m_game_over;
  int m_frame_time;  // milliseconds
  int m_step_count;

 public:
  static LoopState &getInstance();

  void setGameOver(bool game_over = true) { m_game_over = game_over; }
  bool getGameOver() const { return m_game_over; }
  void setFrameTime(int frame_time) { m_frame_time = frame_time; }
  int getFrameTime() const { return m_frame_time; }
  void setStepCount(int step_count) { m_step_count = step_count; }
  int getStepCount() const { return m_step_count; }
};

} // namespace vx
