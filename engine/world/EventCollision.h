#pragma once

#include "core/Event.h"
#include "core/Vector.h"

namespace vx {

class Object;

const std::string EVENT_COLLISION = "vx-collision";

// Two objects meet: the mover (object1) and the one it touches (object2).
class EventCollision : public Event {
 private:
  Vector m_position;
  Object *m_p_object1;
  Object *m_p_object2;

 public:
  EventCollision();
  EventCollision(Object *p_o1, Object *p_o2, Vector p);

  Object *getObject1() const;
  void setObject1(Object *p_new_o1);
  Object *getObject2() const;
  void setObject2(Object *p_new_o2);
  Vector getPosition() const;
  void setPosition(Vector new_pos);
};

} // namespace vx
