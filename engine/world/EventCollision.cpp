#include "world/EventCollision.h"

namespace vx {

EventCollision::EventCollision() : m_position(0, 0), m_p_object1(nullptr), m_p_object2(nullptr) {
  setType(EVENT_COLLISION);
}

EventCollision::EventCollision(Object *p_o1, Object *p_o2, Vector p)
    : m_position(p), m_p_object1(p_o1), m_p_object2(p_o2) {
  setType(EVENT_COLLISION);
}

Object *EventCollision::getObject1() const { return m_p_object1; }
void EventCollision::setObject1(Object *p_new_o1) { m_p_object1 = p_new_o1; }
Object *EventCollision::getObject2() const { return m_p_object2; }
void EventCollision::setObject2(Object *p_new_o2) { m_p_object2 = p_new_o2; }
Vector EventCollision::getPosition() const { return m_position; }
void EventCollision::setPosition(Vector new_pos) { m_position = new_pos; }

} // namespace vx
