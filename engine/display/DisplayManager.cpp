#include "display/DisplayManager.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "core/Config.h"
#include "core/LogManager.h"
#include "platform/Platform.h"
#include "platform/XDisplayProbe.h"

namespace vx {

namespace {

const unsigned int TEXT_CHARACTER_SIZE = 30;
const float MAX_CHARACTER_SIZE = 4096;

// Larger grids are refused: the world is laid out over the cells.
const int64_t MAX_CELLS = int64_t(1) << 20;
// Window cells whose vertices are reserved at start-up; more grow on use.
const int64_t RESERVED_CELLS = 1 << 16;
// Cells held before they are drawn; more in one frame flush the batch first.
const size_t MAX_BATCHED_CELLS = 1 << 16;
// X keeps a window's size in 16 bits, and GL drivers commonly draw at most
// 16384 pixels across (a 32767-pixel square already fails in software GL).
const int MAX_WINDOW_PIXELS = 16384;

// A cell is a background of two triangles and a glyph of two (as sf::Text
// lays it out). sf::RectangleShape fans four triangles from its centre; the
// outline is the same, and so are the pixels of an opaque fill.
const size_t VERTICES_PER_CELL = 6 + 6;

// Inside the opaque white square every font page keeps at its top left.
const sf::Vector2f WHITE_TEXEL(1, 1);

int clampShake(int64_t v, int64_t max) {
  if (v < 0) return 0;
  if (v > max) return int(max);
  return int(v);
}

} // namespace

DisplayManager::DisplayManager()
    : m_font(),
      m_p_window(nullptr),
      m_window_horizontal_pixels(0),
      m_window_vertical_pixels(0),
      m_window_horizontal_chars(0),
      m_window_vertical_chars(0),
      m_p_rectangle(nullptr),
      m_window_background_color(0, 0, 0, 255),
      m_p_text(nullptr),
      m_cells(sf::Triangles),
      m_cells_failed(false),
      m_shake_duration(0),
      m_shake_scale_x(0),
      m_shake_scale_y(0),
      m_shake_x(0),
      m_shake_y(0),
      m_view_corner(0, 0) {
  setType("DisplayManager");
}

DisplayManager::~DisplayManager() {}

DisplayManager &DisplayManager::getInstance() {
  static DisplayManager display_manager;
  return display_manager;
}

int DisplayManager::startUp() {
  LogManager &lm = LogManager::getInstance();
  if (refuseSecondStartUp()) return -1;

  // Whatever a failed earlier start-up left is replaced (and a headless
  // start keeps no window).
  releaseDrawing();

  Config &config = Config::getInstance();
  m_window_horizontal_pixels = config.getWindowHorizontalPixels();
  m_window_vertical_pixels = config.getWindowVerticalPixels();
  m_window_horizontal_chars = config.getWindowHorizontalChars();
  m_window_vertical_chars = config.getWindowVerticalChars();
  if (cellsRefused()) return -1;

  if (config.getHeadless()) {
    if (pixelsRefused()) return -1;
    lm.writeLog(1, "DisplayManager::startUp(): no graphics in headless mode.");
  } else if (openWindow(config) != 0 || openFont(config) != 0 || makeCellDrawing(config) != 0) {
    return -1;  // what was made stays until the next start-up or shutDown
  }

  Manager::startUp();
  lm.writeLog(5, "DisplayManager::startUp(): successfully started.");
  return 0;
}

// Every size is divided by the cell counts.
bool DisplayManager::cellsRefused() const {
  LogManager &lm = LogManager::getInstance();
  if (m_window_horizontal_chars < 1 || m_window_vertical_chars < 1) {
    lm.writeLog("DisplayManager::startUp(): Error! Window needs at least one cell across and down, not (%d, %d).",
                m_window_horizontal_chars, m_window_vertical_chars);
    return true;
  }
  if (int64_t(m_window_horizontal_chars) * int64_t(m_window_vertical_chars) > MAX_CELLS) {
    lm.writeLog("DisplayManager::startUp(): Error! Window of (%d, %d) cells exceeds %d cells.",
                m_window_horizontal_chars, m_window_vertical_chars, int(MAX_CELLS));
    return true;
  }
  return false;
}

// Cells are as wide as the window allows, with a window or without.
bool DisplayManager::pixelsRefused() const {
  LogManager &lm = LogManager::getInstance();
  if (m_window_horizontal_pixels < 0 || m_window_vertical_pixels < 0) {
    lm.writeLog("DisplayManager::startUp(): Error! Window size (%d, %d) pixels is negative.",
                m_window_horizontal_pixels, m_window_vertical_pixels);
    return true;
  }
  if (m_window_horizontal_pixels > MAX_WINDOW_PIXELS || m_window_vertical_pixels > MAX_WINDOW_PIXELS) {
    lm.writeLog("DisplayManager::startUp(): Error! Window size (%d, %d) pixels exceeds (%d, %d).",
                m_window_horizontal_pixels, m_window_vertical_pixels, MAX_WINDOW_PIXELS, MAX_WINDOW_PIXELS);
    return true;
  }
  return false;
}

// The window, at the configured size or the desktop's.
int DisplayManager::openWindow(const Config &config) {
  LogManager &lm = LogManager::getInstance();
  platform::XDisplayProbe probe;
  if (!probe.reachable()) {
    const char *display = getenv("DISPLAY");
    lm.writeLog("DisplayManager::startUp(): Error! Cannot open X display '%s'.", display ? display : "");
    lm.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }

  sf::VideoMode desktop = sf::VideoMode::getDesktopMode();
  lm.writeLog(5, "DisplayManager::startUp(): window resolution (%d, %d) pixels.", int(desktop.width),
              int(desktop.height));
  if (m_window_horizontal_pixels == 0) m_window_horizontal_pixels = int(desktop.width);
  if (m_window_vertical_pixels == 0) m_window_vertical_pixels = int(desktop.height);
  if (pixelsRefused()) return -1;

  sf::Uint32 style = windowStyle(config.getWindowStyle(), config.getWindowState());
  sf::VideoMode mode(unsigned(m_window_horizontal_pixels), unsigned(m_window_vertical_pixels), 32);
  m_p_window.reset(new (std::nothrow) sf::RenderWindow(mode, sf::String(config.getWindowTitle()), style,
                                                       sf::ContextSettings()));
  if (m_p_window != nullptr && !m_p_window->isOpen()) m_p_window.reset();
  if (m_p_window == nullptr) {
    lm.writeLog("DisplayManager::startUp(): Unable to allocate window!");
    return -1;
  }
  m_p_window->setMouseCursorVisible(config.getShowMouse());
  m_p_window->setVerticalSyncEnabled(true);
  return 0;
}

int DisplayManager::openFont(const Config &config) {
  std::string font_file = config.getFontFile();
  if (!m_font.loadFromFile(font_file)) {
    LogManager::getInstance().writeLog("DisplayManager::startUp(): Error! Unable to open font from file '%s'.",
                                       font_file.c_str());
    return -1;
  }
  return 0;
}

// The one rectangle and text that every cell reuses, and room for a window
// of cells.
int DisplayManager::makeCellDrawing(const Config &config) {
  LogManager &lm = LogManager::getInstance();
  m_p_rectangle.reset(new (std::nothrow) sf::RectangleShape(sf::Vector2f(charWidth(), charHeight())));
  if (m_p_rectangle == nullptr) {
    lm.writeLog("DisplayManager::startUp(): Error! Unable to allocate rectangle.");
    return -1;
  }

  m_p_text.reset(new (std::nothrow) sf::Text("", m_font, TEXT_CHARACTER_SIZE));
  if (m_p_text == nullptr) {
    lm.writeLog("DisplayManager::startUp(): Error! Unable to allocate text.");
    return -1;
  }
  m_p_text->setFont(m_font);
  m_p_text->setStyle(sf::Text::Bold);

  float font_scale = config.getFontScale();
  float size = charHeight() > charWidth() ? charWidth() * font_scale : charHeight() * font_scale;
  // A negative, NaN or absurd scale must not reach the int conversion.
  if (!(size >= 0)) size = 0;
  if (size > MAX_CHARACTER_SIZE) size = MAX_CHARACTER_SIZE;
  m_p_text->setCharacterSize(unsigned(int(size)));

  setBackgroundColor(Color(config.getWindowBackgroundColor()));

  // clear() keeps the room.
  int64_t cells = std::min(int64_t(m_window_horizontal_chars) * int64_t(m_window_vertical_chars), RESERVED_CELLS);
  try {
    m_cells.resize(size_t(cells) * VERTICES_PER_CELL);
  } catch (const std::bad_alloc &) {
    lm.writeLog("DisplayManager::startUp(): Error! Unable to allocate %d cells.", int(cells));
    return -1;
  }
  m_cells.clear();
  return 0;
}

void DisplayManager::releaseDrawing() {
  m_cells.clear();  // cells of a closed window are never shown
  m_cells_failed = false;
  if (m_p_window != nullptr) m_p_window->close();
  m_p_window.reset();
  m_p_text.reset();
  m_p_rectangle.reset();
}

void DisplayManager::shutDown() {
  releaseDrawing();
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "DisplayManager::shutDown(): successfully stopped.");
}

int DisplayManager::drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g, unsigned char b,
                           float rotation) const {
  if (!isStarted()) {
    LogManager::getInstance().writeLog("%s not started!", getType().c_str());
    return -1;
  }
  if (m_p_window == nullptr || m_p_rectangle == nullptr || m_p_text == nullptr || Config::getInstance().getHeadless())
    return -1;

  Vector pixel = spacesToPixels(viewPosition(world_pos));
  sf::Vertex cell[VERTICES_PER_CELL];
  size_t count = 0;

  // The background is not shaken; the glyph is.
  m_p_rectangle->setPosition(pixel.getX() - charWidth() / 10, pixel.getY() + charHeight() / 5);
  m_p_rectangle->setRotation(rotation);
  const sf::Transform &rect_transform = m_p_rectangle->getTransform();
  sf::Vector2f size = m_p_rectangle->getSize();
  sf::Color fill = m_p_rectangle->getFillColor();
  sf::Vertex corner[4] = {
      sf::Vertex(rect_transform.transformPoint(0, 0), fill, WHITE_TEXEL),
      sf::Vertex(rect_transform.transformPoint(size.x, 0), fill, WHITE_TEXEL),
      sf::Vertex(rect_transform.transformPoint(size.x, size.y), fill, WHITE_TEXEL),
      sf::Vertex(rect_transform.transformPoint(0, size.y), fill, WHITE_TEXEL),
  };
  for (int i : {0, 1, 2, 0, 2, 3}) cell[count++] = corner[i];

  // Blanks have no glyph; '\r' is skipped.
  sf::Uint32 code = static_cast<unsigned char>(ch);
  if (code != ' ' && code != '\n' && code != '\t' && code != '\r') {
    m_p_text->setPosition(pixel.getX() + float(m_shake_x), pixel.getY() + float(m_shake_y));
    m_p_text->setRotation(rotation);
    const sf::Transform &text_transform = m_p_text->getTransform();
    unsigned int character_size = m_p_text->getCharacterSize();
    const sf::Glyph &glyph = m_font.getGlyph(code, character_size, true);
    // The glyph's quad one pixel wider all round, on the baseline at the
    // character size below the text's position.
    const float padding = 1;
    float baseline = float(character_size);
    float left = glyph.bounds.left - padding;
    float top = baseline + glyph.bounds.top - padding;
    float right = glyph.bounds.left + glyph.bounds.width + padding;
    float bottom = baseline + glyph.bounds.top + glyph.bounds.height + padding;
    float u1 = float(glyph.textureRect.left) - padding;
    float v1 = float(glyph.textureRect.top) - padding;
    float u2 = float(glyph.textureRect.left + glyph.textureRect.width) + padding;
    float v2 = float(glyph.textureRect.top + glyph.textureRect.height) + padding;
    sf::Color color(r, g, b, 255);
    sf::Vertex top_left(text_transform.transformPoint(left, top), color, sf::Vector2f(u1, v1));
    sf::Vertex top_right(text_transform.transformPoint(right, top), color, sf::Vector2f(u2, v1));
    sf::Vertex bottom_left(text_transform.transformPoint(left, bottom), color, sf::Vector2f(u1, v2));
    sf::Vertex bottom_right(text_transform.transformPoint(right, bottom), color, sf::Vector2f(u2, v2));
    for (const sf::Vertex *v : {&top_left, &top_right, &bottom_left, &bottom_left, &top_right, &bottom_right})
      cell[count++] = *v;
  }

  // A cell that cannot reach the window, rotated and shaken as it is, is
  // not kept (nor one whose position is not a number).
  sf::Vector2f low = cell[0].position, high = cell[0].position;
  for (size_t i = 1; i < count; i++) {
    low.x = std::min(low.x, cell[i].position.x);
    low.y = std::min(low.y, cell[i].position.y);
    high.x = std::max(high.x, cell[i].position.x);
    high.y = std::max(high.y, cell[i].position.y);
  }
  sf::FloatRect shown = visiblePixels();
  if (!(high.x >= shown.left && low.x <= shown.left + shown.width && high.y >= shown.top &&
        low.y <= shown.top + shown.height))
    return 0;

  if (m_cells.getVertexCount() + count > MAX_BATCHED_CELLS * VERTICES_PER_CELL) flushCells();
  size_t before = m_cells.getVertexCount();
  try {
    for (size_t i = 0; i < count; i++) m_cells.append(cell[i]);
  } catch (const std::bad_alloc &) {
    m_cells.resize(before);
    if (!m_cells_failed)
      LogManager::getInstance().writeLog(
          "DisplayManager::drawCh(): Error! Unable to allocate cells; dropped until the next frame.");
    m_cells_failed = true;
    return -1;
  }
  return 0;
}

int DisplayManager::drawCh(Vector world_pos, char ch, Color color, float rotation) const {
  if (Config::getInstance().getHeadless()) return -1;
  // CUSTOM and unknown colours draw white, as colorToSFML gives them.
  unsigned char r = 255, g = 255, b = 255;
  colorToRGB(color, r, g, b);
  return drawCh(world_pos, ch, r, g, b, rotation);
}

int DisplayManager::drawString(Vector world_pos, std::string str, Justification just, Color color) const {
  if (!isStarted()) {
    LogManager::getInstance().writeLog("%s not started!", getType().c_str());
    return -1;
  }
  if (Config::getInstance().getHeadless()) return -1;

  Vector start = world_pos;
  int length = int(str.size());
  switch (just) {
    case CENTER_JUSTIFIED: start.setX(world_pos.getX() - float(length / 2)); break;
    case RIGHT_JUSTIFIED: start.setX(world_pos.getX() - float(length)); break;
    default: break;
  }
  for (int i = 0; i < length; i++) drawCh(Vector(start.getX() + float(i), start.getY()), str[i], color, 0);
  return 0;
}

int DisplayManager::drawSegment(Vector p1_pixels, Vector p2_pixels) const {
  if (m_p_window == nullptr) return -1;
  flushCells();
  sf::Vertex line[2] = {sf::Vertex(sf::Vector2f(p1_pixels.getX(), p1_pixels.getY())),
                        sf::Vertex(sf::Vector2f(p2_pixels.getX(), p2_pixels.getY()))};
  m_p_window->draw(line, 2, sf::Lines, sf::RenderStates::Default);
  return 0;
}

int DisplayManager::swapBuffers() {
  if (!isStarted()) {
    LogManager::getInstance().writeLog("%s not started!", getType().c_str());
    return -1;
  }
  if (m_p_window == nullptr || Config::getInstance().getHeadless()) return -1;
  flushCells();
  m_p_window->display();
  m_p_window->clear(m_window_background_color);
  m_cells_failed = false;
  advanceShake();
  return 0;
}

void DisplayManager::advanceShake() {
  if (m_shake_duration < 1) {
    m_shake_x = 0;
    m_shake_y = 0;
    return;
  }
  m_shake_x = (m_shake_scale_x + 1) - 2 * (platform::rand() % (m_shake_scale_x + 1));
  m_shake_y = (m_shake_scale_y + 1) - 2 * (platform::rand() % (m_shake_scale_y + 1));
  m_shake_duration -= 1;
  if (m_shake_duration < 0) m_shake_duration = 0;
}

// Scales stay in 0..INT_MAX-1 so that scale + 1 is a valid divisor.
void DisplayManager::shake(int scale_x, int scale_y, int duration, bool add) {
  int64_t d = duration, sx = scale_x, sy = scale_y;
  if (add) {
    d += m_shake_duration;
    sx += m_shake_scale_x;
    sy += m_shake_scale_y;
  }
  m_shake_duration = clampShake(d, INT_MAX);
  m_shake_scale_x = clampShake(sx, int64_t(INT_MAX) - 1);
  m_shake_scale_y = clampShake(sy, int64_t(INT_MAX) - 1);
}

int DisplayManager::getShakeX() const { return m_shake_x; }
int DisplayManager::getShakeY() const { return m_shake_y; }
int DisplayManager::getShakeDuration() const { return m_shake_duration; }

bool DisplayManager::setBackgroundColor(Color new_color) {
  if (Config::getInstance().getHeadless()) return false;
  m_window_background_color = colorToSFML(new_color);
  if (m_p_rectangle != nullptr) m_p_rectangle->setFillColor(m_window_background_color);
  return true;
}

sf::Color DisplayManager::getBackgroundColor() const { return m_window_background_color; }

void DisplayManager::makeRectangle() {
  m_p_rectangle.reset(new (std::nothrow) sf::RectangleShape(sf::Vector2f(charWidth(), charHeight())));
  if (m_p_rectangle == nullptr) {
    LogManager::getInstance().writeLog("DisplayManager::makeRectangle(): Error! Unable to allocate rectangle.");
    return;
  }
  m_p_rectangle->setFillColor(m_window_background_color);
}

// Counts below 1, or a grid of more than MAX_CELLS, are refused.
void DisplayManager::setCells(int *p_count, int new_count, int other_count, const char *setter) {
  if (new_count < 1 || int64_t(new_count) * int64_t(other_count) > MAX_CELLS) {
    LogManager::getInstance().writeLog("DisplayManager::%s(): Warning! Ignoring %d cells.", setter, new_count);
    return;
  }
  *p_count = new_count;
  makeRectangle();
}

void DisplayManager::setHorizontal(int new_horizontal) {
  setCells(&m_window_horizontal_chars, new_horizontal, m_window_vertical_chars, "setHorizontal");
}

void DisplayManager::setVertical(int new_vertical) {
  setCells(&m_window_vertical_chars, new_vertical, m_window_horizontal_chars, "setVertical");
}

int DisplayManager::getHorizontal() const { return m_window_horizontal_chars; }
int DisplayManager::getVertical() const { return m_window_vertical_chars; }
int DisplayManager::getHorizontalPixels() const { return m_window_horizontal_pixels; }
int DisplayManager::getVerticalPixels() const { return m_window_vertical_pixels; }
sf::RenderWindow *DisplayManager::getWindow() const {
  flushCells();
  return m_p_window.get();
}

sf::FloatRect DisplayManager::visiblePixels() const {
  if (m_p_window == nullptr) return sf::FloatRect();
  return m_p_window->getView().getInverseTransform().transformRect(sf::FloatRect(-1, -1, 2, 2));
}

bool DisplayManager::reachableCells(const std::bitset<256> &chars, Box &view_cells) const {
  if (!isStarted() || m_p_window == nullptr || m_p_rectangle == nullptr || m_p_text == nullptr ||
      Config::getInstance().getHeadless())
    return false;
  float cw = charWidth(), ch = charHeight();
  if (!(cw > 0 && ch > 0)) return false;

  // What a cell covers around its pixel position: its background...
  sf::Vector2f size = m_p_rectangle->getSize();
  float low_x = -cw / 10, high_x = low_x + size.x;
  float low_y = ch / 5, high_y = low_y + size.y;
  // ...and the glyph of any of its characters, shaken, with the padding
  // drawCh gives it.
  unsigned int character_size = m_p_text->getCharacterSize();
  float x = float(m_shake_x), y = float(m_shake_y) + float(character_size);
  for (unsigned int code = 0; code < 256; code++) {
    if (!chars[code] || code == ' ' || code == '\n' || code == '\t' || code == '\r') continue;
    const sf::FloatRect &bounds = m_font.getGlyph(code, character_size, true).bounds;
    low_x = std::min(low_x, x + bounds.left - 1);
    high_x = std::max(high_x, x + bounds.left + bounds.width + 1);
    low_y = std::min(low_y, y + bounds.top - 1);
    high_y = std::max(high_y, y + bounds.top + bounds.height + 1);
  }

  sf::FloatRect shown = visiblePixels();
  float first_x = (shown.left - high_x) / cw, last_x = (shown.left + shown.width - low_x) / cw;
  float first_y = (shown.top - high_y) / ch, last_y = (shown.top + shown.height - low_y) / ch;
  view_cells = Box(Vector(first_x, first_y), last_x - first_x, last_y - first_y);
  return true;
}

void DisplayManager::flushCells() const {
  if (m_cells.getVertexCount() == 0) return;
  if (m_p_window != nullptr && m_p_text != nullptr) {
    // Taken now: pages grow while glyphs are first loaded, and texture
    // coordinates are in pixels, so earlier cells stay valid.
    sf::RenderStates states;
    states.texture = &m_font.getTexture(m_p_text->getCharacterSize());
    m_p_window->draw(m_cells, states);
  }
  m_cells.clear();
}

float charWidth() {
  const DisplayManager &dm = DisplayManager::getInstance();
  if (dm.getHorizontal() < 1) return 0;
  return float(dm.getHorizontalPixels()) / float(dm.getHorizontal());
}

float charHeight() {
  const DisplayManager &dm = DisplayManager::getInstance();
  if (dm.getVertical() < 1) return 0;
  return float(dm.getVerticalPixels()) / float(dm.getVertical());
}

Vector spacesToPixels(Vector spaces) {
  Vector pixels(spaces.getX() * charWidth(), spaces.getY() * charHeight());
  // "(int)" in the name kept verbatim.
  LogManager::getInstance().writeLog(30, "spacesToPixels(int): spaces (%.2f,%.2f) = pixels (%.2f,%.2f)",
                                     double(spaces.getX()), double(spaces.getY()), double(pixels.getX()),
                                     double(pixels.getY()));
  return pixels;
}

Vector pixelsToSpaces(Vector pixels) {
  float w = charWidth(), h = charHeight();
  Vector spaces(w != 0 ? pixels.getX() / w : 0, h != 0 ? pixels.getY() / h : 0);
  LogManager::getInstance().writeLog(30, "pixelsToSpaces(): pixels (%.2f,%.2f) = spaces (%.2f,%.2f)",
                                     double(pixels.getX()), double(pixels.getY()), double(spaces.getX()),
                                     double(spaces.getY()));
  return spaces;
}

// SFML 2.5 keeps fullscreen among the style bits.
unsigned int windowStyle(int style, int state) {
  unsigned int bits = unsigned(style) & (sf::Style::Titlebar | sf::Style::Resize | sf::Style::Close);
  if (state == 1) bits |= sf::Style::Fullscreen;
  return bits;
}

sf::Color colorToSFML(Color color) {
  switch (color) {
    case BLACK: return sf::Color(0, 0, 0, 255);
    case RED: return sf::Color(255, 0, 0, 255);
    case GREEN: return sf::Color(0, 255, 0, 255);
    case YELLOW: return sf::Color(255, 255, 0, 255);
    case BLUE: return sf::Color(0, 0, 255, 255);
    case MAGENTA: return sf::Color(255, 0, 255, 255);
    case CYAN: return sf::Color(0, 255, 255, 255);
    case WHITE: return sf::Color(255, 255, 255, 255);
    case CUSTOM:
      LogManager::getInstance().writeLog(5, "colorToSFML(): Color is CUSTOM.");
      return sf::Color(255, 255, 255, 255);
    default:
      LogManager::getInstance().writeLog(5, "colorToSFML(): Color %d not supported.", int(color));
      return sf::Color(255, 255, 255, 255);
  }
}

} // namespace vx
