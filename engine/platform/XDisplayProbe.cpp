#include "platform/XDisplayProbe.h"

#include <dlfcn.h>

#include <cstdlib>

#include "platform/Platform.h"

namespace vx {
namespace platform {

XDisplayProbe::XDisplayProbe() : m_p_lib(nullptr), m_p_display(nullptr), m_close(nullptr) {
  using OpenFn = void *(*)(const char *);
  using CloseFn = int (*)(void *);
  m_p_lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
  if (m_p_lib == nullptr) return;
  OpenFn open_display = reinterpret_cast<OpenFn>(dlsym(m_p_lib, "XOpenDisplay"));
  m_close = reinterpret_cast<CloseFn>(dlsym(m_p_lib, "XCloseDisplay"));
  if (open_display == nullptr || m_close == nullptr) return;
  // Without a display name there is nothing to wait for.
  const char *name = getenv("DISPLAY");
  int attempts = (name != nullptr && name[0] != '\0') ? 10 : 1;
  for (int attempt = 0; attempt < attempts && m_p_display == nullptr; attempt++) {
    if (attempt > 0) sleepMillis(50);
    m_p_display = open_display(nullptr);
  }
}

XDisplayProbe::~XDisplayProbe() {
  if (m_p_display != nullptr) m_close(m_p_display);
  if (m_p_lib != nullptr) dlclose(m_p_lib);
}

bool XDisplayProbe::reachable() const {
  return m_p_lib == nullptr || m_close == nullptr || m_p_display != nullptr;
}

} // namespace platform
} // namespace vx
