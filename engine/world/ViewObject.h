#pragma once

#include <sstream>
#include <string>

#include "core/Color.h"
#include "core/Event.h"
#include "core/Vector.h"
#include "world/Object.h"

namespace vx {

class RawReader;

// Attribute bits of a view object, above the object's own (0x3ffff).
enum ViewObjectAttribute : unsigned int {
  VALUE = 0x40000,
  APPEARANCE = 0x80000,
};

// Screen locations a view object can be placed at.
enum ViewObjectLocation {
  UNDEFINED_LOCATION = -1,
  TOP_LEFT = 0,
  TOP_CENTER,
  TOP_RIGHT,
  CENTER_LEFT,
  CENTER_CENTER,
  CENTER_RIGHT,
  BOTTOM_LEFT,
  BOTTOM_CENTER,
  BOTTOM_RIGHT,
};

// A label with an optional value and border, fixed on the screen. Its
// position is in view coordinates.
class ViewObject : public Object {
 private:
  std::string m_view_string;
  int m_value;
  bool m_draw_value;
  bool m_border;
  Color m_color;
  int m_location;

 public:
  ViewObject();
  ~ViewObject() override;

  int setPosition(Vector new_position) override;
  int eventHandler(const Event *p_e) override;
  int draw() override;
  int serialize(std::stringstream *p_ss, unsigned int attr = 0) override;
  int deserialize(std::stringstream *p_ss, unsigned int *p_attr = nullptr) override;

  virtual void setLocation(int new_location);
  virtual void setDrawValue(bool new_draw_value = true);
  virtual void setValue(int new_value);
  virtual void setBorder(bool new_border);
  virtual void setColor(Color new_color);
  virtual void setViewString(std::string new_view_string);

  std::string getViewString() const;
  int getValue() const;
  bool getDrawValue() const;
  bool getBorder() const;
  Color getColor() const;
  int getLocation() const;

  bool operator==(const ViewObject &other) const;
  bool operator!=(const ViewObject &other) const;

  std::string toString() const;

 private:
  // The view object's attributes, read after the object's on the same reader.
  int readOwn(RawReader &in, unsigned int mask);
  // The APPEARANCE block of a record.
  void readAppearance(RawReader &in);

 protected:
  // The text drawn in the middle row, from the label, value and flags.
  std::string buildText() const;
};

} // namespace vx
