#pragma once

#include <sstream>
#include <string>

#include "core/Color.h"
#include "core/Vector.h"

namespace vx {

class RawReader;

namespace ShapeType {
enum Type {
  UNDEFINED = -1,
  CIRCLE = 0,
  SQUARE = 1,
  TRIANGLE = 2,
};
} // namespace ShapeType

// A filled circle, square or triangle drawn in pixels at a world position.
class Shape {
 private:
  int m_color;
  unsigned char m_r;
  unsigned char m_g;
  unsigned char m_b;
  int m_type;
  float m_size;
  unsigned char m_opacity;

 public:
  // Size from the display's cell size and the font scale at this moment.
  Shape();

  int getColor() const;
  int getType() const;
  float getSize() const;
  unsigned char getOpacity() const;

  // Sets the colour only; r, g, b keep their values.
  void setColor(Color new_color);
  // Sets CUSTOM with these bytes.
  void setColor(unsigned char r, unsigned char g, unsigned char b);
  void setSize(float new_size);
  void setOpacity(unsigned char new_opacity);
  // Accepts UNDEFINED, CIRCLE, SQUARE and TRIANGLE; logs and ignores others.
  void setType(int new_type);

  // Opacity is not compared; r, g, b only for CUSTOM.
  bool operator==(const Shape &other) const;
  bool operator!=(const Shape &other) const;

  // Raw form: type, size, color, opacity (13 bytes); r, g, b are not in it.
  void serialize(std::stringstream *p_ss) const;
  void deserialize(std::stringstream *p_ss);
  // The raw form from the reader given.
  void read(RawReader &in);

  void draw(Vector world_pos);

  std::string toString() const;
};

} // namespace vx
