#pragma once

#include <string>

#include "core/Vector.h"

namespace vx {

// A segment between two points.
class Line {
 private:
  Vector m_p1;
  Vector m_p2;

 public:
  Line();
  Line(Vector init_p1, Vector init_p2);

  Vector getP1() const;
  void setP1(Vector new_p1);
  Vector getP2() const;
  void setP2(Vector new_p2);

  std::string toString() const;

  // Draws the segment between the centres of its end cells (drawn by the
  // display: display/LineDrawing.cpp).
  void draw() const;
};

} // namespace vx
