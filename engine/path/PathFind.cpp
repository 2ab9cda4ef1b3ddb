#include "path/PathFind.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "display/Path.h"
#include "world/EventPath.h"
#include "world/Geometry.h"
#include "world/Object.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

// A cell's state starts at 0: not yet seen.
const uint8_t CELL_OPEN = 1;
const uint8_t CELL_CLOSED = 2;

const uint8_t MEMO_UNKNOWN = 0;
const uint8_t MEMO_FREE = 1;
const uint8_t MEMO_BLOCKED = 2;

// Cells are indexed by int and the open set numbers its entries in 32 bits.
const size_t MAX_CELLS = (size_t)INT32_MAX;

// The step costs distance() gives: straight and diagonal.
const float STRAIGHT = 1.0f;
const float DIAGONAL = (float)std::sqrt(2.0);

int nearestCell(float v) { return (int)((double)v + 0.5); }
int truncatedCell(float v) { return (int)v; }

// Both conversions of v stay in int range.
bool convertible(float v) {
  const double d = v;
  return d > -2147483648.0 && d + 0.5 < 2147483648.0;
}

// Inside the w x h grid of cells from (0, 0).
bool inGrid(PathCell c, int w, int h) { return c.x >= 0 && c.y >= 0 && c.x < w && c.y < h; }

// The goal's nearest cell; a coordinate in the world's last half cell
// rounds past the grid and is truncated instead.
int goalCell(float v, int limit) {
  const int nearest = nearestCell(v), truncated = truncatedCell(v);
  return nearest >= limit && truncated < limit ? truncated : nearest;
}

// A boundary size as a whole number of cells, truncated and clamped to int.
int boundaryCells(float v) {
  const double d = v;
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return INT32_MAX;
  if (d <= -2147483648.0) return INT32_MIN;
  return (int)d;
}

}  // namespace

PathFind::PathFind(Object *p_o, Vector start, Vector end)
    : m_p_object(nullptr),
      m_p_target(nullptr),
      m_target_serial(0),
      m_start{0, 0},
      m_end{0, 0},
      m_last{-1, -1},
      m_graph_w(0),
      m_graph_h(0),
      m_cell_count(0),
      m_memo_count(0),
      m_memo_valid(false),
      m_open_count(0),
      m_next_seq(0),
      m_found(false) {
  if (p_o == nullptr) {
    LogManager::getInstance().writeLog("PathFind()::PathFind(): Fatal error! Object pointer is NULL.");
    return;
  }
  setTarget(nullptr);
  m_p_object = p_o;

  const Box boundary = WorldManager::getInstance().getBoundary();
  const int w = boundaryCells(boundary.getHorizontal());
  const int h = boundaryCells(boundary.getVertical());
  // Coordinates no cell can stand for are refused before any conversion.
  if (!convertible(start.getX()) || !convertible(start.getY()) || !convertible(end.getX()) ||
      !convertible(end.getY())) {
    logOutside(start, end, w, h);
    return;
  }
  m_end = PathCell{goalCell(end.getX(), w), goalCell(end.getY(), h)};
  chooseStart(start, w, h);

  // Both positions inside the world, and both cells inside the grid the
  // node graph covers (which starts at (0, 0) whatever the boundary's corner).
  if (!boxContainsPosition(boundary, start) || !boxContainsPosition(boundary, end) ||
      !inGrid(m_start, w, h) || !inGrid(m_end, w, h)) {
    logOutside(start, end, w, h);
    return;
  }
  if (!allocateGraph(w, h)) return;
  // Nodes are written when their cell first enters the open set.
  const int si = m_start.y * w + m_start.x;
  m_nodes[si].f = distance(m_start, m_end);
  m_nodes[si].g = 0;
  m_nodes[si].parent = m_start;
  openCell(si, m_nodes[si].f);
}

void PathFind::logOutside(Vector start, Vector end, int w, int h) {
  LogManager::getInstance().writeLog(
      "PathFind::PathFind(): Error! Both start (%.2f, %.2f) and end (%.2f, %.2f) must be within "
      "world boundary (%d, %d).",
      start.getX(), start.getY(), end.getX(), end.getY(), w, h);
}

// Start candidates: nearest, truncated, then mixed; those outside the grid
// are passed over when any lies inside. The first free one is taken; when
// all are blocked, the first that may be taken at all.
void PathFind::chooseStart(Vector start, int w, int h) {
  const int nx = nearestCell(start.getX()), ny = nearestCell(start.getY());
  const int tx = truncatedCell(start.getX()), ty = truncatedCell(start.getY());
  const PathCell starts[4] = {{nx, ny}, {tx, ty}, {nx, ty}, {tx, ny}};
  bool any_inside = false;
  for (const PathCell &c : starts) any_inside = any_inside || inGrid(c, w, h);
  for (const PathCell &c : starts) {
    if (any_inside && !inGrid(c, w, h)) continue;
    if (!isBlocked(m_p_object, c.x, c.y, m_end)) {
      m_start = c;
      return;
    }
  }
  m_start = starts[0];
  for (const PathCell &c : starts) {
    if (any_inside && inGrid(c, w, h)) {
      m_start = c;
      break;
    }
  }
  LogManager::getInstance().writeLog("PathFind::PathFind(): Warning! Can't get to start node.");
}

// The node graph and its companions, one entry per cell of a w x h world;
// false (and nothing kept) when the world is too large or memory runs out.
bool PathFind::allocateGraph(int w, int h) {
  LogManager &log = LogManager::getInstance();
  const size_t n = (size_t)w * (size_t)h;
  bool allocated = false;
  if (n <= MAX_CELLS) {
    m_nodes.reset(new (std::nothrow) PathNode[n]);
    m_state.reset(new (std::nothrow) uint8_t[n]());
    m_seq.reset(new (std::nothrow) uint32_t[n]);
    m_blocked.reset(new (std::nothrow) uint8_t[n]);
    try {
      m_heap.reserve(64);
      allocated = m_nodes && m_state && m_seq && m_blocked;
    } catch (const std::bad_alloc &) {
    }
  }
  if (!allocated) {
    m_nodes.reset();
    m_state.reset();
    m_seq.reset();
    m_blocked.reset();
    log.writeLog("PathFind::PathFind(): Error! Cannot allocate node graph [y, x]: %d, %d.", h, w);
    return false;
  }
  log.writeLog("PathFind::PathFind(): allocated [y, x]: %d, %d", h, w);
  m_graph_w = w;
  m_graph_h = h;
  m_cell_count = n;
  return true;
}

PathFind::~PathFind() {}

// Heap order: lower f first, then earlier first entry.
uint64_t PathFind::heapKey(float f, uint32_t seq) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return (uint64_t)bits << 32 | seq;
}

void PathFind::heapPush(const HeapEntry &e) {
  m_heap.push_back(e);
  size_t i = m_heap.size() - 1;
  while (i > 0) {
    size_t parent = (i - 1) / 2;
    if (m_heap[parent].key <= e.key) break;
    m_heap[i] = m_heap[parent];
    i = parent;
  }
  m_heap[i] = e;
}

PathFind::HeapEntry PathFind::heapPop() {
  HeapEntry top = m_heap[0];
  HeapEntry last = m_heap.back();
  m_heap.pop_back();
  const size_t n = m_heap.size();
  if (n > 0) {
    size_t i = 0;
    for (;;) {
      size_t c = 2 * i + 1;
      if (c >= n) break;
      if (c + 1 < n && m_heap[c + 1].key < m_heap[c].key) c++;
      if (last.key <= m_heap[c].key) break;
      m_heap[i] = m_heap[c];
      i = c;
    }
    m_heap[i] = last;
  }
  return top;
}

// First entry of a cell into the open set: it takes the next sequence number.
void PathFind::openCell(int index, float f) {
  m_state[index] = CELL_OPEN;
  m_seq[index] = m_next_seq++;
  m_open_count++;
  heapPush(HeapEntry{heapKey(f, m_seq[index]), index});
}

// The world's answer for cell (x, y), asked once while the world is unchanged.
bool PathFind::blockedCell(int x, int y) {
  uint8_t &memo = m_blocked[(size_t)y * m_graph_w + x];
  if (memo == MEMO_UNKNOWN) memo = isBlocked(m_p_object, x, y, m_end) ? MEMO_BLOCKED : MEMO_FREE;
  return memo == MEMO_BLOCKED;
}

// The world is asked whether the pointer is among its objects before the
// serial number is read: a deleted target is never followed.
bool PathFind::targetInWorld() const {
  return m_p_target != nullptr && m_target_serial != 0 &&
         WorldManager::getInstance().serialOf(m_p_target) == m_target_serial;
}

int PathFind::cycleOnce() {
  if (!m_nodes) {
    LogManager::getInstance().writeLog(
        "PathFind::cycleOnce(): node graph not allocated.  Cannot find path.");
    return NO_PATH;
  }
  if (m_found) return FOUND;
  // Nothing left to expand (an ended search cycled again).
  if (m_open_count == 0) return NO_PATH;

  WorldManager &wm = WorldManager::getInstance();
  const uint64_t count = wm.getChangeCount();
  if (!m_memo_valid || count != m_memo_count) {
    std::memset(m_blocked.get(), MEMO_UNKNOWN, m_cell_count);
    m_memo_count = count;
    m_memo_valid = true;
  }

  // Lowest f, earliest entry on ties; entries of closed cells are stale.
  HeapEntry top = heapPop();
  while (m_state[top.index] != CELL_OPEN) top = heapPop();
  const int ci = top.index;
  m_state[ci] = CELL_CLOSED;
  m_open_count--;
  const int w = m_graph_w;
  const PathCell cur{ci % w, ci / w};
  m_last = cur;

  if (m_p_target != nullptr && !targetInWorld()) {
    LogManager::getInstance().writeLog(
        "PathFind::cycleOnce(): Warning! Target left the world; going on to cell (%d, %d).", m_end.x, m_end.y);
    m_p_target = nullptr;
    m_target_serial = 0;
  }
  if (cur == m_end) {
    m_found = true;
  } else if (m_p_target != nullptr) {
    if (m_p_object != nullptr &&
        boxIntersectsBox(getWorldBox(m_p_object, Vector((float)cur.x, (float)cur.y)),
                         getWorldBox(m_p_target, Vector((float)m_end.x, (float)m_end.y)))) {
      m_found = true;
      m_end = cur;
    }
  }
  if (m_found) return FOUND;

  // Neighbours lie inside both the world boundary (nothing in an expansion
  // changes it) and the node graph.
  const Box boundary = wm.getBoundary();
  const int lim_w = std::min(boundaryCells(boundary.getHorizontal()), m_graph_w);
  const int lim_h = std::min(boundaryCells(boundary.getVertical()), m_graph_h);

  try {
    const float g_cur = m_nodes[ci].g;
    for (int dy = -1; dy <= 1; dy++) {
      const int ny = cur.y + dy;
      if (ny < 0 || ny >= lim_h) continue;
      for (int dx = -1; dx <= 1; dx++) {
        if (dx == 0 && dy == 0) continue;
        const int nx = cur.x + dx;
        if (nx < 0 || nx >= lim_w) continue;
        const int ni = ny * w + nx;
        if (m_state[ni] == CELL_CLOSED) continue;
        if (blockedCell(nx, ny)) continue;
        const bool diagonal = dx != 0 && dy != 0;
        if (diagonal && blockedCell(nx, cur.y) && blockedCell(cur.x, ny)) continue;
        const float g_new = g_cur + (diagonal ? DIAGONAL : STRAIGHT);
        PathNode &node = m_nodes[ni];
        const float f_new = g_new + heuristic(nx, ny, m_end.x, m_end.y);
        if (m_state[ni] == CELL_OPEN) {
          if (g_new > node.g) continue;
          // Re-parent in place: the entry keeps its sequence number.
          const bool lower = f_new < node.f;
          node.parent = cur;
          node.g = g_new;
          node.f = f_new;
          if (lower) heapPush(HeapEntry{heapKey(f_new, m_seq[ni]), ni});
        } else {
          node.parent = cur;
          node.g = g_new;
          node.f = f_new;
          openCell(ni, f_new);
        }
      }
    }
  } catch (const std::bad_alloc &) {
    // The open set could not grow: the search ends here.
    LogManager::getInstance().writeLog("PathFind::cycleOnce(): Error! Out of memory.  Cannot find path.");
    m_heap.clear();
    m_heap.shrink_to_fit();
    m_open_count = 0;
    return NO_PATH;
  }
  return m_open_count == 0 ? NO_PATH : SEARCHING;
}

Path PathFind::getPath() const {
  Path path;
  if (!m_found || !m_nodes) return path;
  std::vector<Vector> nodes;
  PathCell c = m_end;
  // Every parent link points at a closed cell; the bound guards the walk.
  size_t guard = m_cell_count;
  while (c != m_start && guard-- > 0) {
    nodes.push_back(Vector((float)c.x, (float)c.y));
    c = m_nodes[(size_t)c.y * m_graph_w + c.x].parent;
  }
  nodes.push_back(Vector((float)m_start.x, (float)m_start.y));
  std::vector<Vector> ordered(nodes.rbegin(), nodes.rend());
  path.setWaypoints(ordered);
  return path;
}

int PathFind::isBlocked(Object *p_o, int x, int y, PathCell end) const {
  // The first HARD object met decides; the goal may sit inside an obstacle,
  // whose cells are then open.
  int blocked = 0;
  WorldManager::getInstance().forEachCollision(p_o, Vector((float)x, (float)y), [&](Object *p_other) {
    if (p_other->getSolidness() != HARD) return true;
    blocked = boxContainsPosition(getWorldBox(p_other), Vector((float)end.x, (float)end.y)) ? 0 : 1;
    return false;
  });
  return blocked;
}

float PathFind::heuristic(int x1, int y1, int x2, int y2) const {
  // In double: the int squares of cells 46,341 apart would overflow.
  const double dx = (double)x1 - x2, dy = (double)y1 - y2;
  return (float)std::sqrt(dx * dx + dy * dy);
}

float PathFind::distance(PathCell a, PathCell b) const { return heuristic(a.x, a.y, b.x, b.y); }

Object *PathFind::getObject() const { return m_p_object; }

Object *PathFind::getTarget() const { return targetInWorld() ? m_p_target : nullptr; }

void PathFind::setTarget(Object *p_target) {
  m_p_target = p_target;
  m_target_serial = WorldManager::getInstance().serialOf(p_target);
}

PathCell PathFind::getStart() const { return m_start; }

PathCell PathFind::getEnd() const { return m_end; }

PathCell PathFind::getLastExpanded() const { return m_last; }

} // namespace vx
