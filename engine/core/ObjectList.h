#pragma once

namespace vx {

class Object;
class ObjectListIterator;

// A growable array of object pointers (capacity 1, doubling); never owns them.
class ObjectList {
 private:
  int m_count;
  int m_max_count;
  Object **m_p_item;

  void copyFrom(const ObjectList &other);

 public:
  ObjectList();
  ObjectList(const ObjectList &other);
  ObjectList &operator=(const ObjectList &other);
  ~ObjectList();

  int insert(Object *p_o);
  int remove(Object *p_o);
  void clear();

  int getCount() const;
  bool isEmpty() const;
  bool isFull() const;

  // Logs and throws std::out_of_range outside 0..count-1.
  Object *operator[](int index) const;

  ObjectList operator+(ObjectList other) const;
  ObjectList &operator+=(const ObjectList &other);
  bool operator==(const ObjectList &other) const;
  bool operator!=(const ObjectList &other) const;

  friend class ObjectListIterator;
};

} // namespace vx
