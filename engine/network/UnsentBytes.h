#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx {

// Bytes already due that a socket could not take yet; they go out first, in
// order, in later steps. The clock says since when the peer made no
// progress: the socket took none of them and the system's send queue did
// not shrink (the peer acknowledged nothing).
class UnsentBytes {
 private:
  std::vector<char> m_out;      // unsent bytes from m_out_at on
  size_t m_out_at = 0;
  int64_t m_last_taken_us = 0;  // last progress (or when the bytes began to wait)
  int m_queued = 0;             // the system's send queue at the last look

 public:
  size_t pending() const { return m_out.size() - m_out_at; }

  // Keeps bytes behind those pending; the clock starts when none were.
  // Throws std::bad_alloc.
  void append(const char *p, int bytes);

  // Sends what the socket takes without waiting. The error code that stopped
  // it (0 when all went or the socket took no more).
  int sendTo(int sock);

  // Looks at the system's send queue of sock: bytes it holds that the peer
  // has not acknowledged. A queue that shrank since the last look is
  // progress. Its size now.
  int lookAtQueue(int sock, int64_t now_us);

  // Progress seen some other way (a close).
  void markTaken(int64_t now_us);
  int64_t stalledMillis(int64_t now_us) const;
};

// How the bytes a socket drops are counted in lines: "<all> unsent bytes
// discarded (<held> held here, <queued> in the system's send queue)".
std::string discardedText(uint64_t held, int queued);

} // namespace vx
