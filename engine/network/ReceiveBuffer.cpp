#include "network/ReceiveBuffer.h"

#include <cstring>

#include "network/MessageFraming.h"
#include "platform/Socket.h"

namespace vx {

int ReceiveBuffer::copyOut(char *p, int bytes, bool peek) {
  size_t n = held() < size_t(bytes) ? held() : size_t(bytes);
  if (n == 0) return 0;
  memcpy(p, m_p_bytes.get() + m_at, n);
  if (!peek) m_at += n;
  if (held() == 0) m_at = m_end = 0;
  return static_cast<int>(n);
}

int ReceiveBuffer::fill(int sock, int upto) {
  if (upto > MAX_MESSAGE_SIZE) upto = MAX_MESSAGE_SIZE;
  if (upto <= 0 || held() >= size_t(upto)) return 0;
  if (!m_p_bytes) m_p_bytes.reset(new char[MAX_MESSAGE_SIZE]);
  if (m_at > 0) {
    memmove(m_p_bytes.get(), m_p_bytes.get() + m_at, held());
    m_end -= m_at;
    m_at = 0;
  }
  while (m_end < size_t(upto)) {
    int n = platform::socketRecv(sock, m_p_bytes.get() + m_end, upto - static_cast<int>(m_end), false);
    if (n > 0) {
      m_end += size_t(n);
      continue;
    }
    int code = n < 0 ? platform::socketError() : 0;
    return n < 0 && !platform::isWouldBlock(code) ? code : 0;
  }
  return 0;
}

} // namespace vx
