#pragma once
// The network tests' way into the manager's connection list.

#include "network/NetworkManager.h"

namespace vx {

struct NetworkTestSeam {
  // Appends an already connected descriptor to the list (delay 0, empty
  // queue) without an event. Returns its index.
  static int adoptSocket(int fd) { return NetworkManager::getInstance().addSocket(fd); }
};

} // namespace vx
