#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace vx {

// A map from a pointer (never null) or an int to a small value, kept in one
// flat table (open addressing, linear probing), so that a look-up reads one
// place and entries allocate nothing of their own. Growing may throw
// std::bad_alloc; nothing else does.
template <typename K, typename V>
class FlatMap {
  static_assert(std::is_pointer<K>::value || std::is_same<K, int>::value, "pointer or int keys");

 private:
  static const uint64_t FREE = ~uint64_t(0);  // no pointer, no int
  struct Entry {
    uint64_t key;
    V value;
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
  // random and no run of places grows long.
  static uint64_t mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return x;
  }

  size_t home(uint64_t key) const { return static_cast<size_t>(mix(key)) & (m_table.size() - 1); }

  // The place of the key, or of the free entry where it would go.
  size_t place(uint64_t key) const {
    size_t mask = m_table.size() - 1;
    size_t i = home(key);
    while (m_table[i].key != FREE && m_table[i].key != key) i = (i + 1) & mask;
    return i;
  }

  // Empties place i. Later entries of its run move back, so that no run has
  // a gap.
  void eraseAt(size_t i) {
    size_t mask = m_table.size() - 1;
    for (size_t j = (i + 1) & mask; m_table[j].key != FREE; j = (j + 1) & mask) {
      size_t k = home(m_table[j].key);
      // An entry whose home lies after the gap, up to its own place, stays.
      bool stays = i <= j ? (i < k && k <= j) : (i < k || k <= j);
      if (stays) continue;
      m_table[i] = m_table[j];
      i = j;
    }
    m_table[i].key = FREE;
    m_count--;
  }

  void rehash(unsigned bits) {
    std::vector<Entry> previous(size_t(1) << bits, Entry{FREE, V()});
    previous.swap(m_table);
    m_bits = bits;
    for (Entry &e : previous)
      if (e.key != FREE) m_table[place(e.key)] = e;
  }

 public:
  FlatMap() : m_bits(0), m_count(0) {}

  size_t size() const { return m_count; }

  // The value of the key, or nullptr.
  V *find(K key) {
    if (m_count == 0) return nullptr;
    uint64_t c = code(key);
    Entry &e = m_table[place(c)];
    return e.key == c ? &e.value : nullptr;
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
    Entry &e = m_table[place(c)];
    if (e.key == c) return false;
    e = Entry{c, value};
    m_count++;
    return true;
  }

  // False when the key is not there.
  bool erase(K key) {
    if (m_count == 0) return false;
    uint64_t c = code(key);
    size_t i = place(c);
    if (m_table[i].key != c) return false;
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
