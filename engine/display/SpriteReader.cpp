#include "display/SpriteReader.h"

#include <new>

#include "core/LogManager.h"
#include "core/Utility.h"

namespace vx {

namespace {

// Removes one trailing carriage return.
void discardCR(std::string &str) {
  if (!str.empty() && str[str.size() - 1] == '\r') str.erase(str.size() - 1);
}

// Text after the key and its separator; "" when the line is just the key.
std::string valueOf(const std::string &line, size_t key_len) {
  if (line.size() <= key_len + 1) return "";
  return line.substr(key_len + 1);
}

// Takes every line starting with key out of lines and hands its value to
// take, in order; the last value wins.
template <class Take>
void matchLines(std::vector<std::string> *p_data, const char *key, Take take) {
  size_t key_len = std::string(key).size();
  std::vector<std::string> rest;
  rest.reserve(p_data->size());
  for (const std::string &line : *p_data) {
    if (line.compare(0, key_len, key) != 0 || line.size() < key_len)
      rest.push_back(line);
    else
      take(line, valueOf(line, key_len));
  }
  p_data->swap(rest);
}

int matchLineInt(std::vector<std::string> *p_data, const char *key) {
  int value = -1;
  matchLines(p_data, key, [&](const std::string &line, const std::string &text) {
    if (value != -1)
      LogManager::getInstance().writeLog(1, "matchLineInt(): Warning! '%s' matches multiple lines.", line.c_str());
    value = parseInt(text);
  });
  return value;
}

std::string matchLineStr(std::vector<std::string> *p_data, const char *key) {
  std::string value;
  matchLines(p_data, key, [&](const std::string &line, const std::string &text) {
    if (!value.empty())
      LogManager::getInstance().writeLog(1, "matchLineStr(): Warning! '%s' matches multiple lines.", line.c_str());
    value = text;
  });
  return value;
}

// Lines a section did not use, each quoted on a line of its own.
void logUnused(const char *title, const std::vector<std::string> &lines) {
  if (lines.empty()) return;
  LogManager &log = LogManager::getInstance();
  log.writeLog(1, "%s", title);
  for (const std::string &l : lines) log.writeLog(1, "\t'%s'", l.c_str());
}

void logSizes(int frames, int width, int height, int slowdown) {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, "\t      Frames: %d", frames);
  log.writeLog(5, "\t       Width: %d", width);
  log.writeLog(5, "\t      Height: %d", height);
  log.writeLog(5, "\t    Slowdown: %d", slowdown);
}

// A sprite of that capacity and size; null (logged with error) when it
// cannot be made.
std::unique_ptr<Sprite> makeSprite(int frames, int width, int height, int slowdown, const char *error) {
  std::unique_ptr<Sprite> p_sprite(new (std::nothrow) Sprite(frames));
  if (!p_sprite) {
    LogManager::getInstance().writeLog("%s", error);
    return nullptr;
  }
  p_sprite->setWidth(width);
  p_sprite->setHeight(height);
  p_sprite->setSlowdown(slowdown);
  return p_sprite;
}

} // namespace

SpriteReader::SpriteReader(std::istream &in) : m_in(in), m_line_number(0) {}

int SpriteReader::lineNumber() const { return clampToInt(m_line_number); }

// One line without its line end; "" with a message once the stream is done.
std::string SpriteReader::getLine(bool count) {
  if (!m_in.good()) {
    LogManager::getInstance().writeLog("getLine(): Error! Unexpected end of file.");
    return "";
  }
  std::string line;
  std::getline(m_in, line);
  discardCR(line);
  if (count) m_line_number++;
  return line;
}

std::string SpriteReader::firstLine() {
  m_line_number = 0;
  std::string first = getLine(false);
  m_in.clear();
  m_in.seekg(0, std::ios::beg);
  return first;
}

// ---- simple format

// Reads one value line; false (after the messages) when it is missing.
bool SpriteReader::readValue(std::string &line, const char *missing) {
  LogManager &log = LogManager::getInstance();
  line = getLine(true);
  if (line.empty()) {
    log.writeLog("RM::loadSimpleSprite(): Error! Unexpected end of file.");
    log.writeLog("%s", missing);
    return false;
  }
  log.writeLog(20, "\tLine %2d: '%s'", lineNumber(), line.c_str());
  return true;
}

// The five value lines, each checked as it is read.
bool SpriteReader::readSimpleValues(int &frames, int &width, int &height, int &slowdown, Color &color) {
  LogManager &log = LogManager::getInstance();
  std::string line;
  if (!readValue(line, "\tMissing frames (an integer).")) return false;
  frames = parseInt(line);
  if (frames < 1) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Number of frames is %d.", lineNumber(), frames);
    return false;
  }
  struct Number {
    const char *missing;
    int least;
    const char *error;  // with the line number and the line
    int *p_value;
  } numbers[] = {
      {"\tMissing width (an integer).", 1, "RM::loadSimpleSprite(): Error line %d! Width is '%s'.", &width},
      {"\tMissing height (an integer).", 1, "RM::loadSimpleSprite(): Error line %d! Height is '%s'.", &height},
      {"\tMissing slowdown (an integer).", 0, "RM::loadSimpleSprite(): Error line %d! Slowdown is '%s'.", &slowdown},
  };
  for (const Number &n : numbers) {
    if (!readValue(line, n.missing)) return false;
    *n.p_value = parseInt(line);
    if (*n.p_value < n.least) {
      log.writeLog(n.error, lineNumber(), line.c_str());
      return false;
    }
  }
  if (!readValue(line, "\tMissing color (a string).")) return false;
  color = colorFromName(line, false);
  if (color == UNDEFINED_COLOR) {
    log.writeLog("RM::loadSimpleSprite(): Error line %d! Unrecognized color '%s'.", lineNumber(), line.c_str());
    log.writeLog("  Valid colors are: black, red, green, yellow,");
    log.writeLog("                    blue, magenta, cyan or white.");
    return false;
  }
  return true;
}

// Frame f of frames: height rows of exactly width characters.
bool SpriteReader::readSimpleFrame(Sprite &sprite, int f, int frames) {
  LogManager &log = LogManager::getInstance();
  int width = sprite.getWidth(), height = sprite.getHeight();
  log.writeLog(15, "RM::loadSimpleSprite(): Reading frame %d of %d.", f, frames);
  std::string frame_str;
  for (int r = 1; r <= height; r++) {
    std::string line = getLine(true);
    if (line.empty()) {
      log.writeLog("RM::loadSimpleSprite(): Error! Unexpected end of file.");
      log.writeLog("\tReading frame %d of %d, row %d of %d.", f, frames, r, height);
      return false;
    }
    if (int64_t(line.size()) != int64_t(width)) {
      log.writeLog("RM::loadSimpleSprite(): Error line %d!", lineNumber());
      log.writeLog("\tLine %2d: '%s'", lineNumber(), line.c_str());
      log.writeLog("\tWidth is %d, expected %d.", clampToInt(int64_t(line.size())), width);
      return false;
    }
    log.writeLog(20, "\tLine %2d: '%s'", lineNumber(), line.c_str());
    frame_str += line;
  }
  if (sprite.addFrame(Frame(width, height, frame_str)) == -1) {
    log.writeLog("RM::loadSimpleSprite(): Error! Cannot add Frame.");
    log.writeLog("\tFramecount is %d, max is %d.", sprite.getFrameCount() + 1, frames);
    return false;
  }
  return true;
}

// One line end may follow the last row; nothing else.
bool SpriteReader::atSimpleEnd() {
  if (m_in.eof()) return true;
  std::string extra;
  std::getline(m_in, extra);
  m_line_number++;
  if (m_in.eof() && extra.empty()) return true;
  discardCR(extra);
  LogManager &log = LogManager::getInstance();
  log.writeLog("RM::loadSimpleSprite(): Error line %d!", lineNumber());
  log.writeLog("\tExtra file data: '%s'", extra.c_str());
  return false;
}

std::unique_ptr<Sprite> SpriteReader::readSimple() {
  int frames = 0, width = 0, height = 0, slowdown = 0;
  Color color = WHITE;
  if (!readSimpleValues(frames, width, height, slowdown, color)) return nullptr;
  logSizes(frames, width, height, slowdown);
  LogManager::getInstance().writeLog(5, "\t       Color: %s", colorToString(color).c_str());

  std::unique_ptr<Sprite> p_sprite =
      makeSprite(frames, width, height, slowdown, "RM::loadSimpleSprite(): Error! Unable to create Sprite.");
  if (!p_sprite) return nullptr;
  p_sprite->setColor(color);
  p_sprite->setTransparency(0);
  for (int f = 1; f <= frames; f++)
    if (!readSimpleFrame(*p_sprite, f, frames)) return nullptr;
  if (!atSimpleEnd()) return nullptr;
  return p_sprite;
}

// ---- robust format

// The lines between "<tag>" and "</tag>"; empty on error.
std::vector<std::string> SpriteReader::readData(const std::string &tag) {
  LogManager &log = LogManager::getInstance();
  std::string begin = "<" + tag + ">";
  std::string end = "</" + tag + ">";
  std::vector<std::string> data;

  std::string line = getLine(true);
  if (line != begin) {
    log.writeLog("readData(): Error line %d! Expected '%s', have '%s'.", lineNumber(), begin.c_str(), line.c_str());
    return std::vector<std::string>();
  }

  line = getLine(false);
  while (line != end && !line.empty()) {
    data.push_back(line);
    line = getLine(true);
  }
  if (line.empty()) {
    log.writeLog("readData(): Error! Stop at line %d, never encountered '%s'.", lineNumber(), end.c_str());
    return std::vector<std::string>();
  }
  m_line_number++;
  return data;
}

// The header section: required sizes first, then the optional values.
bool SpriteReader::readHeader(Header &header) {
  LogManager &log = LogManager::getInstance();
  std::vector<std::string> lines = readData("HEADER");
  if (lines.empty()) return false;
  // The two trace lines spell the class out, unlike the others: kept verbatim.
  log.writeLog(20, "ResourceManager::loadRobustSprite(): After header, line number: '%d'", lineNumber());

  struct Required {
    const char *key;
    int *p_value;
  } required[] = {{"frames", &header.frames}, {"width", &header.width}, {"height", &header.height}};
  for (const Required &r : required) {
    *r.p_value = matchLineInt(&lines, r.key);
    if (*r.p_value == -1) {
      log.writeLog("RM::loadRobustSprite(): Error! Missing '%s' in header.", r.key);
      return false;
    }
  }
  // Below -1: no capacity to make a sprite of.
  if (header.frames < 0) {
    log.writeLog("RM::loadRobustSprite(): Error! Number of frames is %d.", header.frames);
    return false;
  }

  header.color_name = matchLineStr(&lines, "color");
  if (header.color_name.empty()) {
    log.writeLog(5, "RM::loadRobustSprite(): Warning! No '%s' in header.", "color");
    header.color_name = "default";
  }

  std::string trans = matchLineStr(&lines, "transparency");
  if (trans.empty()) {
    log.writeLog(5, "RM::loadRobustSprite(): Note! No '%s' in header.", "transparency");
  } else if (trans == "\" \"") {
    log.writeLog(5, "RM::loadRobustSprite(): transparency is 'space'");
    header.transparency = ' ';
  } else {
    header.transparency = trans[0];
  }

  header.slowdown = matchLineInt(&lines, "slowdown");
  if (header.slowdown == -1) {
    log.writeLog(5, "RM::loadRobustSprite(): Note! No '%s' in header.", "slowdown");
    header.slowdown = 0;
  }

  logUnused("RM::loadRobustSprite(): Warning! Unused HEADER lines:", lines);
  logHeader(header);
  return true;
}

void SpriteReader::logHeader(const Header &header) const {
  logSizes(header.frames, header.width, header.height, header.slowdown);
  if (header.transparency)
    LogManager::getInstance().writeLog(5, "\tTransparency: '%c'", header.transparency);
  else
    LogManager::getInstance().writeLog(5, "\tTransparency: (none)");
}

// Takes one frame and its "end" line from the body lines at *p_next, moving
// *p_next past the lines taken (so a body of many frames reads in linear
// time). line is the file number of the line before the frame's first row.
Frame SpriteReader::readFrame(const std::vector<std::string> &data, size_t *p_next, int width, int height,
                              int64_t line) const {
  LogManager &log = LogManager::getInstance();
  size_t &next = *p_next;
  int64_t number = line;
  std::string frame_str;

  for (int row = 1; row <= height; row++) {
    if (next >= data.size()) {
      log.writeLog("\tError! Line %d: No more frame data before 'end'.", clampToInt(number + 1));
      return Frame();
    }
    const std::string &text = data[next];
    number++;
    log.writeLog(20, "\tLine %2d: '%s'", clampToInt(number), text.c_str());
    if (int64_t(text.size()) != int64_t(width)) {
      log.writeLog("\tError! Line %d: Line length is %d (frame width is %d).", clampToInt(number),
                   clampToInt(int64_t(text.size())), width);
      log.writeLog("\tLine %d: '%s'", clampToInt(number), text.c_str());
      next++;
      return Frame();
    }
    frame_str += text;
    next++;
  }

  if (next >= data.size()) {
    log.writeLog("\tError! Line %d: No more frame data before 'end'.", clampToInt(number + 1));
    return Frame();
  }
  const std::string &text = data[next];
  number++;
  next++;
  if (text != "end") {
    log.writeLog("\tError! Line %d: Expected '%s'.", clampToInt(number), "end");
    log.writeLog("\tLine %d: '%s'", clampToInt(number), text.c_str());
    return Frame();
  }
  return Frame(width, height, frame_str);
}

// Every frame of the body, which must hold nothing more. body_start is the
// number of the header's closing-tag line.
bool SpriteReader::readFrames(Sprite &sprite, const Header &header, const std::vector<std::string> &body,
                              int64_t body_start) {
  LogManager &log = LogManager::getInstance();
  const int64_t frame_lines = int64_t(header.height) + 1;
  size_t next = 0;  // the first body line not yet taken
  for (int i = 0; i < header.frames; i++) {
    Frame frame = readFrame(body, &next, header.width, header.height, body_start + 1 + int64_t(i) * frame_lines);
    if (frame.getString().empty()) {
      log.writeLog("RM::loadRobustSprite(): Error! No frame data to add.");
      return false;
    }
    if (sprite.addFrame(frame) == -1) {
      log.writeLog("RM::loadRobustSprite(): Error! Cannot add Frame.");
      log.writeLog("\tFramecount is %d, max is %d", sprite.getFrameCount() + 1, header.frames);  // no stop: verbatim
      return false;
    }
  }

  if (next < body.size()) {
    log.writeLog("RM::loadRobustSprite(): Error! Extra BODY:");
    int64_t number = body_start + 2 + int64_t(header.frames) * frame_lines;
    for (size_t i = next; i < body.size(); i++) log.writeLog("\tLine %d: %s", clampToInt(number++), body[i].c_str());
    return false;
  }
  return true;
}

bool SpriteReader::readFooter() {
  std::vector<std::string> footer = readData("FOOTER");
  if (footer.empty()) return false;
  std::string version = matchLineStr(&footer, "version");
  if (version.empty()) {
    LogManager::getInstance().writeLog("RM::loadRobustSprite(): Error! Missing '%s' in FOOTER (line %d).",
                                       "version", lineNumber());
    return false;
  }
  logUnused("RM::loadRobustSprite(): Warning! Unused FOOTER lines:", footer);
  return true;
}

std::unique_ptr<Sprite> SpriteReader::readRobust() {
  LogManager &log = LogManager::getInstance();
  Header header;
  if (!readHeader(header)) return nullptr;

  int64_t body_start = m_line_number;  // the header's closing tag
  std::vector<std::string> body = readData("BODY");
  if (body.empty()) return nullptr;
  log.writeLog(20, "ResourceManager::loadRobustSprite(): After reading body: line number is '%d'", lineNumber());

  std::unique_ptr<Sprite> p_sprite = makeSprite(header.frames, header.width, header.height, header.slowdown,
                                                "RM::loadRobustSprite(): Error! Unable to create Sprite.");
  if (!p_sprite) return nullptr;
  p_sprite->setTransparency(header.transparency);

  Color color = colorFromName(header.color_name, true);
  if (color == UNDEFINED_COLOR) {
    log.writeLog("RM::loadRobustSprite(): Error! Unrecognized color '%s'.", header.color_name.c_str());
    log.writeLog("  Valid colors are: black, red, green, yellow,");
    log.writeLog("                    blue, magenta, cyan and white.");  // "and", not "or": verbatim
    return nullptr;
  }
  p_sprite->setColor(color);
  log.writeLog(5, "\t       Color: %s", colorToString(color).c_str());

  if (!readFrames(*p_sprite, header, body, body_start)) return nullptr;
  if (!readFooter()) return nullptr;
  return p_sprite;
}

} // namespace vx
