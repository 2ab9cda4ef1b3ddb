#pragma once

#include <sstream>
#include <string>

#include "core/Box.h"
#include "core/Vector.h"
#include "display/Sprite.h"

namespace vx {

class RawReader;

enum AnimationTransform {
  NONE = 0,
  VERTICAL,
  HORIZONTAL,
  BOTH,
};

// An object's drawing state of a sprite: frame index, slowdown count,
// orientation. The sprite is not owned.
class Animation {
 private:
  Sprite *m_p_sprite;
  int m_index;
  int m_slowdown_count;  // -1 freezes
  std::string m_name;
  int m_transform;
  bool m_modified;

 public:
  Animation();

  void setSprite(Sprite *p_new_sprite);
  Sprite *getSprite() const;

  void setName(std::string new_name);
  std::string getName() const;

  void setIndex(int new_index);
  int getIndex() const;

  void setSlowdownCount(int new_slowdown_count);
  int getSlowdownCount() const;

  void setTransform(int new_transform);
  int getTransform() const;

  bool isModified() const;

  // Draws the current frame, then steps.
  int draw(Vector position);

  // Extent of the sprite around the object's position.
  Box getBox() const;

  bool operator==(const Animation &other) const;
  bool operator!=(const Animation &other) const;

  // Raw form: u64 name length, name, i32 index, i32 slowdown count,
  // i32 transform.
  int serialize(std::stringstream *p_ss) const;
  int deserialize(std::stringstream *p_ss);
  // The raw form from the reader given.
  int read(RawReader &in);

  std::string toString() const;
};

} // namespace vx
