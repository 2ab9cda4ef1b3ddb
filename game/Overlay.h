#pragma once

#include <string>

#include "core/Color.h"
#include "world/Object.h"

// Makes the object a screen overlay: of the given type, spectral, on the top
// layer, at the origin with a box the size of the world (so that the world
// manager draws it wherever the view stands), and told of every step.
void setUpOverlay(vx::Object *p_o, std::string type);

// Draws text centred on view position (x, y).
void drawCentred(float x, float y, const std::string &text, vx::Color color);
