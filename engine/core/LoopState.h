#pragma once

namespace vx {

class GameManager;
struct GameManagerSeam;

// What the game loop shares with the rest of the engine: whether the game
// is over, the frame time and the step count. The game manager (loop/) runs
// the loop and alone writes the frame time and the step count; the log
// writes the step on every line, and the input manager, the splash screens
// and the game end the game through the game-over flag.
class LoopState {
 private:
  LoopState();
  LoopState(const LoopState &) = delete;
  void operator=(const LoopState &) = delete;

  bool m_game_over;
  int m_frame_time;  // milliseconds
  int m_step_count;

  // The loop's own writers.
  friend class GameManager;
  friend struct GameManagerSeam;  // tests set the step as the loop would
  void setFrameTime(int frame_time) { m_frame_time = frame_time; }
  void setStepCount(int step_count) { m_step_count = step_count; }

 public:
  static LoopState &getInstance();

  void setGameOver(bool game_over = true) { m_game_over = game_over; }
  bool getGameOver() const { return m_game_over; }
  int getFrameTime() const { return m_frame_time; }
  int getStepCount() const { return m_step_count; }
};

} // namespace vx
