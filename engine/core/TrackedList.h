#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/FlatMap.h"
#include "core/ObjectList.h"

namespace vx {

class Object;
class Listener;

// An insertion-ordered list of pointers (objects, or the managers' listeners)
// with the behaviour of ObjectList (duplicates allowed, remove takes the
// first occurrence), whose removals and look-ups are constant time: removed
// entries leave holes that are compacted later, and a position index is
// kept once the list is long. Taking out the first entry, as emptying a
// list in order does, touches neither the index nor the entries after it.
template <typename T>
class TrackedListOf {
 private:
  std::vector<T *> m_slots;  // nullptr marks a hole
  // Positions in the index count from the list's start: slot i is at
  // position m_base + i, m_base entries having left from the front.
  size_t m_base;
  int m_count;
  // Position of each object's first occurrence; further occurrences (rare)
  // in m_more. An object taken out from the front may keep its entry,
  // which then names a position that no longer holds it (m_lingering).
  FlatMap<const T *, uint32_t> m_first;
  std::unordered_multimap<T *, uint32_t> m_more;
  size_t m_lingering;
  bool m_indexed;
  // Every slot before this one is a hole.
  mutable size_t m_head;

  void buildIndex();
  void dropIndex();
  // Counts and indexes the entry just appended; 0.
  int indexLast();
  // The index entry of p_o at position from now says position to.
  void moveSlot(T *p_o, uint32_t from, uint32_t to);
  void compact();
  // Whether position pos holds p_o.
  bool holdsAt(uint32_t pos, const T *p_o) const {
    return pos >= m_base && pos - m_base < m_slots.size() && m_slots[pos - m_base] == p_o;
  }
  int findSlot(T *p_o) const;

 public:
  TrackedListOf();

  // 0, or -1 for a null pointer or when memory runs out (the list unchanged).
  int insert(T *p_o);
  // Room for count entries in all, made ahead where memory allows.
  void reserve(size_t count);
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
