#pragma once

#include <bitset>
#include <string>

#include "core/Color.h"
#include "core/Vector.h"

namespace vx {

// One still picture: width x height cells, rows joined top to bottom.
class Frame {
 private:
  int m_width;
  int m_height;
  std::string m_frame_str;
  mutable bool m_reported;  // a string too short to draw was logged once
  mutable std::bitset<256> m_chars;  // the characters in the string, once known
  mutable bool m_chars_known;

  const std::bitset<256> &characters() const;

 public:
  Frame();
  Frame(int new_width, int new_height, std::string frame_str);

  int getWidth() const;
  void setWidth(int new_width);
  int getHeight() const;
  void setHeight(int new_height);
  std::string getString() const;
  void setString(std::string new_frame_str);

  // Draws centred on position; cells equal to transparent (if not 0) are
  // skipped. A string too short for the size is logged once per frame and
  // drawn as nothing (-1). transform: 0 none, 1 vertical, 2 horizontal, 3 both.
  int draw(Vector position, Color color, char transparent, int transform) const;
};

} // namespace vx
