#include "network/ReceiveBuffer.h"

#include <cstring>

#include "network/MessageFraming.h"
#include "platform/Socket.h"

namespace vx {

namespace {

// Retries of a read broken by a signal.
const int MAX_INTERRUPTS = 100;

} // namespace

int ReceiveBuffer::copyOut(char *p, int bytes, bool peek) {
  size_t n = held() < size_t(bytes) ? held() : size_t(bytes);
  if (n == 0) return 0;
  memcpy(p, m_bytes.data() + m_at, n);
  if (!peek) m_at += n;
  if (held() == 0) {
    m_bytes.clear();
    m_at = 0;
  }
  return static_cast<int>(n);
}

int ReceiveBuffer::fill(int sock, int upto, int *p_code) {
  *p_code = 0;
  if (upto > MAX_MESSAGE_SIZE) upto = MAX_MESSAGE_SIZE;
  if (upto <= 0 || held() >= size_t(upto)) return 0;
  if (m_at > 0) {
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at));
    m_at = 0;
  }
  m_bytes.reserve(MAX_MESSAGE_SIZE);
  size_t had = m_bytes.size();
  m_bytes.resize(size_t(upto));
  int got = 0;
  int interrupts = 0;
  while (had + size_t(got) < size_t(upto)) {
    int n = platform::socketRecv(sock, m_bytes.data() + had + got, upto - int(had) - got, false);
    if (n > 0) {
      got += n;
      continue;
    }
    int code = n < 0 ? platform::socketError() : 0;
    if (n < 0 && platform::isInterrupted(code) && ++interrupts <= MAX_INTERRUPTS) continue;
    if (n < 0 && !platform::isWouldBlock(code)) *p_code = code;
    break;
  }
  m_bytes.resize(had + size_t(got));
  return got;
}

} // namespace vx
