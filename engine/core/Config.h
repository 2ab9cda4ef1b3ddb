#pragma once

#include <string>

namespace vx {

const std::string CONFIG_FILENAME_DEFAULT = "vx-config.txt";

// Every setting of the engine, read once from the configuration file.
class Config {
 private:
  Config();
  Config(const Config &) = delete;
  void operator=(const Config &) = delete;

  std::string m_config;
  int m_window_horizontal_pixels;
  int m_window_vertical_pixels;
  int m_window_horizontal_chars;
  int m_window_vertical_chars;
  int m_window_style;
  int m_window_state;
  int m_window_background_color;
  int m_frame_time;
  float m_font_scale;
  std::string m_window_title;
  bool m_show_mouse;
  bool m_headless;
  std::string m_font_file;
  std::string m_logfile;
  int m_random_seed;
  bool m_networking;
  int m_quadtree_threshold;
  int m_quadtree_depth;
  int m_grid_width;
  int m_grid_height;
  bool m_signals;

 public:
  static Config &getInstance();

  // Every setting back to its default (as at construction).
  void reset();

  void loadConfig(std::string config = "");
  std::string readConfig() const;
  std::string match(std::string token) const;
  void writeConfig() const;

  std::string getConfig() const;
  void setConfig(std::string new_config);
  int getWindowHorizontalPixels() const;
  void setWindowHorizontalPixels(int v);
  int getWindowVerticalPixels() const;
  void setWindowVerticalPixels(int v);
  int getWindowHorizontalChars() const;
  void setWindowHorizontalChars(int v);
  int getWindowVerticalChars() const;
  void setWindowVerticalChars(int v);
  int getWindowStyle() const;
  void setWindowStyle(int v);
  int getWindowState() const;
  void setWindowState(int v);
  int getWindowBackgroundColor() const;
  void setWindowBackgroundColor(int v);
  int getFrameTime() const;
  void setFrameTime(int v);
  float getFontScale() const;
  void setFontScale(float v);
  std::string getWindowTitle() const;
  void setWindowTitle(std::string v);
  bool getShowMouse() const;
  void setShowMouse(bool v);
  bool getHeadless() const;
  void setHeadless(bool v);
  std::string getFontFile() const;
  void setFontFile(std::string v);
  std::string getLogFile() const;
  void setLogFile(std::string v);
  int getRandomSeed() const;
  void setRandomSeed(int v);
  bool getNetworking() const;
  void setNetworking(bool v);
  int getQuadtreeThreshold() const;
  void setQuadtreeThreshold(int v);
  int getQuadtreeDepth() const;
  void setQuadtreeDepth(int v);
  int getGridWidth() const;
  void setGridWidth(int v);
  int getGridHeight() const;
  void setGridHeight(int v);
  bool getSignals() const;
  void setSignals(bool v);
};

} // namespace vx
