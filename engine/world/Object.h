#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/Box.h"
#include "core/Event.h"
#include "core/Listener.h"
#include "core/Utility.h"
#include "core/Vector.h"
#include "display/Animation.h"
#include "display/Path.h"
#include "display/Shape.h"
#include "world/GridPlace.h"
#include "world/PathSearches.h"

namespace vx {

class Grid;
class RawReader;

// One bit per object attribute: the modified set and the serialised mask.
enum ObjectAttribute : unsigned int {
  ID = 0x1,
  ACTIVE = 0x2,
  VISIBLE = 0x4,
  EVENTS = 0x8,
  BOX = 0x10,
  POSITION = 0x20,
  TYPE = 0x40,
  ANIMATION = 0x80,
  ALTITUDE = 0x100,
  SOLIDNESS = 0x200,
  NO_SOFT = 0x400,
  SPEED = 0x800,
  DIRECTION = 0x1000,
  ACCELERATION = 0x2000,
  SHAPE = 0x4000,
  PATH = 0x8000,
  FOLLOW_PATH = 0x10000,
  AVOID_COLLISIONS = 0x20000,
  ALL_ATTRIBUTES = 0x3ffff,
};

const int MAX_ALTITUDE = 4;
const int MAX_OBJ_EVENTS = 100;

// Base of every game object. The constructor enters it into the world
// manager and the destructor takes it out; delete only through
// WorldManager::markForDelete.
class Object {
 private:
  int m_id;
  std::string m_type;
  bool m_is_active;
  bool m_is_visible;
  // Read by every step: kept beside the other per-step fields.
  bool m_follow_path;
  Box m_box;
  Vector m_position;
  Vector m_direction;
  float m_speed;
  Vector m_acceleration;
  int m_altitude;
  int m_solidness;
  Animation m_animation;
  bool m_no_soft;
  int m_event_count;
  // Registered event types in order; grows with registrations, at most
  // MAX_OBJ_EVENTS.
  std::vector<std::string> m_event_name;
  unsigned int m_modified;
  Shape m_shape;
  std::unique_ptr<PathFind, EndPathSearch> m_p_path_find;
  Path m_path;
  bool m_avoid_collisions;

  // Bookkeeping of the grid: the collision query's de-duplication stamp and
  // where the object is filed.
  mutable unsigned long long m_grid_stamp;
  GridPlace m_grid_place;
  friend class Grid;
  // Place in the scene graph's id index (-1 when not in it).
  int m_id_slot;
  // True while the scene graph holds the object (in its active or inactive
  // list); out of it, setters change only the object.
  bool m_in_scene_graph;
  friend class SceneGraph;
  // Given by the world manager as the object enters the world (0: never
  // entered); no two objects of a run share one.
  uint64_t m_world_serial;
  friend class WorldManager;
  // The steps of the attribute record.
  friend class ObjectRecord;

  // What the managers deliver to: a member rather than a base, so that the
  // object's own virtual operations are its first. It hands each event to
  // eventHandler; an active object listens.
  class AsListener : public Listener {
   private:
    Object &m_o;

   public:
    explicit AsListener(Object &o) : m_o(o) {}
    int eventHandler(const Event *p_e) override { return m_o.eventHandler(p_e); }
    bool isListening() const override { return m_o.m_is_active; }
    int getListenerId() const override { return m_o.m_id; }
    std::string getListenerType() const override { return m_o.m_type; }
  };
  AsListener m_listener{*this};

  // Takes the pending path search out of the path manager and deletes it.
  void endPathFind();
  // Unregisters every interest, from the last to the first.
  void unregisterAll();

 protected:
  // Next id handed out; subclasses may decrement it to give a value back.
  static int s_next_id;

  // The attribute record from the reader given (ObjectRecord.cpp); p_attr
  // (not null) gets the mask. A subclass reads its own attributes after it
  // on the same reader.
  int read(RawReader &in, unsigned int *p_attr);

 public:
  Object();
  Object(const Object &) = delete;
  Object &operator=(const Object &) = delete;

  // Virtual slots, in this order.
  virtual ~Object();
  virtual void setType(std::string new_type);
  virtual int setPosition(Vector new_pos);
  virtual int eventHandler(const Event *p_e);
  virtual int setSolidness(Solidness new_solid);
  virtual void setAvoidCollisions(bool avoid = true);
  virtual int setAltitude(int new_altitude);
  virtual void setDirection(Vector new_direction);
  virtual void setVelocity(Vector new_velocity);
  virtual void setAcceleration(Vector new_acceleration);
  virtual bool isVisible() const;
  virtual int setActive(bool active = true);
  virtual void setBox(Box new_box);
  virtual int setSprite(std::string sprite_label);
  virtual void setAnimation(Animation new_animation, bool set_box = true);
  virtual int draw();
  // The attribute record, written and read in ObjectRecord.cpp.
  virtual int serialize(std::stringstream *p_ss, unsigned int attr = 0);
  virtual int deserialize(std::stringstream *p_ss, unsigned int *p_attr = nullptr);
  virtual void setModified(unsigned int modified);
  virtual unsigned int getModified() const;
  virtual void setShape(Shape new_shape);
  virtual void setFollowPath(bool follow = true);

  // Accessors.
  int getId() const { return m_id; }
  std::string getType() const;
  bool isActive() const { return m_is_active; }
  // The object as the managers take it (Manager::registerInterest).
  Listener *getListener() { return &m_listener; }
  Box getBox() const { return m_box; }
  Vector getPosition() const { return m_position; }
  Vector getDirection() const { return m_direction; }
  float getSpeed() const { return m_speed; }
  Vector getAcceleration() const { return m_acceleration; }
  int getAltitude() const { return m_altitude; }
  Solidness getSolidness() const { return static_cast<Solidness>(m_solidness); }
  Animation getAnimation() const;
  bool getNoSoft() const { return m_no_soft; }
  int getEventCount() const;
  Shape getShape() const;
  PathFind *getPathFind() const;
  Path getPath() const;
  bool getFollowPath() const { return m_follow_path; }
  bool getAvoidCollisions() const { return m_avoid_collisions; }
  Vector getVelocity() const;
  bool isSolid() const { return m_solidness == HARD || m_solidness == SOFT; }
  bool isModified() const;
  bool isModified(unsigned int attr) const;
  // The i-th registered event type ("" outside 0..count-1).
  std::string getEventName(int index) const;

  // Setters outside the virtual slots.
  void setId(int new_id);
  int setVisible(bool visible = true);
  void setNoSoft(bool no_soft = true);
  void setSpeed(float speed);
  void setPath(Path new_path);

  // Motion.
  Vector predictPosition() const {
    Vector v = m_direction;
    v.scale(m_speed);
    return m_position + v;
  }
  void applyAcceleration();
  void headToward(Vector target);
  void followPathStep();
  void pathTo(Vector position);
  void pathTo(Object *p_target);

  // Event interests, routed to the manager that owns the type.
  int registerInterest(std::string event_type);
  int unregisterInterest(std::string event_type);

  std::string toString() const;

  bool operator==(const Object &other) const;
  bool operator!=(const Object &other) const;
};

} // namespace vx
