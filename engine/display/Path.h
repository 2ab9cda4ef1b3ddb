#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "core/Color.h"
#include "core/Vector.h"

namespace vx {

class RawReader;

// Waypoints in walking order and the index of the next one to head for.
class Path {
 private:
  std::vector<Vector> m_nodes;
  int m_index;

 public:
  Path();

  bool operator==(const Path &other) const;
  bool operator!=(const Path &other) const;

  // Advances to the next waypoint (never past the end); returns the path after the advance.
  Path operator++(int);

  bool isDone() const;
  // The last waypoint; the path must not be empty.
  Vector getFinal() const;
  int getIndex() const;
  std::vector<Vector> getWaypoints() const;
  // Waypoint at the index, (0,0) when done.
  Vector getCurrent() const;
  // Waypoint before the index, (0,0) when the index is below 1.
  Vector getPrevious() const;
  // -1 (index kept) outside 0..count-1.
  int setIndex(int new_index);
  // Replaces the waypoints; the index is kept.
  void setWaypoints(std::vector<Vector> new_nodes);

  // Draws '.' at every waypoint from the index on; sum of the draw results.
  int draw(Color color) const;
  std::string toString() const;

  // Raw form: 8-byte count, then the waypoints.
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);
  // The raw form from the reader given.
  int read(RawReader &in);
};

} // namespace vx
