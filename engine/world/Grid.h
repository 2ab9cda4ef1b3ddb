#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/ObjectList.h"
#include "core/Vector.h"
#include "world/Object.h"

namespace vx {

class Object;

const int GRID_CELL_WIDTH_DEFAULT = 20;
const int GRID_CELL_HEIGHT_DEFAULT = 8;

// A cell key: (row, column); (-1,-1) is the out-of-bounds list.
typedef std::tuple<int, int> Cell;

// The world divided into equal cells, each listing the active solid objects
// whose world box covers it, plus one list for boxes reaching beyond it.
class Grid {
 public:
  // A world box by its corners.
  struct Bounds {
    float x0, y0, x1, y1;
  };

  // One cell: its objects in insertion order (duplicates allowed, removal
  // takes the first), each beside its world box, so that a query reads one
  // array. Every operation is linear in the cell, as a query of it is.
  class CellList {
   public:
    struct Entry {
      Object *p_o;
      Bounds bounds;
    };
    CellList();
    ~CellList();
    CellList(const CellList &) = delete;
    CellList &operator=(const CellList &) = delete;

    // 0, or -1 for a null object or no memory.
    int insert(Object *p_o, const Bounds &bounds);
    // 0, or -1 when the object is not in the cell.
    int remove(Object *p_o);
    // Sets the box of every occurrence of the object.
    void setBounds(Object *p_o, const Bounds &bounds);
    void clear();
    int getCount() const;
    bool isEmpty() const;
    ObjectList toObjectList() const;
    const Entry *begin() const { return m_p_entries; }
    const Entry *end() const { return m_p_entries + m_count; }

   private:
    // The first few entries live in the cell itself, so that the cells a
    // query visits lie in the grid's own rows; a fuller cell moves to the heap.
    static const int INLINE_ENTRIES = 5;
    Entry *m_p_entries;
    int m_count;
    int m_capacity;
    Entry m_inline[INLINE_ENTRIES];
  };

  // boxIntersectsBox on corner form: the same comparisons, so the same answers.
  static bool boundsIntersect(const Bounds &a, const Bounds &b) {
    bool x = (b.x0 <= a.x0 && a.x0 <= b.x1) || (a.x0 <= b.x0 && b.x0 <= a.x1);
    bool y = (b.y0 <= a.y0 && a.y0 <= b.y1) || (a.y0 <= b.y0 && b.y0 <= a.y1);
    return x && y;
  }

 private:
  CellList **m_grid;
  CellList m_out_of_bounds;
  int m_num_cols;
  int m_num_rows;
  int m_cell_width;
  int m_cell_height;
  // Rows actually allocated (the bounds every walk of m_grid uses).
  int m_alloc_rows;
  int m_alloc_cols;
  // The cell size asked for; startUp takes larger cells when a grid of
  // these would be over its cell limit.
  int m_req_cell_width;
  int m_req_cell_height;
  // Stamps of the collision query, shared by every grid: an object may sit
  // in more than one, and a stamp must never repeat.
  static unsigned long long s_stamp;

  // Cells covered by a box as a range, in the order of the cell set.
  struct CellRange {
    bool out;
    int r0, r1, c0, c1;
    bool containsCell(int r, int c) const;
  };
  CellRange cellRange(Object *p_o, Vector where) const;
  CellRange rangeOf(const Bounds &b) const;
  CellList *cellList(int row, int col) const;
  int cellCoord(float v, int size) const;
  // Checks and set-up of a collision query; false (logged) when it cannot run.
  bool beginQuery(const char *who, Object *p_o, Vector where, CellRange &range, Bounds &mover) const;

 public:
  Grid();
  ~Grid();
  Grid(const Grid &) = delete;
  Grid &operator=(const Grid &) = delete;

  int startUp();
  void shutDown();
  void setDimensions(int cell_width, int cell_height);

  Cell worldToCell(Vector point) const;
  std::set<Cell> getCells(Object *p_o, Vector where) const;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);
  int updatePosition(Object *p_o, Vector new_position);

  ObjectList getCollisions(Object *p_o, Vector where) const;
  // Calls visit(q) for each object of getCollisions(p_o, where), in its
  // order, until visit returns false. Allocates nothing; visit must neither
  // change the grid nor query it.
  template <class Visit>
  void forEachCollision(Object *p_o, Vector where, Visit visit) const;
  ObjectList getObjects(Cell cell) const;

  int getCellWidth() const;
  int getCellHeight() const;
  int getNumCols() const;
  int getNumRows() const;
  bool isAllocated() const;

  std::string toString() const;
};

template <class Visit>
void Grid::forEachCollision(Object *p_o, Vector where, Visit visit) const {
  CellRange range;
  Bounds mover;
  if (!beginQuery("Grid::getCollisions()", p_o, where, range, mover)) return;
  // First occurrences only. Few objects meet the mover, so they are compared
  // directly; past a handful, a per-query stamp on the objects takes over.
  const int LINEAR_LIMIT = 16;
  Object *seen[LINEAR_LIMIT];
  int seen_count = 0;
  unsigned long long stamp = 0;
  auto scan = [&](const CellList &cell) {
    for (const CellList::Entry &e : cell) {
      Object *p = e.p_o;
      if (p == p_o || !boundsIntersect(mover, e.bounds)) continue;
      if (seen_count < LINEAR_LIMIT) {
        bool again = false;
        for (int i = 0; i < seen_count && !again; i++) again = seen[i] == p;
        if (again) continue;
        seen[seen_count++] = p;
        if (seen_count == LINEAR_LIMIT) {
          stamp = ++s_stamp;
          for (int i = 0; i < LINEAR_LIMIT; i++) seen[i]->m_grid_stamp = stamp;
        }
      } else {
        if (p->m_grid_stamp == stamp) continue;
        p->m_grid_stamp = stamp;
      }
      if (!visit(p)) return false;
    }
    return true;
  };
  if (range.out && !scan(m_out_of_bounds)) return;
  for (int r = range.r0; r <= range.r1; r++)
    for (int c = range.c0; c <= range.c1; c++)
      if (!scan(m_grid[r][c])) return;
}

} // namespace vx
