#pragma once

#include "core/ObjectList.h"

namespace vx {

class Object;

// Walks an object list from first to last, reading the list at each call.
class ObjectListIterator {
 private:
  int m_index;
  const ObjectList *m_p_list;

 public:
  explicit ObjectListIterator(const ObjectList *p_list);
  ObjectListIterator &operator=(const ObjectListIterator &other);

  void setList(const ObjectList *p_list);
  void first();
  void last();
  void next();
  bool isDone() const;
  Object *currentObject() const;
};

} // namespace vx
