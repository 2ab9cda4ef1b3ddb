#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include "core/Box.h"
#include "core/IndexedList.h"
#include "core/ObjectList.h"
#include "core/TrackedList.h"
#include "core/Vector.h"
#include "world/GridPlace.h"
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
  typedef GridPlace::Bounds Bounds;

  // One cell: its objects in insertion order (duplicates allowed, removal
  // takes the first), each beside its world box, so that a query reads one
  // array; an IndexedList, whose first few entries live in the cell itself,
  // so that the cells a query visits lie in the grid's own rows. Holes have a
  // null object and NaN bounds, which meet no box.
  class CellList {
   public:
    struct Entry {
      Object *p_o;
      Bounds bounds;
    };

    // 0, or -1 for a null object or no memory.
    int insert(Object *p_o, const Bounds &bounds) { return m_list.insert(Entry{p_o, bounds}); }
    // 0, or -1 when the object is not in the cell.
    int remove(Object *p_o) { return m_list.remove(p_o); }
    // Sets the box of every occurrence of the object.
    void setBounds(Object *p_o, const Bounds &bounds) {
      m_list.forEachOf(p_o, [&](Entry &e) { e.bounds = bounds; });
    }
    void clear() { m_list.clear(); }
    // Objects in the cell (holes not counted).
    int getCount() const { return m_list.getCount(); }
    bool isEmpty() const { return m_list.isEmpty(); }
    ObjectList toObjectList() const;
    // Every entry in order, holes included.
    const Entry *begin() const { return m_list.begin(); }
    const Entry *end() const { return m_list.end(); }
    size_t indexSize() const { return m_list.indexSize(); }

   private:
    struct Keys {
      typedef Object *Key;
      static Object *key(const Entry &e) { return e.p_o; }
      static Entry hole();
    };
    static const int INLINE_ENTRIES = 5;
    IndexedList<Entry, Keys, INLINE_ENTRIES> m_list;
  };

  // boxIntersectsBox on corner form: the same comparisons, so the same
  // answers; all of them made, without branches, as most boxes miss.
  static bool boundsIntersect(const Bounds &a, const Bounds &b) {
    bool x = ((b.x0 <= a.x0) & (a.x0 <= b.x1)) | ((a.x0 <= b.x0) & (b.x0 <= a.x1));
    bool y = ((b.y0 <= a.y0) & (a.y0 <= b.y1)) | ((a.y0 <= b.y0) & (b.y0 <= a.y1));
    return x & y;
  }

 private:
  // The cells, [row][column]; null while not allocated.
  typedef std::unique_ptr<CellList[]> Row;
  std::unique_ptr<Row[]> m_grid;
  CellList m_out_of_bounds;
  int m_num_cols;
  int m_num_rows;
  int m_cell_width;
  int m_cell_height;
  // Rows and columns actually allocated (the bounds every walk of m_grid uses).
  int m_alloc_rows;
  int m_alloc_cols;
  // The cell size asked for; startUp takes larger cells when a grid of
  // these would be over its cell limit.
  int m_req_cell_width;
  int m_req_cell_height;
  // Stamps of the collision query, shared by every grid: an object may sit
  // in more than one, and a stamp must never repeat.
  static unsigned long long s_stamp;
  // Layouts (cell size and count) of every grid, numbered from 1 so that a
  // place noted under one layout is never taken for another.
  static uint64_t s_layouts;
  uint64_t m_layout;
  // Starts and shut-downs of this grid.
  uint64_t m_restarts;
  // What the owner tells of the world: the boundary that startUp divides,
  // and the solid objects that setDimensions files again (may be null).
  Box m_boundary;
  const TrackedList *m_p_solid_objects;
  // The last range computed: a move asks for the cells at its destination
  // twice, once to collide and once to file the object there.
  mutable GridPlace m_last_range;

  // Cells covered by a box as a range, in the order of the cell set.
  typedef GridPlace::Range CellRange;
  static bool containsCell(const CellRange &range, int r, int c);
  // Equal corners give equal cells (NaN never equals, so is computed afresh).
  static bool sameBounds(const Bounds &a, const Bounds &b) {
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
  }
  static bool sameRange(const CellRange &a, const CellRange &b) {
    return a.out == b.out && a.r0 == b.r0 && a.r1 == b.r1 && a.c0 == b.c0 && a.c1 == b.c1;
  }
  void newLayout();
  // The steps of startUp: cells over the limit made larger, and the cells made.
  void fitCellLimit(double &cols, double &rows);
  int allocateCells();
  CellRange cellRange(Object *p_o, Vector where) const;
  CellRange rangeOf(const Bounds &b) const;
  CellRange computeRange(const Bounds &b) const;
  // The range of the object's box at b, from its place when noted for b.
  CellRange placedRange(const Object *p_o, const Bounds &b) const;
  void notePlace(Object *p_o, const Bounds &b, const CellRange &range);
  CellList *cellList(int row, int col);
  static int cellCoord(float v, int size);
  // The line of an operation asked without a grid or without an object.
  void refused(const char *who, const Object *p_o) const;
  // The object's world box placed at where (as getWorldBox), by its corners.
  static Bounds boundsAt(const Object *p_o, Vector where);

 public:
  explicit Grid(const TrackedList *p_solid_objects = nullptr);
  ~Grid();
  Grid(const Grid &) = delete;
  Grid &operator=(const Grid &) = delete;

  // The world boundary that the next startUp divides into cells.
  void setBoundary(Box boundary);
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
  // Bumped by every startUp and shutDown (so by every change of cell size).
  uint64_t getRestartCount() const;

  std::string toString() const;
};

template <class Visit>
void Grid::forEachCollision(Object *p_o, Vector where, Visit visit) const {
  if (!m_grid || !p_o) {
    refused("Grid::getCollisions()", p_o);
    return;
  }
  const Bounds mover = boundsAt(p_o, where);
  const CellRange range = rangeOf(mover);
  // First occurrences only. Few objects meet the mover, so they are compared
  // directly; past a handful, a per-query stamp on the objects takes over.
  const int LINEAR_LIMIT = 16;
  Object *seen[LINEAR_LIMIT];
  int seen_count = 0;
  unsigned long long stamp = 0;
  // The cells in set order: out of bounds first, then row by row.
  const bool in_grid = range.r0 <= range.r1 && range.c0 <= range.c1;
  int r = range.r0, c = range.c0;
  const CellList *p_cell = range.out ? &m_out_of_bounds : in_grid ? &m_grid[r][c] : nullptr;
  while (p_cell) {
    for (const CellList::Entry &e : *p_cell) {
      // Holes fail here too: their bounds are NaN.
      if (!boundsIntersect(mover, e.bounds)) continue;
      Object *p = e.p_o;
      if (p == p_o) continue;
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
      if (!visit(p)) return;
    }
    if (p_cell == &m_out_of_bounds)
      p_cell = in_grid ? &m_grid[r][c] : nullptr;
    else if (c < range.c1)
      p_cell = &m_grid[r][++c];
    else if (r < range.r1)
      p_cell = &m_grid[++r][c = range.c0];
    else
      p_cell = nullptr;
  }
}

inline Grid::Bounds Grid::boundsAt(const Object *p_o, Vector where) {
  const Box &b = p_o->m_box;
  float x0 = b.getCorner().getX() + where.getX(), y0 = b.getCorner().getY() + where.getY();
  return Bounds{x0, y0, x0 + b.getHorizontal(), y0 + b.getVertical()};
}

inline Grid::CellRange Grid::rangeOf(const Bounds &b) const {
  if (m_last_range.layout == m_layout && sameBounds(m_last_range.bounds, b)) return m_last_range.range;
  return computeRange(b);
}

inline Grid::CellRange Grid::placedRange(const Object *p_o, const Bounds &b) const {
  const GridPlace &place = p_o->m_grid_place;
  if (place.layout == m_layout && sameBounds(place.bounds, b)) return place.range;
  return rangeOf(b);
}

inline void Grid::notePlace(Object *p_o, const Bounds &b, const CellRange &range) {
  p_o->m_grid_place.bounds = b;
  p_o->m_grid_place.range = range;
  p_o->m_grid_place.layout = m_layout;
}

} // namespace vx
