#pragma once

#include <bitset>
#include <memory>
#include <string>

#include <SFML/Graphics.hpp>

#include "core/Box.h"
#include "core/Color.h"
#include "core/Manager.h"
#include "core/Vector.h"

namespace vx {

class Config;

enum Justification {
  LEFT_JUSTIFIED,
  CENTER_JUSTIFIED,
  RIGHT_JUSTIFIED,
};

// The window of character cells and everything drawn in it.
class DisplayManager : public Manager {
 private:
  DisplayManager();
  DisplayManager(const DisplayManager &) = delete;
  void operator=(const DisplayManager &) = delete;

  sf::Font m_font;
  std::unique_ptr<sf::RenderWindow> m_p_window;
  int m_window_horizontal_pixels;
  int m_window_vertical_pixels;
  int m_window_horizontal_chars;
  int m_window_vertical_chars;
  std::unique_ptr<sf::RectangleShape> m_p_rectangle;  // one cell's background, reused
  sf::Color m_window_background_color;
  std::unique_ptr<sf::Text> m_p_text;  // glyph size and transform, reused
  // Cells drawn since the last flush: backgrounds and glyphs as triangles
  // textured with the font's page, drawn in one call.
  mutable sf::VertexArray m_cells;
  mutable bool m_cells_failed;  // a cell could not be stored this frame (logged)
  int m_shake_duration;
  int m_shake_scale_x;
  int m_shake_scale_y;
  int m_shake_x;
  int m_shake_y;
  // The world position at the view's top left corner: told by the world.
  Vector m_view_corner;

  // Start-up in steps; each logs its own failure.
  bool cellsRefused() const;
  bool pixelsRefused() const;
  int openWindow(const Config &config);
  int openFont(const Config &config);
  int makeCellDrawing(const Config &config);

  void makeRectangle();
  void setCells(int *p_count, int new_count, int other_count, const char *setter);
  void releaseDrawing();
  // Picks the glyph offsets for the next frame (swapBuffers does this).
  void advanceShake();
  friend struct DisplayManagerSeam;  // tests step the shake without a window
  // Draws the pending cells into the window (before anything else draws).
  void flushCells() const;
  // The part of the window's view that is shown, in pixels.
  sf::FloatRect visiblePixels() const;

 public:
  ~DisplayManager();
  static DisplayManager &getInstance();

  int startUp() override;
  void shutDown() override;

  // The view's corner in world cells: the world tells it whenever its view
  // moves. Drawing places world positions relative to it.
  void setViewCorner(Vector corner) { m_view_corner = corner; }
  Vector getViewCorner() const { return m_view_corner; }
  // A world position in view cells.
  Vector viewPosition(Vector world_pos) const {
    return Vector(world_pos.getX() - m_view_corner.getX(), world_pos.getY() - m_view_corner.getY());
  }

  // 0 when drawn, -1 when nothing was drawn.
  int drawCh(Vector world_pos, char ch, Color color, float rotation = 0) const;
  int drawCh(Vector world_pos, char ch, unsigned char r, unsigned char g, unsigned char b,
             float rotation = 0) const;
  int drawString(Vector world_pos, std::string str, Justification just, Color color) const;

  // The view positions (in cells) where an unrotated cell holding one of
  // chars reaches the window, shaken as this frame is. False when nothing
  // can be drawn, and then the cells are left to drawCh.
  bool reachableCells(const std::bitset<256> &chars, Box &view_cells) const;

  // A white line between two pixel positions; -1 with no window.
  int drawSegment(Vector p1_pixels, Vector p2_pixels) const;

  // Shows the frame, clears to the background and advances the shake.
  int swapBuffers();

  void shake(int scale_x, int scale_y, int duration, bool add = false);
  int getShakeX() const;
  int getShakeY() const;
  int getShakeDuration() const;

  bool setBackgroundColor(Color new_color);
  sf::Color getBackgroundColor() const;

  // Counts of cells; values below 1, or a grid beyond 2^20 cells, are ignored.
  void setHorizontal(int new_horizontal);
  void setVertical(int new_vertical);
  int getHorizontal() const;
  int getVertical() const;
  int getHorizontalPixels() const;
  int getVerticalPixels() const;

  // Null when headless or not started. Cells drawn so far are in the window
  // by the time it is returned.
  sf::RenderWindow *getWindow() const;
};

// Pixels per cell across and down (0 while the cell counts are unset).
float charWidth();
float charHeight();
Vector spacesToPixels(Vector spaces);
Vector pixelsToSpaces(Vector pixels);

sf::Color colorToSFML(Color color);

// SFML window style bits for the configured style and state (1 fullscreen).
unsigned int windowStyle(int style, int state);

} // namespace vx
