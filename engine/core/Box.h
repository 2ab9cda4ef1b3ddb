#pragma once

#include <sstream>
#include <string>

#include "core/Vector.h"

namespace vx {

class RawReader;

// An axis-aligned rectangle: top-left corner and extents.
class Box {
 private:
  Vector m_corner;
  float m_horizontal;
  float m_vertical;

 public:
  Box() : m_corner(), m_horizontal(0), m_vertical(0) {}
  Box(Vector init_corner, float init_horizontal, float init_vertical)
      : m_corner(init_corner), m_horizontal(init_horizontal), m_vertical(init_vertical) {}

  Vector getCorner() const { return m_corner; }
  void setCorner(Vector new_corner) { m_corner = new_corner; }
  float getHorizontal() const { return m_horizontal; }
  void setHorizontal(float new_horizontal) { m_horizontal = new_horizontal; }
  float getVertical() const { return m_vertical; }
  void setVertical(float new_vertical) { m_vertical = new_vertical; }

  bool operator==(const Box &other) const {
    return m_corner == other.m_corner && m_horizontal == other.m_horizontal && m_vertical == other.m_vertical;
  }
  bool operator!=(const Box &other) const { return !(*this == other); }

  std::string toString() const;

  // Raw form: corner, horizontal, vertical (16 bytes).
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);
  // The raw form from the reader given; the corner is checked on its own.
  int read(RawReader &in);

  // Outline as four lines (debugging aid; drawn by the display:
  // display/LineDrawing.cpp).
  void draw() const;
};

} // namespace vx
