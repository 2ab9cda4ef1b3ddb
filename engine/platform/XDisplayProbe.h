#pragma once

namespace vx {
namespace platform {

// SFML aborts the program when it cannot open the X display, so the display
// is opened here first. The connection is held while the probe lives, so
// that a window made meanwhile finds the server up: a server that loses its
// last client resets and refuses connections briefly.
class XDisplayProbe {
 private:
  void *m_p_lib;
  void *m_p_display;
  int (*m_close)(void *);

 public:
  XDisplayProbe();
  ~XDisplayProbe();
  XDisplayProbe(const XDisplayProbe &) = delete;
  void operator=(const XDisplayProbe &) = delete;

  // Without libX11 to ask, SFML is left to try.
  bool reachable() const;
};

} // namespace platform
} // namespace vx
