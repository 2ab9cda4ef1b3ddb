#pragma once

#include <string>

#include "core/Event.h"
#include "core/EventOwner.h"
#include "core/Vector.h"

namespace vx {

namespace MouseAction {
enum Action {
  UNDEFINED = -1,
  CLICKED = 0,  // a button went down (from the window's queue)
  PRESSED = 1,  // a button is held, sent every step
  MOVED = 2,    // the pointer moved
};
} // namespace MouseAction

namespace MouseButton {
enum Button {
  UNDEFINED = -1,
  LEFT = 0,
  RIGHT = 1,
  MIDDLE = 2,
};
} // namespace MouseButton

class EventMouse : public Event {
 private:
  int m_mouse_action;
  int m_mouse_button;
  Vector m_mouse_xy;  // in the window's cells, from its top-left corner

 public:
  EventMouse();
  EventMouse(const EventMouse &other) = default;
  EventMouse &operator=(const EventMouse &other) = default;
  virtual ~EventMouse();

  void setMouseAction(int new_mouse_action);
  int getMouseAction() const;
  void setMouseButton(int new_mouse_button);
  int getMouseButton() const;
  void setMousePosition(Vector new_mouse_xy);
  Vector getMousePosition() const;
};

} // namespace vx
