#pragma once

#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

#include "core/Manager.h"
#include "platform/Platform.h"

namespace vx {

#define VX_PRINTF(fmt_index, args_index) __attribute__((format(printf, fmt_index, args_index)))

// Writes the engine's log: one line per message, to the log file or stderr.
class LogManager : public Manager {
 private:
  LogManager();
  LogManager(const LogManager &) = delete;
  void operator=(const LogManager &) = delete;

  bool m_do_flush;
  int m_log_level;
  bool m_log_time_string;
  bool m_log_step_count;
  FILE *m_p_f;
  // The main log as last opened: its name and the file itself, kept after
  // shutDown so that no side file ever reopens it.
  std::string m_file_name;
  platform::FileId m_file_id;
  bool m_has_file_id;
  std::map<std::string, FILE *> m_my_log_files;
  // Other names met for the files above (another path, a link); not owned.
  std::map<std::string, FILE *> m_my_log_aliases;

  // Closes the log and every side file.
  void closeFiles();
  // One line to p_f (stderr when null) with the prefixes in force.
  int writeLine(FILE *p_f, const char *fmt, va_list args) const;

  // True when the name reaches the main log's file under another spelling.
  bool isMainLog(const std::string &file_name) const;
  // The open side file that the name reaches under another spelling, or nullptr.
  FILE *openSideFile(const std::string &file_name) const;
  // The open file for a writeMyLog name (opening a new one), or nullptr
  // for stderr.
  FILE *myLogFile(const std::string &file_name);

 public:
  ~LogManager();
  static LogManager &getInstance();

  int startUp() override;
  void shutDown() override;

  // Written only when log_level <= the configured level.
  int writeLog(int log_level, const char *fmt, ...) const VX_PRINTF(3, 4);
  // Always written.
  int writeLog(const char *fmt, ...) const VX_PRINTF(2, 3);

  // Lines to other named files; the level is accepted and not compared.
  int writeMyLog(std::string file_name, int log_level, const char *fmt, ...) VX_PRINTF(4, 5);
  int writeMyLog(std::string file_name, const char *fmt, ...) VX_PRINTF(3, 4);

  void flush() const;
  void setFlush(bool do_flush = true);
  void setLogLevel(int new_log_level);
  int getLogLevel() const;
  void setLogTimeString(bool log_time_string = true);
  // Lines show the game loop's step count (LoopState) unless turned off.
  void setLogStepCount(bool log_step_count = true);
};

// The local time as "hh:mm:ss" in a static buffer.
const char *getTimeString();

} // namespace vx
