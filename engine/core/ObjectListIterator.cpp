#include "core/ObjectListIterator.h"

namespace vx {

ObjectListIterator::ObjectListIterator(const ObjectList *p_list) : m_index(0), m_p_list(p_list) {}

ObjectListIterator &ObjectListIterator::operator=(const ObjectListIterator &other) {
  if (this == &other) return *this;
  m_p_list = other.m_p_list;
  m_index = 0;
  return *this;
}

void ObjectListIterator::setList(const ObjectList *p_list) {
  m_p_list = p_list;
  m_index = 0;
}

void ObjectListIterator::first() { m_index = 0; }

// On an empty list the index is -1: done, with no current object.
void ObjectListIterator::last() { m_index = m_p_list ? m_p_list->m_count - 1 : -1; }

void ObjectListIterator::next() {
  int count = m_p_list ? m_p_list->m_count : 0;
  if (m_index < count) m_index++;
}

bool ObjectListIterator::isDone() const {
  if (!m_p_list) return true;
  return m_index < 0 || m_index >= m_p_list->m_count;
}

Object *ObjectListIterator::currentObject() const {
  if (isDone()) return nullptr;
  return m_p_list->m_p_item[m_index];
}

} // namespace vx
