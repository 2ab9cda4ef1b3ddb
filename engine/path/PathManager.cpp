#include "path/PathManager.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "core/Clock.h"
#include "core/LogManager.h"
#include "core/LoopState.h"
#include "path/PathFind.h"
#include "world/EventPath.h"
#include "world/Object.h"

namespace vx {

PathManager::PathManager() : m_cycle_time(0) { setType("PathManager"); }

PathManager::~PathManager() {}

PathManager &PathManager::getInstance() {
  static PathManager instance;
  return instance;
}

int PathManager::startUp() {
  if (refuseSecondStartUp()) return -1;
  m_cycle_time = LoopState::getInstance().getFrameTime() / 10;
  Manager::startUp();
  LogManager::getInstance().writeLog(5, "PathManager::startUp(): successfully started.");
  return 0;
}

void PathManager::shutDown() {
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "PathManager::shutDown(): successfully stopped.");
}

PathFind *PathManager::startSearch(Object *p_o, Vector start, Vector end) {
  PathFind *p_search = new (std::nothrow) PathFind(p_o, start, end);
  if (p_search) addPath(p_search);
  return p_search;
}

void PathManager::setSearchTarget(PathFind *p_search, Object *p_target) {
  if (p_search) p_search->setTarget(p_target);
}

void PathManager::endSearch(PathFind *p_search) {
  removePath(p_search);
  delete p_search;
}

int PathManager::addPath(PathFind *p_path_find) {
  if (p_path_find == nullptr) return -1;
  if (std::find(m_paths.begin(), m_paths.end(), p_path_find) != m_paths.end()) return -1;
  m_paths.push_back(p_path_find);
  return 0;
}

int PathManager::removePath(PathFind *p_path_find) {
  if (p_path_find == nullptr) return -1;
  auto it = std::remove(m_paths.begin(), m_paths.end(), p_path_find);
  if (it == m_paths.end()) return -1;
  m_paths.erase(it, m_paths.end());
  return 0;
}

void PathManager::cycle(int time_ms) {
  const int limit = std::max(m_cycle_time, time_ms);
  Clock clock;
  auto elapsed = [&clock]() -> int64_t { return clock.split() / 1000; };

  // However late the step, each listed search gets one expansion, even one
  // that moved into a place freed earlier in the pass.
  m_unserved.assign(m_paths.begin(), m_paths.end());
  static int index = 0;
  while (!m_paths.empty() && (elapsed() < limit || !m_unserved.empty())) {
    index = 0;
    while (index < (int)m_paths.size()) {
      PathFind *p_path_find = m_paths[index];
      if (!m_unserved.empty()) {
        auto it = std::find(m_unserved.begin(), m_unserved.end(), p_path_find);
        if (it != m_unserved.end()) m_unserved.erase(it);
      }
      const int result = p_path_find->cycleOnce();
      if (result == FOUND || result == NO_PATH) {
        EventPath event;
        event.setResult(result);
        event.setPath(p_path_find->getPath());
        Object *p_o = p_path_find->getObject();
        // An ended search leaves the list before its object hears of it, so
        // it is never cycled again even if the object keeps it.
        removePath(p_path_find);
        if (p_o != nullptr) p_o->eventHandler(&event);
      }
      index++;
      if (elapsed() > limit && m_unserved.empty()) break;
    }
    // Searches taken out of the list meanwhile are owed nothing.
    m_unserved.erase(std::remove_if(m_unserved.begin(), m_unserved.end(),
                                    [this](PathFind *p) {
                                      return std::find(m_paths.begin(), m_paths.end(), p) == m_paths.end();
                                    }),
                     m_unserved.end());
  }
  if (elapsed() > limit)
    LogManager::getInstance().writeLog(5, "PathManager::cycle(): cycle time %d exceeded.", limit);
}

int PathManager::getCycleTime() const { return m_cycle_time; }

void PathManager::setCycleTime(int cycle_time) { m_cycle_time = cycle_time; }

int PathManager::getNumPaths() const { return (int)m_paths.size(); }

} // namespace vx
