#pragma once

#include <vector>

#include "core/Manager.h"
#include "world/PathSearches.h"

namespace vx {

class PathFind;

// Runs the pending path searches within each frame's time budget and hands
// each ended search's result to its object. The world's objects find it by
// its type (Manager::find) and start their searches through it.
class PathManager : public Manager, public PathSearches {
 private:
  PathManager();
  PathManager(const PathManager &) = delete;
  void operator=(const PathManager &) = delete;

  std::vector<PathFind *> m_paths;  // not owned
  int m_cycle_time;                 // least budget per cycle, ms
  // Searches of this call's list not yet expanded in it (compared, never used).
  std::vector<PathFind *> m_unserved;

 public:
  ~PathManager();
  static PathManager &getInstance();

  int startUp() override;
  void shutDown() override;

  // -1 for null or an already listed search.
  int addPath(PathFind *p_path_find);
  // -1 for null or a search not listed.
  int removePath(PathFind *p_path_find);

  // Expands pending searches for max(cycle time, time_ms) milliseconds, and
  // every search listed at the call at least once whatever the budget.
  void cycle(int time_ms);

  // The objects' searches: made and added, retargeted, removed and deleted.
  PathFind *startSearch(Object *p_o, Vector start, Vector end) override;
  void setSearchTarget(PathFind *p_search, Object *p_target) override;
  void endSearch(PathFind *p_search) override;

  int getCycleTime() const;
  void setCycleTime(int cycle_time);
  int getNumPaths() const;
};

} // namespace vx
