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
TrackedListOf<T>::TrackedListOf() : m_base(0), m_count(0), m_lingering(0), m_indexed(false), m_head(0) {}

// Without memory for the index the list stays unindexed (searched linearly).
template <typename T>
void TrackedListOf<T>::buildIndex() {
  dropIndex();
  try {
    m_first.reserve(static_cast<size_t>(m_count));
    for (size_t i = m_head; i < m_slots.size(); i++) {
      T *p = m_slots[i];
      if (!p) continue;
      uint32_t pos = static_cast<uint32_t>(m_base + i);
      if (!m_first.insert(p, pos)) m_more.emplace(p, pos);
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
  m_lingering = 0;
  m_indexed = false;
}

template <typename T>
void TrackedListOf<T>::moveSlot(T *p_o, uint32_t from, uint32_t to) {
  uint32_t *p_pos = m_first.find(p_o);
  if (p_pos && *p_pos == from) {
    *p_pos = to;
    return;
  }
  auto range = m_more.equal_range(p_o);
  for (auto more = range.first; more != range.second; ++more)
    if (more->second == from) {
      more->second = to;
      return;
    }
}

// Holes only at the front leave with the front: the positions of the rest
// stay. Otherwise entries keep their order, so a first occurrence stays the
// first, and the index follows each entry to its new position, in place
// (or is made anew when lingering entries outnumber the live ones).
template <typename T>
void TrackedListOf<T>::compact() {
  front();
  size_t holes = m_slots.size() - static_cast<size_t>(m_count);
  // Positions stay well inside 32 bits.
  if (holes == m_head && m_base + m_slots.size() < (size_t(1) << 31)) {
    m_slots.erase(m_slots.begin(), m_slots.begin() + static_cast<std::ptrdiff_t>(m_head));
    m_base += m_head;
    m_head = 0;
    if (!m_indexed && m_count > INDEX_THRESHOLD) buildIndex();
    return;
  }
  bool rebuild = !m_indexed || m_lingering > static_cast<size_t>(m_count);
  size_t out = 0;
  for (size_t i = m_head; i < m_slots.size(); i++) {
    T *p = m_slots[i];
    if (!p) continue;
    if (!rebuild) moveSlot(p, static_cast<uint32_t>(m_base + i), static_cast<uint32_t>(out));
    m_slots[out++] = p;
  }
  m_slots.resize(out);
  m_base = 0;
  m_head = 0;
  if (m_count <= INDEX_THRESHOLD)
    dropIndex();
  else if (rebuild)
    buildIndex();
}

template <typename T>
int TrackedListOf<T>::findSlot(T *p_o) const {
  if (m_indexed) {
    const uint32_t *p_pos = m_first.find(p_o);
    return p_pos && holdsAt(*p_pos, p_o) ? static_cast<int>(*p_pos - m_base) : -1;
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
  uint32_t pos = static_cast<uint32_t>(m_base + m_slots.size() - 1);
  T *p_o = m_slots.back();
  m_count++;
  if (m_indexed) {
    try {
      uint32_t *p_pos = m_first.find(p_o);
      if (!p_pos) {
        m_first.insert(p_o, pos);
      } else if (*p_pos != pos && holdsAt(*p_pos, p_o)) {
        m_more.emplace(p_o, pos);
      } else {
        // A lingering entry: the object is back.
        *p_pos = pos;
        m_lingering--;
      }
    } catch (const std::bad_alloc &) {
      dropIndex();
    }
  } else if (m_count > INDEX_THRESHOLD) {
    buildIndex();
  }
  return 0;
}

template <typename T>
void TrackedListOf<T>::reserve(size_t count) {
  try {
    size_t live = static_cast<size_t>(m_count);
    if (count > live) m_slots.reserve(m_slots.size() + (count - live));
    if (count > static_cast<size_t>(INDEX_THRESHOLD)) {
      if (!m_indexed) buildIndex();
      if (m_indexed) m_first.reserve(count);
    }
  } catch (const std::bad_alloc &) {
  }
}

template <typename T>
int TrackedListOf<T>::remove(T *p_o) {
  if (!p_o) return -1;
  int slot = -1;
  if (m_indexed && m_more.empty() && front() == p_o) {
    // Its only occurrence: the index entry may linger.
    slot = static_cast<int>(m_head);
    m_lingering++;
  } else {
    slot = findSlot(p_o);
    if (slot < 0) return -1;
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
          m_first.insert(p_o, next);
        } catch (const std::bad_alloc &) {
          dropIndex();
        }
      }
    }
  }
  m_slots[slot] = nullptr;
  m_count--;
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
  m_base = 0;
  m_count = 0;
  m_head = 0;
  if (m_indexed || m_first.size() != 0) dropIndex();
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
