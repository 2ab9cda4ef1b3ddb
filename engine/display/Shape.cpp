#include "display/Shape.h"

#include <climits>

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>

#include "core/Config.h"
#include "core/LogManager.h"
#include "core/RawStream.h"
#include "core/Utility.h"
#include "display/DisplayManager.h"

namespace vx {

namespace {

// The one figure every shape draws with, made on first use.
sf::CircleShape *sharedFigure() {
  static sf::CircleShape *p_figure = new sf::CircleShape(0, 30);
  return p_figure;
}

} // namespace

Shape::Shape()
    : m_color(WHITE), m_r(0), m_g(0), m_b(0), m_type(ShapeType::CIRCLE), m_size(0), m_opacity(255) {
  float font_scale = Config::getInstance().getFontScale();
  float w = charWidth(), h = charHeight();
  float side = h > w ? w : h;
  // Truncated to whole pixels; a side beyond int range is whole already.
  if (!(side >= 0))
    side = 0;
  else if (side < float(INT_MAX))
    side = float(int(side));
  m_size = side * font_scale;
}

int Shape::getColor() const { return m_color; }
int Shape::getType() const { return m_type; }
float Shape::getSize() const { return m_size; }
unsigned char Shape::getOpacity() const { return m_opacity; }

void Shape::setColor(Color new_color) { m_color = new_color; }

void Shape::setColor(unsigned char r, unsigned char g, unsigned char b) {
  m_color = CUSTOM;
  m_r = r;
  m_g = g;
  m_b = b;
}

void Shape::setSize(float new_size) { m_size = new_size; }
void Shape::setOpacity(unsigned char new_opacity) { m_opacity = new_opacity; }

void Shape::setType(int new_type) {
  switch (new_type) {
    case ShapeType::UNDEFINED:
    case ShapeType::CIRCLE:
    case ShapeType::SQUARE:
    case ShapeType::TRIANGLE:
      m_type = new_type;
      break;
    default:
      LogManager::getInstance().writeLog("Shape::setType(): Unknown shape type %d. Ignoring.", new_type);
      break;
  }
}

bool Shape::operator==(const Shape &other) const {
  if (m_color != other.m_color || m_type != other.m_type || m_size != other.m_size) return false;
  if (m_color == CUSTOM) return m_r == other.m_r && m_g == other.m_g && m_b == other.m_b;
  return true;
}

bool Shape::operator!=(const Shape &other) const { return !(*this == other); }

void Shape::serialize(std::stringstream *p_ss) const {
  if (!p_ss) {
    checkStream("Shape::serialize()", p_ss);
    return;
  }
  writeRaw(p_ss, static_cast<int32_t>(m_type));
  writeRaw(p_ss, m_size);
  writeRaw(p_ss, static_cast<int32_t>(m_color));
  writeRaw(p_ss, m_opacity);
  checkStream("Shape::serialize()", p_ss);
}

void Shape::deserialize(std::stringstream *p_ss) {
  if (!p_ss) {
    checkStream("Shape::deserialize()", p_ss);
    return;
  }
  RawReader in(p_ss);
  read(in);
}

void Shape::read(RawReader &in) {
  const LogManager &log = LogManager::getInstance();
  RawReader::Scope scope(in, "Shape::deserialize()");
  // A type or colour outside its enumeration is refused and the old one kept.
  int32_t type = 0, color = 0;
  if (in.raw(type)) {
    if (type >= ShapeType::UNDEFINED && type <= ShapeType::TRIANGLE)
      m_type = type;
    else
      log.writeLog("Shape::deserialize(): Error! Unknown shape type %d. Ignored.", int(type));
  }
  in.raw(m_size);
  if (in.raw(color)) {
    if (color >= UNDEFINED_COLOR && color <= CUSTOM)
      m_color = color;
    else
      log.writeLog("Shape::deserialize(): Error! Color %d out of range. Ignored.", int(color));
  }
  in.raw(m_opacity);
  in.check();
}

void Shape::draw(Vector world_pos) {
  if (DisplayManager::getInstance().getWindow() == nullptr) {
    LogManager::getInstance().writeLog(5, "Shape::draw(): DisplayManager window not defined.");
    return;
  }
  Vector pixel = spacesToPixels(DisplayManager::getInstance().viewPosition(world_pos));
  sf::CircleShape *p_figure = sharedFigure();

  if (m_color != CUSTOM) colorToRGB(Color(m_color), m_r, m_g, m_b);
  p_figure->setFillColor(sf::Color(m_r, m_g, m_b, m_opacity));

  float x = pixel.getX(), y = pixel.getY();
  switch (m_type) {
    case ShapeType::CIRCLE: {
      size_t points = m_size > 10 ? 10 : (m_size >= 3 ? size_t(m_size) : 3);
      p_figure->setPointCount(points);
      p_figure->setRadius(m_size);
      p_figure->setRotation(0);
      p_figure->setPosition(x - m_size / 2, y - m_size / 2);
      break;
    }
    case ShapeType::SQUARE:
      p_figure->setPointCount(4);
      p_figure->setRadius(m_size / 2);
      p_figure->setRotation(45);
      p_figure->setRadius(m_size / Config::getInstance().getFontScale());
      p_figure->setPosition(x + m_size / 2, y - m_size / 1.75f);
      break;
    case ShapeType::TRIANGLE:
      p_figure->setPointCount(3);
      p_figure->setRadius(m_size / 2);
      p_figure->setRotation(0);
      p_figure->setPosition(x - m_size / 2, y - m_size / 2);
      break;
    default:
      return;  // no figure for an undefined type
  }

  LogManager::getInstance().writeLog(25, "Shape::draw(): Drawing at (%.2f, %.2f)", double(x), double(y));
  // Fetched again right before drawing: that puts the cells drawn so far
  // into the window first.
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (p_window == nullptr) return;
  p_window->draw(*p_figure, sf::RenderStates::Default);
}

std::string Shape::toString() const {
  std::string type;
  switch (m_type) {
    case ShapeType::CIRCLE: type = "circle"; break;
    case ShapeType::SQUARE: type = "square"; break;
    case ShapeType::TRIANGLE: type = "triangle"; break;
    default: type = "undefined"; break;
  }
  return type + ", size " + std::to_string(m_size) + ", " + colorToString(Color(m_color)) + ", " +
         std::to_string(int(m_opacity));
}

} // namespace vx
