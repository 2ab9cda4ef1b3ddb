#pragma once
// An object list's items as a vector, for comparing lists in tests.

#include <vector>

#include "core/ObjectList.h"

namespace vx {
namespace test {

inline std::vector<Object *> items(const ObjectList &l) {
  std::vector<Object *> v;
  for (int i = 0; i < l.getCount(); i++) v.push_back(l[i]);
  return v;
}

} // namespace test
} // namespace vx
