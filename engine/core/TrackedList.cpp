#include "core/TrackedList.h"

namespace vx {

template <>
ObjectList TrackedListOf<Object>::toObjectList() const {
  ObjectList list;
  appendTo(list);
  return list;
}

template <>
void TrackedListOf<Object>::appendTo(ObjectList &list) const {
  for (Object *p_o : *this)
    if (p_o) list.insert(p_o);
}

} // namespace vx
