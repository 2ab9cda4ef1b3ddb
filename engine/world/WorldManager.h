#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Box.h"
#include "core/Circle.h"
#include "core/FlatMap.h"
#include "core/Line.h"
#include "core/Manager.h"
#include "core/ObjectList.h"
#include "core/Vector.h"
#include "world/SceneGraph.h"

namespace vx {

class Object;

// Owns the game world: moves, collides, draws and deletes its objects,
// answers queries, and keeps the boundary and the view.
class WorldManager : public Manager {
 private:
  WorldManager();
  WorldManager(const WorldManager &) = delete;
  void operator=(const WorldManager &) = delete;

  SceneGraph m_scene_graph;
  TrackedList m_deletions;
  Object *m_p_view_following;
  Box m_boundary;
  Box m_view;
  Vector m_view_slack;
  // Objects deleted by the running deletion loop (never deleted twice), in
  // the order deleted; looked up through an index made at the first look-up,
  // as destructors seldom mark anything.
  class DeletedObjects {
   private:
    std::vector<Object *> m_order;
    FlatMap<const Object *, bool> m_index;
    size_t m_indexed;  // of m_order, those in m_index

    void catchUp();

   public:
    DeletedObjects() : m_indexed(0) {}
    void add(Object *p_o) { m_order.push_back(p_o); }
    bool contains(Object *p_o);
    // A new object made at the address of a deleted one.
    void forget(Object *p_o);
    void clear();
  };
  DeletedObjects m_deleted;
  // Collision lists of moveObject, one pair per nesting depth (handlers may
  // move objects too); kept so that moves allocate nothing.
  struct MoveLists {
    std::vector<Object *> hits;
    std::vector<Object *> slide;
  };
  std::vector<std::unique_ptr<MoveLists>> m_move_lists;
  int m_move_depth;
  // The last serial number given to an object entering the world.
  uint64_t m_last_serial;
  // Calls of removeObject so far.
  uint64_t m_removals;
  // The world as a walk over its objects found it (the step's, a move's
  // collision loop). An object takes part in the walk while the world holds
  // it and it was entered before the walk began; this is decided by pointer,
  // and never reads an object taken out since (it may be freed).
  struct Walk {
    uint64_t removals;
    uint64_t last_serial;
  };
  Walk beginWalk() const { return Walk{m_removals, m_last_serial}; }
  bool takesPart(const Walk &walk, Object *p_o) const;

  void followView(Object *p_o);
  // Stores the view corner and tells the display, which draws from it.
  void setViewCorner(Vector corner);

 public:
  static WorldManager &getInstance();

  bool isValid(std::string event_type) const override;
  ~WorldManager() override;
  int startUp() override;
  void shutDown() override;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);
  int markForDelete(Object *p_o);
  int markForDelete(ObjectList list);

  void update();
  void draw();
  int moveObject(Object *p_o, Vector where);

  ObjectList getAllObjects(bool inactive_too = false) const;
  Object *objectWithId(int id) const;
  ObjectList objectsOfType(std::string type);
  ObjectList objectsAtPosition(Vector where) const;
  ObjectList objectsInBox(Box box) const;
  ObjectList objectsInCircle(Circle circle) const;
  ObjectList objectsOnLine(Line line) const;
  ObjectList solidObjects() const;
  ObjectList getCollisions(Object *p_o, Vector where) const;
  // Calls visit(q) for each object of getCollisions(p_o, where), in its
  // order, until visit returns false; allocates nothing. visit must not
  // change the world or query its grid.
  template <class Visit>
  void forEachCollision(Object *p_o, Vector where, Visit visit) const {
    m_scene_graph.forEachCollision(p_o, where, visit);
  }

  void setBoundary(Box new_boundary);
  Box getBoundary() const;
  void setView(Box new_view);
  Box getView() const;
  void setViewSlack(Vector new_view_slack);
  Vector getViewSlack() const;
  void setViewPosition(Vector view_pos);
  int setViewFollowing(Object *p_new_view_following);
  Object *getViewFollowing() const;

  // True when the object is in the world, active or not: the pointer is
  // compared, never followed, so any pointer may be asked about.
  bool contains(Object *p_o) const;
  // The serial number the object was given as it entered the world, or 0
  // when it is not in the world. An object deleted and another made at its
  // address have different numbers.
  uint64_t serialOf(Object *p_o) const;

  SceneGraph &getSceneGraph() { return m_scene_graph; }
  // Changes with every insertion, removal, move, box, solidness, activity,
  // boundary or grid cell size change: answers of the collision queries stay
  // valid while it does not.
  uint64_t getChangeCount() const;
  // Number of objects queued for deletion.
  int getDeletionCount() const;
};

} // namespace vx
