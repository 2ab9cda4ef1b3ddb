#pragma once

#include <cstddef>
#include <cstdint>
#include <queue>
#include <vector>

#include "network/MessageFraming.h"
#include "network/UnsentBytes.h"

namespace vx {

// Most bytes the engine may hold for a socket, in messages waiting for
// their step and in bytes the system has not taken yet: send refuses a
// message that would pass it, and the connection stays. The system's own
// send buffer holds more on top.
const int MAX_PENDING_OUTPUT = 4 * 1024 * 1024;

// A socket whose peer makes no progress for this long is closed. A peer
// that reads slowly opens its receive window only now and then (on
// loopback every 9.5 to 13 s at 10 KB/s, 13.6 to 18.6 s at 7 KB/s).
const int MAX_SEND_STALL_MS = 20000;

// What a message waiting for its step counts toward the cap besides its
// bytes: its entry and its copy's allocation, so that tiny or empty
// messages cannot hold far more memory than the cap.
const int DELAYED_MESSAGE_OVERHEAD = 64;

// A message waiting for its step.
struct DelayedMessage {
  int send_step;           // step count at or after which it is sent
  std::vector<char> copy;  // the caller's bytes
};

// One connection's outgoing side: messages waiting for their step, bytes
// already due that the socket has not taken yet, and where the stream stands
// in the message framing. Log lines name the socket index the caller gives;
// the caller closes the socket where a call says it is to be closed. cap is
// the most bytes the socket may hold, delayed or unsent (MAX_PENDING_OUTPUT).
class SendQueue {
 private:
  std::queue<DelayedMessage> m_delayed;
  uint64_t m_delayed_bytes = 0;  // their bytes, without the overhead
  UnsentBytes m_unsent;
  OutgoingFrames m_frames;
  uint64_t m_refused = 0;  // refusals since the last message taken

  int refuse(int sock_index, uint64_t cost, int cap);  // checkRoom's -1, with its line
  void endRefusals(int sock_index);               // the count of a run of refusals
  int sendPending(int sock, int sock_index);      // flush with bytes waiting

 public:
  // Unsent bytes.
  size_t pending() const { return m_unsent.pending(); }
  // What a message of bytes counts toward the cap, delayed or not.
  static uint64_t cost(int bytes, bool delayed) {
    return uint64_t(bytes) + (delayed ? uint64_t(DELAYED_MESSAGE_OVERHEAD) : 0);
  }
  // What counts toward the cap: unsent bytes, and messages waiting for
  // their step.
  uint64_t held() const {
    return uint64_t(pending()) + m_delayed_bytes +
           uint64_t(m_delayed.size()) * uint64_t(DELAYED_MESSAGE_OVERHEAD);
  }

  // 0 when a message of bytes, delayed or not, fits under the cap, else -1.
  // The first refusal is logged; the next message that fits logs how many
  // were refused.
  int checkRoom(int sock_index, int bytes, bool delayed, int cap) {
    uint64_t c = cost(bytes, delayed);
    if (held() + c > uint64_t(cap)) return refuse(sock_index, c, cap);
    if (m_refused > 0) endRefusals(sock_index);
    return 0;
  }

  // Queues a copy of the bytes for send_step. 0, or -1 with a line when no
  // copy can be made.
  int delay(int send_step, const void *buffer, int bytes);

  // Takes out the first delayed message when it is due at step. send
  // counted it toward the cap already. One that would take the unsent bytes
  // past a cap lowered since waits for room.
  bool takeDue(int step, int cap, std::vector<char> *p_copy);

  // Keeps bytes for later steps. 0, or -1 with a line when there is no
  // memory for them.
  int hold(int sock_index, const char *p, int bytes);

  // Sends what the socket takes of the unsent bytes. 0, or -1 with lines
  // when the socket failed or its peer made no progress for
  // MAX_SEND_STALL_MS: the stream is out of step and the socket is to be
  // closed.
  int flush(int sock, int sock_index) { return pending() == 0 ? 0 : sendPending(sock, sock_index); }

  // Follows the framing of bytes on their way out.
  void follow(int sock_index, const char *p, int bytes) { m_frames.follow(sock_index, p, bytes); }

  // At the socket's close: drops the messages waiting for their step, with
  // a line, and logs the count of a run of refusals.
  void discard(int sock_index);

  // Hands the unsent bytes over, to go out after a close.
  UnsentBytes takeUnsent();
};

} // namespace vx
