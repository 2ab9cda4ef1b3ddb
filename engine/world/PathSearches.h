#pragma once

#include "core/Vector.h"

namespace vx {

class Object;
class PathFind;

// The path searches that objects start and own. The path manager, above the
// world, gives them: it makes and lists a search, points it at a target,
// and takes it out of its list and deletes it. Objects find it among the
// managers by its type, "PathManager" (Manager::find).
class PathSearches {
 public:
  // A new search, listed; nullptr when it cannot be made.
  virtual PathFind *startSearch(Object *p_o, Vector start, Vector end) = 0;
  virtual void setSearchTarget(PathFind *p_search, Object *p_target) = 0;
  virtual void endSearch(PathFind *p_search) = 0;

 protected:
  ~PathSearches() {}
};

// An object's hold on its search: ends it through the searches that made it.
struct EndPathSearch {
  PathSearches *p_from = nullptr;
  void operator()(PathFind *p_search) const {
    if (p_from) p_from->endSearch(p_search);
  }
};

} // namespace vx
