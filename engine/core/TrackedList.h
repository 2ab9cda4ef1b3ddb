#pragma once

#include "core/IndexedList.h"
#include "core/ObjectList.h"

namespace vx {

class Object;
class Listener;

// The entry of a tracked list is the pointer itself; a hole is null.
template <typename T>
struct PointerKeys {
  typedef T *Key;
  static T *key(T *p) { return p; }
  static T *hole() { return nullptr; }
};

// An insertion-ordered list of pointers (objects, or the managers'
// listeners) with the behaviour of ObjectList, whose removals and look-ups
// are constant time (IndexedList). Walk it with: for (auto p : list) if (p) ...
template <typename T>
class TrackedListOf : public IndexedList<T *, PointerKeys<T>, 0> {
 public:
  // The live objects in order, as an object list (lists of objects only).
  ObjectList toObjectList() const;
  // Appends the live objects in order to list (lists of objects only).
  void appendTo(ObjectList &list) const;
};

template <>
ObjectList TrackedListOf<Object>::toObjectList() const;
template <>
void TrackedListOf<Object>::appendTo(ObjectList &list) const;

using TrackedList = TrackedListOf<Object>;

} // namespace vx
