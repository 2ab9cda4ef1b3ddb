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

  // The one registry of the managers above the core: the parts below reach
  // the game, network and path managers through it by type name. The game
  // manager (loop/) fills it when it is made, so a program has it once it
  // has called GameManager::getInstance; get_instance makes a manager on its
  // first look-up. Offering a type again replaces its entry.
  static void offer(const char *type, Manager &(*get_instance)());
  // The manager of the type ("GameManager" ...), made now if it was not
  // yet; nullptr when none was offered.
  static Manager *find(const std::string &type);
};

} // namespace vx
