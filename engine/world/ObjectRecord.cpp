// The object's attribute record: Object::serialize, Object::deserialize and
// Object::read, driven by one write step and one read step per attribute.
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
  // A read step leaves the reader reading when the record goes on.
  struct Step {
    unsigned int bit;
    void (*write)(Object &o, std::stringstream *p_ss);
    void (*read)(Object &o, RawReader &in);
  };

  // In the record's order, which is not that of the bits.
  static const Step STEPS[];

  static void writeId(Object &o, std::stringstream *p_ss);
  static void readId(Object &o, RawReader &in);
  static void writeActive(Object &o, std::stringstream *p_ss);
  static void readActive(Object &o, RawReader &in);
  static void writeVisible(Object &o, std::stringstream *p_ss);
  static void readVisible(Object &o, RawReader &in);
  static void writeEvents(Object &o, std::stringstream *p_ss);
  static void readEvents(Object &o, RawReader &in);
  static void writeBox(Object &o, std::stringstream *p_ss);
  static void readBox(Object &o, RawReader &in);
  static void writePosition(Object &o, std::stringstream *p_ss);
  static void readPosition(Object &o, RawReader &in);
  static void writeType(Object &o, std::stringstream *p_ss);
  static void readType(Object &o, RawReader &in);
  static void writeAnimation(Object &o, std::stringstream *p_ss);
  static void readAnimation(Object &o, RawReader &in);
  static void writeAltitude(Object &o, std::stringstream *p_ss);
  static void readAltitude(Object &o, RawReader &in);
  static void writeSolidness(Object &o, std::stringstream *p_ss);
  static void readSolidness(Object &o, RawReader &in);
  static void writeNoSoft(Object &o, std::stringstream *p_ss);
  static void readNoSoft(Object &o, RawReader &in);
  static void writeDirection(Object &o, std::stringstream *p_ss);
  static void readDirection(Object &o, RawReader &in);
  static void writeSpeed(Object &o, std::stringstream *p_ss);
  static void readSpeed(Object &o, RawReader &in);
  static void writeAcceleration(Object &o, std::stringstream *p_ss);
  static void readAcceleration(Object &o, RawReader &in);
  static void writeShape(Object &o, std::stringstream *p_ss);
  static void readShape(Object &o, RawReader &in);
  static void writeFollowPath(Object &o, std::stringstream *p_ss);
  static void readFollowPath(Object &o, RawReader &in);
  static void writePath(Object &o, std::stringstream *p_ss);
  static void readPath(Object &o, RawReader &in);
  static void writeAvoidCollisions(Object &o, std::stringstream *p_ss);
  static void readAvoidCollisions(Object &o, RawReader &in);
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

int Object::deserialize(std::stringstream *p_ss, unsigned int *p_attr) {
  unsigned int local_attr = 0;
  if (!p_attr) p_attr = &local_attr;
  *p_attr = 0;
  if (!p_ss) return checkStream("Object::deserialize()", p_ss);
  RawReader in(p_ss);
  return read(in, p_attr);
}

// Reading stops at the first attribute that cannot be read whole (or whose
// length the stream cannot hold): that attribute and all later ones are not
// applied, and the result is -1.
int Object::read(RawReader &in, unsigned int *p_attr) {
  RawReader::Scope scope(in, "Object::deserialize()");
  std::uint32_t mask = 0;
  in.raw(mask);
  *p_attr = mask;
  lm().writeLog(20, "Object::deserialize(): attr %u (%s)", mask, toBinaryString(mask).c_str());
  for (const ObjectRecord::Step &step : ObjectRecord::STEPS) {
    if (!in.reading()) break;
    if (!(mask & step.bit)) continue;
    step.read(*this, in);
    if (in.state() == RawReader::ABANDONED) return -1;
  }

  m_modified = 0;
  lm().writeLog(20, "Object::deserialize(): done checking all types.");
  return in.check();
}

// ------------------------------------------------------------------- ID

void ObjectRecord::writeId(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_id));
  lm().writeLog(25, "\tID: %d", o.m_id);
}

void ObjectRecord::readId(Object &o, RawReader &in) {
  std::int32_t id = 0;
  if (!in.raw(id)) return;
  // The next id (id + 1) must itself be able to advance once more.
  if (id <= INT32_MAX - 2)
    o.setId(id);
  else
    lm().writeLog("Object::deserialize(): Error! Id %d leaves no room for the next id. Ignored.", static_cast<int>(id));
  lm().writeLog(25, "\tID: %d", o.m_id);
}

// ------------------------------------------------------ ACTIVE, VISIBLE

void ObjectRecord::writeActive(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_is_active);
  lm().writeLog(25, "\tACTIVE: %s", vx::toString(o.m_is_active).c_str());
}

void ObjectRecord::readActive(Object &o, RawReader &in) {
  bool active = false;
  if (!in.flag(active)) return;
  o.setActive(active);
  lm().writeLog(25, "\tACTIVE: %s", vx::toString(o.m_is_active).c_str());
}

void ObjectRecord::writeVisible(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_is_visible);
  lm().writeLog(25, "\tVISIBLE: %s", vx::toString(o.m_is_visible).c_str());
}

void ObjectRecord::readVisible(Object &o, RawReader &in) {
  bool visible = false;
  if (!in.flag(visible)) return;
  o.setVisible(visible);
  lm().writeLog(25, "\tVISIBLE: %s", vx::toString(o.m_is_visible).c_str());
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
void ObjectRecord::readEvents(Object &o, RawReader &in) {
  std::int32_t count = 0;
  if (!in.raw(count)) return;
  lm().writeLog(25, "\tEVENTS: %d", static_cast<int>(count));
  if (count < 0) {
    lm().writeLog("Object::deserialize(): Error! Event count %d is negative.", static_cast<int>(count));
    in.fail();
    return;
  }
  if (!in.textsFit(count, "Event name")) return;
  o.unregisterAll();
  for (std::int32_t i = 0; i < count; i++) {
    std::uint64_t n = 0;
    if (!in.length(n, "Event name")) return;
    lm().writeLog(25, "\t\tsize %d", static_cast<int>(n));
    std::string name;
    RawReader::Text got = in.name(n, name);
    if (got == RawReader::TEXT_NO_MEMORY) {
      lm().writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
      // Skip the characters so the rest of the record stays aligned.
      in.skip(n);
      in.mark(RawReader::SKIPPED);
      continue;
    }
    if (got != RawReader::TEXT_OK) return;
    if (o.registerInterest(name) != 0)
      lm().writeLog("Object::deserialize(): Error! Register interest: %s", name.c_str());
    lm().writeLog(25, "\t\t%s (size %d)", name.c_str(), static_cast<int>(n));
  }
}

// --------------------------------------------------------- BOX, POSITION

void ObjectRecord::writeBox(Object &o, std::stringstream *p_ss) {
  o.m_box.serialize(p_ss);
  lm().writeLog(25, "\tBOX: %s", o.m_box.toString().c_str());
}

void ObjectRecord::readBox(Object &o, RawReader &in) {
  Box box;
  box.read(in);
  if (!in.reading()) return;
  o.setBox(box);
  lm().writeLog(25, "\tBOX: %s", o.m_box.toString().c_str());
}

void ObjectRecord::writePosition(Object &o, std::stringstream *p_ss) {
  o.m_position.serialize(p_ss);
  lm().writeLog(25, "\tPOSITION: %s", o.m_position.toString().c_str());
}

void ObjectRecord::readPosition(Object &o, RawReader &in) {
  Vector position;
  position.read(in);
  if (!in.reading()) return;
  o.setPosition(position);
  lm().writeLog(25, "\tPOSITION: %s", o.m_position.toString().c_str());
}

// ----------------------------------------------------------------- TYPE

void ObjectRecord::writeType(Object &o, std::stringstream *p_ss) {
  writeText(p_ss, o.m_type);
  lm().writeLog(25, "\tTYPE: %s", o.m_type.c_str());
}

void ObjectRecord::readType(Object &o, RawReader &in) {
  std::uint64_t n = 0;
  if (!in.length(n, "Type")) return;
  std::string type;
  RawReader::Text got = in.name(n, type);
  if (got == RawReader::TEXT_NO_MEMORY) {
    lm().writeLog("Object::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(n));
    in.mark(RawReader::ABANDONED);
    return;
  }
  if (got != RawReader::TEXT_OK) return;
  o.setType(type);
  lm().writeLog(25, "\tTYPE: %s", o.m_type.c_str());
}

// ------------------------------------------------------------ ANIMATION

void ObjectRecord::writeAnimation(Object &o, std::stringstream *p_ss) {
  o.m_animation.serialize(p_ss);
  lm().writeLog(25, "\tANIMATION: %s", o.m_animation.toString().c_str());
}

// The sprite is looked up by its name; the index and slowdown count read
// outlast the look-up.
void ObjectRecord::readAnimation(Object &o, RawReader &in) {
  Animation animation;
  animation.read(in);
  if (!in.reading()) return;
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
}

// ---------------------------------------------- ALTITUDE, SOLIDNESS, NO_SOFT

void ObjectRecord::writeAltitude(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_altitude));
  lm().writeLog(25, "\tALTITUDE: %d", o.m_altitude);
}

void ObjectRecord::readAltitude(Object &o, RawReader &in) {
  std::int32_t altitude = 0;
  if (!in.raw(altitude)) return;
  o.setAltitude(altitude);
  lm().writeLog(25, "\tALTITUDE: %d", o.m_altitude);
}

void ObjectRecord::writeSolidness(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<std::int32_t>(o.m_solidness));
  lm().writeLog(25, "\tSOLIDNESS: %s", solidnessToString(o.m_solidness).c_str());
}

void ObjectRecord::readSolidness(Object &o, RawReader &in) {
  std::int32_t solidness = 0;
  if (!in.raw(solidness)) return;
  // Only the enumeration's own values are converted to it.
  if (solidness == HARD || solidness == SOFT || solidness == SPECTRAL)
    o.setSolidness(static_cast<Solidness>(solidness));
  else
    lm().writeLog("Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
                  static_cast<int>(solidness));
  lm().writeLog(25, "\tSOLIDNESS: %s", solidnessToString(o.m_solidness).c_str());
}

void ObjectRecord::writeNoSoft(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_no_soft);
  lm().writeLog(25, "\tNO_SOFT: %s", vx::toString(o.m_no_soft).c_str());
}

void ObjectRecord::readNoSoft(Object &o, RawReader &in) {
  bool no_soft = false;
  if (!in.flag(no_soft)) return;
  o.setNoSoft(no_soft);
  lm().writeLog(25, "\tNO_SOFT: %s", vx::toString(o.m_no_soft).c_str());
}

// ------------------------------------------ DIRECTION, SPEED, ACCELERATION

void ObjectRecord::writeDirection(Object &o, std::stringstream *p_ss) {
  o.m_direction.serialize(p_ss);
  lm().writeLog(25, "\tDIRECTION: %s", o.m_direction.toString().c_str());
}

void ObjectRecord::readDirection(Object &o, RawReader &in) {
  Vector direction;
  direction.read(in);
  if (!in.reading()) return;
  o.setDirection(direction);
  lm().writeLog(25, "\tDIRECTION: %s", o.m_direction.toString().c_str());
}

void ObjectRecord::writeSpeed(Object &o, std::stringstream *p_ss) {
  writeRaw(p_ss, static_cast<float>(o.m_speed));
  lm().writeLog(25, "\tSPEED: %f", static_cast<double>(o.m_speed));
}

void ObjectRecord::readSpeed(Object &o, RawReader &in) {
  float speed = 0;
  if (!in.raw(speed)) return;
  o.setSpeed(speed);
  lm().writeLog(25, "\tSPEED: %f", static_cast<double>(o.m_speed));
}

void ObjectRecord::writeAcceleration(Object &o, std::stringstream *p_ss) {
  o.m_acceleration.serialize(p_ss);
  lm().writeLog(25, "\tACCELERATION: %s", o.m_acceleration.toString().c_str());
}

void ObjectRecord::readAcceleration(Object &o, RawReader &in) {
  Vector acceleration;
  acceleration.read(in);
  if (!in.reading()) return;
  o.setAcceleration(acceleration);
  lm().writeLog(25, "\tACCELERATION: %s", o.m_acceleration.toString().c_str());
}

// ---------------------------------------------------------------- SHAPE

void ObjectRecord::writeShape(Object &o, std::stringstream *p_ss) {
  o.m_shape.serialize(p_ss);
  lm().writeLog(25, "\tSHAPE: %s", o.m_shape.toString().c_str());
}

// Read over the object's own shape: a field the shape refuses (a type or
// colour outside its enumeration) keeps the object's value.
void ObjectRecord::readShape(Object &o, RawReader &in) {
  Shape shape = o.m_shape;
  shape.read(in);
  if (!in.reading()) return;
  o.setShape(shape);
  lm().writeLog(25, "\tSHAPE: %s", o.m_shape.toString().c_str());
}

// ---------------------------------------------------- FOLLOW_PATH, PATH

void ObjectRecord::writeFollowPath(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_follow_path);
  lm().writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(o.m_follow_path).c_str());
}

void ObjectRecord::readFollowPath(Object &o, RawReader &in) {
  bool follow = false;
  if (!in.flag(follow)) return;
  o.setFollowPath(follow);
  lm().writeLog(25, "\tFOLLOW_PATH: %s", vx::toString(o.m_follow_path).c_str());
}

void ObjectRecord::writePath(Object &o, std::stringstream *p_ss) {
  o.m_path.serialize(p_ss);
  lm().writeLog(25, "\tPATH: %s", o.m_path.toString().c_str());
}

void ObjectRecord::readPath(Object &o, RawReader &in) {
  // The waypoint count must fit in the bytes after it (8 per waypoint).
  if (!in.countAheadFits(8, "Path", "waypoints")) return;
  Path path;
  path.read(in);
  if (!in.reading()) return;
  o.setPath(path);
  lm().writeLog(25, "\tPATH: %s", o.m_path.toString().c_str());
}

// ----------------------------------------------------- AVOID_COLLISIONS

void ObjectRecord::writeAvoidCollisions(Object &o, std::stringstream *p_ss) {
  writeFlag(p_ss, o.m_avoid_collisions);
  lm().writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(o.m_avoid_collisions).c_str());
}

void ObjectRecord::readAvoidCollisions(Object &o, RawReader &in) {
  bool avoid = false;
  if (!in.flag(avoid)) return;
  o.setAvoidCollisions(avoid);
  lm().writeLog(25, "\tAVOID_COLLISIONS: %s", vx::toString(o.m_avoid_collisions).c_str());
}

} // namespace vx
