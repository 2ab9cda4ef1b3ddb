#pragma once

#include <string>

namespace vx {

class Event;

// What a manager delivers events to: the game objects are listeners.
class Listener {
 public:
  virtual ~Listener() {}

  // Non-zero when the event was handled.
  virtual int eventHandler(const Event *p_e) = 0;
  // Only a listener that listens now (an active object) is sent events.
  virtual bool isListening() const = 0;
  // The id and type that log lines name it by.
  virtual int getListenerId() const = 0;
  virtual std::string getListenerType() const = 0;
};

} // namespace vx
