#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/ObjectList.h"
#include "core/Utility.h"
#include "core/Vector.h"
#include "world/Grid.h"
#include "world/Object.h"

namespace vx {

// The world's object lists: active, solid, visible by altitude, inactive,
// active by type, and the spatial grid of the solid ones. The object setters
// call the update operations before they store the new value.
class SceneGraph {
 private:
  TrackedList m_objects;
  TrackedList m_solid_objects;
  TrackedList m_visible_objects[MAX_ALTITUDE + 1];
  TrackedList m_inactive_objects;
  std::map<std::string, TrackedList> m_type_map;
  Grid m_grid;

 public:
  SceneGraph();
  ~SceneGraph();
  SceneGraph(const SceneGraph &) = delete;
  SceneGraph &operator=(const SceneGraph &) = delete;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);

  ObjectList activeObjects() const;
  ObjectList solidObjects() const;
  ObjectList inactiveObjects() const;
  ObjectList visibleObjects(int altitude) const;
  ObjectList objectsOfType(std::string type);
  ObjectList getCollisions(Object *p_o, Vector where) const;
  Grid &getGrid();
  const Grid &getGrid() const;

  // Active and inactive objects without copies.
  const TrackedList &activeList() const;
  const TrackedList &inactiveList() const;
  // The type names that have an entry in the type map.
  std::vector<std::string> typeNames() const;

  int updateActive(Object *p_o, bool active);
  int updateAltitude(Object *p_o, int new_altitude);
  int updatePosition(Object *p_o, Vector new_position);
  int updateSolidness(Object *p_o, Solidness new_solidness);
  int updateType(Object *p_o, std::string new_type);
  int updateVisible(Object *p_o, bool visible);

  int startUp();
  void shutDown();
  // shutDown and startUp, then the objects that exist are filed again by
  // type and in the grid. 0, or -1 when any step failed.
  int restart();
};

} // namespace vx
