#include <gtest/gtest.h>

#include <stdexcept>

#include "core/ObjectList.h"
#include "core/ObjectListIterator.h"
#include "support/ListItems.h"
#include "support/TestEnv.h"

using vx::Object;
using vx::ObjectList;
using vx::ObjectListIterator;
using vx::test::items;

namespace {

// The list never dereferences its items: distinct addresses suffice.
char g_slots[16];
Object *obj(int i) { return reinterpret_cast<Object *>(&g_slots[i]); }

} // namespace

TEST(ObjectList, GrowsByDoubling) {
  ObjectList l;
  EXPECT_TRUE(l.isEmpty());
  EXPECT_FALSE(l.isFull());
  ASSERT_EQ(0, l.insert(obj(0)));
  EXPECT_TRUE(l.isFull());  // capacity 1
  for (int i = 1; i < 5; i++) ASSERT_EQ(0, l.insert(obj(i)));
  EXPECT_EQ(5, l.getCount());
  for (int i = 5; i < 8; i++) {
    EXPECT_FALSE(l.isFull());  // capacity 8
    l.insert(obj(i));
  }
  EXPECT_TRUE(l.isFull());
  EXPECT_EQ(-1, l.insert(nullptr));
  EXPECT_EQ(8, l.getCount());
  l.clear();
  EXPECT_TRUE(l.isEmpty());
  EXPECT_EQ(0, l.insert(obj(9)));
  EXPECT_EQ(obj(9), l[0]);
}

TEST(ObjectList, RemoveKeepsOrderAndTakesFirstOccurrence) {
  ObjectList l;
  l.insert(obj(0));
  l.insert(obj(1));
  l.insert(obj(2));
  EXPECT_EQ(0, l.remove(obj(1)));
  EXPECT_EQ(std::vector<Object *>({obj(0), obj(2)}), items(l));
  EXPECT_EQ(-1, l.remove(obj(1)));
  l.insert(obj(0));
  EXPECT_EQ(0, l.remove(obj(0)));
  EXPECT_EQ(std::vector<Object *>({obj(2), obj(0)}), items(l));
}

TEST(ObjectList, IndexOutOfRangeLogsAndThrows) {
  vx::test::TestEnv env;
  ASSERT_EQ(0, vx::LogManager::getInstance().startUp());
  ObjectList l;
  l.insert(obj(0));
  l.insert(obj(1));
  EXPECT_EQ(obj(1), l[1]);
  EXPECT_THROW(l[-1], std::out_of_range);
  try {
    l[2];
    FAIL() << "no throw";
  } catch (const std::out_of_range &e) {
    EXPECT_STREQ("ObjectList::operator[](): Invalid index!", e.what());
  }
  std::vector<std::string> lines = env.logLines();
  EXPECT_EQ(std::vector<std::string>({"ObjectList::operator[](): Error! Index -1 out of range [0, 1]",
                                      "ObjectList::operator[](): Error! Index 2 out of range [0, 1]"}),
            lines);
  ObjectList empty;
  EXPECT_THROW(empty[0], std::out_of_range);
}

TEST(ObjectList, CopiesAreDeepAndEqualityIsOrdered) {
  ObjectList a;
  a.insert(obj(0));
  a.insert(obj(1));
  ObjectList b(a);
  EXPECT_TRUE(a == b);
  b.insert(obj(2));
  EXPECT_EQ(2, a.getCount());
  EXPECT_TRUE(a != b);

  ObjectList c;
  c.insert(obj(1));
  c.insert(obj(0));
  EXPECT_FALSE(a == c);  // same items, other order

  c = a;
  EXPECT_TRUE(c == a);
  c = c;
  EXPECT_EQ(2, c.getCount());

  ObjectList sum = a + b;
  EXPECT_EQ(std::vector<Object *>({obj(0), obj(1), obj(0), obj(1), obj(2)}), items(sum));
  EXPECT_EQ(2, a.getCount());
  a += a;  // adding to itself ends
  EXPECT_EQ(std::vector<Object *>({obj(0), obj(1), obj(0), obj(1)}), items(a));
}

TEST(ObjectListIterator, EmptyListsAndLast) {
  ObjectList l;
  ObjectListIterator li(&l);
  EXPECT_TRUE(li.isDone());
  EXPECT_EQ(nullptr, li.currentObject());
  li.next();
  EXPECT_TRUE(li.isDone());
  li.last();  // no item at -1: done, nothing read
  EXPECT_TRUE(li.isDone());
  EXPECT_EQ(nullptr, li.currentObject());
  li.next();
  EXPECT_TRUE(li.isDone());

  l.insert(obj(3));
  l.insert(obj(4));
  li.last();
  EXPECT_EQ(obj(4), li.currentObject());
  li.next();
  li.next();
  EXPECT_TRUE(li.isDone());
  li.first();
  EXPECT_EQ(obj(3), li.currentObject());

  // The iterator reads the list at each call.
  l.remove(obj(3));
  l.remove(obj(4));
  EXPECT_TRUE(li.isDone());
  EXPECT_EQ(nullptr, li.currentObject());
}

TEST(ObjectListIterator, AssignmentTakesTheListNotThePosition) {
  ObjectList a, b;
  a.insert(obj(0));
  a.insert(obj(1));
  b.insert(obj(5));
  ObjectListIterator ia(&a), ib(&b);
  ia.next();
  ib = ia;
  EXPECT_EQ(obj(0), ib.currentObject());
  ib.setList(&b);
  EXPECT_EQ(obj(5), ib.currentObject());
  ObjectListIterator none(nullptr);
  EXPECT_TRUE(none.isDone());
  none.last();
  EXPECT_EQ(nullptr, none.currentObject());
}
