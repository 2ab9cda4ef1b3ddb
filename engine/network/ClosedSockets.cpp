#include "network/ClosedSockets.h"

#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "core/LogManager.h"
#include "network/SendQueue.h"
#include "network/SocketError.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

namespace {

// Most bytes a closed socket's peer may push at it per round; they are read
// and thrown away so that the final close does not reset the connection.
const int CLOSED_DISCARD_BYTES = 1024 * 1024;

// Bytes of a closed socket on their way: held here, and in the system's
// send queue (its size into *p_queued), not yet acknowledged.
uint64_t onTheirWay(int sock, UnsentBytes &unsent, int64_t now_us, int *p_queued) {
  *p_queued = unsent.lookAtQueue(sock, now_us);
  return uint64_t(unsent.pending()) + uint64_t(*p_queued);
}

} // namespace

int ClosedSockets::close(int sock, int sock_index, UnsentBytes unsent, int max_sockets,
                         uint64_t max_bytes, int *p_code) {
  Draining d{sock, std::move(unsent)};
  // The no-progress time goes on from before the close.
  int64_t now = platform::nowMicros();
  if (d.unsent.pending() == 0) d.unsent.markTaken(now);
  d.unsent.lookAtQueue(sock, now);
  *p_code = 0;
  int state = drain(d, "NetworkManager::close()");
  if (state == 1) {
    int r = platform::socketClose(sock);
    *p_code = platform::socketError();
    return r;
  }
  if (state == 0) {
    try {
      makeRoom(d, sock_index, max_sockets, max_bytes);
      m_sockets.push_back(std::move(d));
    } catch (const std::bad_alloc &) {
      LogManager::getInstance().writeLog(
          "NetworkManager::close(): Error! No room to keep socket %d open for its unsent bytes; "
          "they are discarded.",
          sock_index);
      platform::socketAbort(sock);
    }
  }
  return 0;
}

// "m_sock[]" in these lines names the socket list as the send lines do.
int ClosedSockets::drain(Draining &d, const char *p_op) {
  LogManager &lm = LogManager::getInstance();
  // Unread input at the close would make the system reset the connection
  // and drop what is still on its way.
  int code = platform::socketDiscardInput(d.sock, CLOSED_DISCARD_BYTES);
  if (code == 0) code = d.unsent.sendTo(d.sock);
  // A reset whose error an earlier call took shows only in the socket's
  // state (code stays 0).
  bool down = code != 0 || platform::socketConnectionDown(d.sock, &code) == 1;
  int64_t now = platform::nowMicros();
  int queued = 0;
  unsigned long long lost = onTheirWay(d.sock, d.unsent, now, &queued);
  if (lost == 0) return 1;
  std::string dropped = discardedText(d.unsent.pending(), queued);
  if (down) {
    // The next line gives the cause, as "Connection reset by peer".
    lm.writeLog("%s: Error! Closed socket (m_sock[] was %d) lost its peer%s: %s.", p_op, d.sock,
                code != 0 ? "" : " (the connection is down, its error taken earlier)",
                dropped.c_str());
    if (code != 0) logSocketError(code);
    platform::socketClose(d.sock);
    return -1;
  }
  int64_t stalled_ms = d.unsent.stalledMillis(now);
  if (stalled_ms >= MAX_SEND_STALL_MS) {
    lm.writeLog("%s: Error! Closed socket (m_sock[] was %d): its peer acknowledged no bytes for "
                "%lld ms: %s.",
                p_op, d.sock, static_cast<long long>(stalled_ms), dropped.c_str());
    platform::socketAbort(d.sock);
    return -1;
  }
  return 0;
}

void ClosedSockets::makeRoom(Draining &d, int sock_index, int max_sockets, uint64_t max_bytes) {
  int64_t now = platform::nowMicros();
  int queued = 0;
  uint64_t total = onTheirWay(d.sock, d.unsent, now, &queued);
  std::vector<int> kept_queued(m_sockets.size());
  for (size_t i = 0; i < m_sockets.size(); i++)
    total += onTheirWay(m_sockets[i].sock, m_sockets[i].unsent, now, &kept_queued[i]);
  size_t gone = 0;
  for (; gone < m_sockets.size(); gone++) {
    if (m_sockets.size() - gone < size_t(max_sockets) && total <= max_bytes) break;
    Draining &old = m_sockets[gone];
    uint64_t held = old.unsent.pending();
    total -= held + uint64_t(kept_queued[gone]);
    LogManager::getInstance().writeLog(
        "NetworkManager::close(): Error! Closed socket (m_sock[] was %d) given up to make room "
        "for socket %d (closed sockets keep at most %d sockets and %llu bytes on their way): %s.",
        old.sock, sock_index, max_sockets, static_cast<unsigned long long>(max_bytes),
        discardedText(held, kept_queued[gone]).c_str());
    platform::socketAbort(old.sock);
  }
  m_sockets.erase(m_sockets.begin(), m_sockets.begin() + static_cast<std::ptrdiff_t>(gone));
}

void ClosedSockets::drainAll(const char *p_op) {
  size_t kept = 0;
  for (size_t i = 0; i < m_sockets.size(); i++) {
    int state = drain(m_sockets[i], p_op);
    if (state == 1 && platform::socketClose(m_sockets[i].sock) != 0) {
      int code = platform::socketError();
      LogManager::getInstance().writeLog("%s: Error! close() returned:", p_op);
      logSocketError(code);
    }
    if (state == 0) {
      if (kept != i) m_sockets[kept] = std::move(m_sockets[i]);
      kept++;
    }
  }
  m_sockets.erase(m_sockets.begin() + static_cast<std::ptrdiff_t>(kept), m_sockets.end());
}

void ClosedSockets::drainBeforeShutDown() {
  int64_t start = platform::nowMicros();
  while (!m_sockets.empty()) {
    drainAll("NetworkManager::shutDown()");
    if (m_sockets.empty()) break;
    if (platform::nowMicros() - start >= int64_t(SHUTDOWN_SEND_WAIT_MS) * 1000) {
      unsigned long long lost = 0;
      for (Draining &d : m_sockets) {
        int queued = 0;
        lost += onTheirWay(d.sock, d.unsent, platform::nowMicros(), &queued);
        platform::socketAbort(d.sock);
      }
      LogManager::getInstance().writeLog(
          "NetworkManager::shutDown(): Warning! %llu unsent bytes of %d closed sockets "
          "discarded after %d ms.",
          lost, static_cast<int>(m_sockets.size()), SHUTDOWN_SEND_WAIT_MS);
      m_sockets.clear();
      break;
    }
    platform::sleepMillis(1);
  }
}

bool ClosedSockets::empty() const { return m_sockets.empty(); }

} // namespace vx
