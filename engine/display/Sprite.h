#pragma once

#include <string>
#include <vector>

#include "core/Color.h"
#include "core/Vector.h"
#include "display/Frame.h"

namespace vx {

// A labelled sequence of frames sharing size, colour, slowdown and
// transparency. Capacity is fixed at construction.
class Sprite {
 private:
  int m_width;
  int m_height;
  int m_max_frame_count;
  int m_frame_count;
  Color m_color;
  int m_slowdown;
  char m_transparency;
  std::vector<Frame> m_frame;  // grows as frames are added, up to the capacity
  std::string m_label;

  Sprite(const Sprite &) = delete;
  Sprite &operator=(const Sprite &) = delete;

 public:
  explicit Sprite(int max_frames);
  ~Sprite();

  void setWidth(int new_width);
  int getWidth() const;
  void setHeight(int new_height);
  int getHeight() const;
  void setColor(Color new_color);
  Color getColor() const;
  void setSlowdown(int new_sprite_slowdown);
  int getSlowdown() const;
  void setTransparency(char new_transparency);
  char getTransparency() const;
  void setLabel(std::string new_label);
  std::string getLabel() const;

  int getFrameCount() const;

  // -1 when full, else copies the frame into the next slot.
  int addFrame(Frame new_frame);
  // The frame in that slot, or an empty frame when out of range.
  Frame getFrame(int frame_number) const;

  int draw(int frame_number, Vector position, char transparency, int transform) const;

  std::string toString() const;
};

} // namespace vx
