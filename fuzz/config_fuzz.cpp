// Fuzzes the configuration parser, the display's start-up from it (headless)
// and the raw forms of the value types, shapes and animations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/Box.h"
#include "core/Config.h"
#include "core/LogManager.h"
#include "core/Utility.h"
#include "core/Vector.h"
#include "display/Animation.h"
#include "display/DisplayManager.h"
#include "display/Shape.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::LogManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);

  // The first line is the token to look for, the rest the text.
  size_t nl = text.find('\n');
  std::string token = nl == std::string::npos ? "" : text.substr(0, nl);
  std::string body = nl == std::string::npos ? text : text.substr(nl + 1);
  vx::match(body, token);
  if (!text.empty()) vx::Config::getInstance().loadConfig(text);

  // The configured grid starts the display only within its bound.
  vx::Config &config = vx::Config::getInstance();
  config.setHeadless(true);
  vx::DisplayManager &dm = vx::DisplayManager::getInstance();
  if (dm.startUp() == 0) {
    dm.setHorizontal(config.getWindowVerticalChars());
    dm.setVertical(config.getWindowHorizontalChars());
    if (int64_t(dm.getHorizontal()) * dm.getVertical() > (int64_t(1) << 20)) abort();
    dm.shutDown();
  }

  std::stringstream ss(text);
  vx::Vector v;
  v.deserialize(&ss);
  vx::Box b;
  b.deserialize(&ss);
  vx::Shape shape;
  shape.deserialize(&ss);
  if (shape.getType() < vx::ShapeType::UNDEFINED || shape.getType() > vx::ShapeType::TRIANGLE) abort();
  if (shape.getColor() < vx::UNDEFINED_COLOR || shape.getColor() > vx::CUSTOM) abort();
  vx::Animation anim;
  anim.deserialize(&ss);
  return 0;
}
