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
#include "world/TrackedList.h"

namespace vx {

class Object;

const int GRID_CELL_WIDTH_DEFAULT = 20;
const int GRID_CELL_HEIGHT_DEFAULT = 8;

// A cell key: (row, column); (-1,-1) is the out-of-bounds list.
typedef std::tuple<int, int> Cell;

// The world divided into equal cells, each listing the active solid objects
// whose world box covers it, plus one list for boxes reaching beyond it.
class Grid {
 private:
  TrackedList **m_grid;
  TrackedList m_out_of_bounds;
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
  TrackedList *cellList(int row, int col) const;
  int cellCoord(float v, int size) const;

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
  ObjectList getObjects(Cell cell) const;

  int getCellWidth() const;
  int getCellHeight() const;
  int getNumCols() const;
  int getNumRows() const;
  bool isAllocated() const;

  std::string toString() const;
};

} // namespace vx
