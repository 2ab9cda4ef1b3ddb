#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace vx {

// A map from a pointer (never null) or an int to a small value, kept in one
// flat table (open addressing, linear probing), so that a look-up reads a
// few neighbouring places and entries allocate nothing of their own. An
// entry nearer its home gives way to one farther from its own (robin hood
// order), so no key sits far from its home and a look-up of a missing key
// stops early. Growing may throw std::bad_alloc; nothing else does. An
// insertion or an erasure may move other entries.
template <typename K, typename V>
class FlatMap {
  static_assert(std::is_pointer<K>::value || std::is_same<K, int>::value, "pointer or int keys");

 private:
  static const uint64_t FREE = ~uint64_t(0);  // no pointer, no int
  static const size_t NONE = ~size_t(0);
  struct Entry {
    uint64_t key;
    V value;
    uint32_t distance;  // places after its home
  };
  std::vector<Entry> m_table;  // 2^m_bits long, or empty
  unsigned m_bits;
  size_t m_count;

  static uint64_t code(K key) {
    if constexpr (std::is_pointer<K>::value)
      return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key));
    else
      return static_cast<uint64_t>(static_cast<uint32_t>(key));
  }

  // Every bit of the key moves every bit of the place (a 64-bit finaliser),
  // so that keys a fixed stride apart, pointers or ints, land as if at
  // random.
  static uint64_t mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return x;
  }

  size_t home(uint64_t key) const { return static_cast<size_t>(mix(key)) & (m_table.size() - 1); }

  // The place of the key, or NONE: past an entry nearer its home than the
  // key would be, the key is not there.
  size_t place(uint64_t key) const {
    size_t mask = m_table.size() - 1;
    size_t i = home(key);
    for (uint32_t d = 0;; d++, i = (i + 1) & mask) {
      const Entry &e = m_table[i];
      if (e.key == key) return i;
      if (e.key == FREE || e.distance < d) return NONE;
    }
  }

  // Puts an entry not in the table at place i, where it is e.distance from
  // its home, moving on those it passes.
  void put(size_t i, Entry e) {
    size_t mask = m_table.size() - 1;
    for (;; i = (i + 1) & mask, e.distance++) {
      Entry &here = m_table[i];
      if (here.key == FREE) {
        here = e;
        return;
      }
      if (here.distance < e.distance) std::swap(here, e);
    }
  }

  // Empties place i; the entries after it that are not at home move back.
  void eraseAt(size_t i) {
    size_t mask = m_table.size() - 1;
    for (size_t j = (i + 1) & mask; m_table[j].key != FREE && m_table[j].distance > 0; j = (j + 1) & mask) {
      m_table[i] = m_table[j];
      m_table[i].distance--;
      i = j;
    }
    m_table[i] = Entry{FREE, V(), 0};
    m_count--;
  }

  void rehash(unsigned bits) {
    std::vector<Entry> previous(size_t(1) << bits, Entry{FREE, V(), 0});
    previous.swap(m_table);
    m_bits = bits;
    for (Entry &e : previous)
      if (e.key != FREE) put(home(e.key), Entry{e.key, e.value, 0});
  }

 public:
  FlatMap() : m_bits(0), m_count(0) {}

  size_t size() const { return m_count; }

  // The value of the key, or nullptr.
  V *find(K key) {
    if (m_count == 0) return nullptr;
    size_t i = place(code(key));
    return i == NONE ? nullptr : &m_table[i].value;
  }
  const V *find(K key) const { return const_cast<FlatMap *>(this)->find(key); }

  // Starts bringing the key's place into the cache.
  void prefetch(K key) const {
    if (m_count != 0) __builtin_prefetch(&m_table[home(code(key))]);
  }

  // Room for count entries without growing (three quarters full at most).
  void reserve(size_t count) {
    unsigned bits = m_table.empty() ? 4 : m_bits;
    while ((size_t(1) << bits) * 3 < count * 4) bits++;
    if (m_table.empty() || bits > m_bits) rehash(bits);
  }

  // Adds the key with the value; false (nothing changed) when it is there.
  bool insert(K key, V value) {
    reserve(m_count + 1);
    uint64_t c = code(key);
    size_t mask = m_table.size() - 1;
    size_t i = home(c);
    uint32_t d = 0;
    // Past an entry nearer its home, the key is not there: it goes here.
    for (; m_table[i].key != FREE && m_table[i].distance >= d; i = (i + 1) & mask, d++)
      if (m_table[i].key == c) return false;
    put(i, Entry{c, value, d});
    m_count++;
    return true;
  }

  // False when the key is not there.
  bool erase(K key) {
    if (m_count == 0) return false;
    size_t i = place(code(key));
    if (i == NONE) return false;
    eraseAt(i);
    return true;
  }

  // Empties the map and gives its memory back.
  void clear() {
    std::vector<Entry>().swap(m_table);
    m_bits = 0;
    m_count = 0;
  }
};

} // namespace vx
