#pragma once

#include "core/Vector.h"

namespace vx {

class Object;
class PathFind;

// The path searches that objects start and own. The path manager, above the
// world, offers them: it makes and lists a search, points it at a target,
// and takes it out of its list and deletes it.
class PathSearches {
 public:
  // A new search, listed; nullptr when it cannot be made.
  virtual PathFind *startSearch(Object *p_o, Vector start, Vector end) = 0;
  virtual void setSearchTarget(PathFind *p_search, Object *p_target) = 0;
  virtual void endSearch(PathFind *p_search) = 0;

 protected:
  ~PathSearches() {}
};

// The path manager offers its searches from its own file as the program
// starts: get makes it on first use. Returns true.
bool offerPathSearches(PathSearches &(*get)());
// The searches offered (made now), or nullptr when none were.
PathSearches *pathSearches();

// An object's hold on its search: ends it through the searches that made it.
struct EndPathSearch {
  PathSearches *p_from = nullptr;
  void operator()(PathFind *p_search) const {
    if (p_from) p_from->endSearch(p_search);
  }
};

} // namespace vx
