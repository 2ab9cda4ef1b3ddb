#pragma once

#include <string>
#include <utility>

namespace vx {

// N labelled resources held by value (sounds, musics). Slots 0 .. count - 1
// are in use, in load order; a look-up takes the first slot with the label.
// Every slot lives as long as the table, so a load fills the next free one.
template <class T, int N>
class LabelledTable {
 private:
  T m_slot[N];
  int m_count;

 public:
  LabelledTable() : m_slot(), m_count(0) {}
  LabelledTable(const LabelledTable &) = delete;
  LabelledTable &operator=(const LabelledTable &) = delete;

  int count() const { return m_count; }
  bool full() const { return m_count >= N; }
  // Forgets the slots in use; what they hold stays until loaded over.
  void clear() { m_count = 0; }

  // The next free slot; only while not full.
  T &next() { return m_slot[m_count]; }
  // Counts the next free slot as used, under label.
  void add(const std::string &label) {
    m_slot[m_count].setLabel(label);
    m_count++;
  }

  T &at(int i) { return m_slot[i]; }

  // The index of the first slot in use with label, or -1.
  int find(const std::string &label) const {
    for (int i = 0; i < m_count; i++)
      if (m_slot[i].getLabel() == label) return i;
    return -1;
  }

  // Empties slot i and moves each later slot down one, in order, with all
  // that it owns.
  void remove(int i) {
    m_slot[i] = T();
    for (int j = i; j < m_count - 1; j++) m_slot[j] = std::move(m_slot[j + 1]);
    m_count--;
  }
};

} // namespace vx
