#include "core/LogManager.h"

#include <cstdlib>
#include <ctime>
#include <iterator>
#include <new>

#include "core/Config.h"
#include "core/LoopState.h"

namespace vx {

LogManager::LogManager()
    : m_do_flush(false), m_log_level(0), m_log_time_string(true), m_log_step_count(true),
      m_p_f(nullptr), m_file_name(), m_file_id{0, 0}, m_has_file_id(false) {
  setType("LogManager");
}

LogManager::~LogManager() { closeFiles(); }

void LogManager::closeFiles() {
  if (m_p_f) {
    fclose(m_p_f);
    m_p_f = nullptr;
  }
  for (auto &entry : m_my_log_files)
    if (entry.second) fclose(entry.second);
  m_my_log_files.clear();
  m_my_log_aliases.clear();
}

LogManager &LogManager::getInstance() {
  static LogManager log_manager;
  return log_manager;
}

int LogManager::startUp() {
  if (refuseSecondStartUp()) return -1;
  const char *env = getenv("VEXMOOR_LOG");
  std::string name = env ? std::string(env) : Config::getInstance().getLogFile();

  // The log is rewritten at every start: a side file that is this file
  // (by name or by identity) is closed first, not adopted.
  platform::FileId id;
  bool exists = platform::fileId(name.c_str(), &id);
  for (auto it = m_my_log_files.begin(); it != m_my_log_files.end();) {
    platform::FileId side;
    bool same = it->first == name || (exists && platform::fileId(it->second, &side) && side == id);
    if (!same) {
      ++it;
      continue;
    }
    for (auto alias = m_my_log_aliases.begin(); alias != m_my_log_aliases.end();)
      alias = alias->second == it->second ? m_my_log_aliases.erase(alias) : std::next(alias);
    if (it->second) fclose(it->second);
    it = m_my_log_files.erase(it);
  }
  m_p_f = fopen(name.c_str(), "w");
  if (!m_p_f) {
    writeLog("LogManager::startup(): Warning! Unable to open file '%s'.", name.c_str());
    return -1;
  }
  m_file_name = name;
  m_has_file_id = platform::fileId(m_p_f, &m_file_id);
  Manager::startUp();
  writeLog(5, "LogManager::startUp(): successfully started.");
  return 0;
}

void LogManager::shutDown() {
  Manager::shutDown();
  writeLog(5, "LogManager::shutDown(): successfully stopped.");
  closeFiles();
}

// The optional time and step prefixes, the message, a newline. Returns the
// message's length, or -1 when a write failed.
int LogManager::writeLine(FILE *p_f, const char *fmt, va_list args) const {
  FILE *out = p_f ? p_f : stderr;
  bool failed = false;
  if (m_log_time_string && fprintf(out, "%s ", getTimeString()) < 0) failed = true;
  if (m_log_step_count && fprintf(out, "%4d ", LoopState::getInstance().getStepCount()) < 0) failed = true;
  int n = vfprintf(out, fmt ? fmt : "", args);
  if (n < 0) failed = true;
  if (fputs("\n", out) < 0) failed = true;
  if (m_do_flush) fflush(out);
  return failed ? -1 : n;
}

int LogManager::writeLog(int log_level, const char *fmt, ...) const {
  if (log_level > m_log_level) return 0;
  va_list args;
  va_start(args, fmt);
  int n = writeLine(m_p_f, fmt, args);
  va_end(args);
  return n;
}

int LogManager::writeLog(const char *fmt, ...) const {
  va_list args;
  va_start(args, fmt);
  int n = writeLine(m_p_f, fmt, args);
  va_end(args);
  return n;
}

bool LogManager::isMainLog(const std::string &file_name) const {
  platform::FileId id, main_id;
  if (!m_has_file_id || !platform::fileId(file_name.c_str(), &id) || !(id == m_file_id)) return false;
  // A closed log's identity holds only while the file is still there:
  // once removed, its inode may be given to another file.
  return m_p_f || (platform::fileId(m_file_name.c_str(), &main_id) && main_id == m_file_id);
}

FILE *LogManager::openSideFile(const std::string &file_name) const {
  platform::FileId id, side;
  if (m_my_log_files.empty() || !platform::fileId(file_name.c_str(), &id)) return nullptr;
  // An open file keeps its inode: no other file can have taken it.
  for (const auto &entry : m_my_log_files)
    if (entry.second && platform::fileId(entry.second, &side) && side == id) return entry.second;
  return nullptr;
}

FILE *LogManager::myLogFile(const std::string &file_name) {
  // The main log under any name is never opened a second time; once it is
  // closed its lines go to stderr.
  if (!m_file_name.empty() && file_name == m_file_name) return m_p_f;
  auto it = m_my_log_files.find(file_name);
  if (it != m_my_log_files.end()) return it->second;
  it = m_my_log_aliases.find(file_name);
  if (it != m_my_log_aliases.end()) return it->second;
  if (isMainLog(file_name)) return m_p_f;
  // Opening an open side file again with "w" would cut it: the name is
  // taken as another spelling of that file.
  if (FILE *p_f = openSideFile(file_name)) {
    try {
      m_my_log_aliases[file_name] = p_f;
    } catch (const std::bad_alloc &) {
      // Not remembered: found again by the next call.
    }
    return p_f;
  }
  writeLog(5, "LogManager::writeMyLog(): File %s is new.", file_name.c_str());
  FILE *p_f = fopen(file_name.c_str(), "w");
  if (!p_f) {
    writeLog("LogManager::startup(): Warning! Can't open file '%s'.\n", file_name.c_str());
    return nullptr;
  }
  m_my_log_files[file_name] = p_f;
  return p_f;
}

int LogManager::writeMyLog(std::string file_name, int, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = writeLine(myLogFile(file_name), fmt, args);
  va_end(args);
  return n;
}

int LogManager::writeMyLog(std::string file_name, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = writeLine(myLogFile(file_name), fmt, args);
  va_end(args);
  return n;
}

void LogManager::flush() const {
  if (m_p_f) fflush(m_p_f);
}

void LogManager::setFlush(bool do_flush) { m_do_flush = do_flush; }

void LogManager::setLogLevel(int new_log_level) {
  m_log_level = new_log_level;
  if (new_log_level >= 2) writeLog("LogManager::setLogLevel(): log level %d", new_log_level);
}

int LogManager::getLogLevel() const { return m_log_level; }

void LogManager::setLogTimeString(bool log_time_string) { m_log_time_string = log_time_string; }

void LogManager::setLogStepCount(bool log_step_count) { m_log_step_count = log_step_count; }

const char *getTimeString() {
  static char buffer[32];
  time_t now = time(nullptr);
  struct tm parts;
  if (now == time_t(-1) || !localtime_r(&now, &parts)) {
    snprintf(buffer, sizeof(buffer), "(time error)");
    return buffer;
  }
  snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
  return buffer;
}

} // namespace vx
