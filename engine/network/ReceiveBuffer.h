#pragma once

#include <cstddef>
#include <memory>

namespace vx {

// The start of an incoming message, taken out of the system before the rest
// of it arrived: a part of a message left in the system's receive buffer
// can keep the receive window shut, and then the rest never comes. Holds at
// most one message (MAX_MESSAGE_SIZE bytes); its bytes come before the
// system's.
class ReceiveBuffer {
 private:
  std::unique_ptr<char[]> m_p_bytes;  // MAX_MESSAGE_SIZE bytes, from the first fill on
  size_t m_at = 0;                    // held bytes are m_at to m_end
  size_t m_end = 0;

 public:
  size_t held() const { return m_end - m_at; }

  // Copies up to bytes held bytes to p, taking them out unless peek. The
  // number copied.
  int copyOut(char *p, int bytes, bool peek);

  // Reads from the system, without waiting, until upto bytes are held (at
  // most MAX_MESSAGE_SIZE). The error code that stopped it (0: none, no
  // more waiting, or the peer's end). Throws std::bad_alloc.
  int fill(int sock, int upto);
};

} // namespace vx
