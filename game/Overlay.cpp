#include "Overlay.h"

#include "core/Box.h"
#include "core/EventStep.h"
#include "display/DisplayManager.h"
#include "world/Geometry.h"

void setUpOverlay(vx::Object *p_o, std::string type) {
  p_o->setType(type);
  p_o->setSolidness(vx::SPECTRAL);
  p_o->setAltitude(4);
  p_o->setPosition(vx::Vector(0, 0));
  p_o->setBox(vx::Box(vx::Vector(0, 0), 300, 90));
  p_o->registerInterest(vx::EVENT_STEP);
}

void drawCentred(float x, float y, const std::string &text, vx::Color color) {
  vx::DisplayManager::getInstance().drawString(vx::viewToWorld(vx::Vector(x, y)), text, vx::CENTER_JUSTIFIED,
                                               color);
}
