#include "core/Utility.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "core/LogManager.h"
#include "platform/Platform.h"

namespace vx {

std::string toString(int i) {
  std::stringstream ss;
  ss << i;
  return ss.str();
}

std::string toString(float f) {
  std::stringstream ss;
  ss << f;
  return ss.str();
}

std::string toString(char c) {
  std::stringstream ss;
  ss << c;
  return ss.str();
}

std::string toString(bool b) { return b ? "true" : "false"; }

std::string toBinaryString(unsigned int u) {
  std::string s(32, '0');
  for (int bit = 0; bit < 32; bit++)
    if (u & (1u << bit)) s[31 - bit] = '1';
  return s;
}

std::string solidnessToString(int solidness) {
  switch (solidness) {
    case HARD: return "hard";
    case SOFT: return "soft";
    case SPECTRAL: return "spectral";
    default: return "undefined";
  }
}

std::string transformToString(int transform) {
  switch (transform) {
    case 0: return "NONE";
    case 1: return "VERTICAL";
    case 2: return "HORIZONTAL";
    case 3: return "BOTH";
    default: return "UNKNOWN";
  }
}

std::string locationToString(int location) {
  switch (location) {
    case 0: return "top-left";
    case 1: return "top-center";
    case 2: return "top-right";
    case 3: return "center-left";
    case 4: return "center-center";
    case 5: return "center-right";
    case 6: return "bot-left";
    case 7: return "bot-center";
    case 8: return "bot-right";
    default: return "unknown";
  }
}

std::string networkLabelToString(int label) {
  switch (label) {
    case -1: return "UNDEFINED";
    case 0: return "ACCEPT";
    case 1: return "CONNCECT";  // sic, kept: logs and their readers spell it so
    case 2: return "CLOSE";
    case 3: return "DATA";
    default: return "UNKNOWN";
  }
}

int checkStream(const char *who, const std::stringstream *p_ss) {
  if (!who) who = "(unknown)";
  if (p_ss && p_ss->good()) return 0;
  if (p_ss && p_ss->eof())
    LogManager::getInstance().writeLog("%s: Error! Stream eof.", who);
  else
    LogManager::getInstance().writeLog("%s: Error! Stream fail.", who);
  return -1;
}

std::string match(std::string line, std::string token) {
  const LogManager &log = LogManager::getInstance();
  log.writeLog(25, "match(\"%s\", \"%s\")", line.c_str(), token.c_str());
  if (line.empty()) return "";

  std::string text;
  text.reserve(line.size());
  for (char c : line)
    if (!std::isspace(static_cast<unsigned char>(c))) text += c;

  int size = 1;
  for (char c : text)
    if (c == ',') size++;
  log.writeLog(25, "match(): number of elements allocated is %d", size);

  std::unique_ptr<std::string[]> keys(new (std::nothrow) std::string[size]);
  if (!keys) {
    log.writeLog("match(): unable to allocate key array!");
    return "";
  }
  std::unique_ptr<std::string[]> vals(new (std::nothrow) std::string[size]);
  if (!vals) {
    log.writeLog("match(): unable to allocate val array!");
    return "";
  }

  std::unique_ptr<char, void (*)(void *)> copy(platform::strdup(text.c_str()), std::free);
  if (!copy) {
    log.writeLog("match(): Unable to call strdup()!");
    return "";
  }

  int count = 0;
  char *save_outer = nullptr;
  for (char *p_element = platform::strtok(copy.get(), ",", &save_outer); p_element && count < size;
       p_element = platform::strtok(nullptr, ",", &save_outer)) {
    log.writeLog(25, "\titem number %d", count);
    log.writeLog(28, "\tp_element is '%s' (%p)", p_element, static_cast<void *>(p_element));
    char *save_inner = nullptr;
    char *p_token = platform::strtok(p_element, ":", &save_inner);
    if (!p_token) break;  // only ':' here: the parse ends
    log.writeLog(28, "\ttoken is '%s' (%p)", p_token, static_cast<void *>(p_token));
    keys[count] = p_token;
    log.writeLog(25, "\tkey %s", keys[count].c_str());
    p_token = platform::strtok(nullptr, ":", &save_inner);
    vals[count] = p_token ? p_token : "";
    log.writeLog(25, "\tval %s", vals[count].c_str());
    count++;
  }

  log.writeLog(25, "match(): parsed.");
  for (int i = 0; i < count; i++) log.writeLog(28, "\t%d  %s : %s", i, keys[i].c_str(), vals[i].c_str());

  log.writeLog(25, "match(): Looking for match '%s' among %d items.", token.c_str(), count);
  for (int i = 0; i < count; i++) {
    log.writeLog(28, "match(): %d: %s == %s?", i, keys[i].c_str(), token.c_str());
    if (keys[i] == token) return vals[i];
  }
  return "";
}

int parseInt(const std::string &text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) i++;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    i++;
  }
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; i++) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t(INT_MAX) + 1) value = int64_t(INT_MAX) + 1;
  }
  return clampToInt(negative ? -value : value);
}

int clampToInt(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

} // namespace vx
