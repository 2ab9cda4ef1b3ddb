#include "world/Grid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "core/Box.h"
#include "core/Config.h"
#include "core/LogManager.h"
#include "world/Object.h"

namespace vx {

namespace {

// Largest grid (cells) that startUp allocates.
const double MAX_GRID_CELLS = 1 << 20;
// Cell coordinates are kept within this range before converting to int.
const double MAX_CELL_COORD = 1 << 30;

typedef Grid::Bounds Bounds;

// Cells of the given size across an extent: ceil in floating point, NaN and
// negative extents giving none, at most INT_MAX.
double cellCount(float extent, int size) {
  double n = std::ceil(static_cast<double>(extent / static_cast<float>(size)));
  if (!(n > 0)) return 0;
  return n > INT_MAX ? INT_MAX : n;
}

// A cell size that is not positive takes the default on that axis, with a
// warning from who.
void positiveCellSize(const char *who, int &width, int &height) {
  if (width > 0 && height > 0) return;
  LogManager::getInstance().writeLog("%s: Warning! Cell size %d x %d not positive. Using %d x %d.", who, width,
                                     height, width > 0 ? width : GRID_CELL_WIDTH_DEFAULT,
                                     height > 0 ? height : GRID_CELL_HEIGHT_DEFAULT);
  if (width <= 0) width = GRID_CELL_WIDTH_DEFAULT;
  if (height <= 0) height = GRID_CELL_HEIGHT_DEFAULT;
}

// Cells to allocate: an empty axis still takes one row (or column) of memory.
double cellTotal(double cols, double rows) { return std::max(cols, 1.0) * std::max(rows, 1.0); }

} // namespace

// ------------------------------------------------------------------ CellList

Grid::CellList::Entry Grid::CellList::Keys::hole() {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  return Entry{nullptr, Bounds{nan, nan, nan, nan}};
}

ObjectList Grid::CellList::toObjectList() const {
  ObjectList list;
  for (const Entry &e : *this)
    if (e.p_o) list.insert(e.p_o);
  return list;
}

// ----------------------------------------------------------------------- Grid

unsigned long long Grid::s_stamp = 0;
uint64_t Grid::s_layouts = 0;

Grid::Grid(const TrackedList *p_solid_objects)
    : m_num_cols(0),
      m_num_rows(0),
      m_cell_width(Config::getInstance().getGridWidth()),
      m_cell_height(Config::getInstance().getGridHeight()),
      m_alloc_rows(0),
      m_alloc_cols(0),
      m_req_cell_width(0),
      m_req_cell_height(0),
      m_layout(0),
      m_restarts(0),
      m_boundary(),
      m_p_solid_objects(p_solid_objects) {
  positiveCellSize("Grid::Grid()", m_cell_width, m_cell_height);
  m_req_cell_width = m_cell_width;
  m_req_cell_height = m_cell_height;
  newLayout();
}

Grid::~Grid() { shutDown(); }

bool Grid::containsCell(const CellRange &range, int r, int c) {
  if (r == -1 && c == -1) return range.out;
  return r >= range.r0 && r <= range.r1 && c >= range.c0 && c <= range.c1;
}

// Every change of cell size or count takes a new number: ranges noted under
// the old one are computed again.
void Grid::newLayout() { m_layout = ++s_layouts; }

// floor(v / size), NaN giving -1, kept within +-MAX_CELL_COORD. Within that
// range the quotient converts to int exactly, and from 2^23 on it is whole.
int Grid::cellCoord(float v, int size) {
  float q = v / static_cast<float>(size);
  if (q != q) return -1;
  if (q < static_cast<float>(-MAX_CELL_COORD)) return static_cast<int>(-MAX_CELL_COORD);
  if (q > static_cast<float>(MAX_CELL_COORD)) return static_cast<int>(MAX_CELL_COORD);
  int i = static_cast<int>(q);
  return static_cast<float>(i) > q ? i - 1 : i;
}

void Grid::setBoundary(Box boundary) { m_boundary = boundary; }

int Grid::startUp() {
  if (m_grid) {
    LogManager::getInstance().writeLog("Grid::startUp(): Warning! Grid allocated. Not proceeding.");
    return -1;
  }
  m_cell_width = m_req_cell_width;
  m_cell_height = m_req_cell_height;
  double cols = cellCount(m_boundary.getHorizontal(), m_cell_width);
  double rows = cellCount(m_boundary.getVertical(), m_cell_height);
  if (cellTotal(cols, rows) > MAX_GRID_CELLS) fitCellLimit(cols, rows);
  m_num_cols = static_cast<int>(cols);
  m_num_rows = static_cast<int>(rows);
  m_restarts++;
  newLayout();
  LogManager::getInstance().writeLog(5, "Grid::startUp(): m_num_cols %d, m_num_rows %d", m_num_cols,
                                     m_num_rows);
  if (allocateCells() == -1) return -1;
  m_out_of_bounds.clear();
  return 0;
}

// Larger cells, in proportion, until the grid fits; past the largest cells,
// the rest of the world is out of bounds.
void Grid::fitCellLimit(double &cols, double &rows) {
  const float horizontal = m_boundary.getHorizontal(), vertical = m_boundary.getVertical();
  const double wanted_cols = cols, wanted_rows = rows;
  double f = std::sqrt(cellTotal(cols, rows) / MAX_GRID_CELLS);
  for (;;) {
    double w = std::min(std::ceil(m_req_cell_width * f), static_cast<double>(INT_MAX));
    double h = std::min(std::ceil(m_req_cell_height * f), static_cast<double>(INT_MAX));
    m_cell_width = static_cast<int>(w);
    m_cell_height = static_cast<int>(h);
    cols = cellCount(horizontal, m_cell_width);
    rows = cellCount(vertical, m_cell_height);
    if (cellTotal(cols, rows) <= MAX_GRID_CELLS || (w >= INT_MAX && h >= INT_MAX)) break;
    f *= 1.1;
  }
  if (cellTotal(cols, rows) > MAX_GRID_CELLS) {
    cols = std::min(cols, std::sqrt(MAX_GRID_CELLS));
    rows = std::min(rows, std::sqrt(MAX_GRID_CELLS));
  }
  LogManager::getInstance().writeLog(
      "Grid::startUp(): Warning! %.0f x %.0f cells exceed the limit of %.0f. Using cells of %d x %d.",
      wanted_cols, wanted_rows, MAX_GRID_CELLS, m_cell_width, m_cell_height);
}

// The rows, then each row's columns, of m_num_rows x m_num_cols empty cells.
int Grid::allocateCells() {
  std::unique_ptr<Row[]> grid(new (std::nothrow) Row[m_num_rows > 0 ? m_num_rows : 1]);
  if (!grid) {
    LogManager::getInstance().writeLog("Grid::startUp(): Error! Unable to allocate %d grid rows.", m_num_rows);
    return -1;
  }
  for (int r = 0; r < m_num_rows; r++) {
    grid[r].reset(new (std::nothrow) CellList[m_num_cols > 0 ? m_num_cols : 1]);
    if (!grid[r]) {
      LogManager::getInstance().writeLog("Grid::startUp(): Error! Unable to allocate columns.");
      return -1;
    }
  }
  m_grid = std::move(grid);
  m_alloc_rows = m_num_rows;
  m_alloc_cols = m_num_cols;
  return 0;
}

void Grid::shutDown() {
  m_restarts++;
  m_grid.reset();
  m_alloc_rows = 0;
  m_alloc_cols = 0;
  m_out_of_bounds.clear();
}

void Grid::setDimensions(int cell_width, int cell_height) {
  positiveCellSize("Grid::setDimensions()", cell_width, cell_height);
  if (cell_width == m_req_cell_width && cell_height == m_req_cell_height) return;
  shutDown();
  m_req_cell_width = cell_width;
  m_req_cell_height = cell_height;
  m_cell_width = cell_width;
  m_cell_height = cell_height;
  if (startUp() == -1) {
    LogManager::getInstance().writeLog("Grid::setDimensions(): Error! startup() failed so not adding Objects");
    return;
  }
  if (!m_p_solid_objects) return;
  ObjectList solid = m_p_solid_objects->toObjectList();
  for (int i = 0; i < solid.getCount(); i++)
    if (solid[i]->isActive()) insertObject(solid[i]);
}

Cell Grid::worldToCell(Vector point) const {
  return Cell(cellCoord(point.getY(), m_cell_height), cellCoord(point.getX(), m_cell_width));
}

Grid::CellRange Grid::cellRange(Object *p_o, Vector where) const { return rangeOf(boundsAt(p_o, where)); }

Grid::CellRange Grid::computeRange(const Bounds &b) const {
  CellRange range;
  range.out = false;
  range.r0 = cellCoord(b.y0, m_cell_height);
  range.c0 = cellCoord(b.x0, m_cell_width);
  range.r1 = cellCoord(b.y1, m_cell_height);
  range.c1 = cellCoord(b.x1, m_cell_width);
  if (range.r0 < 0) {
    range.r0 = 0;
    range.out = true;
  }
  if (range.c0 < 0) {
    range.c0 = 0;
    range.out = true;
  }
  if (range.r1 >= m_num_rows) {
    range.r1 = m_num_rows - 1;
    range.out = true;
  }
  if (range.c1 >= m_num_cols) {
    range.c1 = m_num_cols - 1;
    range.out = true;
  }
  m_last_range.bounds = b;
  m_last_range.range = range;
  m_last_range.layout = m_layout;
  return range;
}

Grid::CellList *Grid::cellList(int row, int col) {
  if (row == -1 && col == -1) return &m_out_of_bounds;
  if (!m_grid || row < 0 || col < 0 || row >= m_alloc_rows || col >= m_alloc_cols) return nullptr;
  return &m_grid[row][col];
}

std::set<Cell> Grid::getCells(Object *p_o, Vector where) const {
  std::set<Cell> cells;
  if (!p_o) return cells;
  CellRange range = cellRange(p_o, where);
  if (range.out) cells.insert(Cell(-1, -1));
  for (int r = range.r0; r <= range.r1; r++)
    for (int c = range.c0; c <= range.c1; c++) cells.insert(Cell(r, c));
  return cells;
}

int Grid::insertObject(Object *p_o) {
  if (!m_grid || !p_o) {
    refused("Grid::insertObject()", p_o);
    return -1;
  }
  Bounds bounds = boundsAt(p_o, p_o->getPosition());
  CellRange range = placedRange(p_o, bounds);
  if (range.out) m_out_of_bounds.insert(p_o, bounds);
  for (int r = range.r0; r <= range.r1; r++)
    for (int c = range.c0; c <= range.c1; c++) m_grid[r][c].insert(p_o, bounds);
  notePlace(p_o, bounds, range);
  return 0;
}

int Grid::removeObject(Object *p_o) {
  if (!m_grid || !p_o) {
    refused("Grid::removeObject()", p_o);
    return -1;
  }
  if (!p_o->isSolid() || !p_o->isActive()) return 0;
  CellRange range = placedRange(p_o, boundsAt(p_o, p_o->getPosition()));
  if (range.out) m_out_of_bounds.remove(p_o);
  for (int r = range.r0; r <= range.r1; r++)
    for (int c = range.c0; c <= range.c1; c++) m_grid[r][c].remove(p_o);
  return 0;
}

int Grid::updatePosition(Object *p_o, Vector new_position) {
  if (!m_grid || !p_o) {
    refused("Grid::updatePosition()", p_o);
    return -1;
  }
  CellRange old_range = placedRange(p_o, boundsAt(p_o, p_o->getPosition()));
  Bounds bounds = boundsAt(p_o, new_position);
  CellRange new_range = rangeOf(bounds);
  notePlace(p_o, bounds, new_range);
  if (sameRange(old_range, new_range)) {
    // The same cells: only the bounds kept beside the object change.
    if (new_range.out) m_out_of_bounds.setBounds(p_o, bounds);
    for (int r = new_range.r0; r <= new_range.r1; r++)
      for (int c = new_range.c0; c <= new_range.c1; c++)
        if (r < m_alloc_rows && c < m_alloc_cols) m_grid[r][c].setBounds(p_o, bounds);
    return 0;
  }
  // Old minus new, then new minus old, each in cell order ((-1,-1) first);
  // the cells in both keep the object with its new bounds.
  if (old_range.out && !new_range.out) m_out_of_bounds.remove(p_o);
  if (old_range.out && new_range.out) m_out_of_bounds.setBounds(p_o, bounds);
  for (int r = old_range.r0; r <= old_range.r1; r++)
    for (int c = old_range.c0; c <= old_range.c1; c++) {
      CellList *cell = cellList(r, c);
      if (!cell) {
        if (!containsCell(new_range, r, c))
          LogManager::getInstance().writeLog("Error! remove Cell x,y out of bounds (%d, %d).", c, r);
        continue;
      }
      if (containsCell(new_range, r, c))
        cell->setBounds(p_o, bounds);
      else
        cell->remove(p_o);
    }
  if (new_range.out && !old_range.out) m_out_of_bounds.insert(p_o, bounds);
  for (int r = new_range.r0; r <= new_range.r1; r++)
    for (int c = new_range.c0; c <= new_range.c1; c++) {
      if (containsCell(old_range, r, c)) continue;
      CellList *cell = cellList(r, c);
      if (!cell) {
        LogManager::getInstance().writeLog("Error! insert Cell x,y out of bounds [%d, %d].", c, r);
        continue;
      }
      cell->insert(p_o, bounds);
    }
  return 0;
}

void Grid::refused(const char *who, const Object *p_o) const {
  if (!m_grid)
    LogManager::getInstance().writeLog("%s: Error! grid is NULL", who);
  else if (!p_o)
    LogManager::getInstance().writeLog("%s: Error! Object is NULL", who);
}

ObjectList Grid::getCollisions(Object *p_o, Vector where) const {
  ObjectList result;
  forEachCollision(p_o, where, [&](Object *p) {
    result.insert(p);
    return true;
  });
  return result;
}

ObjectList Grid::getObjects(Cell cell) const {
  if (!m_grid) {
    LogManager::getInstance().writeLog("Grid::getObjects(): Error! grid is NULL");
    return ObjectList();
  }
  int r = std::get<0>(cell), c = std::get<1>(cell);
  if (r >= 0 && c >= 0 && r < m_alloc_rows && c < m_alloc_cols) return m_grid[r][c].toObjectList();
  return m_out_of_bounds.toObjectList();
}

int Grid::getCellWidth() const { return m_cell_width; }
int Grid::getCellHeight() const { return m_cell_height; }
int Grid::getNumCols() const { return m_num_cols; }
int Grid::getNumRows() const { return m_num_rows; }
bool Grid::isAllocated() const { return m_grid != nullptr; }
uint64_t Grid::getRestartCount() const { return m_restarts; }

std::string Grid::toString() const {
  if (!m_grid) return "";
  std::string s = "GRID\n";
  s += "dimensions: (" + std::to_string(m_cell_width) + "," + std::to_string(m_cell_height) + ")\n";
  auto names = [](const CellList &list) {
    std::string out;
    for (const CellList::Entry &e : list)
      if (e.p_o) out += " " + e.p_o->getType() + "(" + std::to_string(e.p_o->getId()) + ")";
    return out;
  };
  for (int r = 0; r < m_alloc_rows; r++)
    for (int c = 0; c < m_alloc_cols; c++) {
      const CellList &cell = m_grid[r][c];
      s += "Cell (" + std::to_string(c) + "," + std::to_string(r) + "): count=" +
           std::to_string(cell.getCount()) + "\n";
      if (!cell.isEmpty()) s += names(cell) + "\n";
    }
  s += "Out of bounds: count=" + std::to_string(m_out_of_bounds.getCount());
  if (!m_out_of_bounds.isEmpty()) s += "\n" + names(m_out_of_bounds);
  return s;
}

} // namespace vx
