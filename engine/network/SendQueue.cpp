#include "network/SendQueue.h"

#include <cstdint>
#include <new>
#include <utility>

#include "core/LogManager.h"
#include "network/SocketError.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

int SendQueue::refuse(int sock_index, uint64_t cost, int cap) {
  // One line a run: a peer that falls behind would be refused every step.
  if (m_refused++ > 0) return -1;
  LogManager::getInstance().writeLog(
      "NetworkManager::send(): Error! Socket %d has %llu bytes waiting to go out (a delayed "
      "message counts %d more); %llu more would pass %d. Message refused (more refusals are "
      "counted until one fits).",
      sock_index, static_cast<unsigned long long>(held()), DELAYED_MESSAGE_OVERHEAD,
      static_cast<unsigned long long>(cost), cap);
  return -1;
}

void SendQueue::endRefusals(int sock_index) {
  LogManager::getInstance().writeLog(
      "NetworkManager::send(): Socket %d: messages refused before this one fitted: %llu.",
      sock_index, static_cast<unsigned long long>(m_refused));
  m_refused = 0;
}

void SendQueue::discard(int sock_index) {
  LogManager &lm = LogManager::getInstance();
  if (m_refused > 0) {
    lm.writeLog("NetworkManager::close(): Socket %d: messages refused since the last one that "
                "fitted: %llu.",
                sock_index, static_cast<unsigned long long>(m_refused));
    m_refused = 0;
  }
  if (m_delayed.empty()) return;
  lm.writeLog("NetworkManager::close(): Warning! Socket %d: delayed messages discarded: %d (%llu "
              "bytes).",
              sock_index, static_cast<int>(m_delayed.size()),
              static_cast<unsigned long long>(m_delayed_bytes));
  m_delayed = std::queue<DelayedMessage>();
  m_delayed_bytes = 0;
}

int SendQueue::delay(int send_step, const void *buffer, int bytes) {
  try {
    const char *p = static_cast<const char *>(buffer);
    m_delayed.push(DelayedMessage{send_step, std::vector<char>(p, p + bytes)});
    m_delayed_bytes += uint64_t(bytes);
  } catch (const std::bad_alloc &) {
    // "Error!" is followed by two blanks in this line.
    LogManager::getInstance().writeLog(
        "NetworkManager::send(): Error!  Allocate buffer for delayed send (%d).", bytes);
    return -1;
  }
  return 0;
}

bool SendQueue::takeDue(int step, int cap, std::vector<char> *p_copy) {
  if (m_delayed.empty()) return false;
  DelayedMessage &next = m_delayed.front();
  if (next.send_step > step) return false;
  size_t waiting = pending();
  if (waiting > 0 && uint64_t(waiting) + uint64_t(next.copy.size()) > uint64_t(cap)) return false;
  *p_copy = std::move(next.copy);
  m_delayed_bytes -= uint64_t(p_copy->size());
  m_delayed.pop();
  return true;
}

int SendQueue::hold(int sock_index, const char *p, int bytes) {
  LogManager &lm = LogManager::getInstance();
  try {
    m_unsent.append(p, bytes);
  } catch (const std::bad_alloc &) {
    lm.writeLog("NetworkManager::send(): Error! Cannot hold %d bytes for socket %d.", bytes,
                sock_index);
    return -1;
  }
  lm.writeLog(20, "NetworkManager::send(): Socket %d holds %llu bytes for later steps.",
              sock_index, static_cast<unsigned long long>(pending()));
  return 0;
}

int SendQueue::sendPending(int sock, int sock_index) {
  LogManager &lm = LogManager::getInstance();
  int code = m_unsent.sendTo(sock);
  if (pending() == 0) return 0;
  if (code != 0) {
    // The stream ends mid-message: nothing more can go out in step.
    lm.writeLog("NetworkManager::send(): Error! Return is -1.");
    logSocketError(code);
    if (platform::isConnectionGone(code)) lm.writeLog(1, "\tsocket is closed");
    return -1;
  }
  int64_t now = platform::nowMicros();
  int queued = m_unsent.lookAtQueue(sock, now);
  int64_t stalled_ms = m_unsent.stalledMillis(now);
  if (stalled_ms >= MAX_SEND_STALL_MS) {
    lm.writeLog("NetworkManager::send(): Error! Socket %d: its peer acknowledged no bytes for %lld "
                "ms. Closing it: %s.",
                sock_index, static_cast<long long>(stalled_ms),
                discardedText(pending(), queued).c_str());
    return -1;
  }
  return 0;
}

UnsentBytes SendQueue::takeUnsent() {
  UnsentBytes unsent = std::move(m_unsent);
  m_unsent = UnsentBytes();
  return unsent;
}

} // namespace vx
