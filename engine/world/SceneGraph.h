#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/FlatMap.h"
#include "core/ObjectList.h"
#include "core/TrackedList.h"
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
  uint64_t m_change_count;  // bumped by every change the collision queries can see
  // Objects by id: every object of the active and inactive lists. Ids are
  // nearly always unique; the other objects of an id go to m_id_more.
  FlatMap<int, Object *> m_id_first;
  std::unordered_map<int, std::vector<Object *>> m_id_more;
  // Set when the index could not grow: look-ups then walk the lists.
  bool m_id_index_incomplete;

  void indexAdd(Object *p_o, int id);
  void indexDrop(Object *p_o);
  // Marks the object held and indexes it when it is in the active or
  // inactive list; else marks it not held and drops it from the index.
  void settle(Object *p_o);
  // The list moves of updateActive.
  int moveActive(Object *p_o, bool active);

 public:
  SceneGraph();
  ~SceneGraph();
  SceneGraph(const SceneGraph &) = delete;
  SceneGraph &operator=(const SceneGraph &) = delete;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);
  // True while the object is in the scene graph. An object that is not is in
  // none of its lists, and the update operations leave it so (0, no change).
  bool holds(const Object *p_o) const { return p_o && p_o->m_in_scene_graph; }

  ObjectList activeObjects() const;
  ObjectList solidObjects() const;
  ObjectList inactiveObjects() const;
  ObjectList visibleObjects(int altitude) const;
  ObjectList objectsOfType(std::string type);
  ObjectList getCollisions(Object *p_o, Vector where) const;
  // Grid::forEachCollision.
  template <class Visit>
  void forEachCollision(Object *p_o, Vector where, Visit visit) const {
    m_grid.forEachCollision(p_o, where, visit);
  }
  Grid &getGrid();
  const Grid &getGrid() const;

  // Active and inactive objects without copies.
  const TrackedList &activeList() const;
  const TrackedList &inactiveList() const;
  // The type names that have an entry in the type map.
  std::vector<std::string> typeNames() const;

  // The first object with the id, active ones (in list order) before
  // inactive ones; nullptr if none. Constant time.
  Object *objectWithId(int id) const;

  int updateActive(Object *p_o, bool active);
  int updateAltitude(Object *p_o, int new_altitude);
  int updatePosition(Object *p_o, Vector new_position);
  int updateSolidness(Object *p_o, Solidness new_solidness);
  int updateType(Object *p_o, std::string new_type);
  int updateVisible(Object *p_o, bool visible);
  // Re-files the object under its new id (called before the id is stored).
  void updateId(Object *p_o, int new_id);

  int startUp();
  void shutDown();

  // Bumped by every insertion, removal, move, box, solidness or activity change, restart
  // and change of the grid's cell size.
  uint64_t getChangeCount() const;
  // shutDown and startUp, then the objects that exist are filed again by
  // type and in the grid. 0, or -1 when any step failed.
  int restart();
};

} // namespace vx
