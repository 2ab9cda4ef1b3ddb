#pragma once

#include <string>

#include "network/ReceiveBuffer.h"
#include "network/SendQueue.h"

namespace vx {

// connect gives up on a host that has not answered within this time.
const int CONNECT_TIMEOUT_MS = 5000;

// One connected socket: its descriptor, its send delay, its outgoing side
// and the start of a message on its way in.
struct Connection {
  int sock;
  int delay = 0;  // send delay in steps (0: send at once)
  SendQueue queue;
  ReceiveBuffer input;

  explicit Connection(int s) : sock(s) {}
  // Moved, never copied, when the list grows or shrinks.
  Connection(Connection &&) = default;
  Connection &operator=(Connection &&) = default;
};

// Opening sockets, with the error lines of NetworkManager::connect and
// NetworkManager::setServer.

// A socket connected to host and port (digits, 1 to 65535), non-blocking
// from the start; -1 when that failed or the host did not answer within
// CONNECT_TIMEOUT_MS.
int openClientSocket(const std::string &host, const std::string &port);

// A non-blocking socket listening on port (digits, 1 to 65535); -1 on failure.
int openServerSocket(const std::string &port);

} // namespace vx
