#include "core/TrackedList.h"

#include <new>

namespace vx {

namespace {

// Lists shorter than this are searched linearly; longer ones keep an index.
const int INDEX_THRESHOLD = 16;
// Holes are compacted once there are more of them than this and than live entries.
const size_t COMPACT_MIN_HOLES = 32;

} // namespace

template <typename T>
TrackedListOf<T>::TrackedListOf() : m_count(0), m_indexed(false), m_head(0) {}

// Without memory for the index the list stays unindexed (searched linearly).
template <typename T>
void TrackedListOf<T>::buildIndex() {
  m_first.clear();
  m_more.clear();
  try {
    m_first.reserve(static_cast<size_t>(m_count) * 2);
    for (size_t i = 0; i < m_slots.size(); i++) {
      T *p = m_slots[i];
      if (!p) continue;
      auto res = m_first.emplace(p, static_cast<uint32_t>(i));
      if (!res.second) m_more.emplace(p, static_cast<uint32_t>(i));
    }
  } catch (const std::bad_alloc &) {
    dropIndex();
    return;
  }
  m_indexed = true;
}

template <typename T>
void TrackedListOf<T>::dropIndex() {
  m_first.clear();
  m_more.clear();
  m_indexed = false;
}

template <typename T>
void TrackedListOf<T>::compact() {
  size_t out = 0;
  for (size_t i = 0; i < m_slots.size(); i++)
    if (m_slots[i]) m_slots[out++] = m_slots[i];
  m_slots.resize(out);
  m_head = 0;
  if (m_count > INDEX_THRESHOLD)
    buildIndex();
  else if (m_indexed)
    dropIndex();
}

template <typename T>
int TrackedListOf<T>::findSlot(T *p_o) const {
  if (m_indexed) {
    auto it = m_first.find(p_o);
    return it == m_first.end() ? -1 : static_cast<int>(it->second);
  }
  for (size_t i = m_head; i < m_slots.size(); i++)
    if (m_slots[i] == p_o) return static_cast<int>(i);
  return -1;
}

template <typename T>
int TrackedListOf<T>::insert(T *p_o) {
  if (!p_o) return -1;
  try {
    m_slots.push_back(p_o);
  } catch (const std::bad_alloc &) {
    return -1;
  }
  return indexLast();
}

template <typename T>
int TrackedListOf<T>::indexLast() {
  uint32_t slot = static_cast<uint32_t>(m_slots.size() - 1);
  T *p_o = m_slots[slot];
  m_count++;
  if (m_indexed) {
    try {
      auto res = m_first.emplace(p_o, slot);
      if (!res.second) m_more.emplace(p_o, slot);
    } catch (const std::bad_alloc &) {
      dropIndex();
    }
  } else if (m_count > INDEX_THRESHOLD) {
    buildIndex();
  }
  return 0;
}

template <typename T>
int TrackedListOf<T>::remove(T *p_o) {
  if (!p_o) return -1;
  int slot = findSlot(p_o);
  if (slot < 0) return -1;
  m_slots[slot] = nullptr;
  m_count--;
  if (m_indexed) {
    m_first.erase(p_o);
    // The next occurrence, if any, becomes the first.
    auto range = m_more.equal_range(p_o);
    auto best = range.second;
    for (auto it = range.first; it != range.second; ++it)
      if (best == range.second || it->second < best->second) best = it;
    if (best != range.second) {
      uint32_t next = best->second;
      m_more.erase(best);
      try {
        m_first.emplace(p_o, next);
      } catch (const std::bad_alloc &) {
        dropIndex();
      }
    }
  }
  while (!m_slots.empty() && !m_slots.back()) m_slots.pop_back();
  if (m_head > m_slots.size()) m_head = m_slots.size();
  if (m_count == 0) {
    clear();
    return 0;
  }
  size_t holes = m_slots.size() - static_cast<size_t>(m_count);
  if (holes > COMPACT_MIN_HOLES && holes > static_cast<size_t>(m_count)) compact();
  return 0;
}

template <typename T>
bool TrackedListOf<T>::contains(T *p_o) const { return p_o && findSlot(p_o) >= 0; }

template <typename T>
void TrackedListOf<T>::clear() {
  m_slots.clear();
  m_count = 0;
  m_head = 0;
  if (m_indexed || !m_first.empty()) dropIndex();
  m_indexed = false;
}

template <typename T>
int TrackedListOf<T>::getCount() const { return m_count; }

template <typename T>
bool TrackedListOf<T>::isEmpty() const { return m_count == 0; }

template <typename T>
T *TrackedListOf<T>::front() const {
  while (m_head < m_slots.size() && !m_slots[m_head]) m_head++;
  return m_head < m_slots.size() ? m_slots[m_head] : nullptr;
}

template <>
ObjectList TrackedListOf<Object>::toObjectList() const {
  ObjectList list;
  appendTo(list);
  return list;
}

template <>
void TrackedListOf<Object>::appendTo(ObjectList &list) const {
  for (size_t i = m_head; i < m_slots.size(); i++)
    if (m_slots[i]) list.insert(m_slots[i]);
}

template <typename T>
const std::vector<T *> &TrackedListOf<T>::raw() const { return m_slots; }

template <typename T>
int TrackedListOf<T>::slotOf(T *p_o) const { return p_o ? findSlot(p_o) : -1; }

template class TrackedListOf<Object>;
template class TrackedListOf<Listener>;

} // namespace vx
