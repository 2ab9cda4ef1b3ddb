#include "path/PathFind.h"

#include <cmath>
#include <limits>

#include "core/LogManager.h"
#include "core/ObjectList.h"
#include "path/EventPath.h"
#include "path/Path.h"
#include "world/Geometry.h"
#include "world/Object.h"
#include "world/WorldManager.h"

namespace vx {

namespace {

const uint8_t CELL_UNSEEN = 0;
const uint8_t CELL_OPEN = 1;
const uint8_t CELL_CLOSED = 2;

int nearestCell(float v) { return (int)((double)v + 0.5); }
int truncatedCell(float v) { return (int)v; }

// Heap order: lower f first, then earlier first entry.
inline bool before(float f1, uint32_t s1, float f2, uint32_t s2) {
  return f1 < f2 || (!(f2 < f1) && s1 < s2);
}

}  // namespace

PathFind::PathFind(Object *p_o, Vector start, Vector end)
    : m_p_object(nullptr),
      m_has_target(false),
      m_target_id(0),
      m_start{0, 0},
      m_end{0, 0},
      m_last{-1, -1},
      m_graph_w(0),
      m_graph_h(0),
      m_open_count(0),
      m_next_seq(0),
      m_found(false) {
  LogManager &log = LogManager::getInstance();
  if (p_o == nullptr) {
    log.writeLog("PathFind()::PathFind(): Fatal error! Object pointer is NULL.");
    return;
  }
  setTarget(nullptr);
  m_p_object = p_o;

  m_end = PathCell{nearestCell(end.getX()), nearestCell(end.getY())};

  const int nx = nearestCell(start.getX()), ny = nearestCell(start.getY());
  const int tx = truncatedCell(start.getX()), ty = truncatedCell(start.getY());
  const PathCell candidates[4] = {{nx, ny}, {tx, ty}, {nx, ty}, {tx, ny}};
  bool have_start = false;
  for (const PathCell &c : candidates) {
    if (!isBlocked(p_o, c.x, c.y, m_end)) {
      m_start = c;
      have_start = true;
      break;
    }
  }
  if (!have_start) {
    m_start = candidates[0];
    log.writeLog("PathFind::PathFind(): Warning! Can't get to start node.");
  }

  const Box boundary = WorldManager::getInstance().getBoundary();
  const int w = (int)boundary.getHorizontal();
  const int h = (int)boundary.getVertical();
  // Both positions inside the world, and both cells inside the grid the
  // node graph covers (which starts at (0, 0) whatever the boundary's corner).
  const bool cells_inside = m_start.x >= 0 && m_start.y >= 0 && m_start.x < w && m_start.y < h &&
                            m_end.x >= 0 && m_end.y >= 0 && m_end.x < w && m_end.y < h;
  if (!boxContainsPosition(boundary, start) || !boxContainsPosition(boundary, end) || !cells_inside) {
    log.writeLog(
        "PathFind::PathFind(): Error! Both start (%.2f, %.2f) and end (%.2f, %.2f) must be within "
        "world boundary (%d, %d).",
        start.getX(), start.getY(), end.getX(), end.getY(), w, h);
    return;
  }

  log.writeLog("PathFind::PathFind(): allocated [y, x]: %d, %d", h, w);
  const size_t n = (size_t)w * (size_t)h;
  m_graph_w = w;
  m_graph_h = h;
  m_nodes.resize(n);
  m_state.assign(n, CELL_UNSEEN);
  m_seq.assign(n, 0);
  const float inf = std::numeric_limits<float>::infinity();
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      PathNode &node = m_nodes[(size_t)y * w + x];
      node.g = inf;
      node.f = distance(PathCell{x, y}, m_end);
      node.parent = PathCell{x, y};
    }
  }
  const int si = m_start.y * w + m_start.x;
  m_nodes[si].f = distance(m_start, m_end);
  m_nodes[si].g = 0;
  openCell(si, m_nodes[si].f);
}

PathFind::~PathFind() {}

void PathFind::heapPush(const HeapEntry &e) {
  m_heap.push_back(e);
  size_t i = m_heap.size() - 1;
  while (i > 0) {
    size_t parent = (i - 1) / 2;
    if (!before(e.f, e.seq, m_heap[parent].f, m_heap[parent].seq)) break;
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
      if (c + 1 < n && before(m_heap[c + 1].f, m_heap[c + 1].seq, m_heap[c].f, m_heap[c].seq)) c++;
      if (!before(m_heap[c].f, m_heap[c].seq, last.f, last.seq)) break;
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
  heapPush(HeapEntry{f, m_seq[index], index});
}

int PathFind::cycleOnce() {
  if (m_nodes.empty()) {
    LogManager::getInstance().writeLog(
        "PathFind::cycleOnce(): node graph not allocated.  Cannot find path.");
    return NO_PATH;
  }
  if (m_found) return FOUND;
  // Nothing left to expand (an ended search cycled again).
  if (m_open_count == 0) return NO_PATH;

  // Lowest f, earliest entry on ties; entries of closed cells are stale.
  HeapEntry top = heapPop();
  while (m_state[top.index] != CELL_OPEN) top = heapPop();
  const int ci = top.index;
  m_state[ci] = CELL_CLOSED;
  m_open_count--;
  const int w = m_graph_w;
  const PathCell cur{ci % w, ci / w};
  m_last = cur;

  if (cur == m_end) {
    m_found = true;
  } else if (m_has_target) {
    Object *p_target = WorldManager::getInstance().objectWithId(m_target_id);
    if (p_target != nullptr && m_p_object != nullptr &&
        boxIntersectsBox(getWorldBox(m_p_object, Vector((float)cur.x, (float)cur.y)),
                         getWorldBox(p_target, Vector((float)m_end.x, (float)m_end.y)))) {
      m_found = true;
      m_end = cur;
    }
  }
  if (m_found) return FOUND;

  // Blocked state of the 3x3 neighbourhood, asked of the world at most once
  // per cell during this expansion (the world cannot change meanwhile).
  int8_t blocked[3][3] = {{-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1}};
  auto isBlockedAt = [&](int dx, int dy) -> bool {
    int8_t &b = blocked[dy + 1][dx + 1];
    if (b < 0) b = (int8_t)isBlocked(m_p_object, cur.x + dx, cur.y + dy, m_end);
    return b != 0;
  };

  const float g_cur = m_nodes[ci].g;
  for (int dy = -1; dy <= 1; dy++) {
    for (int dx = -1; dx <= 1; dx++) {
      if (dx == 0 && dy == 0) continue;
      const int nx = cur.x + dx, ny = cur.y + dy;
      const Box boundary = WorldManager::getInstance().getBoundary();
      const int bw = (int)boundary.getHorizontal(), bh = (int)boundary.getVertical();
      if (nx < 0 || ny < 0 || nx >= bw || ny >= bh || nx >= m_graph_w || ny >= m_graph_h) continue;
      const int ni = ny * w + nx;
      if (m_state[ni] == CELL_CLOSED) continue;
      if (isBlockedAt(dx, dy)) continue;
      if (dx != 0 && dy != 0 && isBlockedAt(dx, 0) && isBlockedAt(0, dy)) continue;
      const PathCell n{nx, ny};
      const float g_new = g_cur + distance(cur, n);
      PathNode &node = m_nodes[ni];
      const float f_new = g_new + heuristic(nx, ny, m_end.x, m_end.y);
      if (m_state[ni] == CELL_OPEN) {
        if (g_new > node.g) continue;
        // Re-parent in place: the entry keeps its sequence number.
        const bool lower = f_new < node.f;
        node.parent = cur;
        node.g = g_new;
        node.f = f_new;
        if (lower) heapPush(HeapEntry{f_new, m_seq[ni], ni});
      } else {
        node.parent = cur;
        node.g = g_new;
        node.f = f_new;
        openCell(ni, f_new);
      }
    }
  }
  return m_open_count == 0 ? NO_PATH : SEARCHING;
}

Path PathFind::getPath() const {
  Path path;
  if (!m_found || m_nodes.empty()) return path;
  std::vector<Vector> nodes;
  PathCell c = m_end;
  // Every parent link points at a closed cell; the bound guards the walk.
  size_t guard = m_nodes.size();
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
  const ObjectList list = WorldManager::getInstance().getCollisions(p_o, Vector((float)x, (float)y));
  const int count = list.getCount();
  for (int i = 0; i < count; i++) {
    Object *p_other = list[i];
    if (p_other->getSolidness() != HARD) continue;
    // The goal may sit inside an obstacle: that obstacle's cells are open.
    if (boxContainsPosition(getWorldBox(p_other), Vector((float)end.x, (float)end.y))) return 0;
    return 1;
  }
  return 0;
}

float PathFind::heuristic(int x1, int y1, int x2, int y2) const {
  const int dx = std::abs(x1 - x2), dy = std::abs(y1 - y2);
  return (float)std::sqrt((double)(dx * dx + dy * dy));
}

float PathFind::distance(PathCell a, PathCell b) const { return heuristic(a.x, a.y, b.x, b.y); }

Object *PathFind::getObject() const { return m_p_object; }

void PathFind::setObject(Object *p_o) { m_p_object = p_o; }

Object *PathFind::getTarget() const {
  if (!m_has_target) return nullptr;
  return WorldManager::getInstance().objectWithId(m_target_id);
}

void PathFind::setTarget(Object *p_target) {
  m_has_target = p_target != nullptr;
  m_target_id = p_target ? p_target->getId() : 0;
}

PathCell PathFind::getStart() const { return m_start; }

PathCell PathFind::getEnd() const { return m_end; }

bool PathFind::isFound() const { return m_found; }

PathCell PathFind::getLastExpanded() const { return m_last; }

} // namespace vx
