#pragma once

#include <sstream>
#include <string>

#include "core/Vector.h"

namespace vx {

// An axis-aligned rectangle: top-left corner and extents.
class Box {
 private:
  Vector m_corner;
  float m_horizontal;
  float m_vertical;

 public:
  Box();
  Box(Vector init_corner, float init_horizontal, float init_vertical);

  Vector getCorner() const;
  void setCorner(Vector new_corner);
  float getHorizontal() const;
  void setHorizontal(float new_horizontal);
  float getVertical() const;
  void setVertical(float new_vertical);

  bool operator==(const Box &other) const;
  bool operator!=(const Box &other) const;

  std::string toString() const;

  // Raw form: corner, horizontal, vertical (16 bytes).
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);

  // Outline as four lines (debugging aid).
  void draw() const;
};

} // namespace vx
