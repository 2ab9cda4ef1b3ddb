#include "display/ResourceManager.h"

#include <climits>
#include <cstdint>
#include <new>
#include <vector>

#include "core/LogManager.h"
#include "core/Utility.h"

namespace vx {

namespace {

// Number of the sprite file line most recently counted (for messages);
// 64 bits, shown through lineNumber().
int64_t line_number = 0;

int clampInt(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

// The line number as the messages print it.
int lineNumber() { return clampInt(line_number); }

// The colour of a lower-case name; UNDEFINED_COLOR when unknown.
Color colorFromName(const std::string &name, bool allow_default) {
  static const char *const names[] = {"black", "red",     "green", "yellow",
                                      "blue",  "magenta", "cyan",  "white"};
  for (int i = 0; i < 8; i++)
    if (name == names[i]) return Color(i);
  if (allow_default && name == "default") return WHITE;
  return UNDEFINED_COLOR;
}

// Removes one trailing carriage return.
void discardCR(std::string &str) {
  if (!str.empty() && str[str.size() - 1] == '\r') str.erase(str.size() - 1);
}

// One line without its line end; "" with a message once the file is done.
std::string getLine(std::ifstream *p_file, bool count) {
  if (!p_file->good()) {
    LogManager::getInstance().writeLog("getLine(): Error! Unexpected end of file.");
    return "";
  }
  std::string line;
  std::getline(*p_file, line);
  discardCR(line);
  if (count) line_number++;
  return line;
}

// The lines between "<tag>" and "</tag>"; empty on error.
std::vector<std::string> readData(std::ifstream *p_file, std::string tag) {
  LogManager &log = LogManager::getInstance();
  std::string begin = "<" + tag + ">";
  std::string end = "</" + tag + ">";
  std::vector<std::string> data;

  std::string line = getLine(p_file, true);
  if (line != begin) {
    log.writeLog("readData(): Error line %d! Expected '%s', have '%s'.", lineNumber(), begin.c_str(),
                 line.c_str());
    return std::vector<std::string>();
  }

  line = getLine(p_file, false);
  while (line != end && !line.empty()) {
    data.push_back(line);
    line = getLine(p_file, true);
  }
  if (line.empty()) {
    log.writeLog("readData(): Error! Stop at line %d, never encountered '%s'.", lineNumber(),
                 end.c_str());
    return std::vector<std::string>();
  }
  line_number++;
  return data;
}

// Text after the key and its separator; "" when the line is just the key.
std::string valueOf(const std::string &line, size_t key_len) {
  if (line.size() <= key_len + 1) return "";
  return line.substr(key_len + 1);
}

bool hasKey(const std::string &line, const char *key, size_t key_len) {
  return line.compare(0, key_len, key) == 0 && line.size() >= key_len;
}

// Takes every line starting with key out of lines; the last value wins.
int matchLineInt(std::vector<std::string> *p_data, const char *key) {
  size_t key_len = std::string(key).size();
  int value = -1;
  std::vector<std::string> rest;
  rest.reserve(p_data->size());
  for (const std::string &line : *p_data) {
    if (!hasKey(line, key, key_len)) {
      rest.push_back(line);
      continue;
    }
    if (value != -1)
      LogManager::getInstance().writeLog(1, "matchLineInt(): Warning! '%s' matches multiple lines.",
                                         line.c_str());
    value = parseInt(valueOf(line, key_len));
  }
  p_data->swap(rest);
  return value;
}

std::string matchLineStr(std::vector<std::string> *p_data, const char *key) {
  size_t key_len = std::string(key).size();
  std::string value;
  std::vector<std::string> rest;
  rest.reserve(p_data->size());
  for (const std::string &line : *p_data) {
    if (!hasKey(line, key, key_len)) {
      rest.push_back(line);
      continue;
    }
    if (!value.empty())
      LogManager::getInstance().writeLog(1, "matchLineStr(): Warning! '%s' matches multiple lines.",
                                         line.c_str());
    value = valueOf(line, key_len);
  }
  p_data->swap(rest);
  return value;
}

// Takes one frame and its "end" line from the body lines at *p_next, moving
// *p_next past the lines taken (so a body of many frames reads in linear
// time). line is the file number of the line before the frame's first row.
Frame readFrame(const std::vector<std::string> &data, size_t *p_next, int width, int height, int64_t line) {
  LogManager &log = LogManager::getInstance();
  size_t &next = *p_next;
  int64_t number = line;
  std::string frame_str;

  for (int row = 1; row <= height; row++) {
    if (next >= data.size()) {
      log.writeLog("\tError! Line %d: No more frame data before 'end'.", clampInt(number + 1));
      return Frame();
    }
    const std::string &text = data[next];
    number++;
    log.writeLog(20, "\tLine %2d: '%s'", clampInt(number), text.c_str());
    if (int64_t(text.size()) != int64_t(width)) {
      log.writeLog("\tError! Line %d: Line length is %d (frame width is %d).", clampInt(number),
                   clampInt(int64_t(text.size())), width);
      log.writeLog("\tLine %d: '%s'", clampInt(number), text.c_str());
      next++;
      return Frame();
    }
    frame_str += text;
    next++;
  }

  if (next >= data.size()) {
    log.writeLog("\tError! Line %d: No more frame data before 'end'.", clampInt(number + 1));
    return Frame();
  }
  const std::string &text = data[next];
  number++;
  next++;
  if (text != "end") {
    log.writeLog("\tError! Line %d: Expected '%s'.", clampInt(number), "end");
    log.writeLog("\tLine %d: '%s'", clampInt(number), text.c_str());
    return Frame();
  }
  return Frame(width, height, frame_str);
}

}  // namespace

ResourceManager::ResourceManager()
    : m_p_sprite(), m_sprite_count(0), m_sound(), m_sound_count(0), m_music(), m_music_count(0) {
  setType("ResourceManager");
}

ResourceManager::~ResourceManager() {}

bool ResourceManager::refuseUnstarted() const {
  if (isStarted()) return false;
  LogManager::getInstance().writeLog("%s not started!", getType().c_str());
  return true;
}

ResourceManager &ResourceManager::getInstance() {
  static ResourceManager resource_manager;
  return resource_manager;
}

int ResourceManager::startUp() {
  LogManager &log = LogManager::getInstance();
  if (isStarted()) {
    log.writeLog("%s::startup(): Warning! %s already started.", getType().c_str(),
                 getType().c_str());
    return -1;
  }
  m_sprite_count = 0;
  m_sound_count = 0;
  m_music_count = 0;
  Manager::startUp();
  log.writeLog(5, "RM::startUp(): successfully started.");
  return 0;
}

void ResourceManager::shutDown() {
  for (int i = 0; i < m_sprite_count; i++) {
    delete m_p_sprite[i];
    m_p_sprite[i] = nullptr;
  }
  m_sprite_count = 0;
  for (int i = 0; i < m_sound_count; i++) m_sound[i].stop();
  for (int i = 0; i < m_music_count; i++) m_music[i].stop();
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "RM::shutDown(): successfully stopped.");
}

int ResourceManager::loadSprite(std::string filename, std::string label) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return -1;
  }
  if (m_sprite_count >= MAX_SPRITES) {
    log.writeLog("RM::loadRobustSprite(): Error! Cannot add more Sprites (max is %d).", MAX_SPRITES);
    log.writeLog("RM::loadRobustSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
  }
  log.writeLog(1, "RM::loadSprite(): Loading sprite '%s'.", filename.c_str());

  std::ifstream file(filename);
  if (!file.is_open()) {
    log.writeLog("RM::loadSprite(): Error! Cannot open file '%s'.", filename.c_str());
    log.writeLog("RM::loadSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
  }

  // The first line tells the format; both readers start from line 1.
  line_number = 0;
  std::string first = getLine(&file, false);
  file.clear();
  file.seekg(0, std::ios::beg);

  Sprite *p_sprite = nullptr;
  if (first == "<HEADER>") {
    log.writeLog(5, "RM::loadSprite(): assuming robust sprite file format.");
    p_sprite = loadRobustSprite(&file);
  } else if (parseInt(first) >= 1) {
    log.writeLog(5, "RM::loadSprite(): assuming simple sprite file format.");
    p_sprite = loadSimpleSprite(&file);
  } else {
    log.writeLog("RM::loadSprite(): Error! Unknown sprite file format.");
    log.writeLog("RM::loadSprite(): First line is '%s'.", first.c_str());
    log.writeLog("RM::loadSprite(): Sprite '%s' NOT loaded.", label.c_str());
    file.close();
    return -1;
  }
  file.close();

  if (!p_sprite) {
    log.writeLog("RM::loadSprite(): Sprite '%s' NOT loaded.", label.c_str());
    return -1;
  }

  p_sprite->setLabel(label);
  m_p_sprite[m_sprite_count] = p_sprite;
  m_sprite_count++;

  if (log.getLogLevel() >= 15) {
    log.writeLog(15, "RM::loadSprite(): Sprite '%s' frames:", label.c_str());
    int width = p_sprite->getWidth();
    int height = p_sprite->getHeight();
    for (int i = 0; i < p_sprite->getFrameCount(); i++) {
      log.writeLog(15, "\tFrame %d:", i + 1);
      std::string str = p_sprite->getFrame(i).getString();
      for (int r = 0; r < height; r++) {
        size_t start = size_t(r) * size_t(width > 0 ? width : 0);
        std::string row = start < str.size() ? str.substr(start, size_t(width > 0 ? width : 0)) : "";
        log.writeLog(15, "\t%s", row.c_str());
      }
    }
  }

  log.writeLog(5, "RM::loadSprite(): Sprite '%s' loaded.", label.c_str());
  return 0;
}

Sprite *ResourceManager::loadSimpleSprite(std::ifstream *p_file) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return nullptr;
  }

  std::string line;
  // Reads one value line; false (after the messages) when it is missing.
  auto readValue = [&](const char *missing) -> bool {
    line = getLine(p_file, true);
    if (line.empty()) {
      log.writeLog("RM::loadSimpleSprite(): Error! Unexpected end of file.");
      log.writeLog("%s", missing);
      return false;
    }
    log.writeLog(20, "\tLine %2d: '%s'", lineNumber(), line.c_str());
    return true;
  };

  if (!readValue("\tMissing frames (an integer).")) return nullptr;
  int frames = parseInt(line);
  if (frames < 1) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Number of frames is %d.", lineNumber(),
                 frames);
    return nullptr;
  }

  if (!readValue("\tMissing width (an integer).")) return nullptr;
  int width = parseInt(line);
  if (width < 1) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Width is '%s'.", lineNumber(), line.c_str());
    return nullptr;
  }

  if (!readValue("\tMissing height (an integer).")) return nullptr;
  int height = parseInt(line);
  if (height < 1) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Height is '%s'.", lineNumber(),
                 line.c_str());
    return nullptr;
  }

  if (!readValue("\tMissing slowdown (an integer).")) return nullptr;
  int slowdown = parseInt(line);
  if (slowdown < 0) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Slowdown is '%s'.", lineNumber(),
                 line.c_str());
    return nullptr;
  }

  if (!readValue("\tMissing color (a string).")) return nullptr;
  Color color = colorFromName(line, false);
  if (color == UNDEFINED_COLOR) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Unrecognized color '%s'.", lineNumber(),
                 line.c_str());
    log.writeLog("  Valid colors are: black, red, green, yellow,");
    log.writeLog("                    blue, magenta, cyan or white.");
    return nullptr;
  }

  log.writeLog(5, "\t      Frames: %d", frames);
  log.writeLog(5, "\t       Width: %d", width);
  log.writeLog(5, "\t      Height: %d", height);
  log.writeLog(5, "\t    Slowdown: %d", slowdown);
  log.writeLog(5, "\t       Color: %s", colorToString(color).c_str());

  Sprite *p_sprite = new (std::nothrow) Sprite(frames);
  if (!p_sprite) {
    log.writeLog("RM::loadSimpleSprite(): Error! Unable to create Sprite.");
    return nullptr;
  }
  p_sprite->setWidth(width);
  p_sprite->setHeight(height);
  p_sprite->setSlowdown(slowdown);
  p_sprite->setColor(color);
  p_sprite->setTransparency(0);

  for (int f = 1; f <= frames; f++) {
    log.writeLog(15, "RM::loadSimpleSprite(): Reading frame %d of %d.", f, frames);
    std::string frame_str;
    for (int r = 1; r <= height; r++) {
      line = getLine(p_file, true);
      if (line.empty()) {
        log.writeLog("RM::loadSimpleSprite(): Error! Unexpected end of file.");
        log.writeLog("\tReading frame %d of %d, row %d of %d.", f, frames, r, height);
        delete p_sprite;
        return nullptr;
      }
      if (int64_t(line.size()) != int64_t(width)) {
        log.writeLog("RM::loadSimpleSprite(): Error line %d!", lineNumber());
        log.writeLog("\tLine %2d: '%s'", lineNumber(), line.c_str());
        log.writeLog("\tWidth is %d, expected %d.", clampInt(int64_t(line.size())), width);
        delete p_sprite;
        return nullptr;
      }
      log.writeLog(20, "\tLine %2d: '%s'", lineNumber(), line.c_str());
      frame_str += line;
    }
    if (p_sprite->addFrame(Frame(width, height, frame_str)) == -1) {
      log.writeLog("RM::loadSimpleSprite(): Error! Cannot add Frame.");
      log.writeLog("\tFramecount is %d, max is %d.", p_sprite->getFrameCount() + 1, frames);
      delete p_sprite;
      return nullptr;
    }
  }

  // One line end may follow the last row; nothing else.
  if (p_file->eof()) return p_sprite;
  std::string extra;
  std::getline(*p_file, extra);
  line_number++;
  if (p_file->eof() && extra.empty()) return p_sprite;
  discardCR(extra);
  log.writeLog("RM::loadSimpleSprite(): Error line %d!", lineNumber());
  log.writeLog("\tExtra file data: '%s'", extra.c_str());
  delete p_sprite;
  return nullptr;
}

Sprite *ResourceManager::loadRobustSprite(std::ifstream *p_file) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return nullptr;
  }

  std::vector<std::string> header = readData(p_file, "HEADER");
  if (header.empty()) return nullptr;
  log.writeLog(20, "ResourceManager::loadRobustSprite(): After header, line number: '%d'",
               lineNumber());

  int frames = matchLineInt(&header, "frames");
  if (frames == -1) {
    log.writeLog("RM::loadRobustSprite(): Error! Missing '%s' in header.", "frames");
    return nullptr;
  }
  int width = matchLineInt(&header, "width");
  if (width == -1) {
    log.writeLog("RM::loadRobustSprite(): Error! Missing '%s' in header.", "width");
    return nullptr;
  }
  int height = matchLineInt(&header, "height");
  if (height == -1) {
    log.writeLog("RM::loadRobustSprite(): Error! Missing '%s' in header.", "height");
    return nullptr;
  }
  if (frames < 0) {
    log.writeLog("RM::loadRobustSprite(): Error! Number of frames is %d.", frames);
    return nullptr;
  }

  std::string color_name = matchLineStr(&header, "color");
  if (color_name.empty()) {
    log.writeLog(5, "RM::loadRobustSprite(): Warning! No '%s' in header.", "color");
    color_name = "default";
  }

  char transparency = 0;
  std::string trans = matchLineStr(&header, "transparency");
  if (trans.empty()) {
    log.writeLog(5, "RM::loadRobustSprite(): Note! No '%s' in header.", "transparency");
  } else if (trans == "\" \"") {
    log.writeLog(5, "RM::loadRobustSprite(): transparency is 'space'");
    transparency = ' ';
  } else {
    transparency = trans[0];
  }

  int slowdown = matchLineInt(&header, "slowdown");
  if (slowdown == -1) {
    log.writeLog(5, "RM::loadRobustSprite(): Note! No '%s' in header.", "slowdown");
    slowdown = 0;
  }

  if (!header.empty()) {
    log.writeLog(1, "RM::loadRobustSprite(): Warning! Unused HEADER lines:");
    for (const std::string &l : header) log.writeLog(1, "\t'%s'", l.c_str());
  }

  log.writeLog(5, "\t      Frames: %d", frames);
  log.writeLog(5, "\t       Width: %d", width);
  log.writeLog(5, "\t      Height: %d", height);
  log.writeLog(5, "\t    Slowdown: %d", slowdown);
  if (transparency)
    log.writeLog(5, "\tTransparency: '%c'", transparency);
  else
    log.writeLog(5, "\tTransparency: (none)");

  int64_t body_start = line_number;  // the header's closing tag
  std::vector<std::string> body = readData(p_file, "BODY");
  if (body.empty()) return nullptr;
  log.writeLog(20, "ResourceManager::loadRobustSprite(): After reading body: line number is '%d'",
               lineNumber());

  Sprite *p_sprite = new (std::nothrow) Sprite(frames);
  if (!p_sprite) {
    log.writeLog("RM::loadRobustSprite(): Error! Unable to create Sprite.");
    return nullptr;
  }
  p_sprite->setWidth(width);
  p_sprite->setHeight(height);
  p_sprite->setSlowdown(slowdown);
  p_sprite->setTransparency(transparency);

  Color color = colorFromName(color_name, true);
  if (color == UNDEFINED_COLOR) {
    log.writeLog("RM::loadRobustSprite(): Error! Unrecognized color '%s'.", color_name.c_str());
    log.writeLog("  Valid colors are: black, red, green, yellow,");
    log.writeLog("                    blue, magenta, cyan and white.");
    delete p_sprite;
    return nullptr;
  }
  p_sprite->setColor(color);
  log.writeLog(5, "\t       Color: %s", colorToString(color).c_str());

  const int64_t frame_lines = int64_t(height) + 1;
  size_t next = 0;  // the first body line not yet taken
  for (int i = 0; i < frames; i++) {
    Frame frame = readFrame(body, &next, width, height, body_start + 1 + int64_t(i) * frame_lines);
    if (frame.getString().empty()) {
      log.writeLog("RM::loadRobustSprite(): Error! No frame data to add.");
      delete p_sprite;
      return nullptr;
    }
    if (p_sprite->addFrame(frame) == -1) {
      log.writeLog("RM::loadRobustSprite(): Error! Cannot add Frame.");
      log.writeLog("\tFramecount is %d, max is %d", p_sprite->getFrameCount() + 1, frames);
      delete p_sprite;
      return nullptr;
    }
  }

  if (next < body.size()) {
    log.writeLog("RM::loadRobustSprite(): Error! Extra BODY:");
    int64_t number = body_start + 2 + int64_t(frames) * frame_lines;
    for (size_t i = next; i < body.size(); i++) log.writeLog("\tLine %d: %s", clampInt(number++), body[i].c_str());
    delete p_sprite;
    return nullptr;
  }

  std::vector<std::string> footer = readData(p_file, "FOOTER");
  if (footer.empty()) {
    delete p_sprite;
    return nullptr;
  }
  std::string version = matchLineStr(&footer, "version");
  if (version.empty()) {
    log.writeLog("RM::loadRobustSprite(): Error! Missing '%s' in FOOTER (line %d).", "version",
                 lineNumber());
    delete p_sprite;
    return nullptr;
  }
  if (!footer.empty()) {
    log.writeLog(1, "RM::loadRobustSprite(): Warning! Unused FOOTER lines:");
    for (const std::string &l : footer) log.writeLog(1, "\t'%s'", l.c_str());
  }
  return p_sprite;
}

int ResourceManager::unloadSprite(std::string label) {
  if (refuseUnstarted()) {
    return -1;
  }
  for (int i = 0; i < m_sprite_count; i++) {
    if (m_p_sprite[i]->getLabel() != label) continue;
    delete m_p_sprite[i];
    for (int j = i; j < m_sprite_count - 1; j++) m_p_sprite[j] = m_p_sprite[j + 1];
    m_sprite_count--;
    m_p_sprite[m_sprite_count] = nullptr;
    return 0;
  }
  return -1;
}

Sprite *ResourceManager::getSprite(std::string label) const {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, "RM::getSprite(): Looking for sprite '%s'.", label.c_str());
  for (int i = 0; i < m_sprite_count; i++)
    if (m_p_sprite[i]->getLabel() == label) return m_p_sprite[i];
  log.writeLog("RM::getSprite(): Warning! Sprite '%s' not found.", label.c_str());
  return nullptr;
}

int ResourceManager::loadSound(std::string filename, std::string label) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return -1;
  }
  if (m_sound_count >= MAX_SOUNDS) {
    log.writeLog("RM::loadSound(): Error! Unable to add more sounds (max is %d).", MAX_SOUNDS);
    return -1;
  }
  if (m_sound[m_sound_count].loadSound(filename) == -1) {
    log.writeLog("RM::loadSound(): Error! Cannot load sound from file '%s'.", filename.c_str());
    return -1;
  }
  m_sound[m_sound_count].setLabel(label);
  log.writeLog(1, "RM::loadSound(): Sound '%s' successfully loaded.", label.c_str());
  m_sound_count++;
  return 0;
}

int ResourceManager::unloadSound(std::string label) {
  if (refuseUnstarted()) {
    return -1;
  }
  for (int i = 0; i < m_sound_count; i++) {
    if (m_sound[i].getLabel() != label) continue;
    m_sound[i] = Sound();
    // Each later sound moves down with its own samples and playing object.
    for (int j = i; j < m_sound_count - 1; j++) m_sound[j] = std::move(m_sound[j + 1]);
    m_sound_count--;
    return 0;
  }
  return -1;
}

Sound *ResourceManager::getSound(std::string label) {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, "RM::getSound(): Looking for sound '%s'.", label.c_str());
  for (int i = 0; i < m_sound_count; i++)
    if (m_sound[i].getLabel() == label) return &m_sound[i];
  log.writeLog("RM::getSound(): Warning! Sound '%s' not found.", label.c_str());
  return nullptr;
}

int ResourceManager::loadMusic(std::string filename, std::string label) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return -1;
  }
  if (m_music_count >= MAX_MUSICS) {
    log.writeLog("RM::loadMusic(): Error! Unable to add more musics (max is %d).", MAX_MUSICS);
    return -1;
  }
  if (label.empty()) {
    log.writeLog("RM::loadMusic(): Error! Must provide label for music.");
    return -1;
  }
  if (m_music[m_music_count].loadMusic(filename) == -1) {
    log.writeLog("RM::loadmusic(): Error! Cannot load music from file '%s'.", filename.c_str());
    return -1;
  }
  m_music[m_music_count].setLabel(label);
  log.writeLog(1, "RM::loadMusic(): Music '%s' successfully loaded.", label.c_str());
  m_music_count++;
  return 0;
}

int ResourceManager::unloadMusic(std::string label) {
  if (refuseUnstarted()) {
    return -1;
  }
  for (int i = 0; i < m_music_count; i++) {
    if (m_music[i].getLabel() != label) continue;
    m_music[i].setLabel("");
    return 0;
  }
  return -1;
}

Music *ResourceManager::getMusic(std::string label) {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, "RM::getMusic(): Looking for music '%s'.", label.c_str());
  for (int i = 0; i < m_music_count; i++)
    if (m_music[i].getLabel() == label) return &m_music[i];
  log.writeLog("RM::getMusic(): Warning! Music '%s' not found.", label.c_str());
  return nullptr;
}

}  // namespace vx
