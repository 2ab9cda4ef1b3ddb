#pragma once

#include <cstdint>

namespace vx {

// Where a grid has filed an object: its world box by corners, the cells that
// box covers, and the grid layout both belong to (0: none). The grid keeps one
// in each object so that a move finds its old cells without recomputing them.
struct GridPlace {
  struct Bounds {
    float x0, y0, x1, y1;
  };
  // Rows r0..r1 and columns c0..c1; out: the box also reaches beyond the grid.
  struct Range {
    bool out;
    int r0, r1, c0, c1;
  };

  Bounds bounds{0, 0, 0, 0};
  Range range{false, 0, -1, 0, -1};
  uint64_t layout = 0;
};

} // namespace vx
