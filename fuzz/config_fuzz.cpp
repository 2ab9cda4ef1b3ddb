// Fuzzes the configuration parser and the raw forms of the value types.
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

  std::stringstream ss(text);
  vx::Vector v;
  v.deserialize(&ss);
  vx::Box b;
  b.deserialize(&ss);
  return 0;
}
