#include "core/ObjectList.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/LogManager.h"

namespace vx {

ObjectList::ObjectList() : m_count(0), m_max_count(1), m_p_item(nullptr) {
  m_p_item = static_cast<Object **>(std::malloc(sizeof(Object *)));
  if (!m_p_item) m_max_count = 0;
}

ObjectList::ObjectList(const ObjectList &other) : m_count(0), m_max_count(0), m_p_item(nullptr) { copyFrom(other); }

ObjectList &ObjectList::operator=(const ObjectList &other) {
  if (this == &other) return *this;
  std::free(m_p_item);
  m_p_item = nullptr;
  m_count = 0;
  m_max_count = 0;
  copyFrom(other);
  return *this;
}

// Into an empty list without storage: other's items and capacity, or
// nothing when memory runs out.
void ObjectList::copyFrom(const ObjectList &other) {
  if (other.m_max_count <= 0 || !other.m_p_item) return;
  m_p_item = static_cast<Object **>(std::malloc(sizeof(Object *) * size_t(other.m_max_count)));
  if (!m_p_item) return;
  if (other.m_count > 0) std::memcpy(m_p_item, other.m_p_item, sizeof(Object *) * size_t(other.m_count));
  m_count = other.m_count;
  m_max_count = other.m_max_count;
}

ObjectList::~ObjectList() { std::free(m_p_item); }

int ObjectList::insert(Object *p_o) {
  if (!p_o) return -1;
  if (m_count >= m_max_count) {
    // Doubles; a list without storage (capacity 0) grows to one item.
    if (m_max_count > INT_MAX / 2) return -1;
    int new_max = m_max_count > 0 ? m_max_count * 2 : 1;
    Object **p_new = static_cast<Object **>(std::realloc(m_p_item, sizeof(Object *) * size_t(new_max)));
    if (!p_new) return -1;
    m_p_item = p_new;
    m_max_count = new_max;
  }
  m_p_item[m_count] = p_o;
  m_count++;
  return 0;
}

int ObjectList::remove(Object *p_o) {
  for (int i = 0; i < m_count; i++) {
    if (m_p_item[i] == p_o) {
      for (int j = i; j < m_count - 1; j++) m_p_item[j] = m_p_item[j + 1];
      m_count--;
      return 0;
    }
  }
  return -1;
}

void ObjectList::clear() { m_count = 0; }

int ObjectList::getCount() const { return m_count; }

bool ObjectList::isEmpty() const { return m_count == 0; }

bool ObjectList::isFull() const { return m_count == m_max_count; }

Object *ObjectList::operator[](int index) const {
  if (index < 0 || index >= m_count) {
    LogManager::getInstance().writeLog("ObjectList::operator[](): Error! Index %d out of range [0, %d]", index,
                                       m_count - 1);
    throw std::out_of_range("ObjectList::operator[](): Invalid index!");
  }
  return m_p_item[index];
}

ObjectList ObjectList::operator+(ObjectList other) const {
  ObjectList big = *this;
  for (int i = 0; i < other.m_count; i++) big.insert(other.m_p_item[i]);
  return big;
}

ObjectList &ObjectList::operator+=(const ObjectList &other) {
  // Reads a fixed count so that adding a list to itself ends.
  int n = other.m_count;
  for (int i = 0; i < n; i++) insert(other.m_p_item[i]);
  return *this;
}

bool ObjectList::operator==(const ObjectList &other) const {
  if (m_count != other.m_count) return false;
  for (int i = 0; i < m_count; i++)
    if (m_p_item[i] != other.m_p_item[i]) return false;
  return true;
}

bool ObjectList::operator!=(const ObjectList &other) const { return !(*this == other); }

} // namespace vx
