#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "core/FlatMap.h"

namespace vx {

// An insertion-ordered list of entries, each holding a pointer key, with
// ObjectList's rules: null keys refused, duplicates allowed, removal takes
// the first occurrence. A short list is searched and shifted. A longer one
// keeps the position of each key's first occurrence, and a removal leaves a
// hole (an entry with a null key), so that removals and look-ups are
// constant time; holes are closed once they outnumber the live entries.
//
// Slot i is at position base + i, and positions only grow: holes at the
// front leave with the front without touching the index, and a full
// compaction numbers the entries after every old position. Taking out the
// first entry, as emptying a list in order does, leaves its index entry
// behind (lingering), told apart by naming a position before the first live
// one; a key entered again takes it over. Once lingering entries outnumber
// the live ones three times, the live entries move, a few slots an
// operation, into a new table sized for them, which then replaces the old
// one with its lingering entries: the index stays within a small factor of
// the live entries and no operation makes it anew at once.
//
// Keys says how an entry holds its key: a type Key (a pointer type),
// static Key key(const E &), and static E hole(). The first INLINE entries
// live in the list itself.
template <typename E, typename Keys, int INLINE>
class IndexedList {
 public:
  typedef typename Keys::Key Key;
  // A list longer than this keeps an index; one compacted down to
  // UNINDEX_AT entries is searched again.
  static const int INDEX_AT = 32;
  static const int UNINDEX_AT = 16;

  IndexedList() : m_p_entries(nullptr), m_size(0), m_capacity(INLINE), m_head(0), m_count(0) {
    m_p_entries = m_inline.data();
  }
  ~IndexedList() { release(); }
  IndexedList(const IndexedList &) = delete;
  IndexedList &operator=(const IndexedList &) = delete;
  IndexedList(IndexedList &&other) noexcept : IndexedList() { take(other); }
  IndexedList &operator=(IndexedList &&other) noexcept {
    if (this != &other) {
      release();
      take(other);
    }
    return *this;
  }

  // 0, or -1 for a null key or when memory runs out (the list unchanged).
  int insert(const E &e) {
    if (!Keys::key(e)) return -1;
    if (m_size == m_capacity && grow(m_size + 1) == -1) return -1;
    m_p_entries[m_size++] = e;
    m_count++;
    if (m_p_index) {
      try {
        note(m_size - 1);
        move();
      } catch (const std::bad_alloc &) {
        unindex();
      }
    } else if (m_count > INDEX_AT) {
      buildIndex();
    }
    return 0;
  }

  // 0, or -1 when the key is not in the list.
  int remove(Key p) {
    if (!p) return -1;
    if (!m_p_index) {
      int i = linear(p, 0);
      if (i < 0) return -1;
      std::copy(m_p_entries + i + 1, m_p_entries + m_size, m_p_entries + i);
      m_size--;
      m_count--;
      return 0;
    }
    Index &index = *m_p_index;
    int i = m_head;
    if (Keys::key(m_p_entries[i]) == p && (index.more.size() == 0 || !index.more.find(p))) {
      // Its only occurrence, first in the list: the index entry lingers (and
      // is counted when its table stays).
      if (!index.p_next || at(i) < index.moved) index.lingering++;
    } else {
      Table *p_table = nullptr;
      i = locate(p, &p_table);
      if (i < 0) return -1;
      uint32_t *p_more = index.more.size() == 0 ? nullptr : index.more.find(p);
      try {
        if (p_more) {
          // The next occurrence becomes the first.
          int next = linear(p, i + 1);
          Table &to = tableOf(next);
          if (&to != p_table) p_table->erase(p);
          put(to, p, index.base + static_cast<uint32_t>(next));
          if (--*p_more == 0) index.more.erase(p);
        } else {
          p_table->erase(p);
        }
      } catch (const std::bad_alloc &) {
        unindex();
        return remove(p);
      }
    }
    m_p_entries[i] = Keys::hole();
    if (--m_count == 0) {
      clear();
      return 0;
    }
    while (!Keys::key(m_p_entries[m_head])) m_head++;
    while (!Keys::key(m_p_entries[m_size - 1])) m_size--;
    if (m_size - m_count > m_count) {
      compact();
      if (!m_p_index) return 0;
    }
    try {
      if (!m_p_index->p_next && m_p_index->lingering > 3 * size_t(m_count)) startMove();
      move();
    } catch (const std::bad_alloc &) {
      unindex();
    }
    return 0;
  }

  // Slot of the key's first occurrence (slots keep list order), or -1.
  int find(Key p) const {
    if (!p) return -1;
    if (!m_p_index) return linear(p, 0);
    return const_cast<IndexedList *>(this)->locate(p, nullptr);
  }
  bool contains(Key p) const { return find(p) >= 0; }
  // Starts bringing the key's index entry into the cache, for a look-up soon.
  void prefetch(Key p) const {
    if (m_p_index && p) m_p_index->first.prefetch(p);
  }

  // Calls f on every entry of the key, in order.
  template <class F>
  void forEachOf(Key p, F f) {
    int i = find(p);
    if (i < 0) return;
    bool more = !m_p_index || m_p_index->more.find(p);
    for (; i >= 0; i = more ? linear(p, i + 1) : -1) f(m_p_entries[i]);
  }

  // Room for count entries in all, made ahead where memory allows.
  void reserve(size_t count) {
    if (count > static_cast<size_t>(INT_LIMIT / 2)) return;
    int more = static_cast<int>(count) - m_count;
    if (more > 0 && m_size + more > m_capacity && grow(m_size + more) == -1) return;
    if (count <= static_cast<size_t>(INDEX_AT)) return;
    if (!m_p_index) buildIndex();
    try {
      if (m_p_index) m_p_index->first.reserve(count);
    } catch (const std::bad_alloc &) {
    }
  }

  // Empties the list; its storage stays.
  void clear() {
    m_size = 0;
    m_head = 0;
    m_count = 0;
    m_p_index.reset();
  }

  int getCount() const { return m_count; }
  bool isEmpty() const { return m_count == 0; }
  // The first live key (null when empty).
  Key front() const { return m_count ? Keys::key(m_p_entries[m_head]) : nullptr; }
  // Entries in order from the first live one, holes (null keys) among them.
  const E *begin() const { return m_p_entries + m_head; }
  const E *end() const { return m_p_entries + m_size; }
  // Entries of the index (0 while searched linearly).
  size_t indexSize() const {
    if (!m_p_index) return 0;
    const Index &index = *m_p_index;
    return index.first.size() + index.more.size() + (index.p_next ? index.p_next->size() : 0);
  }

 private:
  typedef FlatMap<const void *, uint32_t> Table;
  struct Index {
    Table first;  // position of each key's first occurrence
    Table more;   // occurrences after the first, if any
    uint32_t base = 0;
    // Lingering entries of the table that stays: first, or *p_next while moving.
    size_t lingering = 0;
    // While the live entries move: those at positions before moved are in
    // *p_next, the others in first.
    std::unique_ptr<Table> p_next;
    uint32_t moved = 0;
  };
  static const int INT_LIMIT = std::numeric_limits<int>::max();
  // Slots moved an operation.
  static const int MOVE_STEPS = 8;
  // Positions stay below this; past it the index is made anew.
  static const uint64_t POSITION_LIMIT = uint64_t(1) << 31;

  E *m_p_entries;
  int m_size;  // slots in use, holes included
  int m_capacity;
  int m_head;  // every slot before it is a hole
  int m_count;
  std::unique_ptr<Index> m_p_index;  // null: no holes, searched linearly
  std::array<E, INLINE> m_inline;

  bool onHeap() const { return m_capacity > INLINE; }

  void release() {
    if (onHeap()) delete[] m_p_entries;
    m_p_entries = m_inline.data();
    m_capacity = INLINE;
    clear();
  }

  void take(IndexedList &other) {
    if (other.onHeap()) {
      m_p_entries = other.m_p_entries;
      m_capacity = other.m_capacity;
    } else if constexpr (INLINE > 0) {
      std::copy(other.m_p_entries, other.m_p_entries + other.m_size, m_inline.data());
    }
    m_size = other.m_size;
    m_head = other.m_head;
    m_count = other.m_count;
    m_p_index = std::move(other.m_p_index);
    other.m_p_entries = other.m_inline.data();
    other.m_capacity = INLINE;
    other.clear();
  }

  int grow(int need) {
    if (m_capacity > INT_LIMIT / 2) return -1;
    int capacity = std::max(m_capacity * 2, 4);
    while (capacity < need) {
      if (capacity > INT_LIMIT / 2) return -1;
      capacity *= 2;
    }
    E *p_new = new (std::nothrow) E[static_cast<size_t>(capacity)];
    if (!p_new) return -1;
    std::copy(m_p_entries, m_p_entries + m_size, p_new);
    if (onHeap()) delete[] m_p_entries;
    m_p_entries = p_new;
    m_capacity = capacity;
    return 0;
  }

  uint32_t at(int slot) const { return m_p_index->base + static_cast<uint32_t>(slot); }
  // The first position that may hold a live entry.
  uint32_t live(const Index &index) const { return index.base + static_cast<uint32_t>(m_head); }

  // Slot of the key's first entry at or after from, or -1.
  int linear(Key p, int from) const {
    for (int i = std::max(from, m_head); i < m_size; i++)
      if (Keys::key(m_p_entries[i]) == p) return i;
    return -1;
  }

  // Indexes the entry at slot, the last of its key. May throw std::bad_alloc.
  void note(int slot) {
    Index &index = *m_p_index;
    const void *k = Keys::key(m_p_entries[slot]);
    if (locate(k, nullptr) < 0) {
      // The first occurrence (over a lingering or stale entry, if any).
      put(tableOf(slot), k, index.base + static_cast<uint32_t>(slot));
      return;
    }
    uint32_t *p_more = index.more.find(k);
    if (p_more)
      ++*p_more;
    else
      index.more.insert(k, 1);
  }

  // Without memory for it the list stays searched linearly.
  void buildIndex() {
    pack();
    m_p_index.reset(new (std::nothrow) Index);
    if (!m_p_index) return;
    try {
      m_p_index->first.reserve(static_cast<size_t>(m_count));
      for (int i = 0; i < m_size; i++) note(i);
    } catch (const std::bad_alloc &) {
      m_p_index.reset();
    }
  }

  // The table that holds a first occurrence at slot.
  Table &tableOf(int slot) {
    Index &index = *m_p_index;
    return index.p_next && at(slot) < index.moved ? *index.p_next : index.first;
  }

  // The slot of the key's first occurrence, or -1; *pp_table the table that
  // holds it. An entry of first for a slot already moved is stale.
  int locate(const void *k, Table **pp_table) {
    Index &index = *m_p_index;
    uint32_t low = live(index);
    if (index.p_next) {
      uint32_t *p_pos = index.p_next->find(k);
      if (p_pos && *p_pos >= low) {
        if (pp_table) *pp_table = index.p_next.get();
        return static_cast<int>(*p_pos - index.base);
      }
      low = std::max(low, index.moved);
    }
    uint32_t *p_pos = index.first.find(k);
    if (!p_pos || *p_pos < low) return -1;
    if (pp_table) *pp_table = &index.first;
    return static_cast<int>(*p_pos - index.base);
  }

  // The key's entry in table says pos, over any it had. May throw std::bad_alloc.
  void put(Table &table, const void *k, uint32_t pos) {
    Index &index = *m_p_index;
    uint32_t *p_pos = table.find(k);
    if (!p_pos) {
      table.insert(k, pos);
      return;
    }
    bool stays = !index.p_next || &table == index.p_next.get();
    if (*p_pos < live(index) && stays) index.lingering--;
    *p_pos = pos;
  }

  // Starts moving the live entries into a table sized for them.
  void startMove() {
    Index &index = *m_p_index;
    std::unique_ptr<Table> p_next(new Table);
    p_next->reserve(static_cast<size_t>(m_count));
    index.p_next = std::move(p_next);
    index.moved = live(index);
    index.lingering = 0;
  }

  // Moves the entries of a few more slots; the new table takes over once
  // every slot has moved. May throw std::bad_alloc.
  void move() {
    Index &index = *m_p_index;
    if (!index.p_next) return;
    index.moved = std::max(index.moved, live(index));
    const uint32_t end = at(m_size);
    // The new places are fetched together, not one after another.
    for (uint32_t pos = index.moved; pos < end && pos < index.moved + MOVE_STEPS; pos++)
      if (const void *k = Keys::key(m_p_entries[pos - index.base])) index.p_next->prefetch(k);
    for (int n = 0; n < MOVE_STEPS && index.moved < end; n++, index.moved++) {
      const uint32_t pos = index.moved;
      const void *k = Keys::key(m_p_entries[pos - index.base]);
      if (!k) continue;
      // A key without repeats is at its first occurrence.
      const uint32_t *p_pos = index.more.size() == 0 || !index.more.find(k) ? &pos : index.first.find(k);
      if (p_pos && *p_pos == pos) put(*index.p_next, k, pos);
    }
    if (index.moved < end) return;
    index.first = std::move(*index.p_next);
    index.p_next.reset();
  }

  void unindex() {
    m_p_index.reset();
    pack();
  }

  // Closes the holes, the index aside.
  void pack() {
    int out = 0;
    for (int i = m_head; i < m_size; i++)
      if (Keys::key(m_p_entries[i])) m_p_entries[out++] = m_p_entries[i];
    m_size = out;
    m_head = 0;
  }

  // Holes only at the front leave with it, and the positions of the rest
  // stay. Otherwise the live entries close up and take positions after
  // every old one, so that a first occurrence's old position is never taken
  // for a new one.
  void compact() {
    Index &index = *m_p_index;
    uint64_t next_base = uint64_t(index.base) + uint64_t(m_size);
    if (next_base + uint64_t(m_size) >= POSITION_LIMIT) {
      m_p_index.reset();
      if (m_count > UNINDEX_AT)
        buildIndex();
      else
        pack();
      return;
    }
    if (m_size - m_head == m_count) {
      std::copy(m_p_entries + m_head, m_p_entries + m_size, m_p_entries);
      m_size -= m_head;
      index.base += static_cast<uint32_t>(m_head);
      m_head = 0;
    } else {
      int out = 0;
      uint32_t moved = static_cast<uint32_t>(next_base);
      for (int i = m_head; i < m_size; i++) {
        const void *k = Keys::key(m_p_entries[i]);
        if (!k) continue;
        uint32_t *p_pos = tableOf(i).find(k);
        if (p_pos && *p_pos == at(i)) *p_pos = static_cast<uint32_t>(next_base) + uint32_t(out);
        m_p_entries[out++] = m_p_entries[i];
        if (at(i) < index.moved) moved = static_cast<uint32_t>(next_base) + uint32_t(out);
      }
      index.moved = moved;
      m_size = out;
      m_head = 0;
      index.base = static_cast<uint32_t>(next_base);
    }
    if (m_count <= UNINDEX_AT) m_p_index.reset();
  }
};

} // namespace vx
