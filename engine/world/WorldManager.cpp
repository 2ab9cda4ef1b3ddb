#include "world/WorldManager.h"

#include <cmath>
#include <new>

#include "core/EventOwner.h"
#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "display/DisplayManager.h"
#include "world/EventCollision.h"
#include "world/EventOut.h"
#include "world/Geometry.h"
#include "world/Object.h"
#include "world/ViewObject.h"

namespace vx {

namespace {

LogManager &lm() { return LogManager::getInstance(); }

} // namespace

WorldManager::WorldManager()
    : m_p_view_following(nullptr), m_view_slack(0, 0), m_move_depth(0), m_last_serial(0), m_removals(0) {
  setType("WorldManager");
}

WorldManager::~WorldManager() {}

void WorldManager::DeletedObjects::catchUp() {
  if (m_indexed == m_order.size()) return;
  m_index.reserve(m_order.size());
  for (; m_indexed < m_order.size(); m_indexed++) m_index.insert(m_order[m_indexed], true);
}

bool WorldManager::DeletedObjects::contains(Object *p_o) {
  if (m_order.empty()) return false;
  catchUp();
  return m_index.find(p_o) != nullptr;
}

void WorldManager::DeletedObjects::forget(Object *p_o) {
  if (m_order.empty()) return;
  catchUp();
  m_index.erase(p_o);
}

void WorldManager::DeletedObjects::clear() {
  m_order.clear();
  m_index.clear();
  m_indexed = 0;
}

WorldManager &WorldManager::getInstance() {
  static WorldManager world_manager;
  return world_manager;
}

bool WorldManager::isValid(std::string event_type) const {
  EventOwner owner = eventOwner(event_type);
  if (owner == EventOwner::INPUT || owner == EventOwner::GAME) {
    lm().writeLog("WorldManager::isValid(): WorldManager does not handle %s", event_type.c_str());
    return false;
  }
  if (event_type == EVENT_OUT || event_type == EVENT_COLLISION) {
    lm().writeLog("WorldManager::isValid(): Event %s handled automatically.", event_type.c_str());
    return false;
  }
  return true;
}

int WorldManager::startUp() {
  if (refuseSecondStartUp()) return -1;
  m_deletions.clear();
  m_deleted.clear();
  m_boundary = Box(Vector(0, 0), 0, 0);
  m_scene_graph.getGrid().setBoundary(m_boundary);
  setView(Box(Vector(0, 0), 0, 0));
  m_view_slack = Vector(0, 0);
  m_p_view_following = nullptr;
  if (m_scene_graph.startUp() == -1) {
    lm().writeLog("WorldManager::startUp(): Error! Unable to startup Scenegraph");
    return -1;
  }
  Manager::startUp();
  lm().writeLog(5, "WorldManager::startUp(): successfully started.");
  return 0;
}

void WorldManager::shutDown() {
  Manager::shutDown();
  ObjectList all = getAllObjects(true);
  for (int i = 0; i < all.getCount(); i++) {
    Object *p_o = all[i];
    // A destructor may already have taken another object out of the world.
    if (!p_o || (!m_scene_graph.activeList().contains(p_o) && !m_scene_graph.inactiveList().contains(p_o)))
      continue;
    m_deleted.add(p_o);
    delete p_o;
  }
  m_scene_graph.shutDown();
  // Marks made by the destructors above are dropped with the objects.
  m_deletions.clear();
  m_deleted.clear();
  m_p_view_following = nullptr;
  lm().writeLog(5, "WorldManager::shutDown(): Successfully stopped.");
}

int WorldManager::insertObject(Object *p_o) {
  // A new object may reuse the address of one deleted by the running loop.
  m_deleted.forget(p_o);
  if (!isStarted()) {
    lm().writeLog(2, "WorldManager::insertObject(): Warning! Not adding Object %d", p_o ? p_o->getId() : -1);
    lm().writeLog(2, "                              because WorldManager not started.");
    return -1;
  }
  // Each list holds an object once: a second entry would outlive the first
  // in the grid and be deleted twice at shut-down.
  if (contains(p_o)) {
    lm().writeLog("WorldManager::insertObject(): Error! Object %d (%p) already in the world.", p_o->getId(),
                  static_cast<void *>(p_o));
    return -1;
  }
  int result = m_scene_graph.insertObject(p_o);
  if (result == 0) p_o->m_world_serial = ++m_last_serial;
  return result;
}

int WorldManager::removeObject(Object *p_o) {
  m_deletions.remove(p_o);
  if (p_o && m_p_view_following == p_o) m_p_view_following = nullptr;
  m_removals++;
  return m_scene_graph.removeObject(p_o);
}

int WorldManager::markForDelete(Object *p_o) {
  // Deleted by the running loop already: the pointer is not touched again.
  if (p_o && m_deleted.contains(p_o)) return 0;
  if (m_deletions.contains(p_o)) return 0;
  if (m_deletions.insert(p_o) == -1) {
    lm().writeLog("WorldManager::markForDelete(): Error! unable to add Object %p to deletions list",
                  static_cast<void *>(p_o));
    return -1;
  }
  return 0;
}

int WorldManager::markForDelete(ObjectList list) {
  m_deletions.reserve(size_t(m_deletions.getCount()) + size_t(list.getCount()));
  int result = 0;
  const int AHEAD = 16;  // look-ups fetched this far ahead
  for (int i = 0; i < list.getCount(); i++) {
    if (i + AHEAD < list.getCount()) m_deletions.prefetch(list[i + AHEAD]);
    if (markForDelete(list[i]) == -1) result = -1;
  }
  return result;
}

void WorldManager::update() {
  ObjectList objects = m_scene_graph.activeObjects();
  int count = objects.getCount();
  // An object taken out of the world during the step (pooled, or deleted by
  // its owner) takes no further part in it, nor one entered at its address
  // since.
  const Walk walk = beginWalk();
  for (int i = 0; i < count; i++) {
    Object *p_o = objects[i];
    if (!takesPart(walk, p_o)) continue;
    Vector p = p_o->predictPosition();
    if (p != p_o->getPosition()) {
      moveObject(p_o, p);
      if (!takesPart(walk, p_o)) continue;
    }
    p_o->followPathStep();
    p_o->applyAcceleration();
  }
  // Objects marked while this loop runs (by destructors) are deleted too.
  while (Object *p_o = m_deletions.front()) {
    m_deleted.add(p_o);
    // Its destructor takes it out of the world and of the deletions.
    delete p_o;
    if (m_deletions.front() == p_o) m_deletions.remove(p_o);
  }
  m_deleted.clear();
  m_deletions.clear();
}

void WorldManager::draw() {
  for (int alt = 0; alt <= MAX_ALTITUDE; alt++) {
    ObjectList visible = m_scene_graph.visibleObjects(alt);
    for (int i = 0; i < visible.getCount(); i++) {
      Object *p_o = visible[i];
      if (boxIntersectsBox(getWorldBox(p_o), m_view) || dynamic_cast<ViewObject *>(p_o)) p_o->draw();
    }
  }
}

int WorldManager::moveObject(Object *p_o, Vector where) {
  if (!p_o) return -1;
  // Out of the world a move is only the setter: no collision, no out event.
  if (!m_scene_graph.holds(p_o)) {
    p_o->setPosition(where);
    return 0;
  }
  if (p_o->isSolid()) {
    struct Depth {
      int &d;
      explicit Depth(int &depth) : d(depth) { d++; }
      ~Depth() { d--; }
    } depth(m_move_depth);
    bool do_move = true;
    std::vector<Object *> *p_list = nullptr, *p_list2 = nullptr;
    auto collect = [&](std::vector<Object *> &out, Vector at) {
      out.clear();
      m_scene_graph.forEachCollision(p_o, at, [&](Object *q) {
        out.push_back(q);
        return true;
      });
    };
    try {
      if (static_cast<int>(m_move_lists.size()) < m_move_depth) m_move_lists.push_back(std::make_unique<MoveLists>());
      MoveLists &lists = *m_move_lists[m_move_depth - 1];
      p_list = &lists.hits;
      p_list2 = &lists.slide;
      collect(*p_list, where);
    } catch (const std::bad_alloc &) {
      lm().writeLog("WorldManager::moveObject(): Error! No memory for the collision list.");
      return -1;
    }
    std::vector<Object *> &list = *p_list;
    if (!list.empty() && p_o->getSolidness() == HARD && p_o->getAvoidCollisions()) {
      Object *p_hard = nullptr;
      for (size_t i = 0; i < list.size() && !p_hard; i++)
        if (list[i]->getSolidness() == HARD) p_hard = list[i];
      if (p_hard) {
        Vector n = getNormal(p_o, p_hard);
        Vector t(n.getY(), n.getX());
        Vector d = p_o->getDirection();
        Vector v(d.getX() * std::fabs(t.getX()), d.getY() * std::fabs(t.getY()));
        if (std::fabs(n.getX()) == 1 && std::fabs(n.getY()) == 1) v.setX(-v.getX());
        v.normalize();
        v.scale(p_o->getSpeed());
        Vector where2 = p_o->getPosition() + v;
        try {
          collect(*p_list2, where2);
        } catch (const std::bad_alloc &) {
          lm().writeLog("WorldManager::moveObject(): Error! No memory for the collision list.");
          return -1;
        }
        for (Object *q : *p_list2)
          if (q->getSolidness() == HARD) {
            lm().writeLog(5, "WorldManager::moveObject(): Double collision. Object (avoid obstacles) cannot move.");
            return -1;
          }
        list.swap(*p_list2);
        where = where2;
      }
    }
    if (!list.empty()) {
      Vector before = p_o->getPosition();
      // Handlers may take either party out of the world: a collision starts
      // only between objects that still take part, and one taken out blocks
      // nothing.
      const Walk walk = beginWalk();
      for (size_t i = 0; i < list.size() && takesPart(walk, p_o); i++) {
        Object *p_q = list[i];
        if (!takesPart(walk, p_q)) continue;
        EventCollision c(p_o, p_q, where);
        p_o->eventHandler(&c);
        p_q->eventHandler(&c);
        if (!takesPart(walk, p_q)) continue;
        if (p_o->getSolidness() == HARD && p_q->getSolidness() == HARD) do_move = false;
        if (p_o->getNoSoft() && p_q->getSolidness() == SOFT) do_move = false;
      }
      if (p_o->getPosition() != before) do_move = false;
    }
    if (!do_move) return -1;
    if (!m_scene_graph.holds(p_o)) {
      p_o->setPosition(where);
      return 0;
    }
  }
  Box old_box = getWorldBox(p_o);
  p_o->setPosition(where);
  Box new_box = getWorldBox(p_o);
  if (boxIntersectsBox(old_box, m_boundary) && !boxIntersectsBox(new_box, m_boundary)) {
    EventOut ov;
    p_o->eventHandler(&ov);
  }
  if (m_p_view_following == p_o) followView(p_o);
  return 0;
}

void WorldManager::followView(Object *p_o) {
  float cx = m_view.getCorner().getX() + m_view.getHorizontal() / 2;
  float cy = m_view.getCorner().getY() + m_view.getVertical() / 2;
  float left = cx - m_view.getHorizontal() * m_view_slack.getX() / 2;
  float right = cx + m_view.getHorizontal() * m_view_slack.getX() / 2;
  float top = cy - m_view.getVertical() * m_view_slack.getY() / 2;
  float bottom = cy + m_view.getVertical() * m_view_slack.getY() / 2;
  Vector p = p_o->getPosition();
  if (p.getX() < left)
    cx = cx - (left - p.getX());
  else if (p.getX() > right)
    cx = cx + (p.getX() - right);
  if (p.getY() < top)
    cy = cy - (top - p.getY());
  else if (p.getY() > bottom)
    cy = cy + (p.getY() - bottom);
  setViewPosition(Vector(cx, cy));
}

ObjectList WorldManager::getAllObjects(bool inactive_too) const {
  ObjectList list = m_scene_graph.activeList().toObjectList();
  if (inactive_too) m_scene_graph.inactiveList().appendTo(list);
  return list;
}

Object *WorldManager::objectWithId(int id) const { return m_scene_graph.objectWithId(id); }

ObjectList WorldManager::objectsOfType(std::string type) { return m_scene_graph.objectsOfType(type); }

ObjectList WorldManager::objectsAtPosition(Vector where) const {
  return objectsInBox(Box(Vector(where.getX() - 0.5f, where.getY() - 0.5f), 0.99f, 0.99f));
}

ObjectList WorldManager::objectsInBox(Box box) const {
  ObjectList list;
  for (Object *p_o : m_scene_graph.activeList())
    if (p_o && boxIntersectsBox(box, getWorldBox(p_o))) list.insert(p_o);
  return list;
}

ObjectList WorldManager::objectsInCircle(Circle circle) const {
  ObjectList list;
  for (Object *p_o : m_scene_graph.activeList())
    if (p_o && circleIntersectsBox(circle, getWorldBox(p_o))) list.insert(p_o);
  return list;
}

ObjectList WorldManager::objectsOnLine(Line line) const {
  ObjectList list;
  for (Object *p_o : m_scene_graph.activeList())
    if (p_o && lineIntersectsBox(line, getWorldBox(p_o))) list.insert(p_o);
  return list;
}

ObjectList WorldManager::solidObjects() const { return m_scene_graph.solidObjects(); }

ObjectList WorldManager::getCollisions(Object *p_o, Vector where) const {
  return m_scene_graph.getCollisions(p_o, where);
}

void WorldManager::setBoundary(Box new_boundary) {
  if (new_boundary == m_boundary) return;
  m_boundary = new_boundary;
  // The grid is rebuilt for the new size; objects that exist stay filed.
  m_scene_graph.getGrid().setBoundary(m_boundary);
  m_scene_graph.restart();
}

Box WorldManager::getBoundary() const { return m_boundary; }

void WorldManager::setView(Box new_view) {
  m_view = new_view;
  setViewCorner(m_view.getCorner());
}

void WorldManager::setViewCorner(Vector corner) {
  m_view.setCorner(corner);
  DisplayManager::getInstance().setViewCorner(corner);
}

Box WorldManager::getView() const { return m_view; }

void WorldManager::setViewSlack(Vector new_view_slack) {
  if (new_view_slack.getX() < 0 || new_view_slack.getX() > 1 || new_view_slack.getY() < 0 ||
      new_view_slack.getY() > 1)
    lm().writeLog("WorldManager::setViewSlack(): Warning! view slack units out of range [0-1]");
  m_view_slack = new_view_slack;
}

Vector WorldManager::getViewSlack() const { return m_view_slack; }

void WorldManager::setViewPosition(Vector view_pos) {
  float x = view_pos.getX() - m_view.getHorizontal() / 2;
  float y = view_pos.getY() - m_view.getVertical() / 2;
  if (x + m_view.getHorizontal() > m_boundary.getHorizontal()) x = m_boundary.getHorizontal() - m_view.getHorizontal();
  if (x < 0) x = 0;
  if (y + m_view.getVertical() > m_boundary.getVertical()) y = m_boundary.getVertical() - m_view.getVertical();
  if (y < 0) y = 0;
  setViewCorner(Vector(x, y));
}

int WorldManager::setViewFollowing(Object *p_new_view_following) {
  if (!p_new_view_following) {
    m_p_view_following = nullptr;
    return 0;
  }
  if (m_scene_graph.activeList().contains(p_new_view_following) ||
      m_scene_graph.inactiveList().contains(p_new_view_following)) {
    m_p_view_following = p_new_view_following;
    setViewPosition(p_new_view_following->getPosition());
    return 0;
  }
  return -1;
}

Object *WorldManager::getViewFollowing() const { return m_p_view_following; }

// Without removals since the walk began, every object it found is still held.
bool WorldManager::takesPart(const Walk &walk, Object *p_o) const {
  return m_removals == walk.removals || (contains(p_o) && p_o->m_world_serial <= walk.last_serial);
}

bool WorldManager::contains(Object *p_o) const {
  return p_o && (m_scene_graph.activeList().contains(p_o) || m_scene_graph.inactiveList().contains(p_o));
}

uint64_t WorldManager::serialOf(Object *p_o) const { return contains(p_o) ? p_o->m_world_serial : 0; }

uint64_t WorldManager::getChangeCount() const { return m_scene_graph.getChangeCount(); }

int WorldManager::getDeletionCount() const { return m_deletions.getCount(); }

} // namespace vx
