#pragma once

#include <cstdint>
#include <vector>

#include "network/UnsentBytes.h"

namespace vx {

// shutDown waits at most this long for closed sockets' unsent bytes.
const int SHUTDOWN_SEND_WAIT_MS = 2000;

// Closed sockets may be kept sending up to the most connections a program
// may accept or has had open at once, and never fewer than this.
const int MIN_CLOSED_SOCKETS = 4;

// Sockets closed with bytes still on their way: they have left the
// connection list, and each descriptor stays open until the peer has
// acknowledged its bytes, has made no progress for MAX_SEND_STALL_MS, or
// the connection is down (reset). How many are kept, and their bytes on
// their way (held here and in the system's send queue), is bounded: a
// socket closed past the bound makes the oldest kept be given up.
class ClosedSockets {
 private:
  struct Draining {
    int sock;
    UnsentBytes unsent;
  };
  std::vector<Draining> m_sockets;

  // One round: 0 while bytes are on their way, 1 when the peer has them all
  // (the descriptor is then for the caller to close), -1 when it was given
  // up (descriptor closed, line logged).
  int drain(Draining &d, const char *p_op);

  // Gives up the oldest kept sockets, with a line each, until one more
  // (d, closed as socket sock_index) fits in max_sockets and max_bytes.
  void makeRoom(Draining &d, int sock_index, int max_sockets, uint64_t max_bytes);

 public:
  // Closes socket sock (index sock_index) at once when nothing of it is on
  // its way, else keeps it until then, within max_sockets kept and
  // max_bytes on their way (this socket is always kept). 0, or -1 when
  // closing it failed, with the error code in *p_code.
  int close(int sock, int sock_index, UnsentBytes unsent, int max_sockets, uint64_t max_bytes,
            int *p_code);

  // One round for every socket kept; p_op names the operation in lines.
  void drainAll(const char *p_op);

  // Rounds until every socket is done or SHUTDOWN_SEND_WAIT_MS have passed;
  // then the rest are given up with a line.
  void drainBeforeShutDown();

  bool empty() const;
};

} // namespace vx
