#pragma once
// Consistency check of the world's indices: the scene graph's lists and the
// spatial grid's cells against every object they hold (and, optionally,
// against the objects a test knows to exist). Header-only.

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/ObjectList.h"
#include "core/PlaneGeometry.h"
#include "world/Geometry.h"
#include "world/Grid.h"
#include "world/Object.h"
#include "world/SceneGraph.h"
#include "world/WorldManager.h"

namespace vx {
namespace test {

namespace world_check_detail {

inline std::map<Object *, int> countOf(const ObjectList &list) {
  std::map<Object *, int> counts;
  for (int i = 0; i < list.getCount(); i++) counts[list[i]]++;
  return counts;
}

inline int get(const std::map<Object *, int> &m, Object *p) {
  auto it = m.find(p);
  return it == m.end() ? 0 : it->second;
}

inline std::string name(Object *p) {
  std::ostringstream ss;
  ss << "object " << p->getId() << " (" << p->getType() << ")";
  return ss.str();
}

} // namespace world_check_detail

// "" when consistent, else one line per problem found. With known given,
// the world must hold exactly those objects.
inline std::string checkWorld(const std::vector<Object *> *p_known = nullptr) {
  using namespace world_check_detail;
  std::ostringstream out;
  SceneGraph &sg = WorldManager::getInstance().getSceneGraph();
  const Grid &grid = sg.getGrid();

  std::map<Object *, int> active = countOf(sg.activeObjects());
  std::map<Object *, int> inactive = countOf(sg.inactiveObjects());
  std::map<Object *, int> solid = countOf(sg.solidObjects());
  std::map<Object *, int> visible[MAX_ALTITUDE + 1];
  for (int a = 0; a <= MAX_ALTITUDE; a++) visible[a] = countOf(sg.visibleObjects(a));
  std::map<std::string, std::map<Object *, int>> types;
  for (const std::string &t : sg.typeNames()) types[t] = countOf(sg.objectsOfType(t));

  // Cells holding each object: (-1,-1) for out of bounds.
  std::map<Object *, std::map<Cell, int>> cells_of;
  if (grid.isAllocated()) {
    for (int r = 0; r < grid.getNumRows(); r++)
      for (int c = 0; c < grid.getNumCols(); c++) {
        ObjectList l = grid.getObjects(Cell(r, c));
        for (int i = 0; i < l.getCount(); i++) cells_of[l[i]][Cell(r, c)]++;
      }
    ObjectList oob = grid.getObjects(Cell(-1, -1));
    for (int i = 0; i < oob.getCount(); i++) cells_of[oob[i]][Cell(-1, -1)]++;
  }

  std::set<Object *> all;
  for (auto &e : active) all.insert(e.first);
  for (auto &e : inactive) all.insert(e.first);

  // Every list entry must be an object of the world.
  auto stray = [&](const std::map<Object *, int> &m, const std::string &list_name) {
    for (auto &e : m)
      if (!all.count(e.first)) out << "unknown object " << e.first << " in " << list_name << "\n";
  };
  stray(solid, "solid_objects");
  for (int a = 0; a <= MAX_ALTITUDE; a++) stray(visible[a], "visible_objects[" + std::to_string(a) + "]");
  for (auto &t : types) stray(t.second, "type '" + t.first + "'");
  for (auto &e : cells_of)
    if (!all.count(e.first)) out << "unknown object " << e.first << " in the grid\n";

  for (Object *p : all) {
    std::string n = name(p);
    int in_active = get(active, p), in_inactive = get(inactive, p);
    if (p->isActive()) {
      if (in_active != 1) out << n << ": in objects " << in_active << " times\n";
      if (in_inactive != 0) out << n << ": active but in inactive_objects\n";
      for (auto &t : types) {
        int k = get(t.second, p);
        int want = t.first == p->getType() ? 1 : 0;
        if (k != want) out << n << ": in type '" << t.first << "' " << k << " times\n";
      }
      if (!types.count(p->getType())) out << n << ": no type entry '" << p->getType() << "'\n";
      if (p->isSolid()) {
        if (get(solid, p) != 1) out << n << ": solid, in solid_objects " << get(solid, p) << " times\n";
        if (grid.isAllocated()) {
          std::set<Cell> want = grid.getCells(p, p->getPosition());
          const std::map<Cell, int> &have = cells_of[p];
          for (const Cell &c : want) {
            auto it = have.find(c);
            int k = it == have.end() ? 0 : it->second;
            if (k != 1)
              out << n << ": in cell (" << std::get<0>(c) << "," << std::get<1>(c) << ") " << k << " times\n";
          }
          for (auto &e : have)
            if (!want.count(e.first))
              out << n << ": in cell (" << std::get<0>(e.first) << "," << std::get<1>(e.first)
                  << ") that its box does not cover\n";
        }
      } else {
        if (get(solid, p) != 0) out << n << ": not solid, but in solid_objects\n";
        if (!cells_of[p].empty()) out << n << ": not solid, but in the grid\n";
      }
      for (int a = 0; a <= MAX_ALTITUDE; a++) {
        int want = (p->isVisible() && a == p->getAltitude()) ? 1 : 0;
        int k = get(visible[a], p);
        if (k != want) out << n << ": in visible_objects[" << a << "] " << k << " times\n";
      }
    } else {
      if (in_inactive != 1) out << n << ": in inactive_objects " << in_inactive << " times\n";
      if (in_active != 0) out << n << ": inactive but in objects\n";
      for (auto &t : types)
        if (get(t.second, p)) out << n << ": inactive but in type '" << t.first << "'\n";
      if (get(solid, p)) out << n << ": inactive but in solid_objects\n";
      for (int a = 0; a <= MAX_ALTITUDE; a++)
        if (get(visible[a], p)) out << n << ": inactive but in visible_objects[" << a << "]\n";
      if (!cells_of[p].empty()) out << n << ": inactive but in the grid\n";
    }
  }

  if (p_known) {
    std::set<Object *> known(p_known->begin(), p_known->end());
    for (Object *p : known)
      if (!all.count(p)) out << "a known object (" << p << ") is missing from the world\n";
    for (Object *p : all)
      if (!known.count(p)) out << name(p) << " is in the world but not known\n";
  }
  return out.str();
}

inline std::string checkWorld(const std::vector<Object *> &known) { return checkWorld(&known); }

} // namespace test
} // namespace vx

namespace vx {
namespace test {

// The grid's collision query done the slow way from its public cells: the
// candidates of the covered cells in cell order, first occurrences kept,
// then those other than p_o whose world box meets p_o's box at where.
inline ObjectList slowCollisions(Object *p_o, Vector where) {
  const Grid &grid = WorldManager::getInstance().getSceneGraph().getGrid();
  std::vector<Object *> candidates;
  for (const Cell &c : grid.getCells(p_o, where)) {
    ObjectList l = grid.getObjects(c);
    for (int i = 0; i < l.getCount(); i++)
      if (std::find(candidates.begin(), candidates.end(), l[i]) == candidates.end()) candidates.push_back(l[i]);
  }
  ObjectList result;
  Box box = getWorldBox(p_o, where);
  for (Object *q : candidates)
    if (q != p_o && boxIntersectsBox(box, getWorldBox(q))) result.insert(q);
  return result;
}

} // namespace test
} // namespace vx
