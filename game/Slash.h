#pragma once

#include "world/Object.h"

namespace vx {
class Event;
}

class GridEntity;

// A sword strike: damages the unit on its cell when made, then shows for
// 6 steps.
class Slash : public vx::Object {
 public:
  static const int LIFETIME = 6;

 private:
  int m_lifetime;

 public:
  Slash(int x, int y, int damage, GridEntity *p_owner);
  ~Slash() override;

  int eventHandler(const vx::Event *p_e) override;
};
