#pragma once

#include <string>

#include "core/Event.h"
#include "core/Listener.h"
#include "core/TrackedList.h"

namespace vx {

const int MAX_EVENTS = 100;

// Base of the engine's managers: type name, started flag and event interests.
class Manager {
 private:
  std::string m_type;
  int m_event_count;
  std::string m_event_name[MAX_EVENTS];
  // The objects interested in each type, in registration order; membership
  // and removal are constant time however many there are.
  TrackedListOf<Listener> m_obj_list[MAX_EVENTS];
  bool m_is_started;

 protected:
  // True, with the "already started" warning, when the manager is started:
  // the derived startUp then refuses with -1.
  bool refuseSecondStartUp() const;

 public:
  Manager();
  Manager(const Manager &) = delete;
  void operator=(const Manager &) = delete;
  virtual bool isValid(std::string event_type) const;
  virtual ~Manager();
  virtual int startUp();
  virtual void shutDown();

  std::string getType() const;
  void setType(std::string type);
  bool isStarted() const;

  int registerInterest(Listener *p_o, std::string event_type);
  int unregisterInterest(Listener *p_o, std::string event_type);
  int onEvent(const Event *p_event) const;

  // How a part reaches a manager above it, such as the owner of an event
  // type (core/EventOwner.h). A manager above the core offers itself from
  // its own file as the program starts: get_instance makes it on first use.
  // Returns true.
  static bool offer(const char *type, Manager &(*get_instance)());
  // The live manager of the type ("GameManager" ...), made now if it was
  // offered; nullptr when there is none.
  static Manager *find(const std::string &type);
};

} // namespace vx
