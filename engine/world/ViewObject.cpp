#include "world/ViewObject.h"

#include <cstdint>

#include "core/LogManager.h"
#include "core/RawStream.h"
#include "core/Utility.h"
#include "display/DisplayManager.h"
#include "world/EventView.h"
#include "world/Geometry.h"
#include "world/WorldManager.h"

namespace vx {

ViewObject::ViewObject() : Object() {
  setSolidness(SPECTRAL);
  setAltitude(MAX_ALTITUDE);
  setType("ViewObject");
  m_view_string = "";
  m_value = 0;
  m_border = true;
  m_color = WHITE;
  m_location = UNDEFINED_LOCATION;
  setLocation(TOP_CENTER);
  m_draw_value = true;
  registerInterest(EVENT_VIEW);
  setModified(getModified() | VALUE | APPEARANCE);
}

ViewObject::~ViewObject() {}

void ViewObject::setLocation(int new_location) {
  if (new_location < TOP_LEFT || new_location > BOTTOM_RIGHT) {
    LogManager::getInstance().writeLog(
        "ViewObject::setLocation(): Warning! Location out of range (%d). Ignored.", new_location);
    return;
  }
  Box view = WorldManager::getInstance().getView();
  float h = view.getHorizontal();
  float v = view.getVertical();
  float x = 0, y = 0;
  switch (new_location % 3) {
    case 0: x = h * 1 / 6; break;
    case 1: x = new_location == CENTER_CENTER ? h * 1 / 2 : h * 3 / 6; break;
    default: x = h * 5 / 6; break;
  }
  if (new_location <= TOP_RIGHT)
    y = m_border ? 1 : 0;
  else if (new_location <= CENTER_RIGHT)
    y = m_border ? v * 1 / 2 : v * 1 / 2 - 1;
  else
    y = m_border ? v - 2 : v - 1;
  setPosition(Vector(x, y));
  m_location = new_location;
  setModified(getModified() | APPEARANCE);
}

int ViewObject::setPosition(Vector new_position) {
  if (new_position == getPosition()) return 0;
  m_location = UNDEFINED_LOCATION;
  int result = Object::setPosition(new_position);
  setModified(getModified() | APPEARANCE);
  return result;
}

void ViewObject::setBorder(bool new_border) {
  if (new_border == m_border) return;
  m_border = new_border;
  setModified(getModified() | APPEARANCE);
  if (m_location != UNDEFINED_LOCATION) setLocation(m_location);
}

void ViewObject::setColor(Color new_color) {
  if (new_color == m_color) return;
  m_color = new_color;
  setModified(getModified() | APPEARANCE);
}

void ViewObject::setDrawValue(bool new_draw_value) {
  if (new_draw_value == m_draw_value) return;
  m_draw_value = new_draw_value;
  setModified(getModified() | APPEARANCE);
}

void ViewObject::setViewString(std::string new_view_string) {
  if (new_view_string == m_view_string) return;
  m_view_string = new_view_string;
  setModified(getModified() | APPEARANCE);
}

void ViewObject::setValue(int new_value) {
  if (new_value == m_value) return;
  m_value = new_value;
  setModified(getModified() | VALUE);
}

std::string ViewObject::getViewString() const { return m_view_string; }
int ViewObject::getValue() const { return m_value; }
bool ViewObject::getDrawValue() const { return m_draw_value; }
bool ViewObject::getBorder() const { return m_border; }
Color ViewObject::getColor() const { return m_color; }
int ViewObject::getLocation() const { return m_location; }

int ViewObject::eventHandler(const Event *p_e) {
  if (p_e && p_e->getType() == EVENT_VIEW) {
    // Only a real view event is applied; anything else typed "vx-view" is ignored.
    const EventView *p_ve = dynamic_cast<const EventView *>(p_e);
    if (!p_ve) return 0;
    if (p_ve->getTag() != m_view_string) return 0;
    if (p_ve->getDelta()) {
      // Held at the int limits instead of wrapping.
      setValue(clampToInt(int64_t(m_value) + p_ve->getValue()));
    } else
      setValue(p_ve->getValue());
    return 1;
  }
  return Object::eventHandler(p_e);
}

std::string ViewObject::buildText() const {
  std::string value = std::to_string(m_value);
  if (m_border && m_draw_value) return " " + m_view_string + " " + value + " ";
  if (m_border) return " " + m_view_string + " ";
  if (m_draw_value) return m_view_string + " " + value;
  return m_view_string;
}

int ViewObject::draw() {
  std::string text = buildText();
  Vector w = viewToWorld(getPosition());
  const DisplayManager &dm = DisplayManager::getInstance();
  int result = dm.drawString(w, text, CENTER_JUSTIFIED, m_color);
  if (!m_border) return result;
  int n = static_cast<int>(text.size());
  std::string dashes(text.size(), '-');
  result += dm.drawString(Vector(w.getX(), w.getY() - 1), dashes, CENTER_JUSTIFIED, m_color);
  result += dm.drawString(Vector(w.getX(), w.getY() + 1), dashes, CENTER_JUSTIFIED, m_color);
  result += dm.drawCh(Vector(w.getX() - n / 2 - 1, w.getY()), '|', m_color, 0);
  result += dm.drawCh(Vector(w.getX() - n / 2 + n, w.getY()), '|', m_color, 0);
  return result;
}

bool ViewObject::operator==(const ViewObject &other) const {
  return Object::operator==(other) && m_view_string == other.m_view_string &&
         m_value == other.m_value && m_draw_value == other.m_draw_value &&
         m_border == other.m_border && m_color == other.m_color &&
         m_location == other.m_location;
}

bool ViewObject::operator!=(const ViewObject &other) const { return !(*this == other); }

std::string ViewObject::toString() const {
  return Object::toString() + ", " + m_view_string + ", " + std::to_string(m_value) +
         ", value " + vx::toString(bool(m_draw_value)).c_str() + ", border " + vx::toString(bool(m_border)).c_str() + ", " +
         colorToString(m_color) + ", " + locationToString(m_location);
}

int ViewObject::serialize(std::stringstream *p_ss, unsigned int attr) {
  const LogManager &log = LogManager::getInstance();
  log.writeLog(20, "ViewObject::serialize(): serializing attributes");
  log.writeLog(20, "ViewObject::serialize(): attr is %u, modified is %u (%s)", attr,
               getModified(), vx::toString(bool(isModified())).c_str());
  Object::serialize(p_ss, attr);
  if (!p_ss) return checkStream("ViewObject::serialize()", p_ss);
  unsigned int m = getModified();
  // A bit is cleared only once its block reached the stream.
  if ((attr & VALUE) || (attr == 0 && (m & VALUE))) {
    log.writeLog(25, "\tVALUE");
    writeRaw(p_ss, static_cast<int32_t>(m_value));
    if (p_ss->good()) m &= ~static_cast<unsigned int>(VALUE);
  }
  if ((attr & APPEARANCE) || (attr == 0 && (m & APPEARANCE))) {
    log.writeLog(25, "\tAPPEARANCE");
    writeText(p_ss, m_view_string);
    log.writeLog(25, "\tVIEW_STRING: %s", m_view_string.c_str());
    writeFlag(p_ss, m_border);
    log.writeLog(25, "\tBORDER: %s", vx::toString(bool(m_border)).c_str());
    writeRaw(p_ss, static_cast<int32_t>(m_color));
    log.writeLog(25, "\tCOLOR: %s", colorToString(m_color).c_str());
    writeRaw(p_ss, static_cast<int32_t>(m_location));
    log.writeLog(25, "\tLOCATION: %s", locationToString(m_location).c_str());
    writeFlag(p_ss, m_draw_value);
    log.writeLog(25, "\tDRAW_VALUE: %s", vx::toString(bool(m_draw_value)).c_str());
    if (p_ss->good()) m &= ~static_cast<unsigned int>(APPEARANCE);
  }
  setModified(m);
  return checkStream("ViewObject::serialize()", p_ss);
}

int ViewObject::deserialize(std::stringstream *p_ss, unsigned int *p_attr) {
  unsigned int local_attr = 0;
  if (!p_attr) p_attr = &local_attr;
  int r;
  if (p_ss) {
    // One reader for the object's attributes and the view object's after them.
    RawReader in(p_ss);
    r = Object::read(in, p_attr);
    if (r == 0) return readOwn(in, *p_attr);
  } else {
    r = Object::deserialize(p_ss, p_attr);
  }
  LogManager::getInstance().writeLog("ViewObject::deserialize(): Error calling Object::deserialize().");
  return r;
}

int ViewObject::readOwn(RawReader &in, unsigned int mask) {
  const LogManager &log = LogManager::getInstance();
  RawReader::Scope scope(in, "ViewObject::deserialize()");
  log.writeLog(20, "ViewObject::deserialize(): attr %u (%s)", mask, toBinaryString(mask).c_str());
  if (mask & VALUE) {
    int32_t v = 0;
    if (in.raw(v)) {
      setValue(v);
      log.writeLog(25, "\tVALUE: %d", static_cast<int>(v));
    }
  }
  if (mask & APPEARANCE) readAppearance(in);
  log.writeLog(20, "ViewObject::deserialize(): done checking all types.");
  return in.check();
}

// Each field that arrived whole is applied, also after one that did not.
void ViewObject::readAppearance(RawReader &in) {
  const LogManager &log = LogManager::getInstance();
  uint64_t len = 0;
  if (in.length(len, "View string")) {
    std::string view_string;
    RawReader::Text got = in.text(len, view_string);
    if (got == RawReader::TEXT_NO_MEMORY) {
      log.writeLog("ViewObject::deserialize(): Error! Cannot allocate %d bytes.", static_cast<int>(len));
      in.skip(len);
    } else if (got == RawReader::TEXT_OK) {
      setViewString(view_string);
      log.writeLog(25, "\tVIEW_STRING: %s", m_view_string.c_str());
    }
  }
  bool border = false;
  if (in.flag(border)) {
    setBorder(border);
    log.writeLog(25, "\tBORDER: %s", vx::toString(bool(m_border)).c_str());
  }
  int32_t color = 0;
  if (in.raw(color)) {
    // Only the enumeration's own values are converted to it.
    if (color >= UNDEFINED_COLOR && color <= CUSTOM)
      setColor(static_cast<Color>(color));
    else
      log.writeLog("ViewObject::deserialize(): Warning! Color %d out of range. Ignored.", static_cast<int>(color));
    log.writeLog(25, "\tCOLOR: %s", colorToString(m_color).c_str());
  }
  int32_t location = 0;
  if (in.raw(location)) {
    setLocation(location);
    log.writeLog(25, "\tLOCATION: %s", locationToString(m_location).c_str());
  }
  bool draw_value = false;
  if (in.flag(draw_value)) {
    setDrawValue(draw_value);
    log.writeLog(25, "\tDRAW_VALUE: %s", vx::toString(bool(m_draw_value)).c_str());
  }
}

} // namespace vx
