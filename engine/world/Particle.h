#pragma once

#include <sstream>

#include "core/Color.h"
#include "core/Event.h"
#include "world/Object.h"

namespace vx {

// A short-lived coloured circle; SPECTRAL, top altitude, id 0.
class Particle : public Object {
 private:
  int m_age;

  void init(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
            unsigned char b);

 public:
  Particle(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  Particle(float size, int age, unsigned char opacity, Color color);
  ~Particle() override;

  int getAge() const;

  void setColor(unsigned char r, unsigned char g, unsigned char b);
  void setColor(Color color);

  int eventHandler(const Event *p_e) override;
  int serialize(std::stringstream *p_ss, unsigned int attr = 0) override;
  int deserialize(std::stringstream *p_ss, unsigned int *p_attr = nullptr) override;
};

} // namespace vx
