#pragma once
// The network tests' way into the manager's connection list and its cap.

#include "network/NetworkManager.h"

namespace vx {

struct NetworkTestSeam {
  // Appends an already connected descriptor to the list (delay 0, empty
  // queue) without an event. Returns its index.
  static int adoptSocket(int fd) { return NetworkManager::getInstance().addSocket(fd); }

  // The most bytes a socket may hold unsent (MAX_PENDING_OUTPUT by default).
  static void setMaxPendingOutput(int bytes) {
    NetworkManager::getInstance().m_max_pending_output = bytes;
  }
};

} // namespace vx
