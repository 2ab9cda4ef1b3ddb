#include "display/EventMouse.h"

namespace vx {

EventMouse::EventMouse()
    : m_mouse_action(MouseAction::UNDEFINED), m_mouse_button(MouseButton::UNDEFINED), m_mouse_xy() {
  setType(EVENT_MOUSE);
}

EventMouse::~EventMouse() {}

void EventMouse::setMouseAction(int new_mouse_action) { m_mouse_action = new_mouse_action; }
int EventMouse::getMouseAction() const { return m_mouse_action; }
void EventMouse::setMouseButton(int new_mouse_button) { m_mouse_button = new_mouse_button; }
int EventMouse::getMouseButton() const { return m_mouse_button; }
void EventMouse::setMousePosition(Vector new_mouse_xy) { m_mouse_xy = new_mouse_xy; }
Vector EventMouse::getMousePosition() const { return m_mouse_xy; }

} // namespace vx
