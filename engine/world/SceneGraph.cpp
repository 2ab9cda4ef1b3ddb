#include "world/SceneGraph.h"

#include <new>

#include "core/LogManager.h"
#include "core/LoopState.h"
#include "core/PlaneGeometry.h"

namespace vx {

namespace {

LogManager &lm() { return LogManager::getInstance(); }

// Failures of list steps marked quiet are silent and not counted at game over.
bool quiet() { return LoopState::getInstance().getGameOver(); }

bool altitudeInRange(int altitude) { return valueInRange(static_cast<float>(altitude), 0, MAX_ALTITUDE); }

// Appends to the entry of the type (made if absent); -1 when memory runs out.
int insertByType(std::map<std::string, TrackedList> &type_map, const std::string &type, Object *p_o) {
  try {
    return type_map[type].insert(p_o);
  } catch (const std::bad_alloc &) {
    return -1;
  }
}

} // namespace

SceneGraph::SceneGraph() : m_grid(&m_solid_objects), m_change_count(0), m_id_index_incomplete(false) {}

SceneGraph::~SceneGraph() { shutDown(); }

int SceneGraph::insertObject(Object *p_o) {
  if (!p_o) {
    lm().writeLog("SceneGraph::insertObject(): Error! Object is NULL");
    return -1;
  }
  // Each list holds an object once.
  if (holds(p_o)) {
    lm().writeLog("SceneGraph::insertObject(): Error! Object (id %d) already inserted.", p_o->getId());
    return -1;
  }
  m_change_count++;
  if (!p_o->isActive()) {
    if (m_inactive_objects.insert(p_o) == -1) return -1;
    p_o->m_in_scene_graph = true;
    indexAdd(p_o, p_o->getId());
    return 0;
  }
  if (m_objects.insert(p_o) == -1) {
    lm().writeLog("SceneGraph::insertObject(): Error! unable to insert active Object (id %d)", p_o->getId());
    return -1;
  }
  p_o->m_in_scene_graph = true;
  indexAdd(p_o, p_o->getId());
  if (insertByType(m_type_map, p_o->getType(), p_o) == -1) {
    lm().writeLog("SceneGraph::insertObject(): Error! unable to insert Object (id %d) into type map",
                   p_o->getId());
    return -1;
  }
  if (p_o->isSolid()) {
    if (m_solid_objects.insert(p_o) == -1) {
      lm().writeLog("SceneGraph::insertObject(): Error! unable to insert solid Object (id %d)", p_o->getId());
      return -1;
    }
    if (m_grid.insertObject(p_o) == -1) {
      lm().writeLog("SceneGraph::insertObject(): Error! unable to add to Grid (id %d)", p_o->getId());
      return -1;
    }
  }
  if (p_o->isVisible()) {
    int alt = p_o->getAltitude();
    if (!altitudeInRange(alt)) {
      lm().writeLog("SceneGraph::insertObject(): Warning! Altitude %d not in range [%d,%d]", alt, 0,
                     MAX_ALTITUDE);
      return -1;
    }
    if (m_visible_objects[alt].insert(p_o) == -1) {
      lm().writeLog("SceneGraph::insertObject(): Error! unable to insert visible object (id %d)", p_o->getId());
      return -1;
    }
  }
  return 0;
}

int SceneGraph::removeObject(Object *p_o) {
  if (!p_o) {
    lm().writeLog("SceneGraph::removeObject(): Error! Object is NULL");
    return -1;
  }
  m_change_count++;
  int sum = 0;
  if (!holds(p_o)) {
    sum = -1;  // in no list: nothing to remove
  } else if (p_o->isActive()) {
    sum += m_objects.remove(p_o);
    auto it = m_type_map.find(p_o->getType());
    sum += it == m_type_map.end() ? -1 : it->second.remove(p_o);
    if (p_o->isVisible()) {
      int alt = p_o->getAltitude();
      sum += altitudeInRange(alt) ? m_visible_objects[alt].remove(p_o) : -1;
    }
    if (p_o->isSolid()) {
      sum += m_solid_objects.remove(p_o);
      sum += m_grid.removeObject(p_o);
    }
  } else {
    sum += m_inactive_objects.remove(p_o);
  }
  if (sum == 0) {
    // Each list held it once: it is in none now.
    p_o->m_in_scene_graph = false;
    indexDrop(p_o);
  } else {
    settle(p_o);
  }
  if (sum < 0) {
    lm().writeLog("SceneGraph::removeObject(): Error removing Object (id %d)! Pointer is %p.", p_o->getId(),
                   static_cast<void *>(p_o));
    return -1;
  }
  return 0;
}

ObjectList SceneGraph::activeObjects() const { return m_objects.toObjectList(); }

ObjectList SceneGraph::solidObjects() const { return m_solid_objects.toObjectList(); }

ObjectList SceneGraph::inactiveObjects() const { return m_inactive_objects.toObjectList(); }

ObjectList SceneGraph::visibleObjects(int altitude) const {
  if (!altitudeInRange(altitude)) {
    lm().writeLog("SceneGraph::visibleObjects(): Warning! altitude %d not in [%d,%d].", altitude, 0, MAX_ALTITUDE);
    return ObjectList();
  }
  return m_visible_objects[altitude].toObjectList();
}

ObjectList SceneGraph::objectsOfType(std::string type) {
  try {
    return m_type_map[type].toObjectList();
  } catch (const std::bad_alloc &) {
    return ObjectList();
  }
}

ObjectList SceneGraph::getCollisions(Object *p_o, Vector where) const { return m_grid.getCollisions(p_o, where); }

Grid &SceneGraph::getGrid() { return m_grid; }

const Grid &SceneGraph::getGrid() const { return m_grid; }

const TrackedList &SceneGraph::activeList() const { return m_objects; }

const TrackedList &SceneGraph::inactiveList() const { return m_inactive_objects; }

std::vector<std::string> SceneGraph::typeNames() const {
  std::vector<std::string> names;
  for (const auto &entry : m_type_map) names.push_back(entry.first);
  return names;
}

int SceneGraph::updateActive(Object *p_o, bool active) {
  if (!p_o) return -1;
  m_change_count++;
  if (!holds(p_o) || p_o->isActive() == active) return 0;
  int result = moveActive(p_o, active);
  settle(p_o);
  return result;
}

int SceneGraph::moveActive(Object *p_o, bool active) {
  int result = 0;
  std::string type = p_o->getType();
  if (!active) {
    if (m_objects.remove(p_o) == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateActive(): remove object (%s) failed for objects!", type.c_str());
      result = -1;
    }
    auto it = m_type_map.find(type);
    if (it == m_type_map.end() || it->second.remove(p_o) == -1) result = -1;
    if (p_o->isVisible()) {
      int alt = p_o->getAltitude();
      int r = altitudeInRange(alt) ? m_visible_objects[alt].remove(p_o) : -1;
      if (r == -1 && !quiet()) {
        lm().writeLog("SceneGraph::updateActive(): remove visible object (%s) failed for visible_objects!",
                       type.c_str());
        result = -1;
      }
    }
    if (p_o->isSolid()) {
      if (m_solid_objects.remove(p_o) == -1 && !quiet()) {
        lm().writeLog("SceneGraph::updateActive(): remove object (%s) failed for solid_objects!", type.c_str());
        result = -1;
      }
      // Without a grid the object cannot be in it: the grid reports that, and
      // the object still goes to the inactive list and becomes inactive.
      m_grid.removeObject(p_o);
    }
    if (m_inactive_objects.insert(p_o) == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateActive(): insert object (%s) failed for inactive_objects!", type.c_str());
      result = -1;
    }
  } else {
    if (m_objects.insert(p_o) == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateActive(): insert Object (%s) failed for objects!", type.c_str());
      result = -1;
    }
    if (insertByType(m_type_map, type, p_o) == -1) {
      lm().writeLog("SceneGraph::updateActive(): Error! insert Object (%s) failed for type map!", type.c_str());
      return -1;
    }
    if (p_o->isVisible()) {
      int alt = p_o->getAltitude();
      int r = altitudeInRange(alt) ? m_visible_objects[alt].insert(p_o) : -1;
      if (r == -1 && !quiet()) {
        lm().writeLog("SceneGraph::updateActive(): insert Object (%s) failed for visible_objects!", type.c_str());
        result = -1;
      }
    }
    if (p_o->isSolid()) {
      if (m_solid_objects.insert(p_o) == -1 && !quiet()) {
        lm().writeLog("SceneGraph::updateActive(): insert object (%s) failed for solid_objects!", type.c_str());
        result = -1;
      }
      // Likewise without a grid: the object still leaves the inactive list.
      m_grid.insertObject(p_o);
    }
    if (m_inactive_objects.remove(p_o) == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateActive(): remove object (%s) failed for inactive_objects!", type.c_str());
      result = -1;
    }
  }
  return result;
}

int SceneGraph::updateAltitude(Object *p_o, int new_altitude) {
  if (!p_o) return -1;
  if (!holds(p_o) || !p_o->isActive()) return 0;
  if (!altitudeInRange(new_altitude)) {
    lm().writeLog("SceneGraph::updateAltitude(): New altitude %d not in [%d,%d]!  No update.", new_altitude, 0,
                   MAX_ALTITUDE);
    return -1;
  }
  int old_altitude = p_o->getAltitude();
  if (!altitudeInRange(old_altitude)) {
    lm().writeLog("SceneGraph::updateAltitude(): Old altitude %d not in [%d,%d]! This is unxepected. No update.",
                   old_altitude, 0, MAX_ALTITUDE);
    return -1;
  }
  if (!p_o->isVisible()) return 0;
  if (m_visible_objects[old_altitude].remove(p_o) == -1 && !quiet()) {
    lm().writeLog("SceneGraph::updateAltitude(): remove from old altitude (%d) failed!", old_altitude);
    lm().writeLog("\tObject: type %s, id %d, p %p", p_o->getType().c_str(), p_o->getId(), static_cast<void *>(p_o));
    return -1;
  }
  if (m_visible_objects[new_altitude].insert(p_o) == -1) {
    lm().writeLog("SceneGraph::updateAltitude()): insert visible object at altitude %d failed!", new_altitude);
    return -1;
  }
  return 0;
}

int SceneGraph::updatePosition(Object *p_o, Vector new_position) {
  if (!p_o) return -1;
  m_change_count++;
  if (!holds(p_o) || !p_o->isSolid() || !p_o->isActive()) return 0;
  if (m_grid.updatePosition(p_o, new_position) == -1) {
    lm().writeLog("SceneGraph::updatePosition(): Error! Calling grid updatePosition (Object %d).", p_o->getId());
    return -1;
  }
  return 0;
}

int SceneGraph::updateSolidness(Object *p_o, Solidness new_solidness) {
  if (!p_o) return -1;
  m_change_count++;
  if (!holds(p_o) || !p_o->isActive()) return 0;
  if (p_o->isSolid()) {
    if (new_solidness == SPECTRAL) {
      if (m_solid_objects.remove(p_o) == -1 && !quiet())
        lm().writeLog("SceneGraph::updateSolidness(): unable to remove solid object (%s)", p_o->getType().c_str());
      if (m_grid.removeObject(p_o) == -1) return -1;
    }
    return 0;
  }
  if (new_solidness == SPECTRAL) return 0;
  if (m_solid_objects.insert(p_o) == -1 && !quiet()) {
    lm().writeLog("SceneGraph::updateSolidness(): Error! unable to insert solid object");
    return -1;
  }
  lm().writeLog(20, "SceneGraph::updateSolidness(): Adding to grid.");
  if (m_grid.insertObject(p_o) == -1) {
    lm().writeLog("SceneGraph::updateSolidness(): Error! unable to insert solid object (%d) into grid", p_o->getId());
    return -1;
  }
  return 0;
}

int SceneGraph::updateType(Object *p_o, std::string new_type) {
  if (!p_o) return -1;
  if (!holds(p_o) || !p_o->isActive()) return 0;
  std::string type = p_o->getType();
  auto it = m_type_map.find(type);
  if ((it == m_type_map.end() || it->second.remove(p_o) == -1) && !quiet()) {
    lm().writeLog("SceneGraph::updateType(): Error! Unable to remove Object (%d) type %s", p_o->getId(),
                   type.c_str());
    return -1;
  }
  if (insertByType(m_type_map, new_type, p_o) == -1 && !quiet()) {
    lm().writeLog("SceneGraph::updateType(): Error! Unable to insert Object (%d) type %s", p_o->getId(),
                   type.c_str());
    return -1;
  }
  return 0;
}

int SceneGraph::updateVisible(Object *p_o, bool visible) {
  if (!p_o) return -1;
  if (!holds(p_o) || !p_o->isActive() || p_o->isVisible() == visible) return 0;
  int alt = p_o->getAltitude();
  if (!visible) {
    int r = altitudeInRange(alt) ? m_visible_objects[alt].remove(p_o) : -1;
    if (r == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateVisible(): unable to remove visible object (%s)", p_o->getType().c_str());
      return -1;
    }
  } else {
    int r = altitudeInRange(alt) ? m_visible_objects[alt].insert(p_o) : -1;
    if (r == -1 && !quiet()) {
      lm().writeLog("SceneGraph::updateVisible(): unable to add visible object (%s)", p_o->getType().c_str());
      return -1;
    }
  }
  return 0;
}

void SceneGraph::updateId(Object *p_o, int new_id) {
  m_change_count++;
  if (!p_o || p_o->m_id_slot < 0) return;
  indexDrop(p_o);
  indexAdd(p_o, new_id);
}

Object *SceneGraph::objectWithId(int id) const {
  if (m_id_index_incomplete) {
    for (Object *p_o : m_objects)
      if (p_o && p_o->getId() == id) return p_o;
    for (Object *p_o : m_inactive_objects)
      if (p_o && p_o->getId() == id) return p_o;
    return nullptr;
  }
  Object *const *p_first = m_id_first.find(id);
  if (!p_first) return nullptr;
  auto more = m_id_more.empty() ? m_id_more.end() : m_id_more.find(id);
  if (more == m_id_more.end()) return *p_first;
  // Several objects share the id: the earliest in the active list, else in
  // the inactive list (slots keep list order).
  auto earliest = [&](const TrackedList &list) -> Object * {
    Object *p_best = nullptr;
    int best = -1;
    auto consider = [&](Object *p_o) {
      int slot = list.find(p_o);
      if (slot >= 0 && (best < 0 || slot < best)) {
        best = slot;
        p_best = p_o;
      }
    };
    consider(*p_first);
    for (Object *p_o : more->second) consider(p_o);
    return p_best;
  };
  Object *p_o = earliest(m_objects);
  return p_o ? p_o : earliest(m_inactive_objects);
}

void SceneGraph::indexAdd(Object *p_o, int id) {
  if (p_o->m_id_slot >= 0) return;
  try {
    Object **p_first = m_id_first.find(id);
    if (!p_first) {
      m_id_first.insert(id, p_o);
      p_o->m_id_slot = 0;
    } else {
      std::vector<Object *> &more = m_id_more[id];
      more.push_back(p_o);
      p_o->m_id_slot = static_cast<int>(more.size());
    }
  } catch (const std::bad_alloc &) {
    lm().writeLog("SceneGraph::indexAdd(): Error! No memory to index Object (id %d).", id);
    m_id_index_incomplete = true;
  }
}

void SceneGraph::indexDrop(Object *p_o) {
  if (p_o->m_id_slot < 0) return;
  int id = p_o->getId();
  Object **p_first = m_id_first.find(id);
  if (p_first) {
    auto more = m_id_more.empty() ? m_id_more.end() : m_id_more.find(id);
    // The last of the others takes the freed place.
    Object *p_last = more == m_id_more.end() ? nullptr : more->second.back();
    if (p_o->m_id_slot == 0) {
      if (p_last) {
        more->second.pop_back();
        *p_first = p_last;
        p_last->m_id_slot = 0;
      } else {
        m_id_first.erase(id);
      }
    } else if (p_last) {
      more->second.pop_back();
      if (p_last != p_o) {
        more->second[p_o->m_id_slot - 1] = p_last;
        p_last->m_id_slot = p_o->m_id_slot;
      }
    }
    if (more != m_id_more.end() && more->second.empty()) m_id_more.erase(more);
  }
  p_o->m_id_slot = -1;
}

void SceneGraph::settle(Object *p_o) {
  p_o->m_in_scene_graph = m_objects.contains(p_o) || m_inactive_objects.contains(p_o);
  if (p_o->m_in_scene_graph)
    indexAdd(p_o, p_o->getId());
  else
    indexDrop(p_o);
}

int SceneGraph::startUp() {
  m_change_count++;
  m_type_map.clear();
  lm().writeLog(1, "Scenegraph configuration: GRID");
  return m_grid.startUp();
}

void SceneGraph::shutDown() {
  m_change_count++;
  m_type_map.clear();
  m_grid.shutDown();
}

// The grid counts its own restarts: a new cell size refiles the solid
// objects, which can change the order of a cell.
uint64_t SceneGraph::getChangeCount() const { return m_change_count + m_grid.getRestartCount(); }

int SceneGraph::restart() {
  shutDown();
  int result = startUp();
  for (Object *p_o : m_objects) {
    if (!p_o) continue;
    if (insertByType(m_type_map, p_o->getType(), p_o) == -1) {
      lm().writeLog("SceneGraph::restart(): Error! unable to insert Object (id %d) into type map", p_o->getId());
      result = -1;
    }
  }
  if (m_grid.isAllocated())
    for (Object *p_o : m_solid_objects)
      if (p_o) m_grid.insertObject(p_o);
  return result;
}

} // namespace vx
