#pragma once

#include <string>

#include "core/Event.h"

namespace vx {

const std::string EVENT_VIEW = "vx-view";

// Sets or adds to the value of the view objects whose label equals the tag.
class EventView : public Event {
 private:
  std::string m_tag;
  int m_value;
  bool m_delta;

 public:
  EventView();
  EventView(std::string new_tag, int new_value, bool new_delta);
  ~EventView() override;

  void setTag(std::string new_tag);
  std::string getTag() const;
  void setValue(int new_value);
  int getValue() const;
  void setDelta(bool new_delta);
  bool getDelta() const;
};

} // namespace vx
