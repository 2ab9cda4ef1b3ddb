// The object's attribute record: Object::serialize and Object::deserialize,
// driven by one write step and one read step per attribute.
#include <climits>
#include <cstdint>

#include "core/LogManager.h"
#include "core/RawStream.h"
#include "core/Utility.h"
#include "world/Object.h"

namespace vx {

// The record's steps; a friend of Object.
class ObjectRecord {
 public:
  // How reading goes on after a step: with the next attribute, not at all
  // (the record ends there), or not even to the end of the record.
  enum Next { READ_ON, STOP, ABANDON };

  // A record being read. refused: a part was refused without the stream
  // showing it; the record then fails.
  struct Reading {
    RawReader in;
    bool refused;
  };

  struct Step {
    unsigned int bit;
    void (*write)(Object &o, std::stringstream *p_ss);
    Next (*read)(Object &o, Reading &r);
  };

  // In the record's order, which is not that of the bits.
  static const Step STEPS[];

  static void writeId(Object &o, std::stringstream *p_ss);
  static Next readId(Object &o, Reading &r);
  static void writeActive(Object &o, std::stringstream *p_ss);
  static Next readActive(Object &o, Reading &r);
  static void writeVisible(Object &o, std::stringstream *p_ss);
  static Next readVisible(Object &o, Reading &r);
  static void writeEvents(Object &o, std::stringstream *p_ss);
  static Next readEvents(Object &o, Reading &r);
  static void writeBox(Object &o, std::stringstream *p_ss);
  static Next readBox(Object &o, Reading &r);
  static void writePosition(Object &o, std::stringstream *p_ss);
  static Next readPosition(Object &o, Reading &r);
  static void writeType(Object &o, std::stringstream *p_ss);
  static Next readType(Object &o, Reading &r);
  static void writeAnimation(Object &o, std::stringstream *p_ss);
  static Next readAnimation(Object &o, Reading &r);
  static void writeAltitude(Object &o, std::stringstream *p_ss);
  static Next readAltitude(Object &o, Reading &r);
  static void writeSolidness(Object &o, std::stringstream *p_ss);
  static Next readSolidness(Object &o, Reading &r);
  static void writeNoSoft(Object &o, std::stringstream *p_ss);
  static Next readNoSoft(Object &o, Reading &r);
  static void writeDirection(Object &o, std::stringstream *p_ss);
  static Next readDirection(Object &o, Reading &r);
  static void writeSpeed(Object &o, std::stringstream *p_ss);
  static Next readSpeed(Object &o, Reading &r);
  static void writeAcceleration(Object &o, std::stringstream *p_ss);
  static Next readAcceleration(Object &o, Reading &r);
  static void writeShape(Object &o, std::stringstream *p_ss);
  static Next readShape(Object &o, Reading &r);
  static void writeFollowPath(Object &o, std::stringstream *p_ss);
  static Next readFollowPath(Object &o, Reading &r);
  static void writePath(Object &o, std::stringstream *p_ss);
  static Next readPath(Object &o, Reading &r);
  static void writeAvoidCollisions(Object &o, std::stringstream *p_ss);
  static Next readAvoidCollisions(Object &o, Reading &r);
};

const ObjectRecord::Step ObjectRecord::STEPS[] = {
    {ID, writeId, readId},
    {ACTIVE, writeActive, readActive},
    {VISIBLE, writeVisible, readVisible},
    {EVENTS, writeEvents, readEvents},
    {BOX, writeBox, readBox},
    {POSITION, writePosition, readPosition},
    {TYPE, writeType, readType},
    {ANIMATION, writeAnimation, readAnimation},
    {ALTITUDE, writeAltitude, readAltitude},
    {SOLIDNESS, writeSolidness, readSolidness},
    {NO_SOFT, writeNoSoft, readNoSoft},
    {DIRECTION, writeDirection, readDirection},
    {SPEED, writeSpeed, readSpeed},
    {ACCELERATION, writeAcceleration, readAcceleration},
    {SHAPE, writeShape, readShape},
    {FOLLOW_PATH, writeFollowPath, readFollowPath},
    {PATH, writePath, readPath},
    {AVOID_COLLISIONS, writeAvoidCollisions, readAvoidCollisions},
};

namespace {

const LogManager &lm() { return LogManager::getInstance(); }

} // namespace

int Object::serialize(std::stringstream *p_ss, unsigned int attr) {
  lm().writeLog(20, "Object::serialize(): attr is %u, modified is %u (%s)", attr, m_modified,
                vx::toString(isModified()).c_str());
  lm().writeLog(25, "\t%s", toBinaryString(attr).c_str());
  if (!p_ss) return checkStream("Object::serialize()", p_ss);

  const std::uint32_t mask = attr != 0 ? attr : m_modified;
  writeRaw(p_ss, mask);
  for (const ObjectRecord::Step &step : ObjectRecord::STEPS) {
    if (!(mask & step.bit)) continue;
    step.write(*this, p_ss);
    // A bit is cleared only once its attribute reached the stream.
    if (p_ss->good()) m_modified &= ~step.bit;
  }
  return checkStream("Object::serialize()", p_ss);
}

// Reading stops at the first attribute that cannot be read whole (or whose
// length the stream cannot hold): that attribute and all later ones are not
// applied, and the result is -1.
int Object::deserialize(std::stringstream *p_ss, unsigned int *p_attr) {
  unsigned int local_attr = 0;
  if (!p_attr) p_attr = &local_attr;
  *p_attr = 0;
  if (!p_ss) return checkStream("Object::deserialize()", p_ss);

  ObjectRecord::Reading r{RawReader(p_ss, "Object::deserialize()"), false};
  std::uint32_t mask = 0;
  bool ok = r.in.raw(mask);
  *p_attr = mask;
  lm().writeLog(20, "Object::deserialize(): attr %u (%s)", mask, toBinaryString(mask).c_str());
  for (const ObjectRecord::Step &step : ObjectRecord::STEPS) {
    if (!ok) break;
    if (!(mask & step.bit)) continue;
    ObjectRecord::Next next = step.read(*this, r);
    if (next == ObjectRecord::ABANDON) return -1;
    ok = next == ObjectRecord::READ_ON;
  }

  m_modified = 0;
  lm().writeLog(20, "Object::deserialize(): done checking all types.");
  int result = r.in.check();
  return r.refused ? -1 : result;
}

// ------------------------------------------------------------------- ID

void ObjectRecord::writeId(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_id));
  lm().writeLog(25, "\tID: %d", o.m_id);
}

ObjectRecord::Next ObjectRecord::readId(Object &o, Reading &r) {
  std::int32_t id = 0;
  if (!r.in.raw(id)) return STOP;
  // The next id (id + 1) must itself be able to advance once more.
  if (id <= INT32_MAX - 2)
    o.setId(id);
  else
    lm().writeLog("Object::deserialize(): Error! Id %d leaves no room for the next id. Ignored.", static_cast<int>(id));
  lm().writeLog(25, "\tID: %d", o.m_id);
  return READ_ON;
}

// ------------------------------------------------------ ACTIVE, VISIBLE

void ObjectRecord::writeActive(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_is_active);
  lm().writeLog(25, "\tACTIVE: %s", vx::toString(o.m_is_active).c_str());
}

ObjectRecord::Next ObjectRecord::readActive(Object &o, Reading &r) {
  bool active = false;
  if (!r.in.flag(active)) return STOP;
  o.setActive(active);
  lm().writeLog(25, "\tACTIVE: %s", vx::toString(o.m_is_active).c_str());
  return READ_ON;
}

void ObjectRecord::writeVisible(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_is_visible);
  lm().writeLog(25, "\tVISIBLE: %s", vx::toString(o.m_is_visible).c_str());
}

ObjectRecord::Next ObjectRecord::readVisible(Object &o, Reading &r) {
  bool visible = false;
  if (!r.in.flag(visible)) return STOP;
  o.setVisible(visible);
  lm().writeLog(25, "\tVISIBLE: %s", vx::toString(o.m_is_visible).c_str());
  return READ_ON;
}

// --------------------------------------------------------------- EVENTS

void ObjectRecord::writeEvents(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_event_count));
  lm().writeLog(25, "\tEVENTS: %d", o.m_event_count);
  for (int i = 0; i < o.m_event_count; i++) {
    writeText(p_ss, o.m_event_name[i]);
    lm().writeLog(25, "\t\t%s (size %d)", o.m_event_name[i].c_str(), static_cast<int>(o.m_event_name[i].size()));
  }
}

// The current interests go only once the whole list is known to be there.
ObjectRecord::Next ObjectRecord::readEvents(Object &o, Reading &r) {
  std::int32_t count = 0;
  if (!r.in.raw(count)) return STOP;
  lm().writeLog(25, "\tEVENTS: %d", static_cast<int>(count));
  if (count < 0) {
    lm().writeLog("Object::deserialize(): Error! Event count %d is negative.", static_cast<int>(count));
    r.in.fail();
    return STOP;
  }
  if (!r.in.textsFit(count, "Event name")) return STOP;
  o.unregisterAll();
  for (std::int32_t i = 0; i < count; i++) {
    std::uint64_t n = 0;
    if (!r.in.length(n, "Event name")) return STOP;
    lm().writeLog(25, "\t\tsize %d", static_cast<int>(n));
    std::string name;
    RawReader::Text got = r.in.name(n, name);
    if (got == RawReader::TEXT_NO_MEMORY) {
      lm().writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
      // Skip the characters so the rest of the record stays aligned.
      r.in.skip(n);
      r.refused = true;
      if (!r.in.good()) return STOP;
      continue;
    }
    if (got != RawReader::TEXT_OK) return STOP;
    if (o.registerInterest(name) != 0)
      lm().writeLog("Object::deserialize(): Error! Register interest: %s", name.c_str());
    lm().writeLog(25, "\t\t%s (size %d)", name.c_str(), static_cast<int>(n));
  }
  return READ_ON;
}

// --------------------------------------------------------- BOX, POSITION

void ObjectRecord::writeBox(Object &o, std::stringstream *p_ss) {
  o.m_box.serialize(p_ss);
  lm().writeLog(25, "\tBOX: %s", o.m_box.toString().c_str());
}

ObjectRecord::Next ObjectRecord::readBox(Object &o, Reading &r) {
  Box box;
  if (box.deserialize(r.in.stream()) != 0) return STOP;
  o.setBox(box);
  lm().writeLog(25, "\tBOX: %s", o.m_box.toString().c_str());
  return READ_ON;
}

void ObjectRecord::writePosition(Object &o, std::stringstream *p_ss) {
  o.m_position.serialize(p_ss);
  lm().writeLog(25, "\tPOSITION: %s", o.m_position.toString().c_str());
}

ObjectRecord::Next ObjectRecord::readPosition(Object &o, Reading &r) {
  Vector position;
  if (position.deserialize(r.in.stream()) != 0) return STOP;
  o.setPosition(position);
  lm().writeLog(25, "\tPOSITION: %s", o.m_position.toString().c_str());
  return READ_ON;
}

// ----------------------------------------------------------------- TYPE

void ObjectRecord::writeType(Object &o, std::stringstream *p_ss) {
  writeText(p_ss, o.m_type);
  lm().writeLog(25, "\tTYPE: %s", o.m_type.c_str());
}

ObjectRecord::Next ObjectRecord::readType(Object &o, Reading &r) {
  std::uint64_t n = 0;
  if (!r.in.length(n, "Type")) return STOP;
  std::string type;
  RawReader::Text got = r.in.name(n, type);
  if (got == RawReader::TEXT_NO_MEMORY) {
    lm().writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
    return ABANDON;
  }
  if (got != RawReader::TEXT_OK) return STOP;
  o.setType(type);
  lm().writeLog(25, "\tTYPE: %s", o.m_type.c_str());
  return READ_ON;
}

// ------------------------------------------------------------ ANIMATION

void ObjectRecord::writeAnimation(Object &o, std::stringstream *p_ss) {
  o.m_animation.serialize(p_ss);
  lm().writeLog(25, "\tANIMATION: %s", o.m_animation.toString().c_str());
}

// The sprite is looked up by its name; the index and slowdown count read
// outlast the look-up.
ObjectRecord::Next ObjectRecord::readAnimation(Object &o, Reading &r) {
  Animation animation;
  if (animation.deserialize(r.in.stream()) != 0) {
    if (r.in.good()) r.refused = true;  // refused without touching the stream
    return STOP;
  }
  o.setAnimation(animation, true);
  std::string name = animation.getName();
  if (!name.empty()) {
    int index = animation.getIndex();
    int slowdown_count = animation.getSlowdownCount();
    o.setSprite(name);
    Animation copy = o.m_animation;
    copy.setIndex(index);
    copy.setSlowdownCount(slowdown_count);
    o.setAnimation(copy, true);
  }
  lm().writeLog(25, "\tANIMATION: %s", o.m_animation.toString().c_str());
  return READ_ON;
}

// ---------------------------------------------- ALTITUDE, SOLIDNESS, NO_SOFT

void ObjectRecord::writeAltitude(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_altitude));
  lm().writeLog(25, "\tALTITUDE: %d", o.m_altitude);
}

ObjectRecord::Next ObjectRecord::readAltitude(Object &o, Reading &r) {
  std::int32_t altitude = 0;
  if (!r.in.raw(altitude)) return STOP;
  o.setAltitude(altitude);
  lm().writeLog(25, "\tALTITUDE: %d", o.m_altitude);
  return READ_ON;
}

void ObjectRecord::writeSolidness(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_solidness));
  lm().writeLog(25, "\tSOLIDNESS: %s", solidnessToString(o.m_solidness).c_str());
}

ObjectRecord::Next ObjectRecord::readSolidness(Object &o, Reading &r) {
  std::int32_t solidness = 0;
  if (!r.in.raw(solidness)) return STOP;
  // Only the enumeration's own values are converted to it.
  if (solidness == HARD || solidness == SOFT || solidness == SPECTRAL)
    o.setSolidness(static_cast<Solidness>(solidness));
  else
    lm().writeLog("Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
                  static_cast<int>(solidness));
  lm().writeLog(25, "\tSOLIDNESS: %s", solidnessToString(o.m_solidness).c_str());
  return READ_ON;
}

void ObjectRecord::writeNoSoft(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_no_soft);
  lm().writeLog(25, "\tNO_SOFT: %s", vx::toString(o.m_no_soft).c_str());
}

ObjectRecord::Next ObjectRecord::readNoSoft(Object &o, Reading &r) {
  bool no_soft = false;
  if (!r.in.flag(no_soft)) return STOP;
  o.setNoSoft(no_soft);
  lm().writeLog(25, "\tNO_SOFT: %s", vx::toString(o.m_no_soft).c_str());
  return READ_ON;
}

// ------------------------------------------ DIRECTION, SPEED, ACCELERATION

void ObjectRecord::writeDirection(Object &o, std::stringstream *p_ss) {
  o.m_direction.serialize(p_ss);
  lm().writeLog(25, "\tDIRECTION: %s", o.m_direction.toString().c_str());
}

ObjectRecord::Next ObjectRecord::readDirection(Object &o, Reading &r) {
  Vector direction;
  if (direction.deserialize(r.in.stream()) != 0) return STOP;
  o.setDirection(direction);
  lm().writeLog(25, "\tDIRECTION: %s", o.m_direction.toString().c_str());
  return READ_ON;
}

void ObjectRecord::writeSpeed(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<float>(o.m_speed));
  lm().writeLog(25, "\tSPEED: %f", static_cast<double>(o.m_speed));
}

ObjectRecord::Next ObjectRecord::readSpeed(Object &o, Reading &r) {
  float speed = 0;
  if (!r.in.raw(speed)) return STOP;
  o.setSpeed(speed);
  lm().writeLog(25, "\tSPEED: %f", static_cast<double>(o.m_speed));
  return READ_ON;
}

void ObjectRecord::writeAcceleration(Object &o, std::stringstream *p_ss) {
  o.m_acceleration.serialize(p_ss);
  lm().writeLog(25, "\tACCELERATION: %s", o.m_acceleration.toString().c_str());
}

ObjectRecord::Next ObjectRecord::readAcceleration(Object &o, Reading &r) {
  Vector acceleration;
  if (acceleration.deserialize(r.in.stream()) != 0) return STOP;
  o.setAcceleration(acceleration);
  lm().writeLog(25, "\tACCELERATION: %s", o.m_acceleration.toString().c_str());
  return READ_ON;
}

// ---------------------------------------------------------------- SHAPE

void ObjectRecord::writeShape(Object &o, std::stringstream *p_ss) {
  o.m_shape.serialize(p_ss);
  lm().writeLog(25, "\tSHAPE: %s", o.m_shape.toString().c_str());
}

// Read over the object's own shape: a field the shape refuses (a type or
// colour outside its enumeration) keeps the object's value.
ObjectRecord::Next ObjectRecord::readShape(Object &o, Reading &r) {
  Shape shape = o.m_shape;
  shape.deserialize(r.in.stream());
  if (!r.in.good()) return STOP;
  o.setShape(shape);
  lm().writeLog(25, "\tSHAPE: %s", o.m_shape.toString().c_str());
  return READ_ON;
}

// ---------------------------------------------------- FOLLOW_PATH, PATH

void ObjectRecord::writeFollowPath(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_follow_path);
  lm().writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(o.m_follow_path).c_str());
}

ObjectRecord::Next ObjectRecord::readFollowPath(Object &o, Reading &r) {
  bool follow = false;
  if (!r.in.flag(follow)) return STOP;
  o.setFollowPath(follow);
  lm().writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(o.m_follow_path).c_str());
  return READ_ON;
}

void ObjectRecord::writePath(Object &o, std::stringstream *p_ss) {
  o.m_path.serialize(p_ss);
  lm().writeLog(25, "\tPATH: %s", o.m_path.toString().c_str());
}

ObjectRecord::Next ObjectRecord::readPath(Object &o, Reading &r) {
  // The waypoint count must fit in the bytes after it (8 per waypoint).
  if (!r.in.countAheadFits(8, "Path", "waypoints")) return STOP;
  Path path;
  if (path.deserialize(r.in.stream()) != 0) return STOP;
  o.setPath(path);
  lm().writeLog(25, "\tPATH: %s", o.m_path.toString().c_str());
  return READ_ON;
}

// ----------------------------------------------------- AVOID_COLLISIONS

void ObjectRecord::writeAvoidCollisions(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_avoid_collisions);
  lm().writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(o.m_avoid_collisions).c_str());
}

ObjectRecord::Next ObjectRecord::readAvoidCollisions(Object &o, Reading &r) {
  bool avoid = false;
  if (!r.in.flag(avoid)) return STOP;
  o.setAvoidCollisions(avoid);
  lm().writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(o.m_avoid_collisions).c_str());
  return READ_ON;
}

} // namespace vx
