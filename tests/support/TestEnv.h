#pragma once
// Test helpers for engine start-up: a private temp dir holding the
// configuration and the log, environment set up for them, and a fake clock.
// Header-only so that every test program can use it.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/Config.h"
#include "core/LogManager.h"
#include "loop/GameManager.h"
#include "platform/Platform.h"
#include "support/ClockSeam.h"

namespace vx {
namespace test {

// A headless engine without networking.
const std::string DEFAULT_TEST_CONFIG = "headless:true,\nnetworking:false,\n";

// True for "hh:mm:ss" (digits and colons).
inline bool isTimeString(const std::string &s) {
  if (s.size() != 8) return false;
  for (size_t i = 0; i < 8; i++) {
    bool colon = i == 2 || i == 5;
    if (colon ? s[i] != ':' : (s[i] < '0' || s[i] > '9')) return false;
  }
  return true;
}

// Removes the "hh:mm:ss " and "%4d " prefixes of one log line, if present.
inline std::string stripLogPrefix(const std::string &line) {
  size_t i;
  if (line.size() > 9 && isTimeString(line.substr(0, 8)) && line[8] == ' ')
    i = 9;
  else if (line.compare(0, 13, "(time error) ") == 0)
    i = 13;
  else
    return line;
  while (i < line.size() && line[i] == ' ') i++;
  if (i < line.size() && line[i] == '-') i++;
  size_t digits = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') i++;
  if (i == digits || i >= line.size() || line[i] != ' ') return line;
  return line.substr(i + 1);
}

// Runs body in a forked child, which an alarm ends after seconds: the
// child's exit code (0 when body gave true), or 128 plus the signal that
// ended it (SIGALRM when it hung). Its log lines land in the shared log.
inline int inChild(const std::function<bool()> &body, unsigned seconds = 10) {
  fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    bool passed = body();
    LogManager::getInstance().flush();
    ::_exit(passed ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// One test's environment. The constructor makes the game manager (which
// offers the managers above the core, as in the game), makes a temp dir and
// points VEXMOOR_CONFIG and VEXMOOR_LOG into it; the destructor stops the
// engine if it was started here, restores the environment, the clock and
// the sleep, the log settings and the configuration defaults, and removes
// the dir.
class TestEnv {
 public:
  TestEnv() {
    GameManager::getInstance();
    char tmpl[] = "/tmp/vx-test-XXXXXX";
    const char *d = mkdtemp(tmpl);
    m_dir = d ? d : "/tmp";
    m_config_path = m_dir + "/vx-config.txt";
    m_log_path = m_dir + "/vexmoor.log";
    saveEnv("VEXMOOR_CONFIG", m_had_config, m_old_config);
    saveEnv("VEXMOOR_LOG", m_had_log, m_old_log);
    setenv("VEXMOOR_CONFIG", m_config_path.c_str(), 1);
    setenv("VEXMOOR_LOG", m_log_path.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "null", 0);
    Config::getInstance().reset();
  }

  ~TestEnv() {
    stopEngine();
    if (LogManager::getInstance().isStarted()) LogManager::getInstance().shutDown();
    ClockSeam::setClock(nullptr);
    ClockSeam::setSleep(nullptr);
    LogManager &lm = LogManager::getInstance();
    lm.setLogTimeString(true);
    lm.setLogStepCount(true);
    lm.setFlush(false);
    if (lm.getLogLevel() != 0) lm.setLogLevel(0);
    Config::getInstance().reset();
    restoreEnv("VEXMOOR_CONFIG", m_had_config, m_old_config);
    restoreEnv("VEXMOOR_LOG", m_had_log, m_old_log);
    for (const std::string &f : m_files) ::unlink(f.c_str());
    ::unlink(m_config_path.c_str());
    ::unlink(m_log_path.c_str());
    ::rmdir(m_dir.c_str());
  }

  TestEnv(const TestEnv &) = delete;
  TestEnv &operator=(const TestEnv &) = delete;

  const std::string &dir() const { return m_dir; }
  const std::string &configPath() const { return m_config_path; }
  const std::string &logPath() const { return m_log_path; }

  // A path inside the temp dir (removed with it).
  std::string path(const std::string &name) {
    std::string p = m_dir + "/" + name;
    m_files.push_back(p);
    return p;
  }

  // Writes the configuration file that VEXMOOR_CONFIG names.
  void writeConfig(const std::string &text = DEFAULT_TEST_CONFIG) {
    std::ofstream f(m_config_path, std::ios::binary | std::ios::trunc);
    f << text;
    m_config_written = true;
  }

  // Writes the default configuration unless one was written, then
  // GameManager::startUp. Returns its result.
  int startEngine() {
    if (!m_config_written) writeConfig();
    int r = GameManager::getInstance().startUp();
    m_started = true;
    return r;
  }

  // GameManager::shutDown when startEngine was called (stops what started).
  void stopEngine() {
    if (!m_started) return;
    m_started = false;
    GameManager::getInstance().shutDown();
  }

  // The log file's lines as written (flushed first).
  std::vector<std::string> readLog() const { return readLines(m_log_path); }

  // The log file's lines without the time and step prefixes.
  std::vector<std::string> logLines() const {
    std::vector<std::string> out;
    for (const std::string &l : readLog()) out.push_back(stripLogPrefix(l));
    return out;
  }

  // True when some line (prefixes stripped) contains text.
  bool logContains(const std::string &text) const {
    for (const std::string &l : logLines())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  // Lines of any file; empty when it cannot be read.
  static std::vector<std::string> readLines(const std::string &file) {
    LogManager::getInstance().flush();
    std::vector<std::string> out;
    std::ifstream f(file);
    std::string line;
    while (std::getline(f, line)) out.push_back(line);
    return out;
  }

 private:
  static void saveEnv(const char *name, bool &had, std::string &old) {
    const char *v = getenv(name);
    had = v != nullptr;
    if (v) old = v;
  }
  static void restoreEnv(const char *name, bool had, const std::string &old) {
    if (had)
      setenv(name, old.c_str(), 1);
    else
      unsetenv(name);
  }

  std::string m_dir;
  std::string m_config_path;
  std::string m_log_path;
  std::vector<std::string> m_files;
  bool m_had_config = false, m_had_log = false;
  std::string m_old_config, m_old_log;
  bool m_config_written = false;
  bool m_started = false;
};

// A fake microsecond clock with a sleep that advances it. install() puts both
// in place of the platform's; uninstall() (or the destructor) restores them.
// sleepExtraMicros is added to every sleep (an oversleep); each sleep's
// request is recorded in sleeps.
class FakeTime {
 public:
  static int64_t s_now;
  static int64_t s_sleep_extra;
  static std::vector<int> s_sleeps;

  FakeTime(int64_t start = 1000000) {
    s_now = start;
    s_sleep_extra = 0;
    s_sleeps.clear();
    install();
  }
  ~FakeTime() { uninstall(); }

  static void install() {
    ClockSeam::setClock(&FakeTime::now);
    ClockSeam::setSleep(&FakeTime::sleep);
  }
  static void uninstall() {
    ClockSeam::setClock(nullptr);
    ClockSeam::setSleep(nullptr);
  }
  static void advanceMicros(int64_t us) { s_now += us; }
  static void advanceMillis(int ms) { s_now += int64_t(ms) * 1000; }

  static int64_t now() { return s_now; }
  static void sleep(int ms) {
    s_sleeps.push_back(ms);
    if (ms > 0) s_now += int64_t(ms) * 1000;
    s_now += s_sleep_extra;
  }
};

inline int64_t FakeTime::s_now = 0;
inline int64_t FakeTime::s_sleep_extra = 0;
inline std::vector<int> FakeTime::s_sleeps;

} // namespace test
} // namespace vx
