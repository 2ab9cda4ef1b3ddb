#include "core/Color.h"

#include "core/LogManager.h"

namespace vx {

void colorToRGB(Color color, unsigned char &r, unsigned char &g, unsigned char &b) {
  switch (color) {
    case BLACK: r = 0; g = 0; b = 0; break;
    case RED: r = 255; g = 0; b = 0; break;
    case GREEN: r = 0; g = 255; b = 0; break;
    case YELLOW: r = 255; g = 255; b = 0; break;
    case BLUE: r = 0; g = 0; b = 255; break;
    case MAGENTA: r = 255; g = 0; b = 255; break;
    case CYAN: r = 0; g = 255; b = 255; break;
    case WHITE: r = 255; g = 255; b = 255; break;
    case CUSTOM: break;
    default:
      LogManager::getInstance().writeLog(5, "colorToRGB(): Color %d not supported.", int(color));
      break;
  }
}

std::string colorToString(Color color) {
  switch (color) {
    case BLACK: return "Black";
    case RED: return "Red";
    case GREEN: return "Green";
    case YELLOW: return "Yellow";
    case BLUE: return "Blue";
    case MAGENTA: return "Magenta";
    case CYAN: return "Cyan";
    case WHITE: return "White";
    default: return "Unknown color";
  }
}

Color colorFromName(const std::string &name, bool allow_default) {
  static const char *const names[] = {"black", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};
  for (int i = 0; i < 8; i++)
    if (name == names[i]) return Color(i);
  if (allow_default && name == "default") return WHITE;
  return UNDEFINED_COLOR;
}

} // namespace vx
