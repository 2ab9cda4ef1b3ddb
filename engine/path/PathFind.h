#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Vector.h"

namespace vx {

class Object;
class Path;

// One cell of the world grid: column x, row y, standing for position (x, y).
struct PathCell {
  int x;
  int y;
  bool operator==(const PathCell &other) const { return x == other.x && y == other.y; }
  bool operator!=(const PathCell &other) const { return !(*this == other); }
};

// Search state of one cell.
struct PathNode {
  float g;          // best known cost from the start
  float f;          // g plus the estimate to the goal
  PathCell parent;  // where the best route came from
};

// An incremental A* search over the world's cells for one object.
// cycleOnce expands one cell; the open set is a binary heap keyed by
// (f, order of first entry), which picks exactly what a linear scan of an
// insertion-ordered open list would pick.
class PathFind {
 private:
  Object *m_p_object;
  // The target and the serial number the world gave it: a pointer alone
  // cannot tell the target from a later object made at its address.
  Object *m_p_target;
  uint64_t m_target_serial;
  PathCell m_start;
  PathCell m_end;
  PathCell m_last;  // the cell the last expansion took

  // Node graph with its own dimensions (fixed at construction).
  int m_graph_w;
  int m_graph_h;
  size_t m_cell_count;
  std::unique_ptr<PathNode[]> m_nodes;  // [y * w + x]; null: not allocated
  std::unique_ptr<uint8_t[]> m_state;   // 0 unseen, 1 open, 2 closed
  std::unique_ptr<uint32_t[]> m_seq;    // order of first entry into the open set

  // isBlocked answers per cell (0 not asked, 1 free, 2 blocked), valid while
  // the world's change count is m_memo_count.
  std::unique_ptr<uint8_t[]> m_blocked;
  uint64_t m_memo_count;
  bool m_memo_valid;

  // key: f's bits above the sequence number; f is never negative or NaN,
  // so the keys order as (f, seq) do.
  struct HeapEntry {
    uint64_t key;
    int32_t index;
  };
  std::vector<HeapEntry> m_heap;
  int m_open_count;
  uint32_t m_next_seq;
  bool m_found;

  PathFind(const PathFind &) = delete;
  PathFind &operator=(const PathFind &) = delete;

  void heapPush(const HeapEntry &e);
  HeapEntry heapPop();
  void openCell(int index, float f);
  static uint64_t heapKey(float f, uint32_t seq);
  bool blockedCell(int x, int y);
  // True while the target is still the object it was set to, in the world.
  bool targetInWorld() const;
  // The steps of construction: the error for a start or end outside the
  // world, the choice of the start cell, and the node graph.
  static void logOutside(Vector start, Vector end, int w, int h);
  void chooseStart(Vector start, int w, int h);
  bool allocateGraph(int w, int h);

 public:
  PathFind(Object *p_o, Vector start, Vector end);
  ~PathFind();

  // One expansion: FOUND, NO_PATH or SEARCHING.
  int cycleOnce();

  // The route from start to end once found, else an empty path.
  Path getPath() const;

  // 1 when p_o may not enter cell (x, y), else 0. Asks the world.
  int isBlocked(Object *p_o, int x, int y, PathCell end) const;

  float heuristic(int x1, int y1, int x2, int y2) const;
  float distance(PathCell a, PathCell b) const;

  Object *getObject() const;
  // nullptr clears the target; getTarget gives nullptr once it has left
  // the world.
  Object *getTarget() const;
  void setTarget(Object *p_target);

  PathCell getStart() const;
  PathCell getEnd() const;
  // The cell expanded by the last cycleOnce ((-1, -1) before the first).
  PathCell getLastExpanded() const;
};

} // namespace vx
