#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/ObjectList.h"

namespace vx {

class Object;
class Listener;

// An insertion-ordered list of pointers (objects, or the managers' listeners)
// with the behaviour of ObjectList (duplicates allowed, remove takes the
// first occurrence), whose removals and look-ups are constant time: removed
// entries leave holes that are compacted later, and a position index is
// kept once the list is long.
template <typename T>
class TrackedListOf {
 private:
  std::vector<T *> m_slots;  // nullptr marks a hole
  int m_count;
  // First occurrence of each object; further occurrences (rare) in m_more.
  std::unordered_map<T *, uint32_t> m_first;
  std::unordered_multimap<T *, uint32_t> m_more;
  bool m_indexed;
  // Every slot before this one is a hole.
  mutable size_t m_head;

  void buildIndex();
  void dropIndex();
  // Counts and indexes the entry just appended; 0.
  int indexLast();
  void compact();
  int findSlot(T *p_o) const;

 public:
  TrackedListOf();

  // 0, or -1 for a null pointer or when memory runs out (the list unchanged).
  int insert(T *p_o);
  // 0, or -1 when the object is not in the list.
  int remove(T *p_o);
  bool contains(T *p_o) const;
  void clear();
  int getCount() const;
  bool isEmpty() const;
  // The first live object (nullptr when empty).
  T *front() const;

  // The live objects in order, as an object list (lists of objects only).
  ObjectList toObjectList() const;
  // Appends the live objects in order to list (lists of objects only).
  void appendTo(ObjectList &list) const;

  // Walks live entries in order: for (auto p : list.raw()) if (p) ...
  const std::vector<T *> &raw() const;
  // Slot of the first occurrence (slots keep list order), or -1.
  int slotOf(T *p_o) const;
};

template <>
ObjectList TrackedListOf<Object>::toObjectList() const;
template <>
void TrackedListOf<Object>::appendTo(ObjectList &list) const;

extern template class TrackedListOf<Object>;
extern template class TrackedListOf<Listener>;

using TrackedList = TrackedListOf<Object>;

} // namespace vx
