#include "core/Manager.h"

#include <utility>
#include <vector>

#include "core/LogManager.h"

namespace vx {

namespace {

struct Offer {
  std::string type;
  Manager &(*get_instance)();
};

// The managers offered by the loop, one entry a type.
std::vector<Offer> &offers() {
  static std::vector<Offer> offered;
  return offered;
}

} // namespace

Manager::Manager() : m_type("Manager"), m_event_count(0), m_is_started(false) {}

Manager::~Manager() {}

void Manager::offer(const char *type, Manager &(*get_instance)()) {
  for (Offer &o : offers())
    if (o.type == type) {
      o.get_instance = get_instance;
      return;
    }
  offers().push_back(Offer{type, get_instance});
}

Manager *Manager::find(const std::string &type) {
  for (const Offer &o : offers())
    if (o.type == type) return &o.get_instance();
  return nullptr;
}

bool Manager::isValid(std::string) const { return false; }

int Manager::startUp() {
  if (m_is_started)
    LogManager::getInstance().writeLog(1, "Manager::startUp(): Warning! %s already started.", m_type.c_str());
  m_is_started = true;
  return 0;
}

bool Manager::refuseSecondStartUp() const {
  if (!m_is_started) return false;
  LogManager::getInstance().writeLog("%s::startup(): Warning! %s already started.", m_type.c_str(), m_type.c_str());
  return true;
}

void Manager::shutDown() {
  if (!m_is_started)
    LogManager::getInstance().writeLog(1, "Manager::shutDown(): Warning! %s not started.", m_type.c_str());
  m_is_started = false;
}

std::string Manager::getType() const { return m_type; }

void Manager::setType(std::string type) { m_type = type; }

bool Manager::isStarted() const { return m_is_started; }

int Manager::registerInterest(Listener *p_o, std::string event_type) {
  if (!isValid(event_type)) {
    LogManager::getInstance().writeLog("Manager(%s)::registerInterest(): Event '%s' not valid for this Manager",
                                       m_type.c_str(), event_type.c_str());
    return -1;
  }
  if (!p_o) return -1;

  for (int i = 0; i < m_event_count; i++) {
    if (m_event_name[i] != event_type) continue;
    if (m_obj_list[i].contains(p_o)) {
      LogManager::getInstance().writeLog(1, "Manager::registerInterest(): Warning! Not adding id %d (%s) twice for event %s.",
                                         p_o->getListenerId(), p_o->getListenerType().c_str(), event_type.c_str());
      return 0;
    }
    return m_obj_list[i].insert(p_o);
  }

  if (m_event_count >= MAX_EVENTS) return -1;
  m_event_name[m_event_count] = event_type;
  m_obj_list[m_event_count].clear();
  if (m_obj_list[m_event_count].insert(p_o) != 0) return -1;
  m_event_count++;
  return 0;
}

int Manager::unregisterInterest(Listener *p_o, std::string event_type) {
  for (int i = 0; i < m_event_count; i++) {
    if (m_event_name[i] != event_type) continue;
    if (m_obj_list[i].remove(p_o) != 0) return -1;
    if (m_obj_list[i].isEmpty()) {
      for (int j = i; j < m_event_count - 1; j++) {
        m_event_name[j] = m_event_name[j + 1];
        m_obj_list[j] = std::move(m_obj_list[j + 1]);
      }
      m_event_count--;
      m_event_name[m_event_count].clear();
      m_obj_list[m_event_count].clear();
    }
    return 0;
  }
  return -1;
}

int Manager::onEvent(const Event *p_event) const {
  if (!p_event) return 0;
  std::string type = p_event->getType();
  if (type == EVENT_UNDEFINED) {
    LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Warning! Event type %s is undefined.",
                                       m_type.c_str(), type.c_str());
    return 0;
  }
  if (!isValid(type)) {
    LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Error! Event type %s not valid.", m_type.c_str(),
                                       type.c_str());
    return 0;
  }
  int count = 0;
  for (int i = 0; i < m_event_count; i++) {
    if (m_event_name[i] != type) continue;
    // A copy: handlers may change interests while the event is delivered.
    std::vector<Listener *> list;
    list.reserve(static_cast<size_t>(m_obj_list[i].getCount()));
    for (Listener *p_o : m_obj_list[i])
      if (p_o) list.push_back(p_o);
    for (Listener *p_o : list)
      if (p_o->isListening() && p_o->eventHandler(p_event) != 0) count++;
  }
  return count;
}

} // namespace vx
