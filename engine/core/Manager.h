#pragma once

#include <string>

#include "core/Event.h"
#include "core/TrackedList.h"

namespace vx {

class Object;

const int MAX_EVENTS = 100;

// Base of the engine's managers: type name, started flag and event interests.
class Manager {
 private:
  std::string m_type;
  int m_event_count;
  std::string m_event_name[MAX_EVENTS];
  // The objects interested in each type, in registration order; membership
  // and removal are constant time however many there are.
  TrackedList m_obj_list[MAX_EVENTS];
  bool m_is_started;

 protected:
  // True, with the "already started" warning, when the manager is started:
  // the derived startUp then refuses with -1.
  bool refuseSecondStartUp() const;

 public:
  Manager();
  virtual bool isValid(std::string event_type) const;
  virtual ~Manager();
  virtual int startUp();
  virtual void shutDown();

  std::string getType() const;
  void setType(std::string type);
  bool isStarted() const;

  int registerInterest(Object *p_o, std::string event_type);
  int unregisterInterest(Object *p_o, std::string event_type);
  int onEvent(const Event *p_event) const;
};

} // namespace vx
