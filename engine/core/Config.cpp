#include "core/Config.h"

#include <cfloat>
#include <cstdlib>
#include <istream>

#include "core/Color.h"
#include "core/LogManager.h"
#include "core/Utility.h"
#include "platform/RegularFile.h"

namespace vx {

Config::Config() { reset(); }

void Config::reset() {
  m_config = "";
  m_window_horizontal_pixels = 1024;
  m_window_vertical_pixels = 768;
  m_window_horizontal_chars = 80;
  m_window_vertical_chars = 24;
  m_window_style = 5;
  m_window_state = 0;
  m_window_background_color = 0;
  m_frame_time = 33;
  m_font_scale = 2.0f;
  m_window_title = "Vexmoor";
  m_show_mouse = false;
  m_headless = false;
  m_font_file = "vx-font.ttf";
  m_logfile = "vexmoor.log";
  m_random_seed = 0;
  m_networking = true;
  m_quadtree_threshold = 1;
  m_quadtree_depth = 10;
  m_grid_width = 20;
  m_grid_height = 8;
  m_signals = true;
}

Config &Config::getInstance() {
  static Config config;
  return config;
}

std::string Config::readConfig() const {
  const char *env = getenv("VEXMOOR_CONFIG");
  std::string name = env ? std::string(env) : CONFIG_FILENAME_DEFAULT;
  platform::RegularFile in;
  int opened = in.open(name);
  if (opened == platform::RegularFile::NOT_REGULAR) {
    LogManager::getInstance().writeLog(
        1, "Config::readConfig(): Vexmoor configuration file '%s' is not a regular file.", name.c_str());
    return "";
  }
  if (opened != 0) {
    LogManager::getInstance().writeLog(1, "Config::readConfig(): Cannot open Vexmoor configuration file '%s'.",
                                       name.c_str());
    return "";
  }
  std::istream file(&in);
  std::string text;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') text += line;
  }
  return text;
}

void Config::loadConfig(std::string config) {
  if (config.empty()) config = readConfig();
  m_config = config;
  vx::match(m_config, "");

  const LogManager &log = LogManager::getInstance();
  std::string value;

  if ((value = match("frame_time")) != "") m_frame_time = parseInt(value);
  if ((value = match("font_scale")) != "") {
    // Beyond float's range the conversion is undefined: saturate first.
    double scale = atof(value.c_str());
    if (scale > FLT_MAX) scale = FLT_MAX;
    if (scale < -FLT_MAX) scale = -FLT_MAX;
    m_font_scale = float(scale);
  }
  if ((value = match("window_horizontal_pixels")) != "") m_window_horizontal_pixels = parseInt(value);
  if ((value = match("window_vertical_pixels")) != "") m_window_vertical_pixels = parseInt(value);
  if ((value = match("window_horizontal_chars")) != "") m_window_horizontal_chars = parseInt(value);
  if ((value = match("window_vertical_chars")) != "") m_window_vertical_chars = parseInt(value);

  if ((value = match("window_background_color")) != "") {
    Color color = colorFromName(value, false);
    if (color != UNDEFINED_COLOR)
      m_window_background_color = color;
    else
      log.writeLog("loadConfig(): Unsupported window color '%s'", value.c_str());
  }

  if ((value = match("window_style")) != "") {
    if (value == "none") {
      m_window_style = 0;
    } else {
      int style = parseInt(value);
      if (style != 0)
        m_window_style = style;
      else
        log.writeLog("loadConfig(): Unsupported window style '%s'", value.c_str());
    }
  }

  if ((value = match("window_state")) != "") {
    if (value == "fullscreen")
      m_window_state = 1;
    else if (value == "default")
      m_window_state = 0;
    else
      log.writeLog("loadConfig(): Unsupported window state '%s'", value.c_str());
  }

  if ((value = match("window_title")) != "") m_window_title = value;
  if ((value = match("show_mouse")) != "") m_show_mouse = value == "true";
  if ((value = match("headless")) != "") m_headless = value == "true";
  if ((value = match("font_file")) != "") m_font_file = value;
  if ((value = match("logfile")) != "") m_logfile = value;
  if ((value = match("random_seed")) != "") m_random_seed = parseInt(value);
  if ((value = match("networking")) != "") m_networking = value == "true";
  if ((value = match("grid_width")) != "") m_grid_width = parseInt(value);
  if ((value = match("grid_height")) != "") m_grid_height = parseInt(value);
  if ((value = match("quadtree_depth")) != "") m_quadtree_depth = parseInt(value);
  if ((value = match("quadtree_threshold")) != "") m_quadtree_threshold = parseInt(value);
  if ((value = match("signals")) != "") m_signals = value == "true";
}

std::string Config::match(std::string token) const { return vx::match(m_config, token); }

void Config::writeConfig() const {
  const LogManager &log = LogManager::getInstance();
  const char *rule = "-----------------------------------";
  log.writeLog(1, "%s", rule);
  log.writeLog(1, "Vexmoor configuration:");
  log.writeLog(1, "  Window horizontal pixels: %d", m_window_horizontal_pixels);
  log.writeLog(1, "  Window vertical pixels: %d", m_window_vertical_pixels);
  log.writeLog(1, "  Window horizontal characters: %d", m_window_horizontal_chars);
  log.writeLog(1, "  Window vertical characters: %d", m_window_vertical_chars);
  log.writeLog(1, "  Window background color: %d", m_window_background_color);
  log.writeLog(1, "  Frame time: %d", m_frame_time);
  log.writeLog(1, "  Window style: %d", m_window_style);
  log.writeLog(1, "  Window state: %s", m_window_state ? "fullscreen" : "default");
  log.writeLog(1, "  Window title: %s", m_window_title.c_str());
  log.writeLog(1, "  Show mouse: %s", m_show_mouse ? "true" : "false");
  log.writeLog(1, "  Headless: %s", m_headless ? "true" : "false");
  log.writeLog(1, "  Font file: %s", m_font_file.c_str());
  log.writeLog(1, "  Log file: %s", m_logfile.c_str());
  log.writeLog(1, "  Random seed: %d", m_random_seed);
  log.writeLog(1, "  Networking: %s", m_networking ? "true" : "false");
  log.writeLog(1, "  Scene graph: grid");
  log.writeLog(1, "  Grid width: %d", m_grid_width);
  log.writeLog(1, "  Grid height: %d", m_grid_height);
  log.writeLog(1, "%s", rule);
}

std::string Config::getConfig() const { return m_config; }
void Config::setConfig(std::string new_config) { m_config = new_config; }
int Config::getWindowHorizontalPixels() const { return m_window_horizontal_pixels; }
void Config::setWindowHorizontalPixels(int v) { m_window_horizontal_pixels = v; }
int Config::getWindowVerticalPixels() const { return m_window_vertical_pixels; }
void Config::setWindowVerticalPixels(int v) { m_window_vertical_pixels = v; }
int Config::getWindowHorizontalChars() const { return m_window_horizontal_chars; }
void Config::setWindowHorizontalChars(int v) { m_window_horizontal_chars = v; }
int Config::getWindowVerticalChars() const { return m_window_vertical_chars; }
void Config::setWindowVerticalChars(int v) { m_window_vertical_chars = v; }
int Config::getWindowStyle() const { return m_window_style; }
void Config::setWindowStyle(int v) { m_window_style = v; }
int Config::getWindowState() const { return m_window_state; }
void Config::setWindowState(int v) { m_window_state = v; }
int Config::getWindowBackgroundColor() const { return m_window_background_color; }
void Config::setWindowBackgroundColor(int v) { m_window_background_color = v; }
int Config::getFrameTime() const { return m_frame_time; }
void Config::setFrameTime(int v) { m_frame_time = v; }
float Config::getFontScale() const { return m_font_scale; }
void Config::setFontScale(float v) { m_font_scale = v; }
std::string Config::getWindowTitle() const { return m_window_title; }
void Config::setWindowTitle(std::string v) { m_window_title = v; }
bool Config::getShowMouse() const { return m_show_mouse; }
void Config::setShowMouse(bool v) { m_show_mouse = v; }
bool Config::getHeadless() const { return m_headless; }
void Config::setHeadless(bool v) { m_headless = v; }
std::string Config::getFontFile() const { return m_font_file; }
void Config::setFontFile(std::string v) { m_font_file = v; }
std::string Config::getLogFile() const { return m_logfile; }
void Config::setLogFile(std::string v) { m_logfile = v; }
int Config::getRandomSeed() const { return m_random_seed; }
void Config::setRandomSeed(int v) { m_random_seed = v; }
bool Config::getNetworking() const { return m_networking; }
void Config::setNetworking(bool v) { m_networking = v; }
int Config::getQuadtreeThreshold() const { return m_quadtree_threshold; }
void Config::setQuadtreeThreshold(int v) { m_quadtree_threshold = v; }
int Config::getQuadtreeDepth() const { return m_quadtree_depth; }
void Config::setQuadtreeDepth(int v) { m_quadtree_depth = v; }
int Config::getGridWidth() const { return m_grid_width; }
void Config::setGridWidth(int v) { m_grid_width = v; }
int Config::getGridHeight() const { return m_grid_height; }
void Config::setGridHeight(int v) { m_grid_height = v; }
bool Config::getSignals() const { return m_signals; }
void Config::setSignals(bool v) { m_signals = v; }

} // namespace vx
