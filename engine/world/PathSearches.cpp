#include "world/PathSearches.h"

namespace vx {

namespace {

PathSearches &(*g_get_searches)() = nullptr;

} // namespace

bool offerPathSearches(PathSearches &(*get)()) {
  g_get_searches = get;
  return true;
}

PathSearches *pathSearches() { return g_get_searches ? &g_get_searches() : nullptr; }

} // namespace vx
