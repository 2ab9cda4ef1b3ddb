#pragma once

#include <string>

namespace vx {

const std::string EVENT_UNDEFINED = "vx-undefined";

// Base of every event: its type string.
class Event {
 private:
  std::string m_event_type;

 public:
  Event();
  Event(const Event &other) = default;
  Event &operator=(const Event &other) = default;
  virtual ~Event();

  void setType(std::string new_type);
  std::string getType() const;
};

} // namespace vx
