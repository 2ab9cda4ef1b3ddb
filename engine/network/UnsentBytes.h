#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

// Bytes already due that a socket could not take yet; they go out first, in
// order, in later steps. The clock says since when the socket took none.
class UnsentBytes {
 private:
  std::vector<char> m_out;      // unsent bytes from m_out_at on
  size_t m_out_at = 0;
  int64_t m_last_taken_us = 0;  // when the socket last took bytes (or when they began to wait)

 public:
  size_t pending() const { return m_out.size() - m_out_at; }

  // Keeps bytes behind those pending; the clock starts when none were.
  // Throws std::bad_alloc.
  void append(const char *p, int bytes);

  // Sends what the socket takes without waiting. The error code that stopped
  // it (0 when all went or the socket took no more).
  int sendTo(int sock);

  // Progress seen some other way (a close, or acknowledged bytes).
  void markTaken(int64_t now_us);
  int64_t stalledMillis(int64_t now_us) const;
};

} // namespace vx
