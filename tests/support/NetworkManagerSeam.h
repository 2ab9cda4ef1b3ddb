#pragma once
// The network tests' way into the manager's connection list and its cap.

#include "network/NetworkManager.h"

namespace vx {

struct NetworkManagerSeam {
  // Lists an already connected descriptor as accept lists a new client
  // (delay 0, empty queue, no event), with accept's cap: its index, or -1
  // for a negative or listed descriptor or a full list.
  static int adoptSocket(int fd) { return NetworkManager::getInstance().admitSocket(fd); }

  // The most bytes a socket may hold unsent (MAX_PENDING_OUTPUT by default).
  static void setMaxPendingOutput(int bytes) {
    NetworkManager::getInstance().m_max_pending_output = bytes;
  }
};

} // namespace vx
