#include "world/Object.h"

#include <climits>
#include <new>
#include <utility>

#include "core/EventOwner.h"
#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "display/InputManager.h"
#include "display/ResourceManager.h"
#include "world/EventPath.h"
#include "world/WorldManager.h"

namespace vx {

int Object::s_next_id = 1;

namespace {

LogManager &lm() { return LogManager::getInstance(); }

SceneGraph &sceneGraph() { return WorldManager::getInstance().getSceneGraph(); }

// The manager that takes an event type (core/EventOwner.h). The game and
// network managers sit above the world: Manager::find reaches them (nullptr,
// with a line, when the program has not made the game manager).
Manager *managerFor(const std::string &event_type, const char *who) {
  EventOwner owner = eventOwner(event_type);
  if (owner == EventOwner::INPUT) return &InputManager::getInstance();
  if (owner == EventOwner::WORLD) return &WorldManager::getInstance();
  Manager *p_m = Manager::find(ownerType(owner));
  if (!p_m)
    lm().writeLog("%s: Error! No %s to take event '%s'.", who, ownerType(owner), event_type.c_str());
  return p_m;
}

Vector normalized(Vector v) {
  v.normalize();
  return v;
}

} // namespace

Object::Object() : m_grid_stamp(0), m_id_slot(-1), m_in_scene_graph(false), m_world_serial(0) {
  m_id = s_next_id;
  if (s_next_id < INT_MAX) s_next_id++;
  m_follow_path = false;
  m_type = "(Undefined)";
  m_is_visible = true;
  m_is_active = true;
  m_event_count = 0;
  m_solidness = HARD;
  m_shape.setType(ShapeType::UNDEFINED);
  m_box = Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
  m_altitude = 2;
  m_speed = 0;
  m_direction = Vector(0, 0);
  m_acceleration = Vector(0, 0);
  m_no_soft = false;
  m_avoid_collisions = false;
  m_position = Vector(1, 1);
  m_modified = ALL_ATTRIBUTES;
  if (WorldManager::getInstance().insertObject(this) == -1)
    lm().writeLog("Object::Object(): Error! Unable to add %p to game world.", static_cast<void *>(this));
}

Object::~Object() {
  unregisterAll();
  endPathFind();
  if (WorldManager::getInstance().removeObject(this) == -1)
    lm().writeLog("Object::~Object(): Error! Unable to remove %p from game world.", static_cast<void *>(this));
}

// ------------------------------------------------------------------ accessors

std::string Object::getType() const { return m_type; }
bool Object::isVisible() const { return m_is_visible; }
Animation Object::getAnimation() const { return m_animation; }
int Object::getEventCount() const { return m_event_count; }
unsigned int Object::getModified() const { return m_modified; }
Shape Object::getShape() const { return m_shape; }
PathFind *Object::getPathFind() const { return m_p_path_find.get(); }
Path Object::getPath() const { return m_path; }

Vector Object::getVelocity() const {
  Vector v = m_direction;
  v.scale(m_speed);
  return v;
}

bool Object::isModified() const { return m_modified != 0; }
bool Object::isModified(unsigned int attr) const { return (m_modified & attr) != 0; }

std::string Object::getEventName(int index) const {
  if (index < 0 || index >= m_event_count) return "";
  return m_event_name[index];
}

// -------------------------------------------------------------------- setters

void Object::setId(int new_id) {
  if (new_id == m_id) return;
  if (new_id >= s_next_id) s_next_id = new_id < INT_MAX ? new_id + 1 : INT_MAX;
  sceneGraph().updateId(this, new_id);
  m_id = new_id;
  m_modified |= ID;
}

void Object::setType(std::string new_type) {
  sceneGraph().updateType(this, new_type);
  m_type = new_type;
  m_modified |= TYPE;
}

int Object::setActive(bool active) {
  if (active == m_is_active) return 0;
  if (sceneGraph().updateActive(this, active) == -1) return -1;
  m_is_active = active;
  m_modified |= ACTIVE;
  return 0;
}

int Object::setVisible(bool visible) {
  if (visible == isVisible()) return 0;
  if (sceneGraph().updateVisible(this, visible) == -1) return -1;
  m_is_visible = visible;
  m_modified |= VISIBLE;
  return 0;
}

void Object::setBox(Box new_box) {
  if (new_box == m_box) return;
  SceneGraph &sg = sceneGraph();
  bool held = sg.holds(this);
  if (held) sg.removeObject(this);
  m_box = new_box;
  if (held) sg.insertObject(this);
  m_modified |= BOX;
}

int Object::setPosition(Vector new_pos) {
  if (new_pos == m_position) return 0;
  sceneGraph().updatePosition(this, new_pos);
  m_position = new_pos;
  m_modified |= POSITION;
  return 0;
}

int Object::setAltitude(int new_altitude) {
  if (new_altitude == m_altitude) return 0;
  if (!valueInRange(static_cast<float>(new_altitude), 0, MAX_ALTITUDE)) {
    lm().writeLog("Object::setAltitude(): Altitude %d not in range [%d,%d].  Ignored.", new_altitude, 0,
                  MAX_ALTITUDE);
    return -1;
  }
  if (sceneGraph().updateAltitude(this, new_altitude) == -1) return -1;
  m_altitude = new_altitude;
  m_modified |= ALTITUDE;
  return 0;
}

int Object::setSolidness(Solidness new_solid) {
  if (static_cast<int>(new_solid) == m_solidness) return 0;
  if (new_solid != HARD && new_solid != SOFT && new_solid != SPECTRAL) {
    lm().writeLog("Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
                  static_cast<int>(new_solid));
    return -1;
  }
  if (sceneGraph().updateSolidness(this, new_solid) == -1) return -1;
  m_solidness = new_solid;
  m_modified |= SOLIDNESS;
  return 0;
}

void Object::setNoSoft(bool no_soft) {
  m_no_soft = no_soft;
  m_modified |= NO_SOFT;
}

void Object::setSpeed(float speed) {
  m_speed = speed;
  m_modified |= SPEED;
}

void Object::setAcceleration(Vector new_acceleration) {
  m_acceleration = new_acceleration;
  m_modified |= ACCELERATION;
}

void Object::setAvoidCollisions(bool avoid) {
  m_avoid_collisions = avoid;
  m_modified |= AVOID_COLLISIONS;
}

void Object::setShape(Shape new_shape) {
  m_shape = new_shape;
  m_modified |= SHAPE;
}

void Object::setPath(Path new_path) {
  m_path = new_path;
  m_modified |= PATH;
}

void Object::setModified(unsigned int modified) { m_modified = modified; }

void Object::setAnimation(Animation new_animation, bool set_box) {
  m_animation = new_animation;
  m_modified |= ANIMATION;
  if (set_box) setBox(m_animation.getBox());
}

int Object::setSprite(std::string sprite_label) {
  Sprite *p_sprite = ResourceManager::getInstance().getSprite(sprite_label);
  if (!p_sprite) {
    lm().writeLog("Object::setSprite(): Warning! Sprite '%s' not found", sprite_label.c_str());
    return -1;
  }
  m_animation.setSprite(p_sprite);
  setBox(m_animation.getBox());
  return 0;
}

int Object::draw() {
  int result = m_animation.draw(m_position);
  if (m_shape.getType() != ShapeType::UNDEFINED) m_shape.draw(m_position);
  return result;
}

// --------------------------------------------------------------------- motion

void Object::setDirection(Vector new_direction) {
  m_direction = normalized(new_direction);
  m_modified |= DIRECTION;
}

void Object::setVelocity(Vector new_velocity) {
  m_speed = new_velocity.getMagnitude();
  m_direction = normalized(new_velocity);
  m_modified |= SPEED | DIRECTION;
}


void Object::applyAcceleration() {
  if (m_acceleration == Vector(0, 0)) return;
  setVelocity(getVelocity() + m_acceleration);
}

void Object::headToward(Vector target) { setDirection(normalized(target - m_position)); }

void Object::setFollowPath(bool follow) {
  m_follow_path = follow;
  if (!m_path.isDone()) headToward(m_path.getCurrent());
  m_modified |= FOLLOW_PATH;
}

void Object::followPathStep() {
  if (!m_follow_path) return;
  while (true) {
    if (m_path.isDone()) {
      setDirection(Vector(0, 0));
      setFollowPath(false);
      return;
    }
    Vector w = m_path.getCurrent();
    float product = 3.0f * m_speed;
    double threshold = product / 4.0;
    float d = distance(m_position, w);
    if (d > threshold) {
      headToward(w);
      return;
    }
    setPosition(w);
    m_path++;
    m_modified |= PATH;
  }
}

void Object::pathTo(Vector position) {
  endPathFind();
  PathSearches *p_searches = dynamic_cast<PathSearches *>(Manager::find("PathManager"));
  if (!p_searches) {
    lm().writeLog("Object::pathTo(): Error! No path manager to search.");
    return;
  }
  // Made and listed with the path manager.
  m_p_path_find = std::unique_ptr<PathFind, EndPathSearch>(p_searches->startSearch(this, m_position, position),
                                                           EndPathSearch{p_searches});
  if (!m_p_path_find) {
    lm().writeLog("Object::pathTo(): Error! Unable to allocate memory for PathFind.");
    return;
  }
  if (m_follow_path) {
    m_follow_path = false;
    m_modified |= FOLLOW_PATH;
  }
  setAvoidCollisions(true);
}

void Object::pathTo(Object *p_target) {
  if (!p_target) return;
  pathTo(p_target->getPosition());
  if (m_p_path_find)
    m_p_path_find.get_deleter().p_from->setSearchTarget(m_p_path_find.get(), p_target);
  else
    lm().writeLog("Object::pathTo(): path find not allocated!");
}

// Out of the path manager's list, then deleted.
void Object::endPathFind() { m_p_path_find.reset(); }

int Object::eventHandler(const Event *p_e) {
  if (!p_e || p_e->getType() != EVENT_PATH) return 0;
  const EventPath *p_path_event = dynamic_cast<const EventPath *>(p_e);
  if (!p_path_event) {
    lm().writeLog("Object::eventHandler(): Error! Dynamic cast to EventPath failed.");
    return 0;
  }
  if (p_path_event->getResult() == FOUND) {
    setPath(p_path_event->getPath());
    setFollowPath(true);
  }
  endPathFind();
  return 1;
}

// ------------------------------------------------------------------ interests

int Object::registerInterest(std::string event_type) {
  if (m_event_count == MAX_OBJ_EVENTS) {
    lm().writeLog("Object::registerInterest(): maximum (%d) reached, cannot register for event '%s'",
                  MAX_OBJ_EVENTS, event_type.c_str());
    return -1;
  }
  // Room for the name first, so that a registration is never left unrecorded.
  try {
    m_event_name.reserve(static_cast<size_t>(m_event_count) + 1);
  } catch (const std::bad_alloc &) {
    lm().writeLog("Object::registerInterest(): Error! No memory to register for event '%s'", event_type.c_str());
    return -1;
  }
  Manager *p_m = managerFor(event_type, "Object::registerInterest()");
  if (!p_m || p_m->registerInterest(&m_listener, event_type) == -1) return -1;
  m_event_name.push_back(std::move(event_type));
  m_event_count++;
  m_modified |= EVENTS;
  return 0;
}

int Object::unregisterInterest(std::string event_type) {
  int index = -1;
  for (int i = 0; i < m_event_count && index < 0; i++)
    if (m_event_name[i] == event_type) index = i;
  if (index < 0) {
    lm().writeLog("Object::unregisterInterest(): event '%s' not previously registered", event_type.c_str());
    return -1;
  }
  Manager *p_m = managerFor(event_type, "Object::unregisterInterest()");
  if (!p_m || p_m->unregisterInterest(&m_listener, event_type) == -1) return -1;
  m_event_name.erase(m_event_name.begin() + index);
  m_event_count--;
  m_modified |= EVENTS;
  return 0;
}

void Object::unregisterAll() {
  for (int i = m_event_count - 1; i >= 0; i--) {
    if (i >= m_event_count) continue;
    std::string name = m_event_name[i];
    unregisterInterest(name);
  }
}

// ----------------------------------------------------------------- the rest

std::string Object::toString() const {
  std::string s;
  s += vx::toString(m_id);
  s += ", " + m_type;
  s += ", " + m_position.toString();
  s += ", active " + vx::toString(m_is_active);
  s += ", visible " + vx::toString(isVisible());
  s += ", [" + m_box.toString();
  s += "], dir " + m_direction.toString();
  s += ", speed " + vx::toString(m_speed);
  s += ", accel " + m_acceleration.toString();
  s += ", alt " + vx::toString(m_altitude);
  s += ", " + solidnessToString(m_solidness);
  s += ", [ani " + m_animation.toString();
  // The two swapped labels below are kept verbatim on purpose: logs and tests read them.
  s += "], " + vx::toString(m_no_soft);
  s += ", no soft " + vx::toString(m_event_count);
  s += ", [shape " + m_shape.toString();
  s += "], [path " + m_path.toString();
  s += ", follow " + vx::toString(m_follow_path);
  s += ", avoid" + vx::toString(m_avoid_collisions);
  s += "]";
  return s;
}

bool Object::operator==(const Object &other) const {
  if (m_id != other.m_id || m_type != other.m_type || m_is_active != other.m_is_active ||
      m_is_visible != other.m_is_visible || m_box != other.m_box || m_position != other.m_position ||
      m_direction != other.m_direction || !(m_speed == other.m_speed) || m_acceleration != other.m_acceleration ||
      m_altitude != other.m_altitude || m_solidness != other.m_solidness || m_animation != other.m_animation ||
      m_no_soft != other.m_no_soft || m_event_count != other.m_event_count || m_shape != other.m_shape ||
      m_path != other.m_path || m_follow_path != other.m_follow_path ||
      m_avoid_collisions != other.m_avoid_collisions)
    return false;
  for (int i = 0; i < m_event_count; i++)
    if (m_event_name[i] != other.m_event_name[i]) return false;
  return true;
}

bool Object::operator!=(const Object &other) const { return !(*this == other); }

} // namespace vx
