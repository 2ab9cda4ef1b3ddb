#include "network/UnsentBytes.h"

#include <cstdio>

#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

namespace {

// Most bytes handed to one send call.
const size_t MAX_SEND_CHUNK = size_t(1) << 30;

} // namespace

void UnsentBytes::append(const char *p, int bytes) {
  bool was_empty = pending() == 0;
  if (m_out_at > 0 && m_out_at >= m_out.size() / 2) {
    m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_out_at));
    m_out_at = 0;
  }
  m_out.insert(m_out.end(), p, p + bytes);
  if (was_empty) m_last_taken_us = platform::nowMicros();
}

int UnsentBytes::sendTo(int sock) {
  while (pending() > 0) {
    int chunk = static_cast<int>(pending() > MAX_SEND_CHUNK ? MAX_SEND_CHUNK : pending());
    int code = 0;
    int n = platform::socketSendSome(sock, m_out.data() + m_out_at, chunk, &code);
    if (n > 0) {
      m_out_at += static_cast<size_t>(n);
      m_last_taken_us = platform::nowMicros();
    }
    if (n < chunk) return platform::isWouldBlock(code) ? 0 : code;
  }
  m_out.clear();
  m_out.shrink_to_fit();
  m_out_at = 0;
  return 0;
}

int UnsentBytes::lookAtQueue(int sock, int64_t now_us) {
  int queued = 0;
  if (platform::socketBytesUnacked(sock, &queued) != 0) queued = 0;
  if (queued < m_queued) m_last_taken_us = now_us;
  m_queued = queued;
  return queued;
}

void UnsentBytes::markTaken(int64_t now_us) { m_last_taken_us = now_us; }

int64_t UnsentBytes::stalledMillis(int64_t now_us) const {
  return (now_us - m_last_taken_us) / 1000;
}

std::string discardedText(uint64_t held, int queued) {
  char text[160];
  snprintf(text, sizeof(text),
           "%llu unsent bytes discarded (%llu held here, %d in the system's send queue)",
           static_cast<unsigned long long>(held) + static_cast<unsigned long long>(queued),
           static_cast<unsigned long long>(held), queued);
  return text;
}

} // namespace vx
