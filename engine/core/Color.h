#pragma once

#include <string>

namespace vx {

enum Color {
  UNDEFINED_COLOR = -1,
  BLACK = 0,
  RED,
  GREEN,
  YELLOW,
  BLUE,
  MAGENTA,
  CYAN,
  WHITE,
  CUSTOM,
};

const Color COLOR_DEFAULT = WHITE;

// r, g, b of the colour; CUSTOM and unsupported values leave them unchanged.
void colorToRGB(Color color, unsigned char &r, unsigned char &g, unsigned char &b);
std::string colorToString(Color color);
// The colour of a lower-case name ("default" too when allowed);
// UNDEFINED_COLOR when unknown.
Color colorFromName(const std::string &name, bool allow_default);

} // namespace vx
