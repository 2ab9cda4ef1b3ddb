#include "world/Object.h"

#include <climits>
#include <cstdint>
#include <new>
#include <utility>

#include "core/GameManager.h"
#include "core/LogManager.h"
#include "core/PlaneGeometry.h"
#include "core/RawStream.h"
#include "display/InputManager.h"
#include "display/ResourceManager.h"
#include "network/NetworkManager.h"
#include "path/EventPath.h"
#include "path/PathFind.h"
#include "path/PathManager.h"
#include "world/WorldManager.h"

namespace vx {

int Object::s_next_id = 1;

namespace {

LogManager &lm() { return LogManager::getInstance(); }

SceneGraph &sceneGraph() { return WorldManager::getInstance().getSceneGraph(); }

// The manager that owns an event type.
Manager &managerFor(const std::string &event_type) {
  if (event_type == "vx-keyboard" || event_type == "vx-mouse") return InputManager::getInstance();
  if (event_type == "vx-step") return GameManager::getInstance();
  if (event_type == "vx-network" || event_type == "vx-keyboard-network" || event_type == "vx-mouse-network" ||
      event_type == "vx-network-create" || event_type == "vx-custom-network" ||
      event_type == "vx-network-delete" || event_type == "vx-network-game-over" ||
      event_type == "vx-network-sync")
    return NetworkManager::getInstance();
  return WorldManager::getInstance();
}

Vector normalized(Vector v) {
  v.normalize();
  return v;
}

} // namespace

Object::Object() : m_grid_stamp(0), m_id_slot(-1), m_world_serial(0) {
  m_id = s_next_id;
  if (s_next_id < INT_MAX) s_next_id++;
  m_follow_path = false;
  m_p_path_find = nullptr;
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
  for (int i = m_event_count - 1; i >= 0; i--) {
    if (i >= m_event_count) continue;
    std::string name = m_event_name[i];
    unregisterInterest(name);
  }
  if (m_p_path_find) {
    PathManager::getInstance().removePath(m_p_path_find);
    delete m_p_path_find;
    m_p_path_find = nullptr;
  }
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
PathFind *Object::getPathFind() const { return m_p_path_find; }
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
  sceneGraph().removeObject(this);
  m_box = new_box;
  sceneGraph().insertObject(this);
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
  if (m_p_path_find) {
    PathManager::getInstance().removePath(m_p_path_find);
    delete m_p_path_find;
    m_p_path_find = nullptr;
  }
  m_p_path_find = new (std::nothrow) PathFind(this, m_position, position);
  if (!m_p_path_find) {
    lm().writeLog("Object::pathTo(): Error! Unable to allocate memory for PathFind.");
    return;
  }
  PathManager::getInstance().addPath(m_p_path_find);
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
    m_p_path_find->setTarget(p_target);
  else
    lm().writeLog("Object::pathTo(): path find not allocated!");
}

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
  if (m_p_path_find) {
    PathManager::getInstance().removePath(m_p_path_find);
    delete m_p_path_find;
    m_p_path_find = nullptr;
  }
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
  if (managerFor(event_type).registerInterest(this, event_type) == -1) return -1;
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
  if (managerFor(event_type).unregisterInterest(this, event_type) == -1) return -1;
  m_event_name.erase(m_event_name.begin() + index);
  m_event_count--;
  m_modified |= EVENTS;
  return 0;
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

// ------------------------------------------------------------ serialisation

namespace {

// A length read from the stream must fit in what is left of it; otherwise
// logs, fails the stream and returns false.
bool serLengthFits(std::stringstream *p_ss, std::uint64_t n, const char *what) {
  long long left = bytesLeft(p_ss);
  if (left >= 0 && n <= static_cast<unsigned long long>(left)) return true;
  LogManager::getInstance().writeLog("Object::deserialize(): Error! %s length %llu exceeds the %lld bytes left.",
                                     what, static_cast<unsigned long long>(n), left < 0 ? 0LL : left);
  p_ss->setstate(std::ios::failbit);
  return false;
}

enum SerText { SER_TEXT_OK, SER_TEXT_NO_MEMORY, SER_TEXT_SHORT };

// Reads n characters (n already checked against the stream) into out; a
// zero byte ends the text. out is set only when all n arrived.
SerText serReadText(std::stringstream *p_ss, std::uint64_t n, std::string &out) {
  char *p_buf = new (std::nothrow) char[n + 1];
  if (!p_buf) return SER_TEXT_NO_MEMORY;
  if (n > 0) p_ss->read(p_buf, static_cast<std::streamsize>(n));
  std::streamsize got = n > 0 ? p_ss->gcount() : 0;
  p_buf[got > 0 ? got : 0] = '\0';
  bool complete = got == static_cast<std::streamsize>(n) && !p_ss->fail();
  if (complete) out = p_buf;
  delete[] p_buf;
  return complete ? SER_TEXT_OK : SER_TEXT_SHORT;
}

// Walks count event names without consuming them: true when every length
// can be read and fits in the stream (else logged, stream failed).
bool serEventsFit(std::stringstream *p_ss, std::int32_t count) {
  std::streampos start = p_ss->tellg();
  for (std::int32_t i = 0; i < count; i++) {
    std::uint64_t n = 0;
    if (!readRaw(p_ss, n) || !serLengthFits(p_ss, n, "Event name")) return false;
    p_ss->seekg(static_cast<std::streamoff>(n), std::ios::cur);
    if (!p_ss->good()) return false;
  }
  p_ss->seekg(start);
  return p_ss->good();
}

} // namespace

int Object::serialize(std::stringstream *p_ss, unsigned int attr) {
  const LogManager &log = LogManager::getInstance();
  log.writeLog(20, "Object::serialize(): attr is %u, modified is %u (%s)", attr, m_modified, vx::toString(bool(isModified())).c_str());
  log.writeLog(25, "\t%s", toBinaryString(attr).c_str());
  if (!p_ss) return checkStream("Object::serialize()", p_ss);

  const std::uint32_t mask = attr != 0 ? attr : m_modified;
  writeRaw(p_ss, mask);
  // A bit is cleared only once its attribute reached the stream.
  auto written = [&](unsigned int bit) {
    if (p_ss->good()) m_modified &= ~bit;
  };

  if (mask & ID) {
    writeRaw(p_ss, static_cast<std::int32_t>(m_id));
    written(ID);
    log.writeLog(25, "\tID: %d", m_id);
  }
  if (mask & ACTIVE) {
    writeRaw(p_ss, static_cast<std::uint8_t>(m_is_active ? 1 : 0));
    written(ACTIVE);
    log.writeLog(25, "\tACTIVE: %s", vx::toString(bool(m_is_active)).c_str());
  }
  if (mask & VISIBLE) {
    writeRaw(p_ss, static_cast<std::uint8_t>(m_is_visible ? 1 : 0));
    written(VISIBLE);
    log.writeLog(25, "\tVISIBLE: %s", vx::toString(bool(m_is_visible)).c_str());
  }
  if (mask & EVENTS) {
    writeRaw(p_ss, static_cast<std::int32_t>(m_event_count));
    log.writeLog(25, "\tEVENTS: %d", m_event_count);
    for (int i = 0; i < m_event_count; i++) {
      writeText(p_ss, m_event_name[i]);
      log.writeLog(25, "\t\t%s (size %d)", m_event_name[i].c_str(), static_cast<int>(m_event_name[i].size()));
    }
    written(EVENTS);
  }
  if (mask & BOX) {
    m_box.serialize(p_ss);
    written(BOX);
    log.writeLog(25, "\tBOX: %s", m_box.toString().c_str());
  }
  if (mask & POSITION) {
    m_position.serialize(p_ss);
    written(POSITION);
    log.writeLog(25, "\tPOSITION: %s", m_position.toString().c_str());
  }
  if (mask & TYPE) {
    writeText(p_ss, m_type);
    written(TYPE);
    log.writeLog(25, "\tTYPE: %s", m_type.c_str());
  }
  if (mask & ANIMATION) {
    m_animation.serialize(p_ss);
    written(ANIMATION);
    log.writeLog(25, "\tANIMATION: %s", m_animation.toString().c_str());
  }
  if (mask & ALTITUDE) {
    writeRaw(p_ss, static_cast<std::int32_t>(m_altitude));
    written(ALTITUDE);
    log.writeLog(25, "\tALTITUDE: %d", m_altitude);
  }
  if (mask & SOLIDNESS) {
    writeRaw(p_ss, static_cast<std::int32_t>(m_solidness));
    written(SOLIDNESS);
    log.writeLog(25, "\tSOLIDNESS: %s", solidnessToString(m_solidness).c_str());
  }
  if (mask & NO_SOFT) {
    writeRaw(p_ss, static_cast<std::uint8_t>(m_no_soft ? 1 : 0));
    written(NO_SOFT);
    log.writeLog(25, "\tNO_SOFT: %s", vx::toString(bool(m_no_soft)).c_str());
  }
  if (mask & DIRECTION) {
    m_direction.serialize(p_ss);
    written(DIRECTION);
    log.writeLog(25, "\tDIRECTION: %s", m_direction.toString().c_str());
  }
  if (mask & SPEED) {
    writeRaw(p_ss, static_cast<float>(m_speed));
    written(SPEED);
    log.writeLog(25, "\tSPEED: %f", static_cast<double>(m_speed));
  }
  if (mask & ACCELERATION) {
    m_acceleration.serialize(p_ss);
    written(ACCELERATION);
    log.writeLog(25, "\tACCELERATION: %s", m_acceleration.toString().c_str());
  }
  if (mask & SHAPE) {
    m_shape.serialize(p_ss);
    written(SHAPE);
    log.writeLog(25, "\tSHAPE: %s", m_shape.toString().c_str());
  }
  if (mask & FOLLOW_PATH) {
    writeRaw(p_ss, static_cast<std::uint8_t>(m_follow_path ? 1 : 0));
    written(FOLLOW_PATH);
    log.writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(bool(m_follow_path)).c_str());
  }
  if (mask & PATH) {
    m_path.serialize(p_ss);
    written(PATH);
    log.writeLog(25, "\tPATH: %s", m_path.toString().c_str());
  }
  if (mask & AVOID_COLLISIONS) {
    writeRaw(p_ss, static_cast<std::uint8_t>(m_avoid_collisions ? 1 : 0));
    written(AVOID_COLLISIONS);
    log.writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(bool(m_avoid_collisions)).c_str());
  }
  return checkStream("Object::serialize()", p_ss);
}

// Reading stops at the first field that cannot be read whole (or whose
// length the stream cannot hold): that field and all later ones are not
// applied, and the result is -1.
int Object::deserialize(std::stringstream *p_ss, unsigned int *p_attr) {
  const LogManager &log = LogManager::getInstance();
  unsigned int local_attr = 0;
  if (!p_attr) p_attr = &local_attr;
  *p_attr = 0;
  if (!p_ss) return checkStream("Object::deserialize()", p_ss);

  std::uint32_t mask = 0;
  bool ok = readRaw(p_ss, mask);
  bool failed = false;  // a failure the stream does not show
  *p_attr = mask;
  log.writeLog(20, "Object::deserialize(): attr %u (%s)", mask, toBinaryString(mask).c_str());

  if (ok && (mask & ID)) {
    std::int32_t id = 0;
    if ((ok = readRaw(p_ss, id))) {
      // The next id (id + 1) must itself be able to advance once more.
      if (id <= INT32_MAX - 2)
        setId(id);
      else
        log.writeLog("Object::deserialize(): Error! Id %d leaves no room for the next id. Ignored.",
                     static_cast<int>(id));
      log.writeLog(25, "\tID: %d", m_id);
    }
  }
  if (ok && (mask & ACTIVE)) {
    bool active = false;
    if ((ok = readFlag(p_ss, active))) {
      setActive(active);
      log.writeLog(25, "\tACTIVE: %s", vx::toString(bool(m_is_active)).c_str());
    }
  }
  if (ok && (mask & VISIBLE)) {
    bool visible = false;
    if ((ok = readFlag(p_ss, visible))) {
      setVisible(visible);
      log.writeLog(25, "\tVISIBLE: %s", vx::toString(bool(m_is_visible)).c_str());
    }
  }
  if (ok && (mask & EVENTS)) {
    // The current interests go only once the whole list is known to be there.
    std::int32_t count = 0;
    if ((ok = readRaw(p_ss, count))) {
      log.writeLog(25, "\tEVENTS: %d", static_cast<int>(count));
      if (count < 0) {
        log.writeLog("Object::deserialize(): Error! Event count %d is negative.", static_cast<int>(count));
        p_ss->setstate(std::ios::failbit);
        ok = false;
      } else {
        ok = serEventsFit(p_ss, count);
      }
    }
    if (ok) {
      for (int i = m_event_count - 1; i >= 0; i--) {
        if (i >= m_event_count) continue;
        std::string name = m_event_name[i];
        unregisterInterest(name);
      }
      for (std::int32_t i = 0; ok && i < count; i++) {
        std::uint64_t n = 0;
        if (!(ok = readRaw(p_ss, n) && serLengthFits(p_ss, n, "Event name"))) break;
        log.writeLog(25, "\t\tsize %d", static_cast<int>(n));
        std::string name;
        SerText got = serReadText(p_ss, n, name);
        if (got == SER_TEXT_NO_MEMORY) {
          log.writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
          // Skip the characters so the rest of the record stays aligned.
          p_ss->ignore(static_cast<std::streamsize>(n));
          ok = p_ss->good();
          failed = true;
          continue;
        }
        if (!(ok = got == SER_TEXT_OK)) break;
        if (registerInterest(name) != 0)
          log.writeLog("Object::deserialize(): Error! Register interest: %s", name.c_str());
        log.writeLog(25, "\t\t%s (size %d)", name.c_str(), static_cast<int>(n));
      }
    }
  }
  if (ok && (mask & BOX)) {
    Box box;
    if ((ok = box.deserialize(p_ss) == 0)) {
      setBox(box);
      log.writeLog(25, "\tBOX: %s", m_box.toString().c_str());
    }
  }
  if (ok && (mask & POSITION)) {
    Vector position;
    if ((ok = position.deserialize(p_ss) == 0)) {
      setPosition(position);
      log.writeLog(25, "\tPOSITION: %s", m_position.toString().c_str());
    }
  }
  if (ok && (mask & TYPE)) {
    std::uint64_t n = 0;
    if ((ok = readRaw(p_ss, n) && serLengthFits(p_ss, n, "Type"))) {
      std::string type;
      SerText got = serReadText(p_ss, n, type);
      if (got == SER_TEXT_NO_MEMORY) {
        log.writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
        return -1;
      }
      if ((ok = got == SER_TEXT_OK)) {
        setType(type);
        log.writeLog(25, "\tTYPE: %s", m_type.c_str());
      }
    }
  }
  if (ok && (mask & ANIMATION)) {
    Animation animation;
    if ((ok = animation.deserialize(p_ss) == 0)) {
      setAnimation(animation, true);
      std::string name = animation.getName();
      if (!name.empty()) {
        int index = animation.getIndex();
        int slowdown_count = animation.getSlowdownCount();
        setSprite(name);
        Animation copy = m_animation;
        copy.setIndex(index);
        copy.setSlowdownCount(slowdown_count);
        setAnimation(copy, true);
      }
      log.writeLog(25, "\tANIMATION: %s", m_animation.toString().c_str());
    } else if (p_ss->good()) {
      failed = true;  // refused without touching the stream
    }
  }
  if (ok && (mask & ALTITUDE)) {
    std::int32_t altitude = 0;
    if ((ok = readRaw(p_ss, altitude))) {
      setAltitude(altitude);
      log.writeLog(25, "\tALTITUDE: %d", m_altitude);
    }
  }
  if (ok && (mask & SOLIDNESS)) {
    std::int32_t solidness = 0;
    if ((ok = readRaw(p_ss, solidness))) {
      // Only the enumeration's own values are converted to it.
      if (solidness == HARD || solidness == SOFT || solidness == SPECTRAL)
        setSolidness(static_cast<Solidness>(solidness));
      else
        log.writeLog("Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
                     static_cast<int>(solidness));
      log.writeLog(25, "\tSOLIDNESS: %s", solidnessToString(m_solidness).c_str());
    }
  }
  if (ok && (mask & NO_SOFT)) {
    bool no_soft = false;
    if ((ok = readFlag(p_ss, no_soft))) {
      setNoSoft(no_soft);
      log.writeLog(25, "\tNO_SOFT: %s", vx::toString(bool(m_no_soft)).c_str());
    }
  }
  if (ok && (mask & DIRECTION)) {
    Vector direction;
    if ((ok = direction.deserialize(p_ss) == 0)) {
      setDirection(direction);
      log.writeLog(25, "\tDIRECTION: %s", m_direction.toString().c_str());
    }
  }
  if (ok && (mask & SPEED)) {
    float speed = 0;
    if ((ok = readRaw(p_ss, speed))) {
      setSpeed(speed);
      log.writeLog(25, "\tSPEED: %f", static_cast<double>(m_speed));
    }
  }
  if (ok && (mask & ACCELERATION)) {
    Vector acceleration;
    if ((ok = acceleration.deserialize(p_ss) == 0)) {
      setAcceleration(acceleration);
      log.writeLog(25, "\tACCELERATION: %s", m_acceleration.toString().c_str());
    }
  }
  if (ok && (mask & SHAPE)) {
    // Read over the object's own shape: a field the shape refuses (a type
    // or colour outside its enumeration) keeps the object's value.
    Shape shape = m_shape;
    shape.deserialize(p_ss);
    if ((ok = p_ss->good())) {
      setShape(shape);
      log.writeLog(25, "\tSHAPE: %s", m_shape.toString().c_str());
    }
  }
  if (ok && (mask & FOLLOW_PATH)) {
    bool follow = false;
    if ((ok = readFlag(p_ss, follow))) {
      setFollowPath(follow);
      log.writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(bool(m_follow_path)).c_str());
    }
  }
  if (ok && (mask & PATH)) {
    // The waypoint count must fit in the bytes after it (8 per waypoint).
    std::streampos at = p_ss->tellg();
    std::uint64_t count = 0;
    if ((ok = readRaw(p_ss, count))) {
      long long left = bytesLeft(p_ss);
      if (left < 0 || count > static_cast<unsigned long long>(left) / 8) {
        log.writeLog("Object::deserialize(): Error! Path of %llu waypoints exceeds the %lld bytes left.",
                     static_cast<unsigned long long>(count), left < 0 ? 0LL : left);
        p_ss->setstate(std::ios::failbit);
        ok = false;
      } else {
        p_ss->seekg(at);
        ok = p_ss->good();
      }
    }
  }
  if (ok && (mask & PATH)) {
    Path path;
    if ((ok = path.deserialize(p_ss) == 0)) {
      setPath(path);
      log.writeLog(25, "\tPATH: %s", m_path.toString().c_str());
    }
  }
  if (ok && (mask & AVOID_COLLISIONS)) {
    bool avoid = false;
    if ((ok = readFlag(p_ss, avoid))) {
      setAvoidCollisions(avoid);
      log.writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(bool(m_avoid_collisions)).c_str());
    }
  }

  m_modified = 0;
  log.writeLog(20, "Object::deserialize(): done checking all types.");
  int result = checkStream("Object::deserialize()", p_ss);
  return failed ? -1 : result;
}

} // namespace vx
